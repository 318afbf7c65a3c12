// Sonnelith Studio's figures, measured through its real window and, for what
// is heard, at a real sound server: bench/studio-bench.sh runs it under Xvfb
// beside a PulseAudio null sink whose monitor parecord records.
//   - play to sound: from the Space key (a real X key press) to the first
//     sound recorded at the sink, at the start, deep in an hour, and again at
//     the same places; and from the key's arrival at the window, which a
//     simulated press reaches some tens of milliseconds after it is sent;
//   - edit to heard: from an edit (the volume from 60 % to 6 %, and its
//     undo; every layer muted, and unmuted) to the start of the first
//     recorded 300 ms that are that much quieter (silent, sounding again);
//   - the longest stall of the window's thread while a four-layer score
//     plays and is edited, zoomed and sought through meanwhile;
//   - the memory of the process before and after a 24-hour score of 64
//     layers is opened and played from its middle.
// The window's thread runs its own event loop, as in the program; a driver
// thread asks it to act (and waits), and a probe thread measures how late
// the window's thread answers a call handed to it every 2 ms.
#include <wx/app.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iostream>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "studio/app/prompts.h"
#include "studio/app/studio_frame.h"
#include "studio/listening/listening.h"
#include "studio/model/score_edit.h"
#include "studio/timeline/timeline_canvas.h"
#include "studio/timeline/timeline_panel.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double MillisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// ---------------------------------------------------------------------------
// What the sink plays, as parecord hands it over: each read's arrival time
// with its peak and mean square. An idle null sink's monitor yields no frames
// (the null-sink script keeps a silent stream playing, so it yields zeros).

struct SinkChunk {
    Clock::time_point m_arrival;
    std::size_t m_nFrames = 0;
    float m_fPeak = 0.0f;
    double m_dMeanSquare = 0.0;
    // Over the last 50 ms up to this chunk's end: a level that grains do not
    // jump about in from one chunk to the next.
    double m_dRecentMeanSquare = 0.0;
};

class SinkListener {
public:
    explicit SinkListener(const std::string& monitor)
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        std::vector<std::string> arguments = {"parecord", "--device=" + monitor, "--raw", "--format=float32le",
                                              "--rate=44100", "--channels=2", "--latency-msec=5"};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&m_nProcess, "parecord", &actions, nullptr, argv.data(), environ) != 0)
            m_nProcess = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        m_nPipe = pipeEnds[0];
        m_reader = std::thread([this] { Read(); });
    }

    ~SinkListener()
    {
        if (m_nProcess > 0) {
            kill(m_nProcess, SIGINT);
            int status = 0;
            waitpid(m_nProcess, &status, 0);
        }
        if (m_reader.joinable())
            m_reader.join();
        if (m_nPipe >= 0)
            close(m_nPipe);
    }

    bool IsRunning() const { return m_nProcess > 0; }

    // The arrival of the first chunk after from that satisfies heard, or
    // nothing within timeout.
    std::optional<Clock::time_point> WaitFor(Clock::time_point from, const std::function<bool(const SinkChunk&)>& heard,
                                             std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        std::size_t next = 0;
        const Clock::time_point deadline = Clock::now() + timeout;
        for (;;) {
            for (; next < m_chunks.size(); ++next) {
                if (m_chunks[next].m_arrival >= from && heard(m_chunks[next]))
                    return m_chunks[next].m_arrival;
            }
            if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout)
                return std::nullopt;
        }
    }

    // The arrival of the first chunk of a run, after from, of chunks that
    // all satisfy heard and together last at least milliseconds: so a
    // moment's gap while rendering catches up is not taken for silence.
    std::optional<Clock::time_point> WaitForLasting(Clock::time_point from,
                                                    const std::function<bool(const SinkChunk&)>& heard,
                                                    double milliseconds, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        std::size_t next = 0;
        std::optional<std::size_t> runStart;
        std::size_t runFrames = 0;
        const auto needed = static_cast<std::size_t>(milliseconds * 44.1);
        const Clock::time_point deadline = Clock::now() + timeout;
        for (;;) {
            for (; next < m_chunks.size(); ++next) {
                const SinkChunk& chunk = m_chunks[next];
                if (chunk.m_arrival < from)
                    continue;
                if (!heard(chunk)) {
                    runStart.reset();
                    runFrames = 0;
                    continue;
                }
                if (!runStart)
                    runStart = next;
                runFrames += chunk.m_nFrames;
                if (runFrames >= needed)
                    return m_chunks[*runStart].m_arrival;
            }
            if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout)
                return std::nullopt;
        }
    }

    // The mean square of what arrived between from and to.
    double MeanSquareBetween(Clock::time_point from, Clock::time_point to)
    {
        std::lock_guard lock(m_mutex);
        double sum = 0.0;
        std::size_t frames = 0;
        for (const SinkChunk& chunk : m_chunks) {
            if (chunk.m_arrival >= from && chunk.m_arrival < to) {
                sum += chunk.m_dMeanSquare * static_cast<double>(chunk.m_nFrames);
                frames += chunk.m_nFrames;
            }
        }
        return frames == 0 ? 0.0 : sum / static_cast<double>(frames);
    }

