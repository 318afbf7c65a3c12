// The general kernel on 256-bit vectors, four grain frames at a time, each
// frame's two channels side by side as in memory. Four neighbouring grain
// frames read the source within a few frames of each other (a grain reads its
// octave level at most one frame further per output frame), so each tap of
// the four is one load of the frames from the lowest they read, shuffled into
// place across the vector, instead of four loads of its own. Compiled for
// AVX2 and the fused multiply-add through a function attribute, so the rest
// of the program keeps the baseline instruction set; called only where the
// processor has both. The fused multiply-add works out the shuffle indices,
// whole numbers exact either way, in one step; every operation on the sound
// is the one the portable kernel makes, in the same order and precision,
// nothing fused (the engine is compiled without contraction). Frames near the
// ends of the source, whose neighbours are clamped, go through the portable
// kernel's own code. Where the grain brings its window's gains paired (each
// twice in a row), a step's weights are one load, not a load and a shuffle.
// Each step's read positions are worked out a few steps ahead, so that their
// long chain of operations overlaps the work of the steps before.
#include "engine/synthesis/kernels/general_kernel.h"
#include "engine/synthesis/kernels/general_kernel_frame.h"
#include "engine/synthesis/kernels/general_kernel_stretch.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cmath>
#include <cstddef>

namespace {

constexpr std::int32_t kFramesPerStep = 4;
// At increments up to this, the four frames of a step read within four
// neighbouring frames of the lowest one (3 × 0.999 leaves room for the
// rounding of any read position a source can have); up to the next, within
// eight, loaded as two vectors.
constexpr double kNarrowIncrement = 0.999;
constexpr double kWideIncrement = 2.3;
// The spline's taps reach one frame below the lowest read and two above, and
// a wide step loads eight frames from each: up to ten frames from the lowest
// read, inside what VectorFrames allows.
static_assert(kLowestVectorRead >= 1 && kVectorReadMargin >= 10);

#define SONNELITH_AVX2 __attribute__((target("avx2,fma"), always_inline)) inline
#define SONNELITH_AVX2_LAMBDA __attribute__((target("avx2,fma"), always_inline))

// GCC 12's cast intrinsics pass a deliberately undefined vector as the upper
// half, which its own flow analysis then reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// What every step of one grain shares, kept in registers through the loop.
struct GrainVectors {
    __m256d m_first;      // the read position of frame 0
    __m256d m_increment;
    __m256 m_gains;       // left, right, left, right, ...
    __m256i m_pairs;      // each of four lanes twice: 0, 0, 1, 1, 2, 2, 3, 3
};

SONNELITH_AVX2 GrainVectors VectorsOf(const GeneralGrain& grain)
{
    const float left = grain.m_fGainLeft;
    const float right = grain.m_fGainRight;
    return {_mm256_set1_pd(grain.m_dFirstRead), _mm256_set1_pd(grain.m_dIncrement),
            _mm256_setr_ps(left, right, left, right, left, right, left, right),
            _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3)};
}

// Where four frames read: the lowest whole read position among them, each
// channel's float index into the frames loaded from there, and each frame's
// fraction f, once per channel.
struct StepReads {
    std::int32_t m_nBase;
    __m256i m_index;
    __m256 m_f;
};

// Offset d (0 to 7) from the lowest read, turned into the bits of a double
// whose low 32 bits are 2d and whose high 32 bits end in the bits of 2d + 1:
// d × (2^33 + 2) + 2^52 + 2^32 is exact (so fusing the multiply and the add
// changes nothing), and 2^52's exponent bits end in zeros. The shuffles look
// at those last bits only (three, or four for the wide tap), so each frame's
// pair of lanes gets its left and right index.
constexpr double kPairIndexScale = 8589934594.0;
constexpr double kPairIndexBias = 4503599627370496.0 + 4294967296.0;

