#include "live_session/live_session.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <tuple>
#include <vector>

#include "engine/live/frame_queue.h"
#include "engine/run/score_piece.h"
#include "engine/seek/seek_index.h"
#include "engine/synthesis/layer_mix_synthesis.h"
#include "live_session/layer_parts.h"

namespace {

using Clock = std::chrono::steady_clock;

// The stretches a worker renders at once: short at a stream's start, so its
// first frames are soon ready, then longer, so the cost of placing each
// stretch (the skip and the grains reaching into it) is small beside it.
// A stretch of the whole mix is synthesised as one window: the grain adder
// prepares every grain reaching a window once per window, and cuts each
// grain at the window's edges, so fewer, longer windows cost less (with
// 2-second grains, 16384 frames in one window took about 5 % less than in
// four).
constexpr std::size_t kLongestStretch = 16384;
static_assert(kLongestStretch <= SoundSynthesis::kLargestWindowFrames);
// The windows of a stretch rendered in layer groups.
constexpr std::size_t kRenderWindow = 4096;
std::size_t StretchAt(std::uint64_t offset)
{
    if (offset < 8192)
        return 2048;
    if (offset < 32768)
        return 8192;
    return kLongestStretch;
}

// The stretches of a stream rendered in layer groups that may be under way
// at once: how far one group may run ahead of the slowest.
constexpr std::size_t kMostPartedStretches = 3;

// The frames the consumer pulls at once, at most (a longer pull is cut up).
constexpr std::size_t kPullFrames = 1024;

// Whether two scores ask for the same effects, so that chains made of one
// are made of the other (an edit of anything else needs no new check).
bool SameEffects(const Score& a, const Score& b)
{
    if (a.m_effects != b.m_effects || a.m_layers.size() != b.m_layers.size())
        return false;
    return std::equal(a.m_layers.begin(), a.m_layers.end(), b.m_layers.begin(),
                      [](const ScoreLayer& x, const ScoreLayer& y) { return x.m_effects == y.m_effects; });
}

// The loop as a track of track frames can play it: cut at the track's end,
// none when nothing of it is left.
std::optional<FrameStretch> LoopWithin(std::optional<FrameStretch> loop, std::uint64_t track)
{
    if (loop) {
        loop->m_nEnd = std::min(loop->m_nEnd, track);
        if (loop->m_nEnd <= loop->m_nFirst)
            loop.reset();
    }
    return loop;
}

// Whether every layer of the score is silent throughout: its gain -inf,
// with no keyframe or drift to move it.
bool NothingHeard(const Score& score)
{
    return std::all_of(score.m_layers.begin(), score.m_layers.end(), [](const ScoreLayer& layer) {
        return std::isinf(layer.m_dGainDb) && layer.m_dGainDb < 0.0 && !layer.m_gainDrift &&
               std::none_of(layer.m_keyframes.begin(), layer.m_keyframes.end(),
                            [](const Keyframe& keyframe) { return keyframe.m_gainDb.has_value(); });
    });
}

std::uint64_t NextStreamSerial()
{
    static std::atomic<std::uint64_t> serial{0};
    return ++serial;
}

}  // namespace

// One score as the session renders it, with the pieces no worker holds.
struct LiveSession::Version {
    std::shared_ptr<const SessionScore> m_pScore;
    std::uint64_t m_nId = 0;
    std::uint64_t m_nTrackFrames = 0;
    // The frames a piece makes unheard before each excerpt it begins (for
    // its shaping, chains or DC blockers to settle); 0: none.
    std::uint64_t m_nLeadInFrames = 0;
    // Every layer of what is heard is silenced (all muted): the file's means
    // are not taken off its silence, which would leave a constant offset.
    bool m_bNothingHeard = false;
    // With a lead-in and several layers, the layers each worker renders (by
    // the worker's index), going on from stretch to stretch; empty: each
    // worker renders all of them.
    std::vector<std::vector<std::size_t>> m_groups;
    std::size_t m_nLayers = 0;
    SeekPlan m_plan;
    std::vector<std::unique_ptr<ScorePiece>> m_spare;  // under the session's mutex
};

// A run of frames from one track frame on. The consumer reads m_queue and
// the constants, and owns m_bStarted, m_nPulled and m_nDropped until it
// retires the stream; the rest is the producers', under the session's mutex.
struct LiveSession::Stream {
    Stream(std::size_t capacity, std::uint64_t first, std::optional<FrameStretch> loop, bool jump,
           std::shared_ptr<Version> version)
        : m_queue(capacity)
        , m_nFirst(first)
        , m_loop(loop)
        , m_bJump(jump)
        , m_nTrackFrames(version ? version->m_nTrackFrames : 0)
        , m_pVersion(std::move(version))
        , m_nSerial(NextStreamSerial())
        , m_made(Clock::now())
    {
    }

    // The track frame at stream offset offset, and how many frames follow
    // it before the stream wraps round its loop or ends.
    std::pair<std::uint64_t, std::uint64_t> Place(std::uint64_t offset) const
    {
        if (!m_pVersion)
            return {m_nFirst, 0};
        if (!Loops()) {
            const std::uint64_t track = std::min(m_nFirst + offset, m_nTrackFrames);
            return {track, m_nTrackFrames - track};
        }
        const std::uint64_t head = m_loop->m_nEnd - m_nFirst;
        if (offset < head)
            return {m_nFirst + offset, head - offset};
        const std::uint64_t length = m_loop->m_nEnd - m_loop->m_nFirst;
        const std::uint64_t into = (offset - head) % length;
        return {m_loop->m_nFirst + into, length - into};
    }
    bool Loops() const { return m_loop && m_nFirst < m_loop->m_nEnd; }

    FrameQueue m_queue;
    const std::uint64_t m_nFirst;
    const std::optional<FrameStretch> m_loop;
    const bool m_bJump;
    const std::uint64_t m_nTrackFrames;
    const std::shared_ptr<Version> m_pVersion;  // null: a silent stream that ends at once
    const std::uint64_t m_nSerial;              // no two streams share one
    const Clock::time_point m_made;

