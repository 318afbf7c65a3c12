#include "ui/controls/compact_drop_down.h"

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
    constexpr double kPointSizeStep = 0.25;
    constexpr double kSmallestPointSize = 6.5;
    const int width = list->GetSize().x;
    wxFont font = list->GetFont();
    for (;;) {
        list->InvalidateBestSize();
        const double smaller = font.GetFractionalPointSize() - kPointSizeStep;
        if (list->GetBestSize().x <= width || smaller < kSmallestPointSize)
            break;
        font.SetFractionalPointSize(smaller);
        list->SetFont(font);
    }
}
