#include "engine/synthesis/grain_synthesizer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/synthesis/envelope_shapes.h"
#include "engine/synthesis/tiled_grain_adder.h"
#include "engine/synthesis/worker_pool.h"

namespace {

// A fresh position lies in the middle 80 % of the span.
constexpr double kFreshLow = 0.1;
constexpr double kFreshWidth = 0.8;
constexpr double kLowBound = 0.1;
constexpr double kHighBound = 0.9;

constexpr std::uint64_t kMaxSourceFrames = std::numeric_limits<std::int32_t>::max();

}  // namespace

GrainSynthesizer::GrainSynthesizer() = default;

GrainSynthesizer::~GrainSynthesizer()
{
    End();
}

GrainSynthesizer::Start GrainSynthesizer::Begin(std::span<const StereoFrame> source, std::uint64_t outputFrames)
{
    End();
    if (source.size() > kMaxSourceFrames)
        return Start::SourceTooLong;
    const std::int32_t grainFrames = std::max(m_settings.m_nGrainFrames, 0);
    std::optional<ZeroedBuffer<float>> window = ZeroedBuffer<float>::Allocate(m_allocate, grainFrames);
    if (!window)
        return Start::NoWindowMemory;
    m_window = std::move(*window);
    for (std::int32_t i = 0; i < grainFrames; ++i)
        m_window[i] = static_cast<float>(GrainWindow(static_cast<std::uint32_t>(i), grainFrames));

    m_source = source;
    m_nOutputFrames = outputFrames;
    m_dStep = static_cast<double>(kRunSampleRate) / m_settings.m_nGrainsPerSecond;
    m_next = GrainCursor{};
    m_lastPlaced = GrainCursor{};
    if (m_options.m_kernel != AddKernel::Reference && outputFrames > 0)
        StartBatchAdding();
    return Start::Ready;
}

// The paired weights, the threads and the tiled adder of a batch kernel.
// Without memory for the weights the reference kernel adds the grains; the
// output is the same.
bool GrainSynthesizer::StartBatchAdding()
{
    const std::int32_t grainFrames = std::max(m_settings.m_nGrainFrames, 0);
    std::optional<ZeroedBuffer<double>> weights =
        ZeroedBuffer<double>::Allocate(m_allocate, 2 * static_cast<std::uint64_t>(grainFrames));
    if (!weights)
        return false;
    m_pairWeights = std::move(*weights);
    // The reference kernel's weight of each frame, double(window[i]) × double(gain), once per channel.
    const auto gain = static_cast<float>(m_settings.m_dVolume);
    for (std::int32_t i = 0; i < grainFrames; ++i) {
        const double weight = static_cast<double>(m_window[i]) * gain;
        m_pairWeights[2 * i] = weight;
        m_pairWeights[2 * i + 1] = weight;
    }
    const int threads = ResolveThreadCount(m_options);
    m_pPool = threads > 1 ? std::make_unique<WorkerPool>(threads) : nullptr;
    GrainCanvas canvas;
    canvas.m_pSource = m_source.data();
    canvas.m_nSourceFrames = m_source.size();
    canvas.m_nOutputFrames = m_nOutputFrames;
    canvas.m_pPairWeights = m_pairWeights.data();
    canvas.m_nGrainFrames = grainFrames;
    m_pTiledAdder =
        std::make_unique<TiledGrainAdder>(canvas, BatchKernelFunction(ResolveAddKernel(m_options.m_kernel)), m_pPool.get());
    return true;
}

void GrainSynthesizer::End()
{
    m_pTiledAdder.reset();
    m_pPool.reset();  // the workers are joined before the weights they read go
    m_pairWeights = ZeroedBuffer<double>();
    m_window = ZeroedBuffer<float>();
    m_pending.clear();
    m_source = {};
    m_nOutputFrames = 0;
    m_next = GrainCursor{};
}

std::size_t GrainSynthesizer::PlaceGrainsThrough(std::int32_t lastIndex)
{
    std::size_t count = 0;
    for (; !IsComplete() && m_next.m_nIndex <= lastIndex; ++count)
        PlaceNextGrain();
    return count;
}

std::size_t GrainSynthesizer::PlaceGrainsBefore(std::uint64_t frame)
{
    std::size_t count = 0;
    for (; !IsComplete() && m_next.m_nStart < frame; ++count)
        PlaceNextGrain();
    return count;
}

