// A score rendered live, from any place in its track, ahead of a consumer that
// pulls frames in real time (a sound device's callback). It can be told at
// any moment to jump elsewhere, to loop a stretch, or to take an edited
// score, which is then heard from a moment after the place being played,
// joined to what played before by a short cross-fade.
//
// Between such changes the consumer pulls, bit for bit, the renderer's
// excerpt of the score from that place before finishing (what
// `sonnelith-cli --from` renders before its level is set), times a fixed
// gain; or, by default, finished as the level estimate says its file will
// be: each channel's mean taken off, then the gain applied, which moves
// along the track where the file's level is evened.
//
// Each start, edit or loop change makes a new stream: a bounded queue of
// frames from one track frame on. Worker threads render the newest stream
// in stretches, each worker its own stretch with its own copy of the score's
// piece, and hand them to the queue in order. A score whose excerpts begin
// with a lead-in (seconds of sound made unheard for its shaping, effect
// chains or DC blockers to settle) is rendered a stretch at a time instead,
// each going on from where the last ended, so the lead-in is paid once per
// stream rather than once per stretch; with several layers (and no chain on
// the mix) the workers share them, each going on with its own layers, and
// the stretch is their parts summed in the layers' order. The score's
// effects run through the chains its SessionScore's maker makes. A stream reaches its place by
// the fast skip, or from the seek index once a background pass has built
// it (for tracks of a minute and more). While the consumer is paused, a
// place can be cued: its stream is rendered ahead, lead-in and all, and a
// start there is heard at once. Rendering that falls behind leaves
// the consumer short: it plays silence, says so (IsBehind) and waits for a
// little sound to be ready again before it goes on, rather than stutter.
//
// Threads: the owner calls the setters (from one thread at a time); the
// session's own thread takes them up; the workers render; the consumer
// calls Fill, which only pops from queues, swaps pointers and sets flags:
// it never locks, allocates or waits. The readings may be asked from any
// thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/live/frame_feed.h"
#include "live_session/level_estimate.h"
#include "live_session/session_score.h"

class FrameQueue;
class ScorePiece;
class SeekIndex;

struct LiveSessionOptions {
    int m_nWorkers = 2;                  // threads rendering stretches
    std::size_t m_nQueueFrames = 131072;  // a stream's frames ready ahead of the consumer (2.97 s)
    bool m_bSurveyLevel = true;          // estimate the file's level (else the gain stays 1 unless set)
    bool m_bIndex = true;                // build a seek index of long tracks in the background
    std::uint64_t m_nIndexFromFrames = 60 * 44100;
    LevelEstimator::Options m_level;
};

class LiveSession final : public FrameFeed {
public:
    // A stream starts to play once this many frames are ready (or its end),
    // and again after it ran short.
    static constexpr std::size_t kStartFrames = 2048;
    // The old and the new render of an edit are cross-faded over this many
    // frames (5.8 ms).
    static constexpr std::size_t kCrossFadeFrames = 256;

    explicit LiveSession(LiveSessionOptions options = {});
    ~LiveSession() override;
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    // The score to render, made ready by loader on the session's thread; a
    // later one replaces it, heard from a moment after the consumer's place.
    void SetScore(SessionScoreLoader loader);
    void SetScore(std::shared_ptr<const SessionScore> score);
    // Renders from track frame frame on, dropping what was rendered ahead:
    // the consumer hears that frame next (after silence while the place is
    // found).
    void Start(std::uint64_t frame);
    // While the consumer pulls nothing (paused), renders ahead from track
    // frame frame, so that a Start there is heard at once: the lead-in and
    // the first frames are ready before it is asked for. A Start elsewhere,
    // or an edit or a loop change before it, drops what was cued.
    void Cue(std::uint64_t frame);
    // Loops the stretch (none: plays on to the track's end).
    void SetLoop(std::optional<FrameStretch> loop);
    // The gain the frames are pulled with, and no mean taken off; none: the
    // level estimate's means and gain.
    void SetGain(std::optional<double> gain);

    // The consumer's: the next count frames (silence where none are ready).
    void Fill(StereoFrame* frames, std::size_t count) noexcept override;
    // Every frame pulled (after the gain) is also pushed here, as far as
    // there is room: for meters and pictures. Null: none. Set it before the
    // consumer runs.
    void SetTap(FrameQueue* tap) { m_pTap = tap; }

