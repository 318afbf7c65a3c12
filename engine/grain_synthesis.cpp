// Phase 3 of a run: the OutputBuffer filled with Hann-windowed grains read from
// two randomly wandering positions of the SourceBuffer.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "engine/envelope_shapes.h"
#include "engine/generation_run.h"
#include "engine/synthesis/add_kernel.h"
#include "engine/message_box.h"
#include "resources/strings/resource_ids.h"

namespace {

// The displays may be refreshed and the host is served after every 1000th grain.
constexpr std::int32_t kGrainsPerProgressPoint = 1000;

// A fresh position lies in the middle 80 % of the span.
constexpr double kFreshLow = 0.1;
constexpr double kFreshWidth = 0.8;
constexpr double kLowBound = 0.1;
constexpr double kHighBound = 0.9;

}  // namespace

int GenerationRun::SynthesizeGrains()
{
    m_tPhaseStart = Now();
    std::fill_n(m_pOutput, m_nOutputFrames, StereoFrame{0.0f, 0.0f});
    m_pWindow = AllocateZeroed<float>(m_allocate, static_cast<std::uint64_t>(std::max(m_settings.m_nGrainFrames, 0)));
    if (m_pWindow == nullptr) {
        ShowError(IDS_ERR_WINDOW_MEMORY);
        return 1;
    }
    for (std::int32_t i = 0; i < m_settings.m_nGrainFrames; ++i)
        m_pWindow[i] = static_cast<float>(GrainWindow(static_cast<std::uint32_t>(i), m_settings.m_nGrainFrames));

    // Grains are placed in batches that end at a progress point: nothing
    // between two progress points can clear the keep-going flag, so a batch is
    // placed, then added, then reported, with the same result as grain by grain.
    // The batch is added in full before its progress point, so a cancel there
    // leaves exactly the grains up to that point in the output.
    const std::unique_ptr<FastGrainAdder> fast = StartFastAdding();
    const double step = static_cast<double>(kRunSampleRate) / m_settings.m_nGrainsPerSecond;
    std::array<GrainPlacement, kGrainsPerProgressPoint> batch;
    GrainCursor cursor{0, 0};
    bool more = m_nOutputFrames > 0;
    while (more && m_bKeepGoing == 1) {
        const std::int32_t count = PlaceGrainBatch(batch.data(), cursor, step);
        if (fast) {
            fast->Add(batch.data(), count);
        } else {
            for (std::int32_t g = 0; g < count; ++g)
                AddGrain(batch[g].m_nSource, batch[g].m_nOutput, m_settings.m_nGrainFrames);
        }
        const std::int32_t lastIndex = cursor.m_nIndex - 1;
        if (lastIndex % kGrainsPerProgressPoint == 0)
            ProgressPoint(GenerationHost::Phase::Generating, batch[count - 1].m_nOutput, m_nOutputFrames);
        more = cursor.m_nStart < m_nOutputFrames;
    }

    std::free(m_pWindow);
    m_pWindow = nullptr;
    EndPhase(GenerationHost::Phase::Generating);
    return 0;
}

// The batch adder for this run's kernel and threads, or null for the reference
// loop (chosen, or the fallback when the weights table cannot be allocated).
std::unique_ptr<FastGrainAdder> GenerationRun::StartFastAdding()
{
    if (m_synthesis.m_kernel == AddKernel::Reference || m_nOutputFrames == 0)
        return nullptr;
    GrainCanvas canvas;
    canvas.m_pOutput = m_pOutput;
    canvas.m_nOutputFrames = m_nOutputFrames;
    canvas.m_pSource = m_pSource;
    canvas.m_nSourceFrames = m_nSourceFrames;
    canvas.m_nGrainFrames = m_settings.m_nGrainFrames;
    return FastGrainAdder::Create(canvas, m_pWindow, static_cast<float>(m_settings.m_dVolume), m_allocate,
                                  ResolveAddKernel(m_synthesis.m_kernel), ResolveThreadCount(m_synthesis));
}

