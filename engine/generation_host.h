// What a generation run needs of the window or terminal that hosts it.
#pragma once

#include <string>

// The run calls these from the thread that runs it, and only from there.
class GenerationHost {
public:
    // The three long phases of a run, each with its own bar and percentage.
    enum class Phase { Loading, Generating, Writing };

    virtual ~GenerationHost() = default;

    // A modal message box. stringId names the string-table entry the text comes
    // from; text is that entry with any details filled in. style is MB_* buttons
    // and icon. Returns the answer (IDOK, IDYES, IDNO...).
    virtual int ShowMessage(int stringId, const std::string& text, unsigned style) = 0;
    // The phase's bar, 0 to 100.
    virtual void SetBarPosition(Phase phase, int percent) = 0;
    // The phase's percentage text: percent formatted as "%d%%".
    virtual void SetPercentText(Phase phase, int percent) = 0;
    // The "Estimated time left" field.
    virtual void SetTimeLeftText(const std::string& text) = 0;
    // The "Written so far" field.
    virtual void SetWrittenSizeText(const std::string& text) = 0;
    // Handles everything waiting (repaints, timers, the Cancel button) and
    // returns at once when nothing is left; never waits.
    virtual int PumpMessages() = 0;
};