    // The track frame of the next frame the consumer will pull.
    std::uint64_t GetConsumerFrame() const { return m_nConsumerFrame.load(std::memory_order_acquire); }
    // Rendering toward the place asked for, nothing to hand out yet.
    bool IsFindingPlace() const { return m_bFindingPlace.load(std::memory_order_relaxed); }
    // The consumer found too little ready within the last second.
    bool IsBehind() const;
    // The consumer has pulled the track's last frame (without a loop).
    bool IsAtEnd() const { return m_bAtEnd.load(std::memory_order_relaxed); }
    // Frames the consumer found missing while playing, since construction.
    std::uint64_t GetMissingFrameCount() const { return m_nMissing.load(std::memory_order_relaxed); }
    // Stretches rendered as an excerpt begun anew (each with the lead-in its
    // score's shaping, chains or DC blockers ask for) rather than going on
    // from the stretch before, since construction.
    std::uint64_t GetBegunExcerptCount() const { return m_nBegunExcerpts.load(std::memory_order_relaxed); }
    // Layers whose synthesis was begun anew for such a stretch, since
    // construction: with a lead-in and several layers, the workers share a
    // stream's layers, each going on with its own, so each layer is begun
    // once per stream.
    std::uint64_t GetBegunLayerCount() const { return m_nBegunLayers.load(std::memory_order_relaxed); }
    // How many workers share the layers of the latest score taken, each
    // rendering its own (1: each worker renders them all).
    std::size_t GetLayerGroupCount() const { return m_nLayerGroups.load(std::memory_order_relaxed); }
    LevelEstimate GetLevel() const;
    // Waits until the level survey of the current score has ended.
    bool WaitUntilLevelDone(double timeoutSeconds) const;
    // Whether starting anywhere in the current score goes through its seek
    // index (built, and built for this score).
    bool IsIndexed() const;
    // Why nothing can be rendered (a refused score, a source that cannot be
    // read), in the score's own words.
    std::optional<std::string> GetProblem() const;
    // The seconds the latest stream took from being asked for to its first
    // frames ready: what an edit's margin is made from.
    double GetLastStartSeconds() const;

private:
    struct Version;
    struct Stream;
    struct HeardLevel;
    struct Request;
    struct Worker;
    struct Claimed;

    // The session's own thread.
    void Conduct();
    void TakeRequest(Request& request);
    void TakeScore(const SessionScoreLoader& loader);
    void EndWhatPlays();
    void MakeStream(std::uint64_t first, bool jump);
    Stream* NewStream(std::uint64_t first, bool jump);
    void CueStream(std::uint64_t first);
    bool OfferCued(std::uint64_t first);
    void DropCued();
    void Offer(Stream* stream);
    void FreeRetired();
    std::uint64_t EditMargin() const;
    // The indexer's thread.
    void Index();

    // Workers.
    void Work(Worker& worker);
    bool Claim(const Worker& worker, Claimed& claimed);
    bool ClaimNew(Stream& stream, Claimed& claimed);
    bool ClaimPart(Stream& stream, std::size_t group, Claimed& claimed);
    bool TryRenderStretch(Worker& worker, const Claimed& claimed);
    bool RenderStretch(Worker& worker, const Claimed& claimed);
    bool BeginExcerpt(ScorePiece& piece, Stream& stream, const Claimed& claimed);
    void FinishPart(std::unique_lock<std::mutex>& lock, Worker& worker, const Claimed& claimed);
    void Publish(std::unique_lock<std::mutex>& lock, Stream& stream, std::uint64_t offset, const StereoFrame* frames,
                 std::size_t count);
    bool IsProducing(const Stream& stream) const;

    // Consumer.
    void TakeOffered() noexcept;
    void TryJoin() noexcept;
    std::size_t PullCurrent(StereoFrame* frames, std::size_t count) noexcept;
    void Retire(Stream* stream) noexcept;
    // Where a level comes from: the owner's fixed gain, the owner's return to
    // the estimate, or the session's thread passing on the newest estimate
    // (which a fixed gain stands before).
    enum class LevelFrom { FixedGain, Estimate, Survey };
    // The owner's and the session's thread's: offers the consumer a level to
    // finish what it hands out with.
    void OfferLevel(const LevelEstimate& level, LevelFrom from);
    void ApplyLevel(StereoFrame* frames, std::size_t count, std::size_t sounded, bool afterSilence,
                    const Stream* stream, std::uint64_t offset) noexcept;

