// How long each phase of a run took, for anyone who wants to know where the
// time goes.
#pragma once

// Seconds on a steady clock. Loading counts from the start of the run (the
// input and output files are opened there); a phase the run did not reach
// stays 0.
struct PhaseTimes {
    double m_dLoading = 0.0;
    double m_dAllocating = 0.0;
    double m_dSynthesizing = 0.0;
    double m_dFinishing = 0.0;
    double m_dWriting = 0.0;

    double Total() const { return m_dLoading + m_dAllocating + m_dSynthesizing + m_dFinishing + m_dWriting; }
};
