// A live render built from the renderer's excerpts: a worker renders the
// score from the place asked for (as sonnelith-cli --from renders it, before
// finishing) into a queue ahead of the consumer, and the consumer scales it
// by the level survey's gain.
//
// Each start, edit or loop change makes a new stream: a queue of frames from
// one track frame on. A jump takes the new stream at once; an edit's stream
// starts a moment after the consumer's place and takes over there with a
// short cross-fade, so the change is heard without a click. A stream reaches
// its place by placing every grain before it, which takes longer the later
// the place: the render says it is finding the place meanwhile.
//
// Threads: the owner calls the setters; one worker renders; the consumer
// calls Fill, which only pops from queues and swaps pointers. Streams the
// consumer is done with go back to the worker, which frees them.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/live/frame_queue.h"
#include "studio/listening/level_survey.h"
#include "studio/listening/live_render.h"
#include "studio/listening/source_cache.h"

namespace studio {

class ExcerptLiveRender final : public LiveRender {
public:
    // threads: the grain synthesis's threads for what is heard (0: one per core).
    explicit ExcerptLiveRender(std::shared_ptr<SourceCache> sources, int threads = 0);
    ~ExcerptLiveRender() override;
    ExcerptLiveRender(const ExcerptLiveRender&) = delete;
    ExcerptLiveRender& operator=(const ExcerptLiveRender&) = delete;

    void SetScore(const LiveScore& score) override;
    void Start(std::uint64_t frame) override;
    void SetLoop(std::optional<FrameStretch> loop) override;

    void Fill(StereoFrame* frames, std::size_t count) noexcept override;

    std::uint64_t GetConsumerFrame() const override { return m_nConsumerFrame.load(std::memory_order_acquire); }
    bool IsFindingPlace() const override { return m_bFindingPlace.load(std::memory_order_relaxed); }
    bool IsBehind() const override;
    bool IsAtEnd() const override { return m_bAtEnd.load(std::memory_order_relaxed); }
    LevelEstimate GetLevel() const override;
    std::optional<std::string> GetProblem() const override;
    void SetTap(FrameQueue* tap) override { m_pTap = tap; }

    // Frames the consumer found missing while playing, since construction.
    std::uint64_t GetMissingFrameCount() const { return m_nMissing.load(std::memory_order_relaxed); }
    // The level survey (tests wait on it).
    const LevelSurvey& GetSurvey() const { return m_survey; }

    // Frames rendered at a time, and the frames a stream holds ahead.
    static constexpr std::size_t kBlockFrames = 2048;
    static constexpr std::size_t kQueueFrames = 32768;
    // A stream starts to play once this many frames are ready (or its end).
    static constexpr std::size_t kStartFrames = 2 * kBlockFrames;
    // The old and the new render are cross-faded over this many frames.
    static constexpr std::size_t kCrossFadeFrames = 256;

private:
    struct Stream;
    struct Request;

    // Worker side.
    void Work();
    void TakeRequest(Request& request);
    void MakeStream(std::uint64_t first, bool jump);
    bool RenderBlock();
    bool BeginSegment(Stream& stream, std::uint64_t first);
    void Offer(Stream* stream);
    void FreeRetired();
    std::uint64_t EditMargin() const;

    // Consumer side.
    void TakeOffered() noexcept;
    void TryJoin() noexcept;
    std::size_t PullCurrent(StereoFrame* frames, std::size_t count) noexcept;
    void Retire(Stream* stream) noexcept;
    void Advance(std::size_t frames) noexcept;

    std::shared_ptr<SourceCache> m_pSources;
    int m_nThreads;
    LevelSurvey m_survey;

    // Owner to worker.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unique_ptr<Request> m_pRequest;
    std::atomic<bool> m_bRequestWaiting{false};
    bool m_bStop = false;
    std::string m_strProblem;

    // Worker's own.
    std::shared_ptr<const CheckedScore> m_pChecked;  // what is heard
    std::string m_strDisplayName;
    std::optional<FrameStretch> m_loop;
    bool m_bPlaying = false;  // started at least once
    Stream* m_pProducing = nullptr;  // the newest stream, the one being filled
    std::chrono::steady_clock::duration m_lastStart{};
    std::unique_ptr<StereoFrame[]> m_block;

    // Worker to consumer, and back.
    std::atomic<Stream*> m_pOffered{nullptr};
    std::array<std::atomic<Stream*>, 32> m_retired{};
    std::atomic<bool> m_bRejoin{false};  // the consumer could not join an edit's stream

    // Consumer's own.
    Stream* m_pCurrent = nullptr;
    Stream* m_pWaiting = nullptr;  // an edit's stream, not joined yet
    Stream* m_pFading = nullptr;   // the stream it replaced, fading out
    std::size_t m_nFaded = 0;
    std::array<Stream*, 8> m_unretired{};  // waiting for a free slot above
    std::uint64_t m_nPosition = 0;
    std::array<StereoFrame, 1024> m_scratch{};
    float m_fGain = 1.0f;
    FrameQueue* m_pTap = nullptr;

    // Readings.
    std::thread m_worker;
    std::atomic<double> m_dTargetGain{1.0};
    std::atomic<std::uint64_t> m_nConsumerFrame{0};
    std::atomic<bool> m_bFindingPlace{false};
    std::atomic<bool> m_bAtEnd{false};
    std::atomic<std::uint64_t> m_nPulled{0};
    std::atomic<std::uint64_t> m_nLastShortPull{0};
    std::atomic<std::uint64_t> m_nMissing{0};
};

}  // namespace studio
