#include "studio/listening/excerpt_live_render.h"

#include <algorithm>
#include <chrono>
#include <set>

#include "engine/score/score_piece.h"

namespace studio {

// A run of frames from one track frame on, and the piece that renders it.
// The consumer reads m_queue and the constants; everything else is the
// worker's.
struct ExcerptLiveRender::Stream {
    Stream(std::uint64_t first, std::optional<FrameStretch> loop, bool jump, std::uint64_t trackFrames)
        : m_queue(kQueueFrames), m_nFirst(first), m_loop(loop), m_bJump(jump), m_nTrackFrames(trackFrames)
    {
    }

    FrameQueue m_queue;
    const std::uint64_t m_nFirst;
    const std::optional<FrameStretch> m_loop;
    const bool m_bJump;
    const std::uint64_t m_nTrackFrames;
    // The score and sounds its pieces read, held while it renders.
    std::shared_ptr<const CheckedScore> m_pChecked;
    std::atomic<bool> m_bStarted{false};  // the consumer began to play it
    std::uint64_t m_nDropped = 0;         // consumer's: frames dropped to reach its place

    // Worker's: the piece of the current segment, which renders
    // [m_nSegmentFirst, m_nSegmentEnd) of the track.
    std::unique_ptr<ScorePiece> m_pPiece;
    std::uint64_t m_nSegmentFirst = 0;
    std::uint64_t m_nSegmentEnd = 0;
    std::uint64_t m_nRendered = 0;  // of the segment
    bool m_bFinished = false;       // end marked
};

struct ExcerptLiveRender::Request {
    std::optional<LiveScore> m_score;
    std::optional<std::uint64_t> m_start;
    std::optional<std::optional<FrameStretch>> m_loop;
};

ExcerptLiveRender::ExcerptLiveRender(std::shared_ptr<SourceCache> sources, int threads)
    : m_pSources(std::move(sources))
    , m_nThreads(threads)
    , m_block(std::make_unique<StereoFrame[]>(kBlockFrames))
{
    m_worker = std::thread([this] { Work(); });
}

ExcerptLiveRender::~ExcerptLiveRender()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_worker.join();
    // The consumer has stopped (its owner stops the device first): every
    // stream still about is freed once.
    std::set<Stream*> streams = {m_pCurrent, m_pWaiting, m_pFading, m_pOffered.load(), m_pProducing};
    streams.insert(m_unretired.begin(), m_unretired.end());
    for (std::atomic<Stream*>& slot : m_retired)
        streams.insert(slot.load());
    for (Stream* stream : streams)
        delete stream;
}

// Owner's side.

void ExcerptLiveRender::SetScore(const LiveScore& score)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_pRequest)
            m_pRequest = std::make_unique<Request>();
        m_pRequest->m_score = score;
    }
    m_bRequestWaiting = true;
    m_wake.notify_all();
}

void ExcerptLiveRender::Start(std::uint64_t frame)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_pRequest)
            m_pRequest = std::make_unique<Request>();
        m_pRequest->m_start = frame;
    }
    m_bAtEnd = false;
    m_bFindingPlace = true;
    m_nConsumerFrame.store(frame, std::memory_order_release);
    m_bRequestWaiting = true;
    m_wake.notify_all();
}

void ExcerptLiveRender::SetLoop(std::optional<FrameStretch> loop)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_pRequest)
            m_pRequest = std::make_unique<Request>();
        m_pRequest->m_loop = loop;
    }
    m_bRequestWaiting = true;
    m_wake.notify_all();
}

bool ExcerptLiveRender::IsBehind() const
{
    const std::uint64_t last = m_nLastShortPull.load(std::memory_order_relaxed);
    return last > 0 && m_nPulled.load(std::memory_order_relaxed) - last < kRunSampleRate;
}

LevelEstimate ExcerptLiveRender::GetLevel() const
{
    return m_survey.GetEstimate();
}

std::optional<std::string> ExcerptLiveRender::GetProblem() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_strProblem.empty())
        return std::nullopt;
    return m_strProblem;
}

// Worker's side.