    // The consumer's.
    std::atomic<bool> m_bStarted{false};
    std::atomic<bool> m_bRetired{false};  // the consumer is done with it
    std::uint64_t m_nPulled = 0;          // stream frames popped or dropped
    std::uint64_t m_nDropped = 0;         // to reach an edit's join

    // The producers'.
    std::uint64_t m_nClaimed = 0;    // stream frames handed to workers
    std::uint64_t m_nPublished = 0;  // stream frames in the queue
    int m_nRendering = 0;            // workers holding a stretch of it
    bool m_bClaimedAll = false;
    bool m_bBroken = false;  // a stretch was dropped: nothing more goes in
    // Rendered in layer groups: each group's next stream offset, and the
    // stretches not all groups are done with, in order.
    std::vector<std::uint64_t> m_groupNext;
    std::deque<std::unique_ptr<LayerPartsStretch>> m_parted;
};

// A stretch handed to a worker: the whole mix, or its group's layers of a
// stretch rendered in parts.
struct LiveSession::Claimed {
    Stream* m_pStream = nullptr;
    std::uint64_t m_nOffset = 0;
    std::uint64_t m_nTrack = 0;
    std::size_t m_nCount = 0;
    LayerPartsStretch* m_pParts = nullptr;
    std::span<const std::size_t> m_group;  // the layers (empty: all)
};

struct LiveSession::Request {
    std::optional<SessionScoreLoader> m_score;
    std::optional<std::uint64_t> m_start;
    std::optional<std::uint64_t> m_cue;
    std::optional<std::optional<FrameStretch>> m_loop;
    std::uint64_t m_nScoresAsked = 0;  // scores asked for up to this request
};

struct LiveSession::Worker {
    std::size_t m_nIndex = 0;
    std::thread m_thread;
    std::unique_ptr<ScorePiece> m_pPiece;
    std::shared_ptr<Version> m_pPieceVersion;
    // Where the piece's last stretch ended: the next frames of that stream
    // (its serial; 0: none) go on from there, without beginning anew.
    std::uint64_t m_nGoesOnSerial = 0;
    std::uint64_t m_nGoesOnOffset = 0;
    std::uint64_t m_nGoesOnTrack = 0;
    std::uint64_t m_nExcerptTrack = 0;  // the track frame the piece's excerpt begins at
    // The grain adder cuts a window into tiles from the first frame whose
    // memory begins a cache line: a stretch whose first frame begins one is
    // cut into whole tiles, without a short one at either end (each of which
    // would cut every grain reaching it once more). Workers are made with
    // new, which keeps this alignment.
    alignas(64) std::array<StereoFrame, kLongestStretch> m_stretch{};
};

// The finishing of what the consumer hands out, fixed once offered: each
// channel's mean taken off, then the gain at the track frame being played.
struct LiveSession::HeardLevel {
    double m_dGain = 1.0;
    float m_fMeanLeft = 0.0f;
    float m_fMeanRight = 0.0f;
    std::shared_ptr<const GainCurve> m_pEvening;  // null: the gain holds throughout
    std::atomic<bool> m_bRetired{false};          // the consumer is done with it, or never took it

    bool Moves() const { return m_pEvening != nullptr && !m_pEvening->IsUnity(); }
    float GainAt(std::uint64_t frame) const
    {
        return static_cast<float>(Moves() ? m_pEvening->At(frame) * m_dGain : m_dGain);
    }
    bool Is(const LevelEstimate& level) const
    {
        return m_dGain == level.m_dGain && m_fMeanLeft == static_cast<float>(level.m_dMeanLeft) &&
               m_fMeanRight == static_cast<float>(level.m_dMeanRight) && m_pEvening == level.m_pEvening;
    }
};

LiveSession::LiveSession(LiveSessionOptions options)
    : m_options(options)
    , m_scratch(kPullFrames)
    , m_pUnity(std::make_unique<HeardLevel>())
    , m_pHeardLevel(m_pUnity.get())
{
    if (m_options.m_bSurveyLevel)
        m_pLevel = std::make_unique<LevelEstimator>(m_options.m_level);
    m_conductor = std::thread([this] { Conduct(); });
    if (m_options.m_bIndex)
        m_indexer = std::thread([this] { Index(); });
    for (int i = 0; i < std::max(m_options.m_nWorkers, 1); ++i) {
        m_workers.push_back(std::make_unique<Worker>());
        Worker& worker = *m_workers.back();
        worker.m_nIndex = static_cast<std::size_t>(i);
        worker.m_thread = std::thread([this, &worker] { Work(worker); });
    }
}

LiveSession::~LiveSession()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_work.notify_all();
    m_indexWake.notify_all();
    for (const std::unique_ptr<Worker>& worker : m_workers)
        worker->m_thread.join();
    m_conductor.join();
    if (m_indexer.joinable())
        m_indexer.join();
    // The consumer has stopped (its owner stops it first); every stream goes.
    m_workers.clear();
    m_streams.clear();
}

// The owner's side.

void LiveSession::SetScore(SessionScoreLoader loader)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_pRequest)
            m_pRequest = std::make_unique<Request>();
        m_pRequest->m_score = std::move(loader);
        ++m_nRequests;
        ++m_nScoresAsked;
    }
    m_wake.notify_all();
}

void LiveSession::SetScore(std::shared_ptr<const SessionScore> score)
{
    SetScore([score](const std::function<bool()>&) { return SessionScoreLoad{score, {}}; });
}

void LiveSession::Start(std::uint64_t frame)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_pRequest)
            m_pRequest = std::make_unique<Request>();
        m_pRequest->m_start = frame;
        m_pRequest->m_cue.reset();
        ++m_nRequests;
        // Counted with the request under the lock: the conductor that takes
        // this request takes this start with it.
        m_bAtEnd = false;
        m_bFindingPlace = true;
        m_nConsumerFrame.store(frame, std::memory_order_release);
        m_nJumpsAsked.fetch_add(1, std::memory_order_acq_rel);
    }
    m_wake.notify_all();
}