// The reads of the frames whose read positions are position; the lowest
// read is that of lane lowestLane (the first forwards, the last real one
// backwards). whole = trunc(position), as a double, and f = float(position −
// whole), as the portable kernel works them out; the lowest read as a whole
// number by the same truncation.
SONNELITH_AVX2 StepReads ReadsOf(const GrainVectors& vectors, __m256d position, int lowestLane)
{
    const __m256d whole = _mm256_round_pd(position, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m128 fraction = _mm256_cvtpd_ps(_mm256_sub_pd(position, whole));
    __m256d lowest;
    switch (lowestLane) {
    case 0: lowest = _mm256_permute4x64_pd(whole, 0x00); break;
    case 1: lowest = _mm256_permute4x64_pd(whole, 0x55); break;
    case 2: lowest = _mm256_permute4x64_pd(whole, 0xAA); break;
    default: lowest = _mm256_permute4x64_pd(whole, 0xFF); break;
    }
    // Forwards the lowest read is lane 0's, converted straight from the read
    // position: it need not wait for the shuffle.
    const std::int32_t base = _mm_cvttsd_si32(_mm256_castpd256_pd128(lowestLane == 0 ? position : lowest));
    const __m256d offsets = _mm256_sub_pd(whole, lowest);
    const __m256i index = _mm256_castpd_si256(
        _mm256_fmadd_pd(offsets, _mm256_set1_pd(kPairIndexScale), _mm256_set1_pd(kPairIndexBias)));
    return {base, index, _mm256_permutevar8x32_ps(_mm256_castps128_ps256(fraction), vectors.m_pairs)};
}

// The read positions of grain frames j .. j + 3 (jv holds j .. j + 3 as
// doubles): m_dFirstRead + j × m_dIncrement, as the portable kernel works
// them out.
SONNELITH_AVX2 __m256d PositionsOf(const GrainVectors& vectors, __m256d jv)
{
    return _mm256_add_pd(vectors.m_first, _mm256_mul_pd(jv, vectors.m_increment));
}

// One tap of four frames: frame base + offset + shift of frames, for each
// frame's offset, from one load of four frames (or two of eight, wide).
template <bool kWide>
SONNELITH_AVX2 __m256 Tap(const StereoFrame* frames, const StepReads& reads, std::int32_t shift)
{
    const auto* from = reinterpret_cast<const float*>(frames + reads.m_nBase + shift);
    const __m256 low = _mm256_permutevar8x32_ps(_mm256_loadu_ps(from), reads.m_index);
    if constexpr (!kWide) {
        return low;
    } else {
        // Indices 8 and up (offsets of four frames and more) take the upper load.
        const __m256 high = _mm256_permutevar8x32_ps(_mm256_loadu_ps(from + 8), reads.m_index);
        return _mm256_blendv_ps(low, high, _mm256_castsi256_ps(_mm256_slli_epi32(reads.m_index, 28)));
    }
}

// The spline at f from its coefficients, as SplineValue works it out.
SONNELITH_AVX2 __m256 SplineValue(__m256 c1, __m256 c2, __m256 c3, __m256 s1, __m256 f)
{
    return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(c1, f), s1),
                         _mm256_mul_ps(_mm256_mul_ps(f, f), _mm256_add_ps(_mm256_mul_ps(c3, f), c2)));
}

// The spline through s0 .. s3 at f, each coefficient as CoefficientsOf works it out.
SONNELITH_AVX2 __m256 Spline(__m256 s0, __m256 s1, __m256 s2, __m256 s3, __m256 f)
{
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 c1 = _mm256_mul_ps(_mm256_sub_ps(s2, s0), half);
    const __m256 c2 = _mm256_add_ps(_mm256_sub_ps(s0, _mm256_mul_ps(s1, _mm256_set1_ps(2.5f))),
                                    _mm256_sub_ps(_mm256_mul_ps(s2, _mm256_set1_ps(2.0f)), _mm256_mul_ps(s3, half)));
    const __m256 c3 = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(s3, s0), half),
                                    _mm256_mul_ps(_mm256_sub_ps(s1, s2), _mm256_set1_ps(1.5f)));
    return SplineValue(c1, c2, c3, s1, f);
}

enum class Steps { WholeFrames, FromTerms, Spline };

// The samples of four frames.
template <Steps kSteps, bool kWide>
SONNELITH_AVX2 __m256 SamplesOf(const GeneralGrain& grain, const StepReads& reads)
{
    if constexpr (kSteps == Steps::FromTerms) {
        return SplineValue(Tap<kWide>(grain.m_pTerms[0], reads, 0), Tap<kWide>(grain.m_pTerms[1], reads, 0),
                           Tap<kWide>(grain.m_pTerms[2], reads, 0), Tap<kWide>(grain.m_pSource, reads, 0), reads.m_f);
    } else {
        return Spline(Tap<kWide>(grain.m_pSource, reads, -1), Tap<kWide>(grain.m_pSource, reads, 0),
                      Tap<kWide>(grain.m_pSource, reads, 1), Tap<kWide>(grain.m_pSource, reads, 2), reads.m_f);
    }
}