void ExcerptLiveRender::Work()
{
    for (;;) {
        FreeRetired();
        Request request;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            const bool room = m_pProducing && !m_pProducing->m_bFinished &&
                              m_pProducing->m_queue.GetFreeSpace() >= kBlockFrames;
            if (!room && !m_pRequest && !m_bStop && !m_bRejoin)
                m_wake.wait_for(lock, std::chrono::milliseconds(5));
            if (m_bStop)
                return;
            if (m_pRequest) {
                request = std::move(*m_pRequest);
                m_pRequest.reset();
                m_bRequestWaiting = false;
            }
        }
        m_dTargetGain.store(m_survey.GetEstimate().m_dGain, std::memory_order_relaxed);
        TakeRequest(request);
        while (!m_bRequestWaiting && !m_bRejoin && RenderBlock()) {
            m_dTargetGain.store(m_survey.GetEstimate().m_dGain, std::memory_order_relaxed);
        }
    }
}

void ExcerptLiveRender::TakeRequest(Request& request)
{
    bool changed = false;
    if (request.m_score) {
        const LiveScore& live = *request.m_score;
        m_strDisplayName = live.m_strDisplayName;
        const auto cancelled = [this] { return m_bRequestWaiting.load(); };
        ScoreCheck heard = CheckScore(live, *m_pSources, cancelled);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_strProblem = heard.m_strError;
        }
        if (!heard.m_pChecked) {
            // Nothing to hear: what plays ends here.
            m_pChecked.reset();
            if (m_bPlaying) {
                auto silence = std::make_unique<Stream>(GetConsumerFrame(), std::nullopt, true, 0);
                silence->m_queue.MarkEnd();
                silence->m_bFinished = true;
                m_pProducing = silence.release();
                Offer(m_pProducing);
            }
            return;
        }
        m_pChecked = heard.m_pChecked;
        // The level is the whole mix's, whatever is muted.
        const bool allHeard = std::find(live.m_heard.begin(), live.m_heard.end(), false) == live.m_heard.end();
        if (allHeard) {
            m_survey.Survey(m_pChecked);
        } else {
            LiveScore whole = live;
            whole.m_heard.clear();
            ScoreCheck all = CheckScore(whole, *m_pSources, cancelled);
            if (all.m_pChecked)
                m_survey.Survey(all.m_pChecked);
        }
        changed = true;
    }
    if (request.m_loop) {
        m_loop = *request.m_loop;
        changed = true;
    }
    if (!m_pChecked)
        return;
    if (request.m_start) {
        m_bPlaying = true;
        MakeStream(*request.m_start, true);
    } else if (m_bRejoin.exchange(false) || (changed && m_bPlaying)) {
        std::uint64_t first = GetConsumerFrame() + EditMargin();
        if (m_loop && first >= m_loop->m_nEnd)
            first = m_loop->m_nFirst + (first - m_loop->m_nFirst) % std::max<std::uint64_t>(m_loop->m_nEnd - m_loop->m_nFirst, 1);
        MakeStream(first, false);
    }
}

// How far after the consumer's place an edit's stream starts: the time the
// last stream took to begin, with room to spare, and at least 0.1 s.
std::uint64_t ExcerptLiveRender::EditMargin() const
{
    const double seconds = std::chrono::duration<double>(m_lastStart).count() * 1.5 + 0.05;
    return static_cast<std::uint64_t>(std::clamp(seconds, 0.1, 5.0) * kRunSampleRate);
}

void ExcerptLiveRender::MakeStream(std::uint64_t first, bool jump)
{
    const auto began = std::chrono::steady_clock::now();
    const std::uint64_t track = TrackFrames(m_pChecked->m_score);
    std::optional<FrameStretch> loop = m_loop;
    if (loop) {
        loop->m_nEnd = std::min(loop->m_nEnd, track);
        if (loop->m_nEnd <= loop->m_nFirst)
            loop.reset();
    }
    first = std::min(first, track);
    if (loop && (first < loop->m_nFirst || first >= loop->m_nEnd))
        first = jump ? first : loop->m_nFirst;
    auto stream = std::make_unique<Stream>(first, loop, jump, track);
    stream->m_pChecked = m_pChecked;
    if (!BeginSegment(*stream, first))
        return;
    m_pProducing = stream.release();
    Offer(m_pProducing);
    // Until the first block is out: the cost of starting at a place.
    RenderBlock();
    m_lastStart = std::chrono::steady_clock::now() - began;
}