void LiveSession::Cue(std::uint64_t frame)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_pRequest)
            m_pRequest = std::make_unique<Request>();
        if (!m_pRequest->m_start)
            m_pRequest->m_cue = frame;
        ++m_nRequests;
    }
    m_wake.notify_all();
}

void LiveSession::SetLoop(std::optional<FrameStretch> loop)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_pRequest)
            m_pRequest = std::make_unique<Request>();
        m_pRequest->m_loop = loop;
        ++m_nRequests;
    }
    m_wake.notify_all();
}

void LiveSession::SetGain(std::optional<double> gain)
{
    if (gain) {
        LevelEstimate fixed;
        fixed.m_dGain = *gain;
        OfferLevel(fixed, LevelFrom::FixedGain);
    } else {
        OfferLevel(m_pLevel ? m_pLevel->GetEstimate() : LevelEstimate{}, LevelFrom::Estimate);
    }
}

// A level that differs from the newest is made and offered; one the
// consumer never took, and those it is done with, are freed here (the
// consumer frees nothing).
void LiveSession::OfferLevel(const LevelEstimate& level, LevelFrom from)
{
    const std::lock_guard<std::mutex> lock(m_levelMutex);
    if (from == LevelFrom::Survey && m_bFixedGain.load(std::memory_order_relaxed))
        return;  // a gain set by the owner stands until it is unset
    if (from != LevelFrom::Survey)
        m_bFixedGain.store(from == LevelFrom::FixedGain, std::memory_order_relaxed);
    if (m_pLastLevel == nullptr || !m_pLastLevel->Is(level)) {
        auto made = std::make_unique<HeardLevel>();
        made->m_dGain = level.m_dGain;
        made->m_fMeanLeft = static_cast<float>(level.m_dMeanLeft);
        made->m_fMeanRight = static_cast<float>(level.m_dMeanRight);
        made->m_pEvening = level.m_pEvening;
        m_pLastLevel = made.get();
        HeardLevel* untaken = m_pOfferedLevel.exchange(made.get(), std::memory_order_acq_rel);
        if (untaken != nullptr)
            untaken->m_bRetired.store(true, std::memory_order_release);
        m_levels.push_back(std::move(made));
    }
    std::erase_if(m_levels, [](const std::unique_ptr<HeardLevel>& made) {
        return made->m_bRetired.load(std::memory_order_acquire);
    });
}

bool LiveSession::IsBehind() const
{
    const std::uint64_t last = m_nLastShortPull.load(std::memory_order_relaxed);
    return last > 0 && m_nPulled.load(std::memory_order_relaxed) - last < kRunSampleRate;
}

LevelEstimate LiveSession::GetLevel() const
{
    return m_pLevel ? m_pLevel->GetEstimate() : LevelEstimate{};
}

bool LiveSession::WaitUntilLevelDone(double timeoutSeconds) const
{
    if (!m_pLevel)
        return false;
    // First until the newest score is taken (and its survey begun).
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeoutSeconds));
    const std::uint64_t asked = m_nScoresAsked.load();
    while (m_nScoresTaken.load() < asked) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return m_pLevel->WaitUntilDone(std::chrono::duration<double>(deadline - Clock::now()).count());
}

bool LiveSession::IsIndexed() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_pIndex && m_pVersion && m_pIndex->Matches(m_pVersion->m_plan.m_fingerprint);
}

std::optional<std::string> LiveSession::GetProblem() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_strProblem.empty())
        return std::nullopt;
    return m_strProblem;
}

double LiveSession::GetLastStartSeconds() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_dLastStartSeconds;
}

// The session's thread.

void LiveSession::Conduct()
{
    for (;;) {
        Request request;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_pRequest && !m_bStop && !m_bRejoin)
                m_wake.wait_for(lock, std::chrono::milliseconds(5));
            if (m_bStop)
                return;
            if (m_pRequest) {
                request = std::move(*m_pRequest);
                request.m_nScoresAsked = m_nScoresAsked.load();
                m_nJumpsTaken = m_nJumpsAsked.load(std::memory_order_acquire);
                m_pRequest.reset();
            }
        }
        TakeRequest(request);
        FreeRetired();
        if (m_pLevel && !m_bFixedGain.load(std::memory_order_relaxed))
            OfferLevel(m_pLevel->GetEstimate(), LevelFrom::Survey);
    }
}

void LiveSession::TakeRequest(Request& request)
{
    bool changed = false;
    if (request.m_score) {
        TakeScore(*request.m_score);
        m_nScoresTaken = request.m_nScoresAsked;
        changed = true;
    }
    if (request.m_loop) {
        m_loop = *request.m_loop;
        changed = true;
    }
    if (request.m_cue)
        m_pendingCue = request.m_cue;
    if (request.m_start) {
        m_bPlaying = true;
        m_pendingStart = request.m_start;
        m_pendingCue.reset();
    }
    if (!m_pVersion)
        return;
    if (m_pendingStart) {
        if (!OfferCued(*m_pendingStart))
            MakeStream(*m_pendingStart, true);
        m_pendingStart.reset();
        m_nJumpsOffered.store(m_nJumpsTaken, std::memory_order_release);
    } else if (m_pendingCue) {
        // Nothing is pulled meanwhile: what an edit would have joined is
        // heard from the cue instead.
        CueStream(*m_pendingCue);
        m_pendingCue.reset();
        m_bRejoin.store(false);
    } else if (m_bRejoin.exchange(false) || (changed && m_bPlaying)) {
        std::uint64_t first = GetConsumerFrame() + EditMargin();
        if (m_loop && m_loop->m_nEnd > m_loop->m_nFirst && GetConsumerFrame() < m_loop->m_nEnd &&
            first >= m_loop->m_nEnd)
            first = m_loop->m_nFirst + (first - m_loop->m_nEnd) % (m_loop->m_nEnd - m_loop->m_nFirst);
        MakeStream(first, false);
    }
}

