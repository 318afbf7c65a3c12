#include "formats/cancellable_source.h"

#include <algorithm>
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
        std::fill(frames, frames + count, StereoFrame{0.0f, 0.0f});
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
