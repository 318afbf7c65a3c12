#include "resource_figures.h"

#include <wx/stattext.h>

#include "control_ids.h"
#include "resource_estimate.h"

namespace {

wxStaticText* CreateFigure(wxWindow* parent, int id, const wxString& text, const wxRect& rect)
{
    return new wxStaticText(parent, id, text, rect.GetPosition(), rect.GetSize(), wxALIGN_LEFT | wxST_NO_AUTORESIZE);
}

}  // namespace

void ResourceFigures::Create(wxWindow* parent, const DialogRectToPixels& toPixels)
{
    m_pRequiredDisk = CreateFigure(parent, IDC_REQUIRED_DISK, "0 GB", toPixels(kRequiredDiskPlace));
    m_pAvailableDisk = CreateFigure(parent, IDC_AVAILABLE_DISK, "0 GB", toPixels(kAvailableDiskPlace));
    m_pRequiredMemory = CreateFigure(parent, IDC_REQUIRED_MEMORY, "0 MB", toPixels(kRequiredMemoryPlace));
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

void ResourceFigures::Recompute(int durationSeconds, const std::string& outputPath, const InputFacts& input)
{
    UpdateAvailableDisk(outputPath);
    UpdateRequiredDisk(durationSeconds);
    UpdateRequiredMemory(durationSeconds, input);
}

void ResourceFigures::Show(wxStaticText* text, std::int32_t mebibytes)
{
    text->SetLabelText(wxString::FromUTF8(FigureText(mebibytes)));
}