// Loads the score, checks that it can be rendered (its piece made, which
// the first worker then takes), and has its level surveyed and its track
// indexed.
void LiveSession::TakeScore(const SessionScoreLoader& loader)
{
    const std::uint64_t asked = m_nRequests.load();
    const auto cancelled = [this, asked] {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_bStop || (m_pRequest && m_pRequest->m_score && m_nRequests.load() != asked);
    };
    const SessionScoreLoad load = loader(cancelled);
    if (!load.m_pScore) {
        if (load.m_strError.empty())
            return;  // a newer score is on its way
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_strProblem = load.m_strError;
        }
        EndWhatPlays();
        return;
    }
    const SessionScore& score = *load.m_pScore;
    const std::uint64_t track = TrackFramesOf(*score.m_pScore);
    ScorePiece::Making made = MakeSessionPiece(score, *score.m_pScore, std::max<std::uint64_t>(track, 1));
    std::optional<std::string> problem;
    if (!made.m_pPiece)
        problem = DescribeRefusal(score, *score.m_pScore, made);
    else if (!m_pVersion || !m_pVersion->m_pScore->m_makeChain ||
             !SameEffects(*m_pVersion->m_pScore->m_pScore, *score.m_pScore))
        problem = DescribeChainProblem(score, *score.m_pScore);
    if (problem) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_strProblem = *problem;
        }
        EndWhatPlays();
        return;
    }
    auto version = std::make_shared<Version>();
    version->m_pScore = load.m_pScore;
    version->m_nId = ++m_nVersions;
    version->m_nTrackFrames = track;
    version->m_plan = made.m_pPiece->GetSeekPlan();
    version->m_nLeadInFrames = made.m_pPiece->LeadInFrames();
    version->m_bNothingHeard = NothingHeard(*score.m_pScore);
    version->m_nLayers = made.m_pPiece->LayerCount();
    const LayerMixSynthesis* mix = made.m_pPiece->Mix();
    if (version->m_nLeadInFrames > 0 && mix != nullptr && mix->CanRenderParts())
        version->m_groups =
            LayerGroups(made.m_pPiece->LayerCount(), static_cast<std::size_t>(std::max(m_options.m_nWorkers, 1)));
    m_nLayerGroups.store(std::max<std::size_t>(version->m_groups.size(), 1), std::memory_order_relaxed);
    version->m_spare.push_back(std::move(made.m_pPiece));
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_strProblem.clear();
        m_pVersion = version;
        const bool indexed = m_pIndex && m_pIndex->Matches(version->m_plan.m_fingerprint);
        if (m_options.m_bIndex && track >= m_options.m_nIndexFromFrames && !indexed)
            m_pIndexWanted = version;
    }
    m_indexWake.notify_all();
    if (m_pLevel)
        m_pLevel->Survey(load.m_pScore);
}

// Nothing to hear: what plays ends here.
void LiveSession::EndWhatPlays()
{
    DropCued();
    m_pVersion.reset();
    if (!m_bPlaying)
        return;
    auto silence = std::make_unique<Stream>(1, GetConsumerFrame(), std::nullopt, true, nullptr);
    silence->m_queue.MarkEnd();
    Stream* offered = silence.get();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_streams.push_back(std::move(silence));
        m_pProducing = nullptr;
    }
    Offer(offered);
    m_nJumpsOffered.store(m_nJumpsTaken, std::memory_order_release);
}

// How far after the consumer's place an edit's stream starts: the time the
// last stream took to begin and a little more, at least 40 ms and at most
// what a queue holds less the cross-fade. No more room is kept: a stream
// that begins later than that joins where the consumer has got to by then
// (TryJoin drops what went by), its stretches after the first made faster
// than they play, so the edit is heard as soon as it can be. In a loop a
// late stream could only join once the loop came round again, so there the
// margin keeps half as much again in hand, and at least 0.1 s.
std::uint64_t LiveSession::EditMargin() const
{
    const bool looping = m_loop && m_loop->m_nEnd > m_loop->m_nFirst;
    const double started = GetLastStartSeconds();
    const double seconds = looping ? started * 1.5 + 0.03 : started + 0.01;
    const double least = looping ? 0.1 : 0.04;
    const auto most = static_cast<double>(m_options.m_nQueueFrames - 2 * kCrossFadeFrames) / kRunSampleRate;
    return static_cast<std::uint64_t>(std::clamp(seconds, std::min(least, most), std::max(most, least)) *
                                      kRunSampleRate);
}

void LiveSession::MakeStream(std::uint64_t first, bool jump)
{
    DropCued();
    Offer(NewStream(first, jump));
}

// A stream from track frame first on, which the workers render from now on
// in place of any other.
LiveSession::Stream* LiveSession::NewStream(std::uint64_t first, bool jump)
{
    const std::uint64_t track = m_pVersion->m_nTrackFrames;
    const std::optional<FrameStretch> loop = LoopWithin(m_loop, track);
    first = std::min(first, track);
    // An edit or a new loop outside the loop plays it from its start; a jump
    // goes where it was asked to, and into the loop from there.
    if (loop && !jump && (first < loop->m_nFirst || first >= loop->m_nEnd))
        first = loop->m_nFirst;
    auto stream = std::make_unique<Stream>(m_options.m_nQueueFrames, first, loop, jump, m_pVersion);
    Stream* made = stream.get();
    made->m_groupNext.assign(m_pVersion->m_groups.size(), 0);
    if (!made->Loops() && first >= track) {
        made->m_queue.MarkEnd();
        made->m_bClaimedAll = true;
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_streams.push_back(std::move(stream));
        m_pProducing = made;
    }
    m_work.notify_all();
    return made;
}

