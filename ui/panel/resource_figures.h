// The three resource figures in the "Required Resources" box: required disk
// space, available disk space and required memory.
#pragma once

#include <cstdint>
#include <string>

#include "dialog_rect.h"
#include "input_facts.h"

class wxStaticText;
class wxWindow;

// Each Update computes its figure, keeps it and shows its text. The window
// calls Recompute (all three) when the window opens and on Restore, when a
// preset is chosen, when the user changes the picker and when an output file
// is chosen; it calls UpdateRequiredMemory alone when an input file is chosen
// or fails to open. Moving a slider changes none of them.
class ResourceFigures {
public:
    ResourceFigures() = default;
    ResourceFigures(const ResourceFigures&) = delete;
    ResourceFigures& operator=(const ResourceFigures&) = delete;

    void Create(wxWindow* parent, const DialogRectToPixels& toPixels);

    // Free space on the disk of the output file's folder (the current
    // directory's disk while no output file is chosen).
    void UpdateAvailableDisk(const std::string& outputPath);
    void UpdateRequiredDisk(int durationSeconds);
    void UpdateRequiredMemory(int durationSeconds, const InputFacts& input);
    // The three, in that order.
    void Recompute(int durationSeconds, const std::string& outputPath, const InputFacts& input);

    std::int32_t GetRequiredDiskMB() const { return m_nRequiredDiskMB; }
    std::int32_t GetAvailableDiskMB() const { return m_nAvailableDiskMB; }
    std::int32_t GetRequiredMemoryMB() const { return m_nRequiredMemoryMB; }

    wxStaticText* GetRequiredDiskText() const { return m_pRequiredDisk; }
    wxStaticText* GetAvailableDiskText() const { return m_pAvailableDisk; }
    wxStaticText* GetRequiredMemoryText() const { return m_pRequiredMemory; }

    static constexpr DialogRect kRequiredDiskPlace{327, 138, 32, 11};
    static constexpr DialogRect kAvailableDiskPlace{327, 152, 32, 11};
    static constexpr DialogRect kRequiredMemoryPlace{327, 166, 32, 11};

private:
    static void Show(wxStaticText* text, std::int32_t mebibytes);

    std::int32_t m_nRequiredDiskMB = 0;
    std::int32_t m_nAvailableDiskMB = 0;
    std::int32_t m_nRequiredMemoryMB = 0;
    wxStaticText* m_pRequiredDisk = nullptr;
    wxStaticText* m_pAvailableDisk = nullptr;
    wxStaticText* m_pRequiredMemory = nullptr;
};
