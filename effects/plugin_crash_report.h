// Plugins run inside the program, so a plugin that crashes (a memory fault,
// an illegal instruction, an abort) takes the program down: its memory can no
// longer be trusted. What this adds is the last word: which plugin it was, on
// standard error, before the crash goes on as it would have (to the handler
// that was there before, such as a sanitizer's, or the default one). The
// outputs of our programs are written under a temporary name and renamed
// when complete, so a crash leaves no half-written file.
#pragma once

#include <string>

// Installs the report for the program named programName (once; later calls
// change nothing). A program that hosts plugins calls it at its start.
void ReportPluginCrashes(const char* programName);

// Marks, while it lives, that the calling thread is inside the plugin name.
class InsidePlugin {
public:
    explicit InsidePlugin(const std::string& name);
    ~InsidePlugin();
    InsidePlugin(const InsidePlugin&) = delete;
    InsidePlugin& operator=(const InsidePlugin&) = delete;

private:
    const std::string* m_pOuter;
};