// A stream from track frame first on, rendered but not offered: a start
// there offers it (OfferCued).
void LiveSession::CueStream(std::uint64_t first)
{
    DropCued();
    m_pCued = NewStream(first, true);
}

// Offers the cued stream when it is what a start at track frame first would
// make now (the same score, place and loop, still rendered); answers whether
// it did. Any other cue is dropped.
bool LiveSession::OfferCued(std::uint64_t first)
{
    Stream* cued = m_pCued;
    if (cued == nullptr)
        return false;
    bool current = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        current = cued == m_pProducing && !cued->m_bBroken;
    }
    const std::uint64_t track = m_pVersion->m_nTrackFrames;
    const std::optional<FrameStretch> loop = LoopWithin(m_loop, track);
    if (!current || cued->m_pVersion != m_pVersion || cued->m_nFirst != std::min(first, track) || cued->m_loop != loop) {
        DropCued();
        return false;
    }
    m_pCued = nullptr;
    Offer(cued);
    return true;
}

// A cued stream no start took is freed like one the consumer is done with.
void LiveSession::DropCued()
{
    if (m_pCued != nullptr)
        m_pCued->m_bRetired.store(true, std::memory_order_release);
    m_pCued = nullptr;
}

void LiveSession::Offer(Stream* stream)
{
    // A stream offered before and never taken is the session's to free.
    Stream* untaken = m_pOffered.exchange(stream, std::memory_order_acq_rel);
    if (untaken != nullptr)
        untaken->m_bRetired.store(true, std::memory_order_release);
}

void LiveSession::FreeRetired()
{
    std::vector<std::unique_ptr<Stream>> freed;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (std::unique_ptr<Stream>& stream : m_streams) {
            if (stream->m_bRetired.load(std::memory_order_acquire) && stream->m_nRendering == 0 &&
                stream.get() != m_pProducing)
                freed.push_back(std::move(stream));
        }
        std::erase(m_streams, nullptr);
    }
}

// The indexer: one pass over the newest long score's schedules, at a time.
void LiveSession::Index()
{
    for (;;) {
        std::shared_ptr<Version> version;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_indexWake.wait(lock, [this] { return m_bStop || m_pIndexWanted != nullptr; });
            if (m_bStop)
                return;
            version = std::move(m_pIndexWanted);
        }
        auto index = std::make_shared<SeekIndex>();
        const auto keepGoing = [this] {
            const std::lock_guard<std::mutex> lock(m_mutex);
            return !m_bStop && m_pIndexWanted == nullptr;
        };
        if (index->Build(version->m_plan, keepGoing)) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_pIndex = std::move(index);
        }
    }
}

// Workers.

bool LiveSession::IsProducing(const Stream& stream) const
{
    return m_pProducing == &stream && !m_bStop;
}

// The next stretch of the stream being produced for the worker, if there
// is one to render.
bool LiveSession::Claim(const Worker& worker, Claimed& claimed)
{
    Stream* stream = m_pProducing;
    if (stream == nullptr || stream->m_bBroken || !stream->m_pVersion)
        return false;
    if (!stream->m_groupNext.empty())
        return ClaimPart(*stream, worker.m_nIndex, claimed);
    if (stream->m_bClaimedAll)
        return false;
    // A stretch that begins an excerpt costs its lead-in besides its own
    // frames, often many times them: a piece with a lead-in is rendered one
    // stretch at a time, each going on from where the last one ended (the
    // worker that ended it claims the next at once).
    if (stream->m_pVersion->m_nLeadInFrames > 0 && stream->m_nRendering > 0)
        return false;
    if (!ClaimNew(*stream, claimed))
        return false;
    ++stream->m_nRendering;
    return true;
}

// The stream's next stretch not claimed yet.
bool LiveSession::ClaimNew(Stream& stream, Claimed& claimed)
{
    const std::uint64_t offset = stream.m_nClaimed;
    const auto [place, run] = stream.Place(offset);
    if (run == 0) {
        stream.m_bClaimedAll = true;
        return false;
    }
    claimed.m_pStream = &stream;
    claimed.m_nOffset = offset;
    claimed.m_nTrack = place;
    claimed.m_nCount = static_cast<std::size_t>(std::min<std::uint64_t>(StretchAt(offset), run));
    stream.m_nClaimed += claimed.m_nCount;
    if (!stream.Loops() && place + claimed.m_nCount >= stream.m_nTrackFrames)
        stream.m_bClaimedAll = true;
    return true;
}

// The group's part of its next stretch: one the other groups began, or a
// new one, as long as no group is too far behind.
bool LiveSession::ClaimPart(Stream& stream, std::size_t group, Claimed& claimed)
{
    const std::vector<std::vector<std::size_t>>& groups = stream.m_pVersion->m_groups;
    if (group >= groups.size())
        return false;
    const std::uint64_t offset = stream.m_groupNext[group];
    const auto begun = std::find_if(stream.m_parted.begin(), stream.m_parted.end(),
                                    [offset](const auto& parts) { return parts->Offset() == offset; });
    LayerPartsStretch* parts = begun != stream.m_parted.end() ? begun->get() : nullptr;
    if (parts == nullptr) {
        if (offset != stream.m_nClaimed || stream.m_bClaimedAll || stream.m_parted.size() >= kMostPartedStretches)
            return false;
        if (!ClaimNew(stream, claimed))
            return false;
        stream.m_parted.push_back(std::make_unique<LayerPartsStretch>(
            offset, claimed.m_nTrack, claimed.m_nCount, stream.m_pVersion->m_nLayers, kRenderWindow,
            static_cast<int>(groups.size())));
        parts = stream.m_parted.back().get();
    }
    claimed.m_pStream = &stream;
    claimed.m_nOffset = offset;
    claimed.m_nTrack = parts->Track();
    claimed.m_nCount = parts->Count();
    claimed.m_pParts = parts;
    claimed.m_group = groups[group];
    stream.m_groupNext[group] = offset + parts->Count();
    ++stream.m_nRendering;
    return true;
}

