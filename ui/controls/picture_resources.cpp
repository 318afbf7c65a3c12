#include "ui/controls/picture_resources.h"

#include "resources/pictures/pictures.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

namespace {

wxImage DecodeImage(const ResourceBytes& bytes, wxBitmapType type)
{
    wxImage image;
    if (bytes.IsEmpty())
        return image;
    // A damaged resource must not raise a log window; the caller sees an invalid image.
    wxLogNull quiet;
    wxMemoryInputStream stream(bytes.data, bytes.size);
    image.LoadFile(stream, type);
    return image;
}

void EnsurePngHandler()
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
}

}  // namespace

wxBitmap LoadBitmapResource(int id)
{
    const wxImage image = DecodeImage(FindPicture(id), wxBITMAP_TYPE_BMP);
    return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

wxIconBundle LoadIconResource(int id)
{
    EnsurePngHandler();
    wxIconBundle bundle;
    for (const IconImage& png : FindIconImages(id)) {
        const wxImage image = DecodeImage(png.png, wxBITMAP_TYPE_PNG);
        if (!image.IsOk())
            continue;
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap(image));
        bundle.AddIcon(icon);
    }
    return bundle;
}