// Each frame's window gain times each channel's gain, for four frames.
SONNELITH_AVX2 __m256 Weights(__m128 window, const GrainVectors& vectors)
{
    return _mm256_mul_ps(_mm256_permutevar8x32_ps(_mm256_castps128_ps256(window), vectors.m_pairs), vectors.m_gains);
}

// The same from the window's gains each twice in a row, which need no
// shuffle.
SONNELITH_AVX2 __m256 PairWeights(__m256 pairWindow, const GrainVectors& vectors)
{
    return _mm256_mul_ps(pairWindow, vectors.m_gains);
}

// The weights of grain frames j .. j + 3.
template <bool kPairWindow>
SONNELITH_AVX2 __m256 StepWeights(const GeneralGrain& grain, const GrainVectors& vectors, std::int32_t j)
{
    if constexpr (kPairWindow)
        return PairWeights(_mm256_loadu_ps(grain.m_pPairWindow + 2 * static_cast<std::ptrdiff_t>(j)), vectors);
    else
        return Weights(_mm_loadu_ps(grain.m_pWindow + j), vectors);
}

// The samples of grain frames j .. j + 3 weighted onto out.
template <bool kPairWindow>
SONNELITH_AVX2 void AddFourSamples(float* out, __m256 samples, const GeneralGrain& grain, const GrainVectors& vectors,
                                   std::int32_t j)
{
    const __m256 weights = StepWeights<kPairWindow>(grain, vectors, j);
    _mm256_storeu_ps(out, _mm256_add_ps(_mm256_loadu_ps(out), _mm256_mul_ps(samples, weights)));
}

// Grain frames j .. j + 3 of a grain read at whole frames onto out.
template <bool kForwards, bool kPairWindow>
SONNELITH_AVX2 void AddFourWholeFrames(float* out, const GeneralGrain& grain, const GrainVectors& vectors,
                                       std::int32_t j)
{
    const std::int32_t lowestFrame = kForwards ? j : j + kFramesPerStep - 1;
    const auto lowest = static_cast<std::int32_t>(general_kernel::ReadPosition(grain, lowestFrame));
    __m256 samples = _mm256_loadu_ps(reinterpret_cast<const float*>(grain.m_pSource + lowest));
    if constexpr (!kForwards)
        samples = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(samples), 0x1B));
    AddFourSamples<kPairWindow>(out, samples, grain, vectors, j);
}

// Whole numbers, so adding 4 at each step keeps them exact.
SONNELITH_AVX2 __m256d FramesOfStep(std::int32_t j)
{
    return _mm256_add_pd(_mm256_set1_pd(static_cast<double>(j)), _mm256_setr_pd(0, 1, 2, 3));
}

// The reads of the next four steps. Each step's reads are worked out four
// steps ahead (those past the stretch are worked out and left unused: they
// load nothing), and its samples one step ahead, so that their long chains
// of operations overlap the steps before.
struct ReadsAhead {
    __m256d m_jv;  // the frames of the step after the last, as doubles
    StepReads m_first, m_second, m_third, m_fourth;
};

template <bool kForwards>
SONNELITH_AVX2 StepReads StepReadsOf(const GrainVectors& vectors, __m256d jv)
{
    return ReadsOf(vectors, PositionsOf(vectors, jv), kForwards ? 0 : kFramesPerStep - 1);
}

template <bool kForwards>
SONNELITH_AVX2 ReadsAhead ReadsFrom(const GrainVectors& vectors, std::int32_t j)
{
    const __m256d step = _mm256_set1_pd(kFramesPerStep);
    const __m256d jv = FramesOfStep(j);
    const __m256d jv2 = _mm256_add_pd(jv, step);
    const __m256d jv3 = _mm256_add_pd(jv2, step);
    const __m256d jv4 = _mm256_add_pd(jv3, step);
    return {_mm256_add_pd(jv4, step), StepReadsOf<kForwards>(vectors, jv), StepReadsOf<kForwards>(vectors, jv2),
            StepReadsOf<kForwards>(vectors, jv3), StepReadsOf<kForwards>(vectors, jv4)};
}