void LiveSession::Work(Worker& worker)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_bStop) {
        Claimed claimed;
        if (!Claim(worker, claimed)) {
            m_work.wait_for(lock, std::chrono::milliseconds(20));
            continue;
        }
        Stream& stream = *claimed.m_pStream;
        // The worker's piece of the stream's score: its own, a spare, or a new one.
        const std::shared_ptr<Version> version = stream.m_pVersion;
        if (worker.m_pPieceVersion != version) {
            worker.m_pPiece.reset();
            worker.m_pPieceVersion.reset();
            worker.m_nGoesOnSerial = 0;
            if (!version->m_spare.empty()) {
                worker.m_pPiece = std::move(version->m_spare.back());
                version->m_spare.pop_back();
                worker.m_pPieceVersion = version;
            }
        }
        lock.unlock();
        bool rendered = false;
        if (!worker.m_pPiece) {
            const SessionScore& score = *version->m_pScore;
            worker.m_pPiece =
                MakeSessionPiece(score, *score.m_pScore, std::max<std::uint64_t>(version->m_nTrackFrames, 1)).m_pPiece;
            worker.m_pPieceVersion = version;
            worker.m_nGoesOnSerial = 0;
        }
        if (worker.m_pPiece)
            rendered = TryRenderStretch(worker, claimed);
        lock.lock();
        if (!rendered)
            stream.m_bBroken = true;
        if (claimed.m_pParts != nullptr)
            FinishPart(lock, worker, claimed);
        else if (rendered)
            Publish(lock, stream, claimed.m_nOffset, worker.m_stretch.data(), claimed.m_nCount);
        --stream.m_nRendering;
        if (stream.m_bRetired.load(std::memory_order_acquire))
            m_wake.notify_all();
    }
}

// A group is done with its part of a stretch; the last one sums the parts
// and hands the stretch on.
void LiveSession::FinishPart(std::unique_lock<std::mutex>& lock, Worker& worker, const Claimed& claimed)
{
    Stream& stream = *claimed.m_pStream;
    if (!claimed.m_pParts->GroupDone())
        return;
    std::unique_ptr<LayerPartsStretch> parts;
    const auto at = std::find_if(stream.m_parted.begin(), stream.m_parted.end(),
                                 [&claimed](const auto& each) { return each.get() == claimed.m_pParts; });
    parts = std::move(*at);
    stream.m_parted.erase(at);
    m_work.notify_all();  // a group held back may go on
    if (stream.m_bBroken)
        return;
    lock.unlock();
    parts->Mix(std::span(worker.m_stretch).first(claimed.m_nCount));
    lock.lock();
    Publish(lock, stream, claimed.m_nOffset, worker.m_stretch.data(), claimed.m_nCount);
}

// A chain that cannot go on (a plugin that gave what is not a number) stops
// the stream, and the session says why; the worker's piece is made anew for
// the next.
bool LiveSession::TryRenderStretch(Worker& worker, const Claimed& claimed)
{
    try {
        return RenderStretch(worker, claimed);
    } catch (const SoundChainFailure& failure) {
        const SessionScore& score = *claimed.m_pStream->m_pVersion->m_pScore;
        const std::string text = score.Describe(0, failure.what());
        worker.m_pPiece.reset();
        worker.m_pPieceVersion.reset();
        worker.m_nGoesOnSerial = 0;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_strProblem = text;
        return false;
    }
}

// The claimed stretch of the stream's render (track frames [track, track +
// count), its frames from offset on): straight on when the piece's last
// stretch ended there, else as an excerpt begun there, from the seek index
// when the piece's last place is not just before it. The whole mix goes into
// the worker's stretch, a group's layers into their parts. Answers false
// when the stream was dropped on the way.
bool LiveSession::RenderStretch(Worker& worker, const Claimed& claimed)
{
    Stream& stream = *claimed.m_pStream;
    const std::uint64_t track = claimed.m_nTrack;
    const std::size_t count = claimed.m_nCount;
    const bool goesOn = worker.m_nGoesOnSerial == stream.m_nSerial && worker.m_nGoesOnOffset == claimed.m_nOffset &&
                        worker.m_nGoesOnTrack == track;
    worker.m_nGoesOnSerial = 0;
    ScorePiece& piece = *worker.m_pPiece;
    if (!goesOn) {
        if (claimed.m_pParts == nullptr || claimed.m_pParts->TakeBegun())
            m_nBegunExcerpts.fetch_add(1, std::memory_order_relaxed);
        const std::size_t layers = claimed.m_group.empty() ? piece.LayerCount() : claimed.m_group.size();
        m_nBegunLayers.fetch_add(layers, std::memory_order_relaxed);
        if (!BeginExcerpt(piece, stream, claimed))
            return false;
        worker.m_nExcerptTrack = track;
    }
    // The excerpt's frames go on in order, so these are the same bits as
    // the renderer's excerpt from the stream's first frame.
    const std::uint64_t into = track - worker.m_nExcerptTrack;
    if (claimed.m_pParts != nullptr) {
        claimed.m_pParts->Render(*piece.Mix(), claimed.m_group, into);
    } else {
        const std::span<StereoFrame> sound = std::span(worker.m_stretch).first(count);
        std::fill(sound.begin(), sound.end(), StereoFrame{0.0f, 0.0f});
        piece.Synthesis().RenderWindow(sound, into);
    }
    worker.m_nGoesOnSerial = stream.m_nSerial;
    worker.m_nGoesOnOffset = claimed.m_nOffset + count;
    worker.m_nGoesOnTrack = track + count;
    return true;
}

