// The three resource figures in the "Required Resources" box: required disk
// space, available disk space and required memory.
#pragma once

#include <cstdint>
#include <string>

#include "ui/panel/input_facts.h"

class wxStaticText;
struct MainWindowControls;

// Each Update computes its figure, keeps it and shows its text (see
// MainWindowParts for when each is called).
class ResourceFigures {
public:
    ResourceFigures() = default;
    ResourceFigures(const ResourceFigures&) = delete;
    ResourceFigures& operator=(const ResourceFigures&) = delete;

    // Takes the three figure texts; false if one is missing.
    bool Attach(const MainWindowControls& controls);

    // Free space on the disk of the output file's folder (the current
    // directory's disk while no output file is chosen).
    void UpdateAvailableDisk(const std::string& outputPath);
    void UpdateRequiredDisk(int durationSeconds);
    void UpdateRequiredMemory(int durationSeconds, const InputFacts& input);

    std::int32_t GetRequiredDiskMB() const { return m_nRequiredDiskMB; }
    std::int32_t GetAvailableDiskMB() const { return m_nAvailableDiskMB; }

private:
    static void Show(wxStaticText* text, std::int32_t mebibytes);

    std::int32_t m_nRequiredDiskMB = 0;
    std::int32_t m_nAvailableDiskMB = 0;
    std::int32_t m_nRequiredMemoryMB = 0;
    wxStaticText* m_pRequiredDisk = nullptr;
    wxStaticText* m_pAvailableDisk = nullptr;
    wxStaticText* m_pRequiredMemory = nullptr;
};
