// An input that stops reading its file once the cancel check says so and
// hands out silence for the rest. The run's loading loop goes on to its end
// before it looks at a cancel; with this source that end comes at once, and
// the run then stops as cancelled.
#pragma once

#include <memory>

#include "engine/io/sound_source.h"
#include "formats/cancel_check.h"

class CancellableSource : public SoundSource {
public:
    CancellableSource(std::unique_ptr<SoundSource> inner, CancelCheck cancelled);

    std::uint64_t GetFrameCount() const override { return m_pInner->GetFrameCount(); }
    int GetFileRate() const override { return m_pInner->GetFileRate(); }
    // Asks the check before each piece; after a cancel the file is closed.
    void Read(StereoFrame* frames, std::size_t count) override;
    void Close() override;

private:
    std::unique_ptr<SoundSource> m_pInner;
    CancelCheck m_cancelled;
    bool m_bClosed = false;
};