// The piece's synthesis begun as the excerpt of the claimed frames (of the
// claimed layers). Answers false when the stream was dropped on the way.
bool LiveSession::BeginExcerpt(ScorePiece& piece, Stream& stream, const Claimed& claimed)
{
    const std::uint64_t track = claimed.m_nTrack;
    if (LayerMixSynthesis* mix = piece.Mix())
        mix->SelectLayers(std::vector<std::size_t>(claimed.m_group.begin(), claimed.m_group.end()));
    const std::uint64_t frame = stream.m_pVersion->m_plan.m_nWarmUpFrames + track;
    const std::optional<SeekState>& arrived = piece.GetArrived();
    const bool near = arrived && arrived->m_nFrame <= frame && frame - arrived->m_nFrame < SeekIndex::kCheckpointFrames;
    const auto keepGoing = [this, &stream] {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return !m_bStop && (IsProducing(stream) || !stream.m_bRetired.load());
    };
    if (!near) {
        std::shared_ptr<const SeekIndex> index;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            index = m_pIndex;
        }
        if (index && index->Matches(stream.m_pVersion->m_plan.m_fingerprint)) {
            if (std::optional<SeekState> state = index->StateAt(track, keepGoing))
                piece.StartFrom(std::move(*state));
        }
    }
    piece.MoveExcerpt(track);
    SoundSynthesis& synthesis = piece.Synthesis();
    synthesis.SetKeepGoing(keepGoing);
    if (!synthesis.Begin(claimed.m_nCount))
        return false;
    // Told to stop, Begin leaves the piece unready: a skip cut short where it
    // began, a lead-in cut short with its chains part of the way there. Once
    // keepGoing has answered false it answers so for good.
    if (!keepGoing())
        return false;
    return frame == 0 || (piece.GetArrived() && piece.GetArrived()->m_nFrame == frame);
}

// Hands the stretch at offset to the stream's queue once the stretches
// before it are in and there is room; drops it when the stream is no longer
// wanted, or is no longer the newest and has no room now.
void LiveSession::Publish(std::unique_lock<std::mutex>& lock, Stream& stream, std::uint64_t offset,
                          const StereoFrame* frames, std::size_t count)
{
    std::size_t pushed = 0;
    bool first = true;
    while (!m_bStop && !stream.m_bBroken && !stream.m_bRetired.load(std::memory_order_acquire)) {
        if (stream.m_nPublished == offset + pushed) {
            const std::size_t now = stream.m_queue.Push(frames + pushed, count - pushed);
            pushed += now;
            stream.m_nPublished += now;
            if (pushed == count) {
                if (offset == 0 && !stream.m_bJump)
                    m_dLastStartSeconds = std::chrono::duration<double>(Clock::now() - stream.m_made).count();
                if (stream.m_bClaimedAll && stream.m_nPublished == stream.m_nClaimed)
                    stream.m_queue.MarkEnd();
                m_work.notify_all();
                return;
            }
            if (now == 0 && !first && !IsProducing(stream))
                break;
        }
        first = false;
        m_work.wait_for(lock, std::chrono::milliseconds(2));
    }
    stream.m_bBroken = true;
    m_work.notify_all();
}

// The consumer's side: no lock, no allocation, no wait.

void LiveSession::Retire(Stream* stream) noexcept
{
    if (stream != nullptr)
        stream->m_bRetired.store(true, std::memory_order_release);
}

void LiveSession::TakeOffered() noexcept
{
    Stream* offered = m_pOffered.exchange(nullptr, std::memory_order_acq_rel);
    if (offered == nullptr)
        return;
    if (offered->m_bJump || m_pCurrent == nullptr || !offered->m_pVersion) {
        Retire(m_pCurrent);
        Retire(m_pWaiting);
        Retire(m_pFading);
        m_pCurrent = offered;
        m_pWaiting = nullptr;
        m_pFading = nullptr;
        m_bRefilling = false;
        m_nConsumerFrame.store(offered->m_nFirst, std::memory_order_release);
        m_bAtEnd.store(false, std::memory_order_relaxed);
        return;
    }
    Retire(m_pWaiting);
    m_pWaiting = offered;
}

// An edit's stream takes over once it holds the consumer's place: the
// frames before it are dropped, and the old stream fades out over the next
// frames while the new one fades in.
void LiveSession::TryJoin() noexcept
{
    if (m_pWaiting == nullptr || m_pFading != nullptr || m_pCurrent == nullptr)
        return;
    Stream& waiting = *m_pWaiting;
    const std::uint64_t position = m_pCurrent->Place(m_pCurrent->m_nPulled).first;
    if (waiting.m_nFirst > position)
        return;  // not there yet: the old stream plays on
    if (m_pCurrent->Loops() && position - waiting.m_nFirst > 4 * kPullFrames)
        return;  // there once the loop comes round
    const std::uint64_t behind = position - waiting.m_nFirst;
    if (behind > waiting.m_queue.GetCapacity()) {
        // The place went by before the new stream could reach it.
        m_bRejoin.store(true, std::memory_order_relaxed);
        Retire(m_pWaiting);
        m_pWaiting = nullptr;
        return;
    }
    while (waiting.m_nDropped < behind) {
        const std::size_t got = waiting.m_queue.Pop(
            m_scratch.data(),
            static_cast<std::size_t>(std::min<std::uint64_t>(m_scratch.size(), behind - waiting.m_nDropped)));
        if (got == 0)
            return;
        waiting.m_nDropped += got;
        waiting.m_nPulled += got;
    }
    if (waiting.m_queue.GetQueued() < kCrossFadeFrames && !waiting.m_queue.IsDrained())
        return;
    m_pFading = m_pCurrent;
    m_pCurrent = m_pWaiting;
    m_pWaiting = nullptr;
    m_pCurrent->m_bStarted.store(true, std::memory_order_relaxed);
    m_nFaded = 0;
}