// One step of the loop below: works out the samples of the step after this
// one from its reads (next), puts the reads of the step four on into refill
// (whose own reads this step's samples already hold), and adds this step's
// samples.
template <Steps kSteps, bool kWide, bool kForwards, bool kPairWindow>
SONNELITH_AVX2 void AddStep(float* out, __m256& samples, const StepReads& next, StepReads& refill, __m256d& jv,
                            const GeneralGrain& grain, const GrainVectors& vectors, std::int32_t j)
{
    const __m256 nextSamples = SamplesOf<kSteps, kWide>(grain, next);
    refill = StepReadsOf<kForwards>(vectors, jv);
    jv = _mm256_add_pd(jv, _mm256_set1_pd(kFramesPerStep));
    AddFourSamples<kPairWindow>(out, samples, grain, vectors, j);
    samples = nextSamples;
}

// Steps of four frames from j up to end, read between frames; answers where
// they stopped. Four steps at a time, each refilling the place of the reads
// it has just used, so that the reads stay in their registers instead of
// moving along at every step; the last few steps from the reads left.
template <Steps kSteps, bool kWide, bool kForwards, bool kPairWindow>
SONNELITH_AVX2 std::int32_t AddStepsBetweenFrames(float* out, const GeneralGrain& grain, const GrainVectors& vectors,
                                                  std::int32_t j, std::int32_t end)
{
    if (j + kFramesPerStep > end)
        return j;
    ReadsAhead ahead = ReadsFrom<kForwards>(vectors, j);
    __m256 samples = SamplesOf<kSteps, kWide>(grain, ahead.m_first);
    constexpr std::int32_t kStepsAtOnce = 4;
    constexpr std::int32_t kOutStep = 2 * kFramesPerStep;
    for (; j + (kStepsAtOnce + 1) * kFramesPerStep <= end;
         j += kStepsAtOnce * kFramesPerStep, out += kStepsAtOnce * kOutStep) {
        auto step = [&](std::int32_t n, const StepReads& next, StepReads& refill) SONNELITH_AVX2_LAMBDA {
            AddStep<kSteps, kWide, kForwards, kPairWindow>(out + n * kOutStep, samples, next, refill, ahead.m_jv,
                                                           grain, vectors, j + n * kFramesPerStep);
        };
        step(0, ahead.m_second, ahead.m_first);
        step(1, ahead.m_third, ahead.m_second);
        step(2, ahead.m_fourth, ahead.m_third);
        step(3, ahead.m_first, ahead.m_fourth);
    }
    // At most three steps are left after this one, their reads worked out.
    for (const StepReads* next : {&ahead.m_second, &ahead.m_third, &ahead.m_fourth}) {
        if (j + 2 * kFramesPerStep > end)
            break;
        const __m256 nextSamples = SamplesOf<kSteps, kWide>(grain, *next);
        AddFourSamples<kPairWindow>(out, samples, grain, vectors, j);
        samples = nextSamples;
        j += kFramesPerStep;
        out += kOutStep;
    }
    AddFourSamples<kPairWindow>(out, samples, grain, vectors, j);
    return j + kFramesPerStep;
}

// The last count (1 to 3) frames of a stretch from grain frame j: the same
// arithmetic on the lanes of those frames. The output and the window are read
// and written through masks, so nothing past their ends is touched; the
// source loads start at the lowest read of those frames, as in a whole step.
template <Steps kSteps, bool kWide, bool kForwards, bool kPairWindow>
SONNELITH_AVX2 void AddLastFrames(float* out, const GeneralGrain& grain, const GrainVectors& vectors, std::int32_t j,
                                  __m256d jv, std::int32_t count)
{
    const __m256i lanes = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), vectors.m_pairs);
    const __m128i frameLanes = _mm_cmpgt_epi32(_mm_set1_epi32(count), _mm_setr_epi32(0, 1, 2, 3));
    const StepReads reads = ReadsOf(vectors, PositionsOf(vectors, jv), kForwards ? 0 : count - 1);
    // Frames read whole come out of the shuffle as they are: f plays no part.
    __m256 samples;
    if constexpr (kSteps == Steps::WholeFrames)
        samples = Tap<false>(grain.m_pSource, reads, 0);
    else
        samples = SamplesOf<kSteps, kWide>(grain, reads);
    __m256 weights;
    if constexpr (kPairWindow) {
        const float* pairs = grain.m_pPairWindow + 2 * static_cast<std::ptrdiff_t>(j);
        weights = PairWeights(_mm256_maskload_ps(pairs, lanes), vectors);
    } else {
        weights = Weights(_mm_maskload_ps(grain.m_pWindow + j, frameLanes), vectors);
    }
    const __m256 sum = _mm256_add_ps(_mm256_maskload_ps(out, lanes), _mm256_mul_ps(samples, weights));
    _mm256_maskstore_ps(out, lanes, sum);
}

