#include "studio/app/prompts.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/textdlg.h>

#include <filesystem>

namespace studio {

namespace {

const char kCaption[] = "Sonnelith Studio";

PromptRoutine& CurrentPromptRoutine()
{
    static PromptRoutine routine;
    return routine;
}

FileRoutine& CurrentFileRoutine()
{
    static FileRoutine routine;
    return routine;
}

TextRoutine& CurrentTextRoutine()
{
    static TextRoutine routine;
    return routine;
}

PromptAnswer DialogPrompt(wxWindow* parent, const Prompt& prompt)
{
    long style = wxCENTRE;
    switch (prompt.m_kind) {
    case PromptKind::Error: style |= wxOK | wxICON_ERROR; break;
    case PromptKind::Information: style |= wxOK | wxICON_INFORMATION; break;
    case PromptKind::Question: style |= wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION; break;
    case PromptKind::SaveChanges: style |= wxYES_NO | wxCANCEL | wxICON_WARNING; break;
    }
    wxMessageDialog dialog(parent, wxString::FromUTF8(prompt.m_strText), kCaption, style);
    if (!prompt.m_strDetail.empty())
        dialog.SetExtendedMessage(wxString::FromUTF8(prompt.m_strDetail));
    if (prompt.m_kind == PromptKind::SaveChanges)
        dialog.SetYesNoCancelLabels("&Save", "Do&n't Save", "&Cancel");
    else if (prompt.m_kind == PromptKind::Question && !prompt.m_strYesLabel.empty())
        dialog.SetYesNoLabels(wxString::FromUTF8(prompt.m_strYesLabel), wxString::FromUTF8(prompt.m_strNoLabel));
    switch (dialog.ShowModal()) {
    case wxID_YES:
    case wxID_OK: return PromptAnswer::Yes;
    case wxID_NO: return PromptAnswer::No;
    default: break;
    }
    return prompt.m_kind == PromptKind::Question ? PromptAnswer::No : PromptAnswer::Cancel;
}

wxString WildcardFor(FileAsk ask)
{
    // GTK's patterns are case-sensitive: recorders name files TAKE01.WAV.
    const wxString sounds = "*.wav;*.WAV;*.flac;*.FLAC;*.w64;*.W64;*.rf64;*.RF64;*.aif;*.aiff;*.AIF;*.AIFF;"
                            "*.ogg;*.OGG;*.opus;*.mp3;*.MP3;*.caf";
    switch (ask) {
    case FileAsk::OpenAny:
        return "Scores and sounds|*.toml;" + sounds + "|Scores (*.toml)|*.toml|Sounds|" + sounds + "|All files|*";
    case FileAsk::OpenSound: return "Sounds|" + sounds + "|All files|*";
    case FileAsk::SaveScore: return "Scores (*.toml)|*.toml";
    case FileAsk::RenderTo: return "WAV (*.wav)|*.wav|FLAC (*.flac)|*.flac|Wave64 (*.w64)|*.w64";
    }
    return "All files|*";
}

wxString TitleFor(FileAsk ask)
{
    switch (ask) {
    case FileAsk::OpenAny: return "Open a Score or a Sound";
    case FileAsk::OpenSound: return "New Score from a Sound";
    case FileAsk::SaveScore: return "Save the Score";
    case FileAsk::RenderTo: return "Render to";
    }
    return {};
}

std::optional<std::string> DialogFile(wxWindow* parent, const FileRequest& request)
{
    const bool saving = request.m_ask == FileAsk::SaveScore || request.m_ask == FileAsk::RenderTo;
    const std::filesystem::path start(request.m_strStartPath);
    wxString folder;
    wxString name;
    std::error_code error;
    if (!request.m_strStartPath.empty() && std::filesystem::is_directory(start, error)) {
        folder = wxString::FromUTF8(start.string());
    } else if (!request.m_strStartPath.empty()) {
        folder = wxString::FromUTF8(start.parent_path().string());
        if (saving)
            name = wxString::FromUTF8(start.filename().string());
    }
    const long style = saving ? wxFD_SAVE : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    wxFileDialog dialog(parent, TitleFor(request.m_ask), folder, name, WildcardFor(request.m_ask), style);
    if (dialog.ShowModal() != wxID_OK)
        return std::nullopt;
    std::string path = dialog.GetPath().utf8_string();
    if (request.m_ask == FileAsk::SaveScore && std::filesystem::path(path).extension().empty())
        path += ".toml";
    if (request.m_ask == FileAsk::RenderTo && std::filesystem::path(path).extension().empty()) {
        static const char* const extensions[] = {".wav", ".flac", ".w64"};
        const int filter = dialog.GetFilterIndex();
        path += extensions[filter >= 0 && filter < 3 ? filter : 0];
    }
    return path;
}

}  // namespace

std::optional<std::string> AskText(wxWindow* parent, const TextRequest& request)
{
    if (CurrentTextRoutine())
        return CurrentTextRoutine()(parent, request);
    wxTextEntryDialog dialog(parent, wxString::FromUTF8(request.m_strMessage), wxString::FromUTF8(request.m_strTitle),
                             wxString::FromUTF8(request.m_strInitial));
    if (dialog.ShowModal() != wxID_OK)
        return std::nullopt;
    return dialog.GetValue().utf8_string();
}

TextRoutine SetTextRoutine(TextRoutine routine)
{
    TextRoutine old = std::move(CurrentTextRoutine());
    CurrentTextRoutine() = std::move(routine);
    return old;
}

PromptAnswer ShowPrompt(wxWindow* parent, const Prompt& prompt)
{
    if (CurrentPromptRoutine())
        return CurrentPromptRoutine()(parent, prompt);
    return DialogPrompt(parent, prompt);
}

PromptRoutine SetPromptRoutine(PromptRoutine routine)
{
    PromptRoutine old = std::move(CurrentPromptRoutine());
    CurrentPromptRoutine() = std::move(routine);
    return old;
}

void ShowError(wxWindow* parent, const std::string& text, const std::string& detail)
{
    Prompt prompt;
    prompt.m_kind = PromptKind::Error;
    prompt.m_strText = text;
    prompt.m_strDetail = detail;
    ShowPrompt(parent, prompt);
}

std::optional<std::string> ChooseFile(wxWindow* parent, const FileRequest& request)
{
    if (CurrentFileRoutine())
        return CurrentFileRoutine()(parent, request);
    return DialogFile(parent, request);
}

FileRoutine SetFileRoutine(FileRoutine routine)
{
    FileRoutine old = std::move(CurrentFileRoutine());
    CurrentFileRoutine() = std::move(routine);
    return old;
}

}  // namespace studio