// Up to count frames of the current stream (and the fading one under it).
std::size_t LiveSession::PullCurrent(StereoFrame* frames, std::size_t count) noexcept
{
    Stream& current = *m_pCurrent;
    const bool waiting = !current.m_bStarted.load(std::memory_order_relaxed) || m_bRefilling;
    if (waiting) {
        if (current.m_queue.GetQueued() < std::min(kStartFrames, current.m_queue.GetCapacity()) &&
            !current.m_queue.IsDrained())
            return 0;
        current.m_bStarted.store(true, std::memory_order_relaxed);
        m_bRefilling = false;
    }
    const std::size_t got = current.m_queue.Pop(frames, count);
    current.m_nPulled += got;
    if (m_pFading != nullptr) {
        const std::size_t old = m_pFading->m_queue.Pop(m_scratch.data(), std::min(got, m_scratch.size()));
        for (std::size_t i = 0; i < got; ++i) {
            const float share = std::min(1.0f, static_cast<float>(m_nFaded + i + 1) / (kCrossFadeFrames + 1));
            if (share >= 1.0f)
                break;  // the new stream's frames as they are
            const StereoFrame before = i < old ? m_scratch[i] : frames[i];
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

// The file's finishing on what is heard: each channel's mean off, then the
// gain at the track frame each frame plays (the stream's frames from
// offset on), which moves along the track where the level is evened. A new
// level glides in from the last over the pull, so that it is no click; after
// silence it starts at once. The silence filled in past the sounded frames
// stays 0.
void LiveSession::ApplyLevel(StereoFrame* frames, std::size_t count, std::size_t sounded, bool afterSilence,
                             const Stream* stream, std::uint64_t offset) noexcept
{
    HeardLevel* before = m_pHeardLevel;
    if (HeardLevel* offered = m_pOfferedLevel.exchange(nullptr, std::memory_order_acq_rel))
        m_pHeardLevel = offered;
    const HeardLevel& now = *m_pHeardLevel;
    const HeardLevel& was = afterSilence ? now : *before;
    const auto glide = [count](float from, float to, std::size_t i) {
        return i + 1 == count || from == to ? to
                                            : from + (to - from) * static_cast<float>(i + 1) / static_cast<float>(count);
    };
    const bool moves = stream != nullptr && (now.Moves() || was.Moves());
    // The means are taken off only while something is heard, and come and go
    // over a pull, as a change of level does.
    const float meanShare = stream != nullptr && stream->m_pVersion && stream->m_pVersion->m_bNothingHeard ? 0.0f : 1.0f;
    const float meanShareWas = afterSilence ? meanShare : m_fMeanShare;
    m_fMeanShare = meanShare;
    std::uint64_t place = 0;
    std::uint64_t run = 0;
    for (std::size_t i = 0; i < sounded; ++i) {
        if (moves && run-- == 0) {
            std::tie(place, run) = stream->Place(offset + i);
            run = run > 0 ? run - 1 : 0;
        }
        const float gain = glide(was.GainAt(place), now.GainAt(place), i);
        const float share = glide(meanShareWas, meanShare, i);
        frames[i].left = (frames[i].left - glide(was.m_fMeanLeft, now.m_fMeanLeft, i) * share) * gain;
        frames[i].right = (frames[i].right - glide(was.m_fMeanRight, now.m_fMeanRight, i) * share) * gain;
        ++place;
    }
    if (before != m_pHeardLevel && before != m_pUnity.get())
        before->m_bRetired.store(true, std::memory_order_release);
}

void LiveSession::Fill(StereoFrame* frames, std::size_t count) noexcept
{
    // A stream offered before the newest start is not taken: it would move
    // the consumer back to an older place. The start's own stream replaces
    // it in the offer, and is counted as offered only once it is there.
    const bool jumpAsked =
        m_nJumpsOffered.load(std::memory_order_acquire) != m_nJumpsAsked.load(std::memory_order_acquire);
    if (jumpAsked) {
        // Elsewhere was asked for: nothing more of what played.
        std::fill(frames, frames + count, StereoFrame{0.0f, 0.0f});
        m_bFindingPlace.store(true, std::memory_order_relaxed);
        m_nPulled.fetch_add(count, std::memory_order_relaxed);
        return;
    }
    TakeOffered();
    for (std::size_t done = 0; done < count;) {
        const std::size_t part = std::min(count - done, m_scratch.size());
        StereoFrame* out = frames + done;
        TryJoin();
        std::size_t got = 0;
        const Stream* playing = m_pCurrent;
        const std::uint64_t offset = playing != nullptr ? playing->m_nPulled : 0;
        if (playing != nullptr)
            got = PullCurrent(out, part);
        std::fill(out + got, out + part, StereoFrame{0.0f, 0.0f});
        const bool finding = m_pCurrent != nullptr && !m_pCurrent->m_bStarted.load(std::memory_order_relaxed) &&
                             !m_pCurrent->m_queue.IsDrained();
        m_bFindingPlace.store(finding, std::memory_order_relaxed);
        if (got < part && m_pCurrent != nullptr && !finding && !m_bRefilling) {
            if (m_pCurrent->m_queue.IsDrained() && m_pWaiting == nullptr) {
                m_bAtEnd.store(true, std::memory_order_relaxed);
            } else {
                // Ran short: say so, and gather a little before going on.
                m_nLastShortPull.store(m_nPulled.load(std::memory_order_relaxed) + done + 1, std::memory_order_relaxed);
                m_nMissing.fetch_add(part - got, std::memory_order_relaxed);
                m_bRefilling = !m_pCurrent->m_queue.IsDrained();
            }
        } else if (m_bRefilling) {
            m_nMissing.fetch_add(part - got, std::memory_order_relaxed);
            m_nLastShortPull.store(m_nPulled.load(std::memory_order_relaxed) + done + 1, std::memory_order_relaxed);
        }
        if (m_pCurrent != nullptr)
            m_nConsumerFrame.store(m_pCurrent->Place(m_pCurrent->m_nPulled).first, std::memory_order_release);
        ApplyLevel(out, part, got, !m_bSounded, playing, offset);
        m_bSounded = got > 0;
        if (m_pTap != nullptr && got > 0)
            m_pTap->Push(out, part);
        done += part;
    }
    m_nPulled.fetch_add(count, std::memory_order_relaxed);
}
