// The general kernel on 512-bit vectors, eight grain frames at a time. Their
// read positions lie close together (a grain reads its octave level at most
// one frame further per output frame), so the source frames they need are
// loaded as eight or sixteen neighbours and shuffled into place, tap by tap,
// instead of being gathered one by one. Each step's read positions are worked
// out a few steps ahead, so that their long chain of operations overlaps the
// work of the steps before. Compiled for AVX-512 through a function
// attribute, so the rest of the program keeps the baseline instruction set;
// called only where the processor has it (which then has AVX2 and the fused
// multiply-add as well).
// Every operation is the one the portable kernel makes, in the same order and
// precision, nothing fused; the last few frames of a part, and grains read
// faster than its loads reach, go through the AVX2 variant, and the frames
// near the ends of the source, whose neighbours are clamped, through the
// portable kernel's own code.
#include "engine/synthesis/kernels/general_kernel.h"
#include "engine/synthesis/kernels/general_kernel_frame.h"
#include "engine/synthesis/kernels/general_kernel_stretch.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr std::int32_t kFramesPerStep = 8;
// Sixteen frames are loaded for eight: their taps fit when the first read
// positions of the eight lie at most twelve frames apart, which an increment
// of at most 1.7 keeps them (7 × 1.7 < 12).
constexpr std::int32_t kLoadedFrames = 16;
static_assert(kLoadedFrames <= kVectorReadMargin);
constexpr double kLargestVectorIncrement = 1.7;
// At increments up to this the first read positions of eight frames lie at
// most seven frames apart (7 × 0.999 + 1 < 8 leaves room for the rounding of
// any read position a source can have), so one load of eight frames holds the
// frame each of them reads: half the loads of the sixteen. Grains transposed
// down, and those read from an octave level, mostly read this narrowly.
constexpr double kNarrowIncrement = 0.999;

#define SONNELITH_AVX512 __attribute__((target("avx512f,avx512dq,avx512vl"), always_inline)) inline
#define SONNELITH_AVX512_LAMBDA __attribute__((target("avx512f,avx512dq,avx512vl"), always_inline))

// GCC 12's conversion and cast intrinsics pass a deliberately undefined vector
// as the unused merge source or upper half, which its own flow analysis then
// reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// What every step of one grain shares, kept in registers through the loop.
struct GrainVectors {
    __m512d m_first;  // the read position of frame 0
    __m512d m_increment;
    __m512 m_gains;   // left, right, left, right, ...
    __m512i m_pairs;  // each of eight lanes twice: 0, 0, 1, 1, ... 7, 7
    __m512i m_lowestLane;  // the lane whose read is the lowest: 0 forwards, 7 backwards
};

SONNELITH_AVX512 GrainVectors VectorsOf(const GeneralGrain& grain)
{
    const float left = grain.m_fGainLeft;
    const float right = grain.m_fGainRight;
    return {_mm512_set1_pd(grain.m_dFirstRead),
            _mm512_set1_pd(grain.m_dIncrement),
            _mm512_setr_ps(left, right, left, right, left, right, left, right, left, right, left, right, left, right,
                           left, right),
            _mm512_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7),
            _mm512_set1_epi64(grain.m_dIncrement >= 0.0 ? 0 : kFramesPerStep - 1)};
}

// Where eight frames read: the lowest whole read position among them, each
// frame's offset from it (a 64-bit integer, of which the shuffles look at the
// last three or four bits), and each frame's fraction f, once per channel.
struct StepReads {
    std::int32_t m_nBase;
    __m512i m_offsets;
    __m512 m_f;
};

