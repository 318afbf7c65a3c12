#include "ui/main_window/generator_dialog.h"

#include "resources/strings/resource_ids.h"
#include "resources/strings/string_table.h"
#include "ui/controls/about_dialog.h"
#include "ui/controls/bitmap_slider.h"
#include "ui/controls/compact_drop_down.h"
#include "ui/controls/draw_bitmap_at.h"
#include "ui/controls/hover_button.h"
#include "ui/controls/picture_resources.h"
#include "ui/dialog_template/fitting_static_text.h"
#include "ui/main_window/command_button_places.h"
#include "ui/main_window/control_colours.h"
#include "ui/main_window/input_file_drop_target.h"
#include "ui/main_window/main_window_template.h"
#include "ui/message_box/message_box_routine.h"
#include "ui/panel/main_window_parts.h"
#include "ui/panel/minute_second_picker.h"
#include "ui/progress/progress_dialog.h"

#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/font.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/pen.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

constexpr const char* kCaption = "   Sonnelith";
// The caption of the layout, shown only until the window opens.
constexpr const char* kLayoutCaption = "Pimbrant Ambient Generator";
constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;
// The thin sunken edge of the file-name fields.
const wxColour kEdgeShadow(128, 128, 128);
const wxColour kEdgeHighlight(255, 255, 255);
// Height of a one-line field (the length picker) in dialog units.
constexpr int kOneLineFieldHeightUnits = 13;

// Enter belongs to the focused control when it is a push button or a text
// field that asked for it; anywhere else it ends the window.
bool FocusUsesEnter(const wxWindow* focus)
{
    if (dynamic_cast<const CHoverButton*>(focus))
        return true;
    const auto* text = dynamic_cast<const wxTextCtrl*>(focus);
    return text && text->HasFlag(wxTE_PROCESS_ENTER | wxTE_MULTILINE);
}

bool HasStaticEdge(const TemplateControl& control)
{
    return control.m_kind == ControlKind::Static && (control.m_nStyle & wxBORDER_MASK) == wxBORDER_SUNKEN;
}

wxIcon IconOfSize(const wxIconBundle& icons, int size)
{
    return icons.GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NEAREST_LARGER);
}

}  // namespace

GeneratorDialog::GeneratorDialog(wxWindow* parent)
    : m_pWindowMenu(std::make_unique<wxMenu>())
{
    // The picture covers the whole client area: no erasing, no flicker.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    CreateFixed(parent, kLayoutCaption, wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX,
                wxSize(kClientWidth, kClientHeight));
    UseLayoutFont();
    // Enter has the window's own meaning (OnEnterKey).
    SetAffirmativeId(wxID_NONE);

    const wxIconBundle icons = LoadIconResource(IDI_MAINFRAME);
    m_hIcon = IconOfSize(icons, kLargeIconSize);
    m_hSmallIcon = IconOfSize(icons, kSmallIconSize);

    m_pWindowMenu->Append(wxID_ICONIZE_FRAME, "Mi&nimize");
    m_pWindowMenu->Append(wxID_CLOSE, "&Close");

    CreateLayoutControls();
    DoDataExchange();
    m_pParts = std::make_unique<MainWindowParts>(*this, [this](int stringId, const std::string&, unsigned style) {
        return ShowMessageBoxById(stringId, style, this);
    });
    m_pParts->Attach(m_controls);
    // A run happens in a progress window of its own, with no parent given.
    m_pParts->SetRunStarter([](const GenerationSettings& settings) {
        ProgressDialog progress;
        progress.GetRun().SetSettings(settings);
        progress.ShowModal();
    });
    Bind(wxEVT_PAINT, &GeneratorDialog::OnPaint, this);
    Bind(wxEVT_ERASE_BACKGROUND, &GeneratorDialog::OnEraseBackground, this);
    Bind(wxEVT_CONTEXT_MENU, &GeneratorDialog::OnContextMenu, this);
    Bind(wxEVT_MENU, &GeneratorDialog::OnMenuCommand, this);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnAbout(); }, IDC_ABOUT);
    Centre(wxBOTH);
}

GeneratorDialog::~GeneratorDialog()
{
    // The controls go before the parts that handle their notifications.
    DestroyChildren();
}