// The stream's piece from first to its loop's end or the track's end.
bool ExcerptLiveRender::BeginSegment(Stream& stream, std::uint64_t first)
{
    const std::uint64_t end =
        stream.m_loop && first < stream.m_loop->m_nEnd ? stream.m_loop->m_nEnd : stream.m_nTrackFrames;
    stream.m_pPiece.reset();
    stream.m_nSegmentFirst = first;
    stream.m_nSegmentEnd = end;
    stream.m_nRendered = 0;
    if (end <= first) {
        stream.m_queue.MarkEnd();
        stream.m_bFinished = true;
        return true;
    }
    PieceMaking making = MakePiece(*stream.m_pChecked, m_strDisplayName, first, end - first, m_nThreads);
    if (!making.m_pPiece) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_strProblem = making.m_strError;
        return false;
    }
    if (!making.m_pPiece->Synthesis().Begin(end - first)) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_strProblem = "there is not enough memory to play the score";
        return false;
    }
    stream.m_pPiece = std::move(making.m_pPiece);
    return true;
}

void ExcerptLiveRender::Offer(Stream* stream)
{
    // A stream offered before and never taken is the worker's to free.
    delete m_pOffered.exchange(stream, std::memory_order_acq_rel);
}

// One block into the newest stream, if it has room; answers whether it did.
bool ExcerptLiveRender::RenderBlock()
{
    Stream* stream = m_pProducing;
    if (!stream || stream->m_bFinished || stream->m_queue.GetFreeSpace() < kBlockFrames)
        return false;
    if (stream->m_nRendered >= stream->m_nSegmentEnd - stream->m_nSegmentFirst) {
        if (stream->m_pPiece)
            stream->m_pPiece->Synthesis().End();
        if (!stream->m_loop) {
            stream->m_queue.MarkEnd();
            stream->m_bFinished = true;
            return false;
        }
        // Round the loop again: the piece from the loop's start.
        if (!BeginSegment(*stream, stream->m_loop->m_nFirst)) {
            stream->m_queue.MarkEnd();
            stream->m_bFinished = true;
            return false;
        }
    }
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(kBlockFrames, stream->m_nSegmentEnd - stream->m_nSegmentFirst - stream->m_nRendered));
    std::fill(m_block.get(), m_block.get() + count, StereoFrame{0.0f, 0.0f});
    stream->m_pPiece->Synthesis().RenderWindow(std::span<StereoFrame>(m_block.get(), count), stream->m_nRendered);
    stream->m_nRendered += count;
    stream->m_queue.Push(m_block.get(), count);
    return true;
}

void ExcerptLiveRender::FreeRetired()
{
    for (std::atomic<Stream*>& slot : m_retired) {
        Stream* stream = slot.exchange(nullptr, std::memory_order_acq_rel);
        if (stream == m_pProducing)
            m_pProducing = nullptr;
        delete stream;
    }
}

// Consumer's side: no lock, no allocation, no wait.

void ExcerptLiveRender::Retire(Stream* stream) noexcept
{
    if (stream == nullptr)
        return;
    for (Stream*& held : m_unretired) {
        if (held == nullptr) {
            held = stream;
            break;
        }
    }
    for (Stream*& held : m_unretired) {
        if (held == nullptr)
            continue;
        for (std::atomic<Stream*>& slot : m_retired) {
            Stream* expected = nullptr;
            if (slot.compare_exchange_strong(expected, held, std::memory_order_acq_rel)) {
                held = nullptr;
                break;
            }
        }
    }
}

void ExcerptLiveRender::TakeOffered() noexcept
{
    Stream* offered = m_pOffered.exchange(nullptr, std::memory_order_acq_rel);
    if (offered == nullptr)
        return;
    if (offered->m_bJump || m_pCurrent == nullptr) {
        Retire(m_pCurrent);
        Retire(m_pWaiting);
        Retire(m_pFading);
        m_pCurrent = offered;
        m_pWaiting = nullptr;
        m_pFading = nullptr;
        m_nPosition = offered->m_nFirst;
        m_nConsumerFrame.store(m_nPosition, std::memory_order_release);
        m_bAtEnd.store(false, std::memory_order_relaxed);
        return;
    }
    Retire(m_pWaiting);
    m_pWaiting = offered;
}

// An edit's stream takes over once it holds the consumer's place: the
// frames before it are dropped, and the old stream fades out over the next
// frames while the new one fades in.
void ExcerptLiveRender::TryJoin() noexcept
{
    if (m_pWaiting == nullptr || m_pFading != nullptr || m_pCurrent == nullptr)
        return;
    Stream& waiting = *m_pWaiting;
    if (waiting.m_nFirst > m_nPosition)
        return;  // not there yet: the old stream plays on
    const std::uint64_t behind = m_nPosition - waiting.m_nFirst;
    if (behind > kQueueFrames) {
        // The place went by before the new stream could reach it.
        m_bRejoin.store(true, std::memory_order_relaxed);
        return;
    }
    while (waiting.m_nDropped < behind) {
        const std::size_t got = waiting.m_queue.Pop(
            m_scratch.data(), static_cast<std::size_t>(std::min<std::uint64_t>(m_scratch.size(), behind - waiting.m_nDropped)));
        if (got == 0)
            return;
        waiting.m_nDropped += got;
    }
    if (waiting.m_queue.GetQueued() < kCrossFadeFrames && !waiting.m_queue.IsDrained())
        return;
    m_pFading = m_pCurrent;
    m_pCurrent = m_pWaiting;
    m_pWaiting = nullptr;
    m_pCurrent->m_bStarted.store(true, std::memory_order_relaxed);
    m_nFaded = 0;
}