// The reads of grain frames j .. j + 7 (jv: j .. j + 7 as doubles): the read
// positions m_dFirstRead + j × m_dIncrement, whole = trunc(position) and f =
// float(position − whole), as the portable kernel works them out.
SONNELITH_AVX512 StepReads ReadsOf(const GrainVectors& vectors, __m512d jv)
{
    const __m512d position = _mm512_add_pd(vectors.m_first, _mm512_mul_pd(jv, vectors.m_increment));
    // position − trunc(position) in one step (exact, as the subtraction is),
    // and the whole positions as integers, whose differences are the offsets.
    const __m256 fraction = _mm512_cvtpd_ps(_mm512_reduce_pd(position, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
    const __m512i whole = _mm512_cvttpd_epi64(position);
    const __m512i lowest = _mm512_permutexvar_epi64(vectors.m_lowestLane, whole);
    const auto base = static_cast<std::int32_t>(_mm_cvtsi128_si32(_mm512_castsi512_si128(lowest)));
    const __m512i offsets = _mm512_sub_epi64(whole, lowest);
    return {base, offsets, _mm512_permutexvar_ps(vectors.m_pairs, _mm512_castps256_ps512(fraction))};
}

// The window's gains of eight frames from grain frame j, each twice in a
// row: loaded as they lie where the grain brings them paired, otherwise
// loaded and spread.
SONNELITH_AVX512 __m512 WindowPairs(const GeneralGrain& grain, const GrainVectors& vectors, std::int32_t j)
{
    if (grain.m_pPairWindow != nullptr)
        return _mm512_loadu_ps(grain.m_pPairWindow + 2 * static_cast<std::ptrdiff_t>(j));
    return _mm512_permutexvar_ps(vectors.m_pairs, _mm512_castps256_ps512(_mm256_loadu_ps(grain.m_pWindow + j)));
}

// out = out + sample × (window × gain) for eight frames from grain frame j.
SONNELITH_AVX512 void AddWeighted(float* out, __m512 sample, const GeneralGrain& grain, const GrainVectors& vectors,
                                  std::int32_t j)
{
    const __m512 weighted = _mm512_mul_ps(WindowPairs(grain, vectors, j), vectors.m_gains);
    _mm512_storeu_ps(out, _mm512_add_ps(_mm512_loadu_ps(out), _mm512_mul_ps(sample, weighted)));
}

// The spline through s0 .. s3 at f, each term as CoefficientsOf and
// SplineValue work it out.
SONNELITH_AVX512 __m512 Spline(__m512 s0, __m512 s1, __m512 s2, __m512 s3, __m512 f)
{
    const __m512 half = _mm512_set1_ps(0.5f);
    const __m512 c1 = _mm512_mul_ps(_mm512_sub_ps(s2, s0), half);
    const __m512 c2 = _mm512_add_ps(_mm512_sub_ps(s0, _mm512_mul_ps(s1, _mm512_set1_ps(2.5f))),
                                    _mm512_sub_ps(_mm512_mul_ps(s2, _mm512_set1_ps(2.0f)), _mm512_mul_ps(s3, half)));
    const __m512 c3 = _mm512_add_ps(_mm512_mul_ps(_mm512_sub_ps(s3, s0), half),
                                    _mm512_mul_ps(_mm512_sub_ps(s1, s2), _mm512_set1_ps(1.5f)));
    return _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(c1, f), s1),
                         _mm512_mul_ps(_mm512_mul_ps(f, f), _mm512_add_ps(_mm512_mul_ps(c3, f), c2)));
}

// Tap t of eight frames from the sixteen loaded: frame i + t − 1 of each.
SONNELITH_AVX512 __m512 Tap(__m512i low, __m512i high, __m512i index)
{
    return _mm512_castsi512_ps(_mm512_permutex2var_epi64(low, index, high));
}

// Grain frames j .. j + 7, all of whose taps and loaded frames lie inside
// the source, onto out: sixteen frames loaded from one before the lowest
// read, tap t of each frame at its offset plus t.
SONNELITH_AVX512 void AddEightFrames(float* out, const GeneralGrain& grain, const GrainVectors& vectors,
                                     std::int32_t j, const StepReads& reads)
{
    const auto* source = reinterpret_cast<const long long*>(grain.m_pSource + reads.m_nBase - 1);
    const __m512i low = _mm512_loadu_si512(source);
    const __m512i high = _mm512_loadu_si512(source + kFramesPerStep);
    const __m512i one = _mm512_set1_epi64(1);
    const __m512i first = reads.m_offsets;
    const __m512i second = _mm512_add_epi64(first, one);
    const __m512i third = _mm512_add_epi64(second, one);
    const __m512i fourth = _mm512_add_epi64(third, one);
    const __m512 sample = Spline(Tap(low, high, first), Tap(low, high, second), Tap(low, high, third),
                                 Tap(low, high, fourth), reads.m_f);
    AddWeighted(out, sample, grain, vectors, j);
}

// What the spline of eight frames needs: frame i of the level and of each
// coefficient, for the eight frames' i, and the fractions.
struct TermTaps {
    __m512 m_s1, m_c1, m_c2, m_c3, m_f;
};