bool GeneratorDialog::OnInitDialog()
{
    AppendAboutItem();
    // Every size of the icon, so the desktop can pick the best for each place.
    wxIconBundle icons = LoadIconResource(IDI_MAINFRAME);
    if (icons.IsEmpty()) {
        icons.AddIcon(m_hIcon);
        icons.AddIcon(m_hSmallIcon);
    }
    SetIcons(icons);
    m_brushPanel = wxBrush(PanelColour());
    m_brushWhite = wxBrush(*wxWHITE);
    ColourControls();
    m_bmpBackground = LoadBitmapBundleResource(IDB_BACKGROUND);
    CreateCommandButtons();
    ArrangeTabOrder();
    // The focus starts where it always did, on the first slider, so that
    // Enter still ends the window until the user moves the focus.
    if (BitmapSlider* first = m_controls.m_sliders[0])
        first->SetFocus();
    LoadSliderPictures();
    m_pParts->ClearFiles();
    m_pParts->RestoreDefaults();
    GiveTextsRoom();
    SetTitle(kCaption);
    TransferDataToWindow();
    SetDropTarget(new InputFileDropTarget(*this, [this](const std::string& path) { m_pParts->SelectInputFile(path); }));
    if (!m_strStartFile.empty())
        CallAfter([this] { m_pParts->SelectInputFile(m_strStartFile); });
    return true;
}

void GeneratorDialog::CreateLayoutControls()
{
    for (const TemplateControl& control : kMainWindowControls)
        CreateLayoutControl(control);
}

wxWindow* GeneratorDialog::CreateLayoutControl(const TemplateControl& control)
{
    const wxRect rect = DialogUnitsToPixels(control.m_rect);
    switch (control.m_kind) {
    case ControlKind::Slider:
        return new BitmapSlider(this, control.m_nId, rect.GetPosition(), rect.GetSize());
    case ControlKind::Static:
        return CreateStaticText(control, rect);
    case ControlKind::TimePicker:
        return CreateLengthPicker(rect);
    case ControlKind::DropDownList:
        return CreateDropDownList(control.m_nId, rect);
    case ControlKind::ProgressBar:
    case ControlKind::PushButton:
        break;
    }
    return nullptr;
}

wxStaticText* GeneratorDialog::CreateStaticText(const TemplateControl& control, const wxRect& rect)
{
    const long style = control.m_nStyle & ~wxBORDER_MASK;
    wxRect place = rect;
    // The thin sunken edge is painted by the window around the text (see
    // PaintStaticEdges): GTK draws no border around a label.
    if (HasStaticEdge(control))
        place.Deflate(1);
    return new FittingStaticText(this, control.m_nId, wxString::FromUTF8(control.m_pszText), place.GetPosition(),
                                 place.GetSize(), style);
}

// The layout's height is that of the open list. The closed field takes the
// height the theme gives it, centred on the row of a one-line field, where
// the length picker beside it stands.
wxChoice* GeneratorDialog::CreateDropDownList(int id, const wxRect& rect)
{
    auto* list = new wxChoice(this, id, rect.GetPosition(), wxSize(rect.width, -1));
    MakeDropDownCompact(list);
    list->SetSize(wxSize(rect.width, list->GetBestSize().y));
    const int rowHeight = VerticalUnitsToPixels(kOneLineFieldHeightUnits);
    const int height = list->GetSize().y;
    list->Move(rect.x, rect.y + (rowHeight - height) / 2);
    return list;
}

// The "mm:ss" length picker: a white field with its own arrow buttons.
wxWindow* GeneratorDialog::CreateLengthPicker(const wxRect& rect)
{
    return new MinuteSecondPicker(this, IDC_LENGTH_PICKER, rect.GetPosition(), rect.GetSize());
}

// Binds the member controls to the layout's controls by ID.
void GeneratorDialog::DoDataExchange()
{
    m_controls = FindMainWindowControls(*this);
}

// The about item goes last in the window menu, after a separator.
void GeneratorDialog::AppendAboutItem()
{
    const char* aboutText = LoadResourceString(IDS_ABOUTBOX);
    if (aboutText == nullptr || *aboutText == '\0')
        return;
    m_pWindowMenu->AppendSeparator();
    m_pWindowMenu->Append(IDM_ABOUTBOX, wxString::FromUTF8(aboutText));
}

void GeneratorDialog::ColourControls()
{
    for (wxWindow* control : GetChildren())
        ApplyControlColours(*control, m_brushPanel, m_brushWhite);
}

void GeneratorDialog::CreateCommandButtons()
{
    for (std::size_t i = 0; i < kCommandButtonPlaces.size(); ++i) {
        const CommandButtonPlace& place = kCommandButtonPlaces[i];
        auto* button = new CHoverButton(this, place.m_nId);
        button->LoadFrameStrip(place.m_nStripId);
        button->SetTipText(LoadResourceString(place.m_nTipId), true);
        button->SetSize(place.m_nLeft, place.m_nTop, place.m_nWidth, place.m_nHeight);
        button->Refresh();
        m_commandButtons[i] = button;
    }
}

