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

wxBitmapBundle LoadBitmapBundleResource(int id)
{
    const wxBitmap natural = LoadBitmapResource(id);
    if (!natural.IsOk())
        return wxBitmapBundle();
    EnsurePngHandler();
    const wxImage doubled = DecodeImage(FindDoubleSizePicture(id), wxBITMAP_TYPE_PNG);
    if (!doubled.IsOk() || doubled.GetSize() != 2 * natural.GetSize())
        return wxBitmapBundle(natural);
    return wxBitmapBundle::FromBitmaps(natural, wxBitmap(doubled));
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
