// While it lives, the calling thread flushes denormal floats to zero (and
// reads them as zero): plugins' decaying feedback loops then neither crawl
// through denormal arithmetic nor depend on whether a caller had set the mode,
// so their bits are the same on every thread. Restores the mode it found.
#pragma once

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>

class DenormalGuard {
public:
    DenormalGuard() : m_nSaved(_mm_getcsr()) { _mm_setcsr(m_nSaved | kFlushToZero | kDenormalsAreZero); }
    ~DenormalGuard() { _mm_setcsr(m_nSaved); }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned m_nSaved;
};
#else
// Elsewhere the processor's default mode stands.
class DenormalGuard {};
#endif