// The taps of eight frames from their coefficients worked out beforehand,
// loaded from the lowest read and shuffled into place: eight neighbours when
// the grain reads narrowly (see kNarrowIncrement), sixteen otherwise.
template <bool kNarrow>
SONNELITH_AVX512 TermTaps TermTapsOf(const GeneralGrain& grain, const StepReads& reads)
{
    auto at = [&](const StereoFrame* frames) SONNELITH_AVX512_LAMBDA {
        const auto* from = reinterpret_cast<const long long*>(frames + reads.m_nBase);
        if constexpr (kNarrow)
            return _mm512_castsi512_ps(_mm512_permutexvar_epi64(reads.m_offsets, _mm512_loadu_si512(from)));
        else
            return Tap(_mm512_loadu_si512(from), _mm512_loadu_si512(from + kFramesPerStep), reads.m_offsets);
    };
    return {at(grain.m_pSource), at(grain.m_pTerms[0]), at(grain.m_pTerms[1]), at(grain.m_pTerms[2]), reads.m_f};
}

// The spline of eight frames from their taps onto out.
SONNELITH_AVX512 void AddEightFramesFromTaps(float* out, const TermTaps& taps, const GeneralGrain& grain,
                                             const GrainVectors& vectors, std::int32_t j)
{
    const __m512 f = taps.m_f;
    const __m512 sample =
        _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(taps.m_c1, f), taps.m_s1),
                      _mm512_mul_ps(_mm512_mul_ps(f, f), _mm512_add_ps(_mm512_mul_ps(taps.m_c3, f), taps.m_c2)));
    AddWeighted(out, sample, grain, vectors, j);
}

// Eight frames of a grain read at whole frames, forwards or backwards.
SONNELITH_AVX512 void AddEightWholeFrames(float* out, const GeneralGrain& grain, const GrainVectors& vectors,
                                          std::int32_t j)
{
    const bool forwards = grain.m_dIncrement >= 0.0;
    const std::int32_t lowestFrame = forwards ? j : j + kFramesPerStep - 1;
    const auto lowest = static_cast<std::int32_t>(general_kernel::ReadPosition(grain, lowestFrame));
    __m512i frames = _mm512_loadu_si512(reinterpret_cast<const long long*>(grain.m_pSource + lowest));
    if (!forwards)
        frames = _mm512_permutexvar_epi64(_mm512_setr_epi64(7, 6, 5, 4, 3, 2, 1, 0), frames);
    AddWeighted(out, _mm512_castsi512_ps(frames), grain, vectors, j);
}

enum class Steps { WholeFrames, NarrowFromTerms, FromTerms, Spline };

// The reads of the next three steps. Each step's reads are worked out
// three steps ahead (those past the stretch are worked out and left unused:
// they load nothing), so that their long chain of operations overlaps the
// loads and splines of the steps before.
struct ReadsAhead {
    __m512d m_jv;  // the frames of the step after the third, as doubles
    StepReads m_first, m_second, m_third;
};

// Whole numbers, so adding 8 at each step keeps them exact.
SONNELITH_AVX512 __m512d FramesOfStep(std::int32_t j)
{
    return _mm512_add_pd(_mm512_set1_pd(static_cast<double>(j)), _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7));
}

SONNELITH_AVX512 ReadsAhead ReadsFrom(const GrainVectors& vectors, std::int32_t j)
{
    const __m512d step = _mm512_set1_pd(kFramesPerStep);
    const __m512d jv = FramesOfStep(j);
    const __m512d jv2 = _mm512_add_pd(jv, step);
    const __m512d jv3 = _mm512_add_pd(jv2, step);
    return {_mm512_add_pd(jv3, step), ReadsOf(vectors, jv), ReadsOf(vectors, jv2), ReadsOf(vectors, jv3)};
}

SONNELITH_AVX512 void Advance(ReadsAhead& ahead, const GrainVectors& vectors)
{
    ahead.m_first = ahead.m_second;
    ahead.m_second = ahead.m_third;
    ahead.m_third = ReadsOf(vectors, ahead.m_jv);
    ahead.m_jv = _mm512_add_pd(ahead.m_jv, _mm512_set1_pd(kFramesPerStep));
}

// Steps of eight frames from j up to end from coefficients worked out
// beforehand, each step's taps loaded a step ahead as well; answers where
// they stopped.
template <bool kNarrow>
SONNELITH_AVX512 std::int32_t AddStepsFromTerms(float* out, const GeneralGrain& grain, const GrainVectors& vectors,
                                                std::int32_t j, std::int32_t end)
{
    if (j + kFramesPerStep > end)
        return j;
    ReadsAhead ahead = ReadsFrom(vectors, j);
    TermTaps taps = TermTapsOf<kNarrow>(grain, ahead.m_first);
    for (; j + 2 * kFramesPerStep <= end; j += kFramesPerStep, out += 2 * kFramesPerStep) {
        const TermTaps next = TermTapsOf<kNarrow>(grain, ahead.m_second);
        Advance(ahead, vectors);
        AddEightFramesFromTaps(out, taps, grain, vectors, j);
        taps = next;
    }
    AddEightFramesFromTaps(out, taps, grain, vectors, j);
    return j + kFramesPerStep;
}

