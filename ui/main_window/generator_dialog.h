// GeneratorDialog: the program's main window. A fixed-size dialog painted
// from the background picture, which carries every field caption, with the
// controls of its layout placed over the picture, the eight command buttons
// and a window menu with the about item.
#pragma once

#include "ui/controls/background_painter.h"
#include "ui/dialog_template/template_dialog.h"
#include "ui/panel/main_window_controls.h"

#include <wx/bmpbndl.h>
#include <wx/brush.h>
#include <wx/icon.h>

#include <array>
#include <memory>
#include <string>

class CHoverButton;
class MainWindowParts;
class wxChoice;
class wxMenu;
class wxStaticText;
struct TemplateControl;

class GeneratorDialog : public TemplateDialog, public BackgroundPainter {
public:
    // Creates the window and its layout's controls, hidden; showing it runs
    // OnInitDialog first.
    explicit GeneratorDialog(wxWindow* parent = nullptr);
    ~GeneratorDialog() override;

    // Writes the six value-label strings into their labels (the direction from
    // the window's data to its controls).
    bool TransferDataToWindow() override;

    // BackgroundPainter: the background picture, unscaled, at the top-left corner.
    void PaintBackground(wxDC& dc) override;

    // The window menu (the context menu of the window's background).
    wxMenu& GetWindowMenu() { return *m_pWindowMenu; }
    // Handles a window-menu command: the about item, or the usual minimise and close.
    void OnSysCommand(int commandId);

    // The parameter panel, output length, figures, file choice and commands.
    MainWindowParts& GetParts() { return *m_pParts; }

    // Once the window is open, path is chosen as the input as though it had
    // been picked in the open dialog (a file named on the command line).
    void SelectInputFileWhenOpen(std::string path) { m_strStartFile = std::move(path); }

    // Client size: the layout's 396 x 244 dialog units.
    static constexpr int kClientWidth = 594;
    static constexpr int kClientHeight = 397;

protected:
    // Initialisation when the window opens, in order: window menu, icons,
    // brushes, background picture, command buttons, slider pictures, empty
    // file choice, default values, caption, data to the controls; then files
    // dropped on the window are taken, and a start file, if any, once the
    // window is up.
    bool OnInitDialog() override;

    // Enter ends the window with wxID_OK unless the focused control takes it.
    bool OnEnterKey() override;
    // Closing (close box, window menu) ends the window with wxID_OK.
    void OnCloseRequest() override;
    // The command shortcuts (kCommandShortcuts).
    bool OnDialogKey(const wxKeyEvent& event) override;

    // The About command: the about window, modally.
    void OnAbout();

    // The bound controls of the layout.
    MainWindowControls m_controls;

    // The slider positions and value-label strings, the chosen files and the
    // input's facts, the resource figures, and the commands that use them.
    std::unique_ptr<MainWindowParts> m_pParts;

    // The eight command buttons, in creation order (10001 to 10008).
    std::array<CHoverButton*, 8> m_commandButtons{};

    wxIcon m_hIcon;       // icon 128 at the standard size
    wxIcon m_hSmallIcon;  // icon 128 at 16 x 16
    wxBitmapBundle m_bmpBackground;
    wxBrush m_brushPanel;
    wxBrush m_brushWhite;

private:
    void CreateLayoutControls();
    wxWindow* CreateLayoutControl(const TemplateControl& control);
    wxStaticText* CreateStaticText(const TemplateControl& control, const wxRect& rect);
    wxChoice* CreateDropDownList(int id, const wxRect& rect);
    wxWindow* CreateLengthPicker(const wxRect& rect);
    void PaintStaticEdges(wxDC& dc);
    void DoDataExchange();
    void AppendAboutItem();
    void CreateCommandButtons();
    void ArrangeTabOrder();
    void GiveTextsRoom();
    void LoadSliderPictures();
    void ColourControls();

    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnMenuCommand(wxCommandEvent& event);

    std::unique_ptr<wxMenu> m_pWindowMenu;
    std::string m_strStartFile;
};