// Chooses the read positions of the grains up to and including the next one
// whose index is a multiple of 1000, or up to the last whose start lies inside
// the OutputBuffer; returns how many. The next grain's start is trunc(k × step)
// of the grain k just placed, so grains 0 and 1 both start at frame 0.
std::int32_t GenerationRun::PlaceGrainBatch(GrainPlacement* batch, GrainCursor& cursor, double step)
{
    std::int32_t count = 0;
    for (;;) {
        const std::int32_t k = cursor.m_nIndex;
        batch[count++] = {ChooseGrainPosition(k), cursor.m_nStart};
        cursor.m_nStart = static_cast<std::uint32_t>(std::trunc(k * step));
        cursor.m_nIndex = k + 1;
        if (k % kGrainsPerProgressPoint == 0 || cursor.m_nStart >= m_nOutputFrames)
            return count;
    }
}

// Adds grain n frames long, read from source frame p, onto the output from
// frame q. Frames past the end of the OutputBuffer are dropped; the source
// read is kept inside the SourceBuffer as well, whatever p is.
void GenerationRun::AddGrain(std::int32_t p, std::uint32_t q, std::int32_t n)
{
    if (n <= 0 || q >= m_nOutputFrames || p < 0 || static_cast<std::uint32_t>(p) >= m_nSourceFrames)
        return;
    const std::uint32_t source = static_cast<std::uint32_t>(p);
    const std::uint32_t count =
        std::min({static_cast<std::uint32_t>(n), m_nOutputFrames - q, m_nSourceFrames - source});
    AddKernelReference(m_pOutput + q, m_pSource + source, m_pWindow, static_cast<float>(m_settings.m_dVolume),
                   static_cast<std::int32_t>(count));
}

double GenerationRun::GrainWindow(std::uint32_t i, std::int32_t n) const
{
    return GrainWindowGain(i, n);
}

// The span of start frames that leaves room for a whole grain. A source of
// m_nGrainFrames frames or fewer has none (the run refuses it beforehand); the
// span is then 0 rather than a wrapped-around unsigned value.
std::uint32_t GenerationRun::GrainSpan() const
{
    const auto grainFrames = static_cast<std::uint32_t>(std::max(m_settings.m_nGrainFrames, 0));
    return m_nSourceFrames > grainFrames ? m_nSourceFrames - grainFrames - 1 : 0;
}

std::int32_t GenerationRun::FreshPosition(double span)
{
    return static_cast<std::int32_t>(std::trunc((RandomUnit() * kFreshWidth + kFreshLow) * span));
}

// Two candidate positions, A and B, each wander by a random step whenever they
// are used. Within a segment the choice slides from B (at its first grain) to
// A (at its middle) and back; each candidate is moved to a fresh place where
// its chance of being used is (nearly) 0, so every change fades in.
std::int32_t GenerationRun::ChooseGrainPosition(std::int32_t k)
{
    const double span = GrainSpan();
    if (k == 0) {
        m_nPositionA = FreshPosition(span);
        m_nPositionB = FreshPosition(span);
        NewSegmentLength();
        m_nGrainInSegment = 0;
    } else if (m_nGrainInSegment == m_nSegmentLength) {
        m_nPositionA = FreshPosition(span);
        NewSegmentLength();
        m_nGrainInSegment = 0;
    } else if (m_nGrainInSegment == m_nSegmentLength / 2) {
        m_nPositionB = FreshPosition(span);
    }

    const double blend = SegmentBlend(m_nGrainInSegment, m_nSegmentLength);
    const double u = RandomUnit();
    std::int32_t& candidate = ((u + blend) * 0.5 < 0.5) ? m_nPositionA : m_nPositionB;

    std::int32_t p = candidate;
    std::int32_t d = static_cast<std::int32_t>(std::trunc((RandomUnit() + 0.5) * m_settings.m_nScanFrames));
    if (RandomBelow(2) == 0)
        d = -d;
    p += d;

    const auto lo = static_cast<std::int32_t>(std::trunc(span * kLowBound));
    if (p <= lo)
        p = lo;
    const auto hi = static_cast<std::int32_t>(std::trunc(span * kHighBound));
    if (p >= hi)
        p = hi;

    candidate = p;
    m_nGrainInSegment += 1;
    return p;
}

std::int32_t GenerationRun::NewSegmentLength()
{
    m_nSegmentLength = static_cast<std::int32_t>(std::trunc((RandomUnit() + 0.5) * m_settings.m_nSegmentGrains));
    return m_nSegmentLength;
}
