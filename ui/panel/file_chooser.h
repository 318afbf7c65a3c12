// Choosing the input and the output file: how the two file dialogs are set
// up, the name the save dialog finally gives, and the seam through which the
// window asks for a file.
#pragma once

#include <wx/string.h>

#include <functional>
#include <optional>
#include <string>

class wxWindow;

enum class FileRole { Input, Output };

// Both dialogs: default extension "wav", one filter shown as "Windows PCM
// (*.wav)" that matches .wav in any case (GTK's patterns are case-sensitive,
// and recorders name their files TAKE01.WAV), resizable; the save dialog asks
// before an existing file is replaced.
struct FileDialogSetup {
    wxString m_strTitle;
    wxString m_strWildcard;
    wxString m_strDefaultExtension;
    long m_nStyle;
};
FileDialogSetup FileDialogSetupFor(FileRole role);

// The dialog's default extension: appended (with a dot) to a chosen name that
// has no extension at all.
std::string WithDefaultExtension(const std::string& path, const wxString& extension);

// The output file a name confirmed in the save dialog stands for: the
// default extension, then the ".wav" rule (OutputPathFor). "mix" becomes
// mix.wav, "mix.mp3" mix.mp3.wav.
std::string SavedPathFor(const std::string& confirmedPath);

// The question the desktop's save dialog asks before it replaces a file,
// about path: its name and its folder's name.
std::string ReplaceQuestionText(const std::string& path);

// Asks the user for a file; nothing when the user cancels. The dialog opens
// in startFolder (its own choice while that is empty).
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::optional<std::string> Choose(FileRole role, const std::string& startFolder) = 0;

protected:
    FileChooser() = default;
    FileChooser(const FileChooser&) = default;
    FileChooser& operator=(const FileChooser&) = default;
};

// The desktop's file dialogs, modal over parent. The save dialog's own
// question covers only the name it confirmed; when that name becomes another
// file that exists (mix -> mix.wav), the same question is asked about that
// file, and No returns to the dialog.
class DialogFileChooser : public FileChooser {
public:
    // Answers the replace question about a path: true to replace.
    using ReplaceQuestion = std::function<bool(const std::string& path)>;

    explicit DialogFileChooser(wxWindow* parent);
    std::optional<std::string> Choose(FileRole role, const std::string& startFolder) override;

    // Replaces the message box that asks the question.
    void SetReplaceQuestion(ReplaceQuestion question) { m_askReplace = std::move(question); }

private:
    wxWindow* m_pParent;
    ReplaceQuestion m_askReplace;
};