template <Steps kSteps, bool kWide, bool kForwards, bool kPairWindow>
SONNELITH_AVX2 void AddInDirection(StereoFrame* output, const GeneralGrain& grain, std::int32_t first,
                                   std::int32_t count)
{
    const GrainVectors vectors = VectorsOf(grain);
    const FrameStretch inside = VectorFrames(grain, first, count);
    std::int32_t j = first;
    for (; j < inside.m_nBegin; ++j)
        general_kernel::AddFrame(output[j - first], grain, j);
    if constexpr (kSteps == Steps::WholeFrames) {
        for (; j + kFramesPerStep <= inside.m_nEnd; j += kFramesPerStep)
            AddFourWholeFrames<kForwards, kPairWindow>(&output[j - first].left, grain, vectors, j);
    } else {
        j = AddStepsBetweenFrames<kSteps, kWide, kForwards, kPairWindow>(&output[j - first].left, grain, vectors, j,
                                                                         inside.m_nEnd);
    }
    if (j < inside.m_nEnd) {
        AddLastFrames<kSteps, kWide, kForwards, kPairWindow>(&output[j - first].left, grain, vectors, j,
                                                             FramesOfStep(j), inside.m_nEnd - j);
        j = inside.m_nEnd;
    }
    for (; j < first + count; ++j)
        general_kernel::AddFrame(output[j - first], grain, j);
}

// The steps of a grain read forwards or backwards, with the window's gains
// paired or not, each compiled on its own.
template <Steps kSteps, bool kWide, bool kPairWindow>
SONNELITH_AVX2 void AddInDirections(StereoFrame* output, const GeneralGrain& grain, std::int32_t first,
                                    std::int32_t count)
{
    if (grain.m_dIncrement >= 0.0)
        AddInDirection<kSteps, kWide, true, kPairWindow>(output, grain, first, count);
    else
        AddInDirection<kSteps, kWide, false, kPairWindow>(output, grain, first, count);
}

template <Steps kSteps, bool kWide>
SONNELITH_AVX2 void AddInSteps(StereoFrame* output, const GeneralGrain& grain, std::int32_t first,
                               std::int32_t count)
{
    if (grain.m_pPairWindow != nullptr)
        AddInDirections<kSteps, kWide, true>(output, grain, first, count);
    else
        AddInDirections<kSteps, kWide, false>(output, grain, first, count);
}

}  // namespace

__attribute__((target("avx2,fma"))) void AddGeneralGrainAvx2(StereoFrame* output, const GeneralGrain& grain,
                                                             std::int32_t first, std::int32_t count)
{
    // A copy of its own: the compiler need not read the grain again after
    // every store to the output, which might otherwise overlap it.
    const GeneralGrain own = grain;
    if (own.m_bWholeFrames) {
        AddInSteps<Steps::WholeFrames, false>(output, own, first, count);
        return;
    }
    const double increment = std::fabs(own.m_dIncrement);
    const bool terms = own.m_pTerms[0] != nullptr;
    if (increment <= kNarrowIncrement) {
        if (terms)
            AddInSteps<Steps::FromTerms, false>(output, own, first, count);
        else
            AddInSteps<Steps::Spline, false>(output, own, first, count);
    } else if (increment <= kWideIncrement) {
        if (terms)
            AddInSteps<Steps::FromTerms, true>(output, own, first, count);
        else
            AddInSteps<Steps::Spline, true>(output, own, first, count);
    } else {
        AddGeneralGrainPortable(output, own, first, count);
    }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#undef SONNELITH_AVX2
#undef SONNELITH_AVX2_LAMBDA
#endif
