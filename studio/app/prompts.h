// Every question, message and file choice of the studio goes through one of
// two routines, which tests replace to answer without a modal dialog.
#pragma once

#include <functional>
#include <optional>
#include <string>

class wxWindow;

namespace studio {

enum class PromptKind {
    Error,        // OK
    Information,  // OK
    Question,     // yes / no: the labels given
    SaveChanges,  // save / don't save / cancel
};

enum class PromptAnswer { Yes, No, Cancel };

struct Prompt {
    PromptKind m_kind = PromptKind::Error;
    std::string m_strText;       // the message
    std::string m_strDetail;     // more, in smaller type; may be empty
    std::string m_strYesLabel;   // for a question: "Save Over It"
    std::string m_strNoLabel;    // for a question: "Cancel"
};

using PromptRoutine = std::function<PromptAnswer(wxWindow* parent, const Prompt& prompt)>;

// Shows prompt modally over parent and answers which button was pressed;
// Escape and the close box are No for a question, Cancel for save-changes.
PromptAnswer ShowPrompt(wxWindow* parent, const Prompt& prompt);
// Installs routine for every prompt from now on and answers the one it
// replaces; an empty routine brings back the dialogs.
PromptRoutine SetPromptRoutine(PromptRoutine routine);

void ShowError(wxWindow* parent, const std::string& text, const std::string& detail = {});

enum class FileAsk {
    OpenAny,    // a score, a rendered file or a sound
    OpenSound,  // a sound to make a new score from
    SaveScore,  // where a score file goes
    RenderTo,   // where a rendered sound file goes
};

struct FileRequest {
    FileAsk m_ask = FileAsk::OpenAny;
    std::string m_strStartPath;  // a file to start at, or a folder
};

using FileRoutine = std::function<std::optional<std::string>(wxWindow* parent, const FileRequest& request)>;

// Asks for a file; nothing when the user cancels. A save dialog does not ask
// about replacing a file itself: the studio asks what it needs to.
std::optional<std::string> ChooseFile(wxWindow* parent, const FileRequest& request);
FileRoutine SetFileRoutine(FileRoutine routine);

struct TextRequest {
    std::string m_strTitle;    // "Keyframe Value"
    std::string m_strMessage;  // what to type, with what is allowed
    std::string m_strInitial;
};

using TextRoutine = std::function<std::optional<std::string>(wxWindow* parent, const TextRequest& request)>;

// Asks for a line of text; nothing when the user cancels.
std::optional<std::string> AskText(wxWindow* parent, const TextRequest& request);
TextRoutine SetTextRoutine(TextRoutine routine);

}  // namespace studio
