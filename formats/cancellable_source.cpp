#include "formats/cancellable_source.h"

#include <cstring>
#include <utility>

CancellableSource::CancellableSource(std::unique_ptr<SoundSource> inner, CancelCheck cancelled)
    : m_pInner(std::move(inner))
    , m_cancelled(std::move(cancelled))
{
}

void CancellableSource::Read(StereoFrame* frames, std::size_t count)
{
    if (!m_bClosed && IsCancelled(m_cancelled))
        Close();
    if (m_bClosed) {
        // All-zero bytes are 0.0f; one memset keeps the rest of a long load short.
        std::memset(static_cast<void*>(frames), 0, count * sizeof(StereoFrame));
        return;
    }
    m_pInner->Read(frames, count);
}

void CancellableSource::Close()
{
    if (m_bClosed)
        return;
    m_bClosed = true;
    m_pInner->Close();
}