void ExcerptLiveRender::Advance(std::size_t frames) noexcept
{
    m_nPosition += frames;
    const std::optional<FrameStretch>& loop = m_pCurrent->m_loop;
    if (loop && m_nPosition >= loop->m_nEnd)
        m_nPosition = loop->m_nFirst + (m_nPosition - loop->m_nEnd);
}

// Up to count frames of the current stream (and the fading one under it).
std::size_t ExcerptLiveRender::PullCurrent(StereoFrame* frames, std::size_t count) noexcept
{
    Stream& current = *m_pCurrent;
    if (!current.m_bStarted.load(std::memory_order_relaxed)) {
        if (current.m_queue.GetQueued() < kStartFrames && !current.m_queue.IsDrained() &&
            current.m_queue.GetFreeSpace() > 0)
            return 0;
        current.m_bStarted.store(true, std::memory_order_relaxed);
    }
    const std::size_t got = current.m_queue.Pop(frames, count);
    if (m_pFading != nullptr) {
        const std::size_t old = m_pFading->m_queue.Pop(m_scratch.data(), std::min(got, m_scratch.size()));
        for (std::size_t i = 0; i < got; ++i) {
            const float share = std::min(1.0f, static_cast<float>(m_nFaded + i) / kCrossFadeFrames);
            const StereoFrame before = i < old ? m_scratch[i] : StereoFrame{0.0f, 0.0f};
            frames[i].left = before.left + (frames[i].left - before.left) * share;
            frames[i].right = before.right + (frames[i].right - before.right) * share;
        }
        m_nFaded += got;
        if (m_nFaded >= kCrossFadeFrames) {
            Retire(m_pFading);
            m_pFading = nullptr;
        }
    }
    return got;
}

void ExcerptLiveRender::Fill(StereoFrame* frames, std::size_t count) noexcept
{
    TakeOffered();
    for (std::size_t done = 0; done < count;) {
        // At most a scratch's worth at a time, so a fade's old frames fit.
        const std::size_t part = std::min(count - done, m_scratch.size());
        StereoFrame* out = frames + done;
        TryJoin();
        std::size_t got = 0;
        if (m_pCurrent != nullptr)
            got = PullCurrent(out, part);
        std::fill(out + got, out + part, StereoFrame{0.0f, 0.0f});
        const bool waitingToStart = m_pCurrent == nullptr || !m_pCurrent->m_bStarted.load(std::memory_order_relaxed);
        m_bFindingPlace.store(waitingToStart && m_pCurrent != nullptr && !m_pCurrent->m_queue.IsDrained(),
                              std::memory_order_relaxed);
        if (got > 0)
            Advance(got);
        if (got < part && !waitingToStart) {
            if (m_pCurrent->m_queue.IsDrained() && m_pWaiting == nullptr) {
                m_bAtEnd.store(true, std::memory_order_relaxed);
            } else {
                m_nLastShortPull.store(m_nPulled.load(std::memory_order_relaxed) + done + 1, std::memory_order_relaxed);
                m_nMissing.fetch_add(part - got, std::memory_order_relaxed);
            }
        }
        // The gain moves to the survey's newest over a block, never at once.
        const float target = static_cast<float>(m_dTargetGain.load(std::memory_order_relaxed));
        const float step = (target - m_fGain) / static_cast<float>(std::max<std::size_t>(part, 1));
        for (std::size_t i = 0; i < part; ++i) {
            const float gain = m_fGain + step * static_cast<float>(i + 1);
            out[i].left *= gain;
            out[i].right *= gain;
        }
        m_fGain = target;
        if (m_pTap != nullptr && got > 0)
            m_pTap->Push(out, part);
        done += part;
    }
    m_nPulled.fetch_add(count, std::memory_order_relaxed);
    m_nConsumerFrame.store(m_nPosition, std::memory_order_release);
}

}  // namespace studio