// The same through the spline from the source's frames.
SONNELITH_AVX512 std::int32_t AddStepsOfSpline(float* out, const GeneralGrain& grain, const GrainVectors& vectors,
                                               std::int32_t j, std::int32_t end)
{
    ReadsAhead ahead = ReadsFrom(vectors, j);
    for (; j + kFramesPerStep <= end; j += kFramesPerStep, out += 2 * kFramesPerStep) {
        const StepReads reads = ahead.m_first;
        Advance(ahead, vectors);
        AddEightFrames(out, grain, vectors, j, reads);
    }
    return j;
}

// The frames whose loads stay inside the source (see VectorFrames) eight at a
// time; those before them one by one, and the rest through the AVX2 variant.
template <Steps kSteps>
SONNELITH_AVX512 void AddInSteps(StereoFrame* output, const GeneralGrain& grain, std::int32_t first,
                                 std::int32_t count)
{
    const GrainVectors vectors = VectorsOf(grain);
    const FrameStretch inside = VectorFrames(grain, first, count);
    std::int32_t j = first;
    for (; j < inside.m_nBegin; ++j)
        general_kernel::AddFrame(output[j - first], grain, j);
    float* out = &output[j - first].left;
    if constexpr (kSteps == Steps::WholeFrames) {
        for (; j + kFramesPerStep <= inside.m_nEnd; j += kFramesPerStep, out += 2 * kFramesPerStep)
            AddEightWholeFrames(out, grain, vectors, j);
    } else if constexpr (kSteps == Steps::NarrowFromTerms) {
        j = AddStepsFromTerms<true>(out, grain, vectors, j, inside.m_nEnd);
    } else if constexpr (kSteps == Steps::FromTerms) {
        j = AddStepsFromTerms<false>(out, grain, vectors, j, inside.m_nEnd);
    } else {
        j = AddStepsOfSpline(out, grain, vectors, j, inside.m_nEnd);
    }
    // The last frames of the stretch (fewer than eight) in the 256-bit
    // variant's steps, and any beyond it frame by frame there.
    if (j < first + count)
        AddGeneralGrainAvx2(output + (j - first), grain, j, first + count - j);
}

}  // namespace

__attribute__((target("avx512f,avx512dq,avx512vl"))) void AddGeneralGrainAvx512(StereoFrame* output,
                                                                                 const GeneralGrain& grain,
                                                                                 std::int32_t first,
                                                                                 std::int32_t count)
{
    // A copy of its own: the compiler need not read the grain again after
    // every store to the output, which might otherwise overlap it.
    const GeneralGrain own = grain;
    // The steps load eight frames from the lowest position read (whole
    // frames), sixteen from there (from terms) or sixteen from one before it
    // (spline): all inside the source for the frames VectorFrames gives.
    if (own.m_bWholeFrames) {
        AddInSteps<Steps::WholeFrames>(output, own, first, count);
        return;
    }
    if (!(std::fabs(own.m_dIncrement) <= kLargestVectorIncrement)) {
        AddGeneralGrainAvx2(output, own, first, count);
        return;
    }
    if (own.m_pTerms[0] != nullptr && std::fabs(own.m_dIncrement) <= kNarrowIncrement)
        AddInSteps<Steps::NarrowFromTerms>(output, own, first, count);
    else if (own.m_pTerms[0] != nullptr)
        AddInSteps<Steps::FromTerms>(output, own, first, count);
    else
        AddInSteps<Steps::Spline>(output, own, first, count);
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#undef SONNELITH_AVX512
#undef SONNELITH_AVX512_LAMBDA
#endif

GeneralKernelFunction GeneralKernelOfVectorUnit(AddKernel kernel)
{
#if defined(__x86_64__) || defined(__i386__)
    // The 512-bit variant hands its last frames to the 256-bit one.
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx2") &&
                        __builtin_cpu_supports("fma");
    if (kernel == AddKernel::Avx512 && avx512)
        return AddGeneralGrainAvx512;
    if (kernel == AddKernel::Avx2 && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        return AddGeneralGrainAvx2;
#endif
    (void)kernel;
    return AddGeneralGrainPortable;
}