    const LiveSessionOptions m_options;
    std::unique_ptr<LevelEstimator> m_pLevel;

    // Shared by the owner, the session's thread, the indexer and the
    // workers, under m_mutex.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;     // the session's thread: a request, or a stream to free
    std::condition_variable m_work;     // workers: a stream to render, room in a queue
    std::condition_variable m_indexWake;
    std::unique_ptr<Request> m_pRequest;
    std::atomic<std::uint64_t> m_nRequests{0};  // counted as they come, for the loader's cancel
    std::atomic<std::uint64_t> m_nScoresAsked{0};
    std::atomic<std::uint64_t> m_nScoresTaken{0};
    bool m_bStop = false;
    std::string m_strProblem;
    std::vector<std::unique_ptr<Stream>> m_streams;
    Stream* m_pProducing = nullptr;
    std::shared_ptr<const SeekIndex> m_pIndex;
    std::shared_ptr<Version> m_pIndexWanted;  // the version to index, taken by the indexer
    double m_dLastStartSeconds = 0.05;  // of an edit's stream

    // The session's thread's own.
    std::shared_ptr<Version> m_pVersion;  // what is heard
    std::uint64_t m_nVersions = 0;
    std::optional<FrameStretch> m_loop;
    std::optional<std::uint64_t> m_pendingStart;  // asked for before there was a score
    std::optional<std::uint64_t> m_pendingCue;
    Stream* m_pCued = nullptr;  // rendered ahead of a start, not offered yet
    bool m_bPlaying = false;
    std::uint64_t m_nJumpsTaken = 0;  // starts asked up to the request in hand

    std::vector<std::unique_ptr<Worker>> m_workers;
    std::thread m_conductor;
    std::thread m_indexer;

    // Handed to the consumer, and back.
    std::atomic<Stream*> m_pOffered{nullptr};
    std::atomic<bool> m_bRejoin{false};  // an edit's stream came too late to join
    // Starts asked for, and those whose stream is offered (or that found
    // nothing to play): while they differ, what played stops. Counted rather
    // than flagged so that a start asked while the conductor offers an
    // earlier one is not taken as offered.
    std::atomic<std::uint64_t> m_nJumpsAsked{0};
    std::atomic<std::uint64_t> m_nJumpsOffered{0};
    // The newest level, not taken by the consumer yet: made (and, once
    // retired, freed) under m_levelMutex, never changed once offered, so the
    // consumer takes it by swapping a pointer, as it takes a stream.
    std::atomic<HeardLevel*> m_pOfferedLevel{nullptr};
    std::mutex m_levelMutex;
    std::vector<std::unique_ptr<HeardLevel>> m_levels;  // every level made and not freed
    const HeardLevel* m_pLastLevel = nullptr;           // the newest made
    std::atomic<bool> m_bFixedGain{false};

    // The consumer's own.
    Stream* m_pCurrent = nullptr;
    Stream* m_pWaiting = nullptr;  // an edit's stream, not joined yet
    Stream* m_pFading = nullptr;   // the stream it replaced, fading out
    std::size_t m_nFaded = 0;
    bool m_bRefilling = false;     // ran short: waits for kStartFrames again
    std::vector<StereoFrame> m_scratch;
    std::unique_ptr<HeardLevel> m_pUnity;  // gain 1, no means: until a level comes
    HeardLevel* m_pHeardLevel = nullptr;   // what the frames are finished with
    bool m_bSounded = false;       // the last pull handed out sound
    float m_fMeanShare = 1.0f;     // of the means taken off in the last pull
    FrameQueue* m_pTap = nullptr;

    // Readings.
    std::atomic<std::uint64_t> m_nConsumerFrame{0};
    std::atomic<bool> m_bFindingPlace{false};
    std::atomic<bool> m_bAtEnd{false};
    std::atomic<std::uint64_t> m_nPulled{0};
    std::atomic<std::uint64_t> m_nLastShortPull{0};
    std::atomic<std::uint64_t> m_nMissing{0};
    std::atomic<std::uint64_t> m_nBegunExcerpts{0};
    std::atomic<std::uint64_t> m_nBegunLayers{0};
    std::atomic<std::size_t> m_nLayerGroups{1};
};
