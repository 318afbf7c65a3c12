#include "ui/panel/resource_figures.h"

#include <wx/stattext.h>

#include "ui/panel/main_window_controls.h"
#include "ui/panel/resource_estimate.h"

bool ResourceFigures::Attach(const MainWindowControls& controls)
{
    m_pRequiredDisk = controls.m_pRequiredDisk;
    m_pAvailableDisk = controls.m_pAvailableDisk;
    m_pRequiredMemory = controls.m_pRequiredMemory;
    return m_pRequiredDisk && m_pAvailableDisk && m_pRequiredMemory;
}

void ResourceFigures::UpdateAvailableDisk(const std::string& outputPath)
{
    m_nAvailableDiskMB = FreeDiskMegabytes(OutputDiskFolder(outputPath));
    Show(m_pAvailableDisk, m_nAvailableDiskMB);
}

void ResourceFigures::UpdateRequiredDisk(int durationSeconds)
{
    m_nRequiredDiskMB = RequiredDiskMB(durationSeconds);
    Show(m_pRequiredDisk, m_nRequiredDiskMB);
}

void ResourceFigures::UpdateRequiredMemory(int durationSeconds, const InputFacts& input)
{
    m_nRequiredMemoryMB = input.IsValid()
                              ? RequiredMemoryMB(durationSeconds, input.m_nInputFrames, input.m_nInputRate)
                              : RequiredMemoryMB(durationSeconds, 0, 0);
    Show(m_pRequiredMemory, m_nRequiredMemoryMB);
}

void ResourceFigures::Show(wxStaticText* text, std::int32_t mebibytes)
{
    if (text)
        text->SetLabelText(wxString::FromUTF8(FigureText(mebibytes)));
}