private:
    // The mean square of chunk and those before it, back to 50 ms.
    double RecentMeanSquare(const SinkChunk& chunk) const
    {
        constexpr std::size_t kRecentFrames = 2205;
        double sum = chunk.m_dMeanSquare * static_cast<double>(chunk.m_nFrames);
        std::size_t frames = chunk.m_nFrames;
        for (auto before = m_chunks.rbegin(); before != m_chunks.rend() && frames < kRecentFrames; ++before) {
            sum += before->m_dMeanSquare * static_cast<double>(before->m_nFrames);
            frames += before->m_nFrames;
        }
        return frames == 0 ? 0.0 : sum / static_cast<double>(frames);
    }

    void Read()
    {
        std::vector<float> partial;
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(m_nPipe, buffer, sizeof buffer);
            if (got <= 0)
                return;
            const Clock::time_point arrival = Clock::now();
            const std::size_t floats = static_cast<std::size_t>(got) / sizeof(float);
            SinkChunk chunk;
            chunk.m_arrival = arrival;
            const auto* samples = reinterpret_cast<const float*>(buffer);
            double sum = 0.0;
            for (std::size_t i = 0; i < floats; ++i) {
                chunk.m_fPeak = std::max(chunk.m_fPeak, std::fabs(samples[i]));
                sum += static_cast<double>(samples[i]) * samples[i];
            }
            chunk.m_nFrames = floats / 2;
            chunk.m_dMeanSquare = floats == 0 ? 0.0 : sum / static_cast<double>(floats);
            {
                std::lock_guard lock(m_mutex);
                chunk.m_dRecentMeanSquare = RecentMeanSquare(chunk);
                m_chunks.push_back(chunk);
            }
            m_changed.notify_all();
        }
    }

    pid_t m_nProcess = -1;
    int m_nPipe = -1;
    std::thread m_reader;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<SinkChunk> m_chunks;
};

bool Sounding(const SinkChunk& chunk)
{
    return chunk.m_fPeak > 1e-3f;
}

// Below -80 dBFS: what -120 dB on every layer leaves.
bool Silent(const SinkChunk& chunk)
{
    return chunk.m_nFrames > 0 && chunk.m_dMeanSquare < 1e-8;
}

// ---------------------------------------------------------------------------
// How late the window's thread answers: one call at a time handed to it every
// 2 ms; the time from handing to answering is how long it was held up.

class StallProbe {
public:
    StallProbe()
        : m_pDelays(std::make_shared<Delays>())
        , m_thread([this] { Run(); })
    {
    }
    ~StallProbe()
    {
        m_bStop = true;
        m_thread.join();
    }

    // Forgets what was measured so far.
    void Reset()
    {
        std::lock_guard lock(m_pDelays->m_mutex);
        m_pDelays->m_values.clear();
    }
    std::vector<double> GetDelays() const
    {
        std::lock_guard lock(m_pDelays->m_mutex);
        return m_pDelays->m_values;
    }

private:
    // Shared with the calls handed over, which may run after the probe ends.
    struct Delays {
        std::mutex m_mutex;
        std::vector<double> m_values;
    };