// The next grain starts at trunc(k × step) of the grain k just placed, so
// grains 0 and 1 both start at frame 0. A start at or past the end of the
// output (or one too far for the grain index) completes the render.
void GrainSynthesizer::PlaceNextGrain()
{
    const GrainCursor grain = m_next;
    m_pending.push_back({ChooseGrainPosition(grain.m_nIndex), grain.m_nStart});
    m_lastPlaced = grain;
    const double start = std::trunc(grain.m_nIndex * m_dStep);
    const bool lastIndex = grain.m_nIndex == std::numeric_limits<std::int32_t>::max();
    const bool inside = start >= 0.0 && start < static_cast<double>(m_nOutputFrames) && !lastIndex;
    m_next.m_nIndex = lastIndex ? grain.m_nIndex : grain.m_nIndex + 1;
    m_next.m_nStart = inside ? static_cast<std::uint64_t>(start) : m_nOutputFrames;
}

void GrainSynthesizer::AddPlacedGrains(const OutputWindow& window)
{
    if (m_pTiledAdder) {
        m_pTiledAdder->Add(m_pending.data(), m_pending.size(), window);
    } else {
        for (const GrainPlacement& grain : m_pending)
            AddGrain(grain.m_nSource, grain.m_nOutput, m_settings.m_nGrainFrames, window);
    }
    DropFinishedGrains(window);
}

// Keeps, in order, the grains with frames past the window's end.
void GrainSynthesizer::DropFinishedGrains(const OutputWindow& window)
{
    const std::uint64_t end = window.End();
    std::erase_if(m_pending, [&](const GrainPlacement& grain) {
        return CutGrain(grain, m_settings.m_nGrainFrames, m_source.size(), m_nOutputFrames).m_nEnd <= end;
    });
}

void GrainSynthesizer::AddGrain(std::int32_t p, std::uint64_t q, std::int32_t n, const OutputWindow& window) const
{
    // Never longer than the window table, whatever n is asked for.
    n = std::min(n, static_cast<std::int32_t>(m_window.size()));
    const FrameRange range = ClipToWindow(CutGrain({p, q}, n, m_source.size(), m_nOutputFrames), window);
    if (range.IsEmpty())
        return;
    const std::uint64_t offset = range.m_nBegin - q;
    AddKernelReference(window.m_pFrames + (range.m_nBegin - window.m_nFirst), m_source.data() + p + offset,
                       m_window.data() + offset, static_cast<float>(m_settings.m_dVolume),
                       static_cast<std::int32_t>(range.m_nEnd - range.m_nBegin));
}

double GrainSynthesizer::GrainWindow(std::uint32_t i, std::int32_t n)
{
    return GrainWindowGain(i, n);
}

// The span of start frames that leaves room for a whole grain. A source of
// m_nGrainFrames frames or fewer has none (the run refuses it beforehand); the
// span is then 0 rather than a wrapped-around unsigned value.
std::uint32_t GrainSynthesizer::GrainSpan() const
{
    const auto grainFrames = static_cast<std::uint64_t>(std::max(m_settings.m_nGrainFrames, 0));
    return m_source.size() > grainFrames ? static_cast<std::uint32_t>(m_source.size() - grainFrames - 1) : 0;
}

std::int32_t GrainSynthesizer::FreshPosition(double span)
{
    return static_cast<std::int32_t>(std::trunc((m_random.Unit() * kFreshWidth + kFreshLow) * span));
}

// Two candidate positions, A and B, each wander by a random step whenever they
// are used. Within a segment the choice slides from B (at its first grain) to
// A (at its middle) and back; each candidate is moved to a fresh place where
// its chance of being used is (nearly) 0, so every change fades in.
std::int32_t GrainSynthesizer::ChooseGrainPosition(std::int32_t k)
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
    const double u = m_random.Unit();
    std::int32_t& candidate = ((u + blend) * 0.5 < 0.5) ? m_nPositionA : m_nPositionB;

    std::int32_t p = candidate;
    std::int32_t d = static_cast<std::int32_t>(std::trunc((m_random.Unit() + 0.5) * m_settings.m_nScanFrames));
    if (m_random.Below(2) == 0)
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

std::int32_t GrainSynthesizer::NewSegmentLength()
{
    m_nSegmentLength =
        static_cast<std::int32_t>(std::trunc((m_random.Unit() + 0.5) * m_settings.m_nSegmentGrains));
    return m_nSegmentLength;
}

void GrainSynthesizer::SetPositions(std::int32_t a, std::int32_t b)
{
    m_nPositionA = a;
    m_nPositionB = b;
}

void GrainSynthesizer::SetSegment(std::int32_t length, std::int32_t grainInSegment)
{
    m_nSegmentLength = length;
    m_nGrainInSegment = grainInSegment;
}
