#include "ui/controls/compact_drop_down.h"

#include "ui/dialog_template/text_fitting.h"

#include <gtk/gtk.h>
#include <wx/choice.h>

namespace {

// GTK themes pad a combo box's button generously and give its arrow a wide
// box; the main window's list is about a hundred pixels wide, where that
// padding alone would take a third of it. The rules apply by widget name, so
// they touch no other control.
constexpr char kCompactName[] = "sonnelith-compact-drop-down";
constexpr char kCompactStyle[] =
    "#sonnelith-compact-drop-down button { padding: 0px 0px 0px 3px; min-height: 0px; }"
    "#sonnelith-compact-drop-down arrow { min-width: 6px; min-height: 6px; margin: 0px; }"
    "#sonnelith-compact-drop-down cellview { margin: 0px; padding: 0px; }";

void InstallCompactStyleOnce()
{
    static bool installed = false;
    if (installed)
        return;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kCompactStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
    installed = true;
}

}  // namespace

void MakeDropDownCompact(wxChoice* list)
{
    InstallCompactStyleOnce();
    gtk_widget_set_name(static_cast<GtkWidget*>(list->GetHandle()), kCompactName);
    list->InvalidateBestSize();
}

void FitDropDownFont(wxChoice* list)
{
    // Set as wx sets it: a size less than a whole point away from the one the
    // list has is not taken, which is how the list has always been fitted.
    const auto widthAt = [list](const wxFont& font) {
        list->SetFont(font);
        list->InvalidateBestSize();
        return list->GetBestSize().x;
    };
    FontToFit(list->GetFont(), list->GetSize().x, widthAt);
}

void WidenDropDown(wxChoice* list, const wxRect& room)
{
    list->InvalidateBestSize();
    const wxRect place = WidenedWithinRoom(list->GetRect(), list->GetBestSize().x, room, wxALIGN_LEFT);
    if (place != list->GetRect())
        list->SetSize(place);
}