    void Run()
    {
        while (!m_bStop) {
            auto answered = std::make_shared<std::promise<void>>();
            std::future<void> done = answered->get_future();
            const Clock::time_point sent = Clock::now();
            wxTheApp->CallAfter([delays = m_pDelays, answered, sent] {
                {
                    std::lock_guard lock(delays->m_mutex);
                    delays->m_values.push_back(MillisecondsBetween(sent, Clock::now()));
                }
                answered->set_value();
            });
            while (done.wait_for(std::chrono::milliseconds(50)) == std::future_status::timeout) {
                if (m_bStop)
                    return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::shared_ptr<Delays> m_pDelays;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

// How long the window's thread went without running its timers: a timer
// of 5 ms on that thread, and the longest gap between two of its ticks past
// those 5 ms. Timers come before calls handed over (which GTK runs when it
// is idle), so a long wait of the probe above with short gaps here is a
// thread kept busy with higher things, not one stopped.
class TimerProbe : public wxEvtHandler {
public:
    TimerProbe()
        : m_timer(this)
    {
        Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
            const Clock::time_point now = Clock::now();
            if (m_last)
                m_dLongest = std::max(m_dLongest, MillisecondsBetween(*m_last, now) - 5.0);
            m_last = now;
        });
        m_timer.Start(5);
    }
    // Called on the window's thread.
    double TakeLongest()
    {
        const double longest = m_dLongest;
        m_dLongest = 0.0;
        return longest;
    }

private:
    wxTimer m_timer;
    std::optional<Clock::time_point> m_last;
    double m_dLongest = 0.0;
};

// ---------------------------------------------------------------------------

// The processor time the calling thread has had, in milliseconds.
double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Runs work on the window's thread and waits for its result.
template <typename Work>
auto OnUi(Work work) -> decltype(work())
{
    using Result = decltype(work());
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    wxTheApp->CallAfter([promise, work = std::move(work)]() mutable {
        if constexpr (std::is_void_v<Result>) {
            work();
            promise->set_value();
        } else {
            promise->set_value(work());
        }
    });
    return result.get();
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void Sleep(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

long StatusKilobytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

std::string Megabytes(long kilobytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(kilobytes) / 1024.0);
    return text;
}

struct Figures {
    double m_dMedian = 0.0;
    double m_dWorst = 0.0;
};

Figures Summary(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

double Percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

// A layer of the bundled sample whose density and pitch move through
// keyframes over the track and whose scanning range drifts. Light enough
// (under 1600 grains a second of under half a second) that four of them
// play in real time on a busy machine: the figures are of waiting, not of
// the render's speed.
std::string LayerText(int index, int lengthSeconds, int keyframes)
{
    std::ostringstream text;
    text << "\n[[layer]]\nsource = \"sample.wav\"\ngain = -6\ngrain_length = " << 200 + 50 * (index % 6)
         << "\npan_spread = 60\n";
    for (int k = 0; k < keyframes; ++k) {
        const int seconds = lengthSeconds * (k + 1) / (keyframes + 1);
        text << "[[layer.at]]\ntime = " << seconds << "\ndensity = " << 600 + 200 * ((k + index) % 6)
             << "\npitch = " << ((k + index) % 5) - 2 << "\n";
        if (k % 3 == 2)
            text << "curve = \"smooth\"\n";
    }
    text << "[layer.drift]\nscan_range = { depth = 15, period = \"0:50\" }\n";
    return text.str();
}

std::string WriteScore(const fs::path& folder, const std::string& name, int lengthSeconds, int layers,
                       int keyframes)
{
    std::ostringstream text;
    text << "length = " << lengthSeconds << "\nseed = 20261208\nvolume = 60\nfade = 3\n";
    for (int layer = 0; layer < layers; ++layer)
        text << LayerText(layer, lengthSeconds, keyframes);
    const fs::path path = folder / name;
    std::ofstream(path) << text.str();
    return path.string();
}

// ---------------------------------------------------------------------------

class Bench {
public:
    explicit Bench(fs::path folder)
        : m_folder(std::move(folder))
    {
    }

    void Run()
    {
        m_nBaseKb = StatusKilobytes("VmRSS");
        fs::copy_file(SONNELITH_SAMPLE_PATH, m_folder / "sample.wav");
        const std::string fourLayers = WriteScore(m_folder, "four-layers.toml", 3600, 4, 12);
        const std::string day = WriteScore(m_folder, "day.toml", 24 * 3600, 64, 48);

        OnUi([this] {
            studio::SetPromptRoutine([](wxWindow*, const studio::Prompt&) { return studio::PromptAnswer::No; });
            studio::StudioOptions options;
            options.m_strRecoveryFolder = (m_folder / "recovery").string();
            m_pFrame = new studio::StudioFrame(std::move(options));
            m_pFrame->SetPosition(wxPoint(0, 0));
            m_pFrame->Show();
            // When a key reaches the window: a simulated press takes a while
            // to arrive, which is the test's, not the program's.
            m_pFrame->Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
                m_keyArrived.store(Clock::now().time_since_epoch().count());
                event.Skip();
            });
            m_pFrame->Raise();
        });
        Sleep(1000);
        m_nWindowKb = StatusKilobytes("VmRSS");
        Open(fourLayers);

        const char* monitor = std::getenv("SONNELITH_NULL_SINK_MONITOR");
        const bool device = OnUi([this] { return !m_pFrame->GetListening().GetDeviceProblem().has_value(); });
        if (monitor != nullptr && device) {
            SinkListener sink(monitor);
            if (sink.IsRunning() && sink.WaitFor(Clock::now(), [](const SinkChunk&) { return true; },
                                                 std::chrono::seconds(10))) {
                if (!Only("edit") && !Only("stall"))
                    MeasurePlayToSound(sink);
                if (!Only("stall") && !Only("play"))
                    MeasureEditToHeard(sink);
            } else {
                std::cout << "play to sound, edit to heard: parecord records nothing from " << monitor << "\n";
            }
        } else {
            std::cout << "play to sound, edit to heard: no sound server (run bench/studio-bench.sh)\n";
        }
        if (!Only("edit") && !Only("play"))
            MeasureStalls();
        if (!Only("edit") && !Only("stall") && !Only("play"))
            MeasureMemory(day);

        OnUi([this] {
            m_pFrame->Destroy();
            studio::SetPromptRoutine({});
            wxTheApp->ExitMainLoop();
        });
    }

private:
    // SONNELITH_STUDIO_BENCH=play, edit or stall measures only that.
    static bool Only(const std::string& part)
    {
        const char* only = std::getenv("SONNELITH_STUDIO_BENCH");
        return only != nullptr && part == only;
    }

    // What the window and the sink say now, for a figure that is missing.
    void Describe(SinkListener& sink, const char* when)
    {
        const Clock::time_point now = Clock::now();
        const double level = sink.MeanSquareBetween(now - std::chrono::milliseconds(500), now);
        OnUi([this, when, level] {
            const studio::LiveRender& render = m_pFrame->GetListening().GetRender();
            std::cout << "    " << when << ": " << (m_pFrame->GetListening().IsPlaying() ? "playing" : "NOT playing")
                      << " at " << m_pFrame->GetPlayheadSeconds() << " s, level at the sink "
                      << 10.0 * std::log10(level + 1e-30) << " dB" << (render.IsFindingPlace() ? ", finding the place" : "")
                      << (render.IsBehind() ? ", behind" : "") << (render.IsAtEnd() ? ", at the end" : "")
                      << (render.GetProblem() ? ", problem: " + *render.GetProblem() : std::string()) << "\n";
        });
    }

    void Open(const std::string& path)
    {
        OnUi([this, path] { m_pFrame->OpenPath(path); });
        WaitUntil([this] { return OnUi([this] { return !m_pFrame->IsOpening(); }); }, std::chrono::seconds(120));
        Sleep(300);
    }

    bool Playing()
    {
        return OnUi([this] { return m_pFrame->GetListening().IsPlaying(); });
    }

    // Space through X, with the pointer over the timeline so the key goes
    // to the window.
    void PressSpace()
    {
        OnUi([this] {
            studio::TimelineCanvas& canvas = m_pFrame->GetTimeline().GetCanvas();
            canvas.SetFocus();
            wxUIActionSimulator simulator;
            simulator.MouseMove(canvas.GetScreenPosition() + wxPoint(canvas.GetSize().x / 2, 4));
            simulator.Char(WXK_SPACE);
        });
    }

    void PointerOverTimeline()
    {
        OnUi([this] {
            studio::TimelineCanvas& canvas = m_pFrame->GetTimeline().GetCanvas();
            wxUIActionSimulator simulator;
            simulator.MouseMove(canvas.GetScreenPosition() + wxPoint(canvas.GetSize().x / 2, 4));
        });
        Sleep(200);
    }

    void MeasurePlayToSound(SinkListener& sink)
    {
        PointerOverTimeline();
        std::vector<double> first, again, fromKey;
        for (const double place : {5.0, 1200.0, 3000.0, 5.0, 1200.0, 3000.0}) {
            OnUi([this, place] { m_pFrame->MovePlayhead(place); });
            Sleep(500);
            const Clock::time_point pressed = Clock::now();
            PressSpace();
            const std::optional<Clock::time_point> heard = sink.WaitFor(pressed, Sounding, std::chrono::seconds(20));
            if (!Playing())
                std::cout << "  (the Space key did not reach the window)\n";
            const double ms = heard ? MillisecondsBetween(pressed, *heard) : -1.0;
            (first.size() < 3 ? first : again).push_back(ms);
            const Clock::time_point arrived{Clock::duration(m_keyArrived.load())};
            const double keyMs = heard && arrived > pressed ? MillisecondsBetween(arrived, *heard) : -1.0;
            fromKey.push_back(keyMs);
            std::cout << "  play at " << place << " s: sound at the sink after " << ms << " ms, " << keyMs
                      << " ms after the key reached the window\n";
            Sleep(1500);
            PressSpace();
            WaitUntil([this] { return !Playing(); }, std::chrono::seconds(5));
            Sleep(800);
        }
        const double deviceMs = OnUi([this] { return m_pFrame->GetListening().GetOutputLatency() * 1000.0; });
        std::cout << "  the device reports an output latency of " << deviceMs << " ms\n";
        const Figures cold = Summary(first), warm = Summary(again);
        std::cout << "play to sound: first time at a place median " << cold.m_dMedian << " ms, worst "
                  << cold.m_dWorst << " ms; again median " << warm.m_dMedian << " ms, worst " << warm.m_dWorst
                  << " ms\n";
        const Figures key = Summary(fromKey);
        std::cout << "play to sound from the key's arrival at the window: median " << key.m_dMedian << " ms, worst "
                  << key.m_dWorst << " ms\n";
    }

    studio::ScoreEdit GainsTo(double decibels)
    {
        const Score& score = m_pFrame->GetDocument().GetScore();
        studio::ScoreEdit edit("Change gain");
        for (std::size_t i = 0; i < score.m_layers.size(); ++i) {
            ScoreLayer after = studio::LayerOwnPart(score.m_layers[i]);
            after.m_dGainDb = decibels;
            edit.Record(studio::ReplaceLayerOwn{i, studio::LayerOwnPart(score.m_layers[i]), after});
        }
        return edit;
    }

    studio::ScoreEdit VolumeTo(int percent)
    {
        const Score& score = m_pFrame->GetDocument().GetScore();
        Score top = studio::TopPart(score);
        top.m_nVolume = percent;
        return studio::EditTop(score, top, "Change volume");
    }

    void MuteAll(bool muted)
    {
        studio::LayerMonitor monitor = m_pFrame->GetMonitor();
        for (std::size_t i = 0; i < monitor.GetLayerCount(); ++i)
            monitor.SetMuted(i, muted);
        m_pFrame->SetMonitor(monitor);
    }

    // Times what one action on the window's thread takes there.
    double TimedOnUi(const std::function<void()>& action)
    {
        return OnUi([&action] {
            const Clock::time_point start = Clock::now();
            action();
            return MillisecondsBetween(start, Clock::now());
        });
    }

    // From an action to what the sink plays lasting 300 ms as expected.
    double Latency(SinkListener& sink, const std::function<void()>& action,
                   const std::function<bool(const SinkChunk&)>& heard, double& uiMs)
    {
        const Clock::time_point acted = Clock::now();
        uiMs = std::max(uiMs, TimedOnUi(action));
        const auto at = sink.WaitForLasting(acted, heard, 300.0, std::chrono::seconds(10));
        return at ? MillisecondsBetween(acted, *at) : -1.0;
    }

    void MeasureEditToHeard(SinkListener& sink)
    {
        OnUi([this] {
            m_pFrame->MovePlayhead(600.0);
            m_pFrame->PlayPause();
        });
        Sleep(3000);
        std::vector<double> muted, unmuted, quieter, louder;
        double uiMs = 0.0;
        Describe(sink, "before the edits");
        // The volume (the file's peak) from 60 % to 6 %: 20 dB down, heard
        // once 14 dB down; its undo heard once within 6 dB of before.
        for (int round = 0; round < 4; ++round) {
            const Clock::time_point now = Clock::now();
            const double before = sink.MeanSquareBetween(now - std::chrono::milliseconds(1000), now);
            quieter.push_back(Latency(sink, [this] { m_pFrame->SubmitEdit(VolumeTo(6)); },
                                      [before](const SinkChunk& chunk) {
                                          return chunk.m_dRecentMeanSquare < before * 0.04;
                                      },
                                      uiMs));
            Sleep(700);
            louder.push_back(Latency(sink, [this] { m_pFrame->GetCommands().Undo(); },
                                     [before](const SinkChunk& chunk) {
                                         return chunk.m_dRecentMeanSquare > before * 0.25;
                                     },
                                     uiMs));
            Sleep(1200);
        }
        Describe(sink, "after the volume edits");
        // Muting every layer goes the same way to the ear as an edit (the
        // score handed over again, heard from a moment on): silence, then
        // sound again.
        for (int round = 0; round < 4; ++round) {
            muted.push_back(Latency(sink, [this] { MuteAll(true); }, Silent, uiMs));
            Sleep(700);
            unmuted.push_back(Latency(sink, [this] { MuteAll(false); }, Sounding, uiMs));
            if (round == 0)
                Describe(sink, "after muting and unmuting every layer");
            Sleep(1200);
        }
        OnUi([this] { m_pFrame->PlayPause(); });
        const auto line = [](const char* what, const std::vector<double>& values) {
            const Figures figures = Summary(values);
            std::cout << "  " << what << ": median " << figures.m_dMedian << " ms, worst " << figures.m_dWorst
                      << " ms (-1: not heard within 10 s)\n";
        };
        std::cout << "edit to heard, four layers playing from 10:00 (heard: lasting 300 ms at the sink; a level over the last 50 ms):\n";
        line("every layer muted, heard silent", muted);
        line("unmuted, heard sounding", unmuted);
        line("volume 60 % to 6 %, heard 14 dB down", quieter);
        line("its undo, heard back within 6 dB", louder);
        std::cout << "  longest of these actions on the window's thread: " << uiMs << " ms\n";
    }

    void MeasureStalls()
    {
        StallProbe probe;
        auto* timers = OnUi([] { return new TimerProbe; });
        Sleep(500);
        probe.Reset();
        OnUi([timers] { timers->TakeLongest(); });
        const double startMs = TimedOnUi([this] {
            m_pFrame->MovePlayhead(1800.0);
            m_pFrame->PlayPause();
        });
        // Sixteen seconds of playing while a user works: an edit and its
        // undo, zooming in and out, a jump and redrawing, each a quarter
        // second apart.
        static const char* const kActions[] = {"edit", "undo", "zoom in", "zoom out", "jump", "redraw", "timeline redraw"};
        double longest[7] = {};
        double longestCpu[7] = {};
        const double cpuBefore = OnUi([] { return ThreadCpuMs(); });
        const Clock::time_point began = Clock::now();
        for (int step = 0; step < 63; ++step) {
            Sleep(250);
            double cpu = 0.0;
            const double ms = TimedOnUi([this, step, &cpu] {
                const double cpuStart = ThreadCpuMs();
                switch (step % 7) {
                case 0: m_pFrame->SubmitEdit(GainsTo(-9.0)); break;
                case 1: m_pFrame->GetCommands().Undo(); break;
                case 2: m_pFrame->GetTimeline().ZoomIn(); break;
                case 3: m_pFrame->GetTimeline().ZoomOut(); break;
                case 4: m_pFrame->MovePlayhead(1800.0 + 20.0 * step); break;
                case 5:
                    m_pFrame->Refresh();
                    m_pFrame->Update();
                    break;
                default:
                    m_pFrame->GetTimeline().GetCanvas().Refresh();
                    m_pFrame->GetTimeline().GetCanvas().Update();
                    break;
                }
                cpu = ThreadCpuMs() - cpuStart;
            });
            longest[step % 7] = std::max(longest[step % 7], ms);
            longestCpu[step % 7] = std::max(longestCpu[step % 7], cpu);
        }
        const double cpuShare =
            (OnUi([] { return ThreadCpuMs(); }) - cpuBefore) / MillisecondsBetween(began, Clock::now());
        const bool played = Playing();
        const std::vector<double> delays = probe.GetDelays();
        const double timerGap = OnUi([timers] { return timers->TakeLongest(); });
        OnUi([timers] { delete timers; });
        const double stopMs = TimedOnUi([this] {
            if (m_pFrame->GetListening().IsPlaying())
                m_pFrame->PlayPause();
        });
        const long over = std::count_if(delays.begin(), delays.end(), [](double ms) { return ms > 50.0; });
        std::cout << "window thread while four layers play" << (played ? "" : " (NOT playing: no device)")
                  << " and are edited for 16 s: longest gap between its timer's ticks " << timerGap
                  << " ms; a call handed to it waited at most " << Summary(delays).m_dWorst << " ms, 99th percentile "
                  << Percentile(delays, 0.99) << " ms, median " << Summary(delays).m_dMedian << " ms, " << over
                  << " of " << delays.size() << " calls over 50 ms\n";
        std::cout << "  the longest call of each action on the window's thread (its processor time):";
        for (std::size_t i = 0; i < 7; ++i)
            std::cout << " " << kActions[i] << " " << longest[i] << " ms (" << longestCpu[i] << ")"
                      << (i < 6 ? "," : "\n");
        std::cout << "  the window's thread used " << cpuShare * 100.0 << " % of a processor meanwhile; Play took "
                  << startMs << " ms there, Pause " << stopMs << " ms\n";
    }

    void MeasureMemory(const std::string& day)
    {
        const long before = StatusKilobytes("VmRSS");
        StallProbe probe;
        const Clock::time_point start = Clock::now();
        Open(day);
        const double openMs = MillisecondsBetween(start, Clock::now());
        const std::size_t layers = OnUi([this] { return m_pFrame->GetDocument().GetScore().m_layers.size(); });
        Sleep(2000);
        const long opened = StatusKilobytes("VmRSS");
        OnUi([this] {
            m_pFrame->MovePlayhead(12 * 3600.0);
            m_pFrame->PlayPause();
        });
        std::vector<std::pair<long, double>> playing;
        for (int i = 0; i < 12; ++i) {
            Sleep(5000);
            const double surveyed = OnUi([this] { return m_pFrame->GetListening().GetRender().GetLevel().m_dSurveyed; });
            playing.push_back({StatusKilobytes("VmRSS"), surveyed});
        }
        OnUi([this] {
            if (m_pFrame->GetListening().IsPlaying())
                m_pFrame->PlayPause();
        });
        const std::vector<double> delays = probe.GetDelays();
        std::cout << "memory: " << Megabytes(m_nBaseKb) << " at the start, " << Megabytes(m_nWindowKb)
                  << " with the window, " << Megabytes(before) << " after the hour of four layers; the 24-hour score of "
                  << layers << " layers (" << fs::file_size(day) / 1024 << " KiB of TOML) opened in " << openMs
                  << " ms: " << Megabytes(opened) << "; playing from 12:00:00, every 5 s (the share of the level surveyed):";
        for (const auto& [kilobytes, surveyed] : playing)
            std::cout << " " << Megabytes(kilobytes) << " (" << surveyed * 100.0 << " %)";
        std::cout << "; peak " << Megabytes(StatusKilobytes("VmHWM")) << "\n";
        std::cout << "window thread while opening and playing it: longest stall " << Summary(delays).m_dWorst
                  << " ms, 99th percentile " << Percentile(delays, 0.99) << " ms\n";
    }

    fs::path m_folder;
    studio::StudioFrame* m_pFrame = nullptr;
    std::atomic<Clock::rep> m_keyArrived{0};
    long m_nBaseKb = 0;
    long m_nWindowKb = 0;
};

class BenchApp : public wxApp {
public:
    bool OnInit() override
    {
        m_folder = fs::temp_directory_path() / ("sonnelith-studio-bench-" + std::to_string(getpid()));
        fs::create_directories(m_folder);
        m_driver = std::thread([this] {
            Bench bench(m_folder);
            bench.Run();
        });
        return true;
    }

    int OnExit() override
    {
        if (m_driver.joinable())
            m_driver.join();
        std::error_code error;
        fs::remove_all(m_folder, error);
        return wxApp::OnExit();
    }

private:
    fs::path m_folder;
    std::thread m_driver;
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv)
{
    std::cout << std::fixed;
    std::cout.precision(1);
    return wxEntry(argc, argv);
}