// Lets every text with room in the layout spread into it when it must; the
// preset list, once it is on the screen.
void GeneratorDialog::GiveTextsRoom()
{
    for (const TextRoom& text : kTextRooms) {
        const wxRect room(text.m_nLeft, text.m_nTop, text.m_nWidth, text.m_nHeight);
        if (auto* fitting = dynamic_cast<FittingStaticText*>(FindWindow(text.m_nId)))
            fitting->SetRoom(room);
        else if (auto* list = wxDynamicCast(FindWindow(text.m_nId), wxChoice))
            CallAfter([list, room] { WidenDropDown(list, room); });
    }
}

void GeneratorDialog::ArrangeTabOrder()
{
    wxWindow* previous = nullptr;
    for (int id : kTabOrder) {
        wxWindow* control = FindWindow(id);
        if (control && previous)
            control->MoveAfterInTabOrder(previous);
        previous = control ? control : previous;
    }
}

void GeneratorDialog::LoadSliderPictures()
{
    for (BitmapSlider* slider : m_controls.m_sliders) {
        if (slider)
            slider->LoadPictures(IDB_SLIDER_CHANNEL, IDB_SLIDER_THUMB);
    }
}

bool GeneratorDialog::TransferDataToWindow()
{
    m_pParts->WriteLabels();
    return true;
}

void GeneratorDialog::PaintBackground(wxDC& dc)
{
    if (m_bmpBackground.IsOk())
        DrawBitmapAt(dc, wxPoint(0, 0), m_bmpBackground.GetBitmapFor(this));
    PaintStaticEdges(dc);
}

// A one-pixel sunken edge just inside the layout rectangle of each text that
// has one: shadow along the top and left, highlight along the bottom and right.
void GeneratorDialog::PaintStaticEdges(wxDC& dc)
{
    const wxPen shadow(kEdgeShadow);
    const wxPen highlight(kEdgeHighlight);
    for (const TemplateControl& control : kMainWindowControls) {
        if (!HasStaticEdge(control))
            continue;
        const wxRect rect = DialogUnitsToPixels(control.m_rect);
        dc.SetPen(shadow);
        dc.DrawLine(rect.GetLeft(), rect.GetBottom(), rect.GetLeft(), rect.GetTop());
        dc.DrawLine(rect.GetLeft(), rect.GetTop(), rect.GetRight(), rect.GetTop());
        dc.SetPen(highlight);
        dc.DrawLine(rect.GetRight(), rect.GetTop(), rect.GetRight(), rect.GetBottom());
        dc.DrawLine(rect.GetRight(), rect.GetBottom(), rect.GetLeft() - 1, rect.GetBottom());
    }
    dc.SetPen(wxNullPen);
}

void GeneratorDialog::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    PaintBackground(dc);
}

void GeneratorDialog::OnEraseBackground(wxEraseEvent&)
{
    // The background picture covers the whole client area.
}

bool GeneratorDialog::OnEnterKey()
{
    if (FocusUsesEnter(FindFocus()))
        return false;
    EndDialogWith(wxID_OK);
    return true;
}

void GeneratorDialog::OnCloseRequest()
{
    EndDialogWith(wxID_OK);
}

bool GeneratorDialog::OnDialogKey(const wxKeyEvent& event)
{
    for (const CommandShortcut& shortcut : kCommandShortcuts) {
        if (event.GetModifiers() != shortcut.m_nModifiers || event.GetKeyCode() != shortcut.m_nKeyCode)
            continue;
        if (auto* button = dynamic_cast<CHoverButton*>(FindWindow(shortcut.m_nButtonId)))
            button->Click();
        return true;
    }
    return false;
}

void GeneratorDialog::OnContextMenu(wxContextMenuEvent& event)
{
    const wxPoint place = event.GetPosition() == wxDefaultPosition ? wxDefaultPosition
                                                                    : ScreenToClient(event.GetPosition());
    PopupMenu(m_pWindowMenu.get(), place);
}

void GeneratorDialog::OnMenuCommand(wxCommandEvent& event)
{
    OnSysCommand(event.GetId());
}

void GeneratorDialog::OnSysCommand(int commandId)
{
    if ((commandId & ~0xF) == IDM_ABOUTBOX) {
        OnAbout();
        return;
    }
    switch (commandId) {
    case wxID_ICONIZE_FRAME:
        Iconize(true);
        break;
    case wxID_CLOSE:
        Close();
        break;
    default:
        break;
    }
}

void GeneratorDialog::OnAbout()
{
    AboutDialog about(this);
    about.ShowModal();
}
