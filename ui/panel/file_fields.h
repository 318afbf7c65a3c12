// The file fields of the main window: the chosen input and output names and
// the two information lines about the input.
#pragma once

#include <string>

#include "dialog_rect.h"
#include "input_facts.h"

class wxStaticText;
class wxWindow;

class FileFields {
public:
    FileFields() = default;
    FileFields(const FileFields&) = delete;
    FileFields& operator=(const FileFields&) = delete;

    // The two name fields (with a thin sunken edge) and the two information lines, all empty.
    void Create(wxWindow* parent, const DialogRectToPixels& toPixels);

    void ShowInputName(const std::string& name);
    void ShowOutputName(const std::string& name);
    // Both lines from the facts; both empty without a valid input.
    void ShowInputInfo(const InputFacts& facts);

    wxStaticText* GetInputName() const { return m_pInputName; }
    wxStaticText* GetOutputName() const { return m_pOutputName; }
    wxStaticText* GetTimeLine() const { return m_pTimeLine; }
    wxStaticText* GetFormatLine() const { return m_pFormatLine; }

    static constexpr DialogRect kInputNamePlace{68, 25, 84, 12};
    static constexpr DialogRect kOutputNamePlace{261, 25, 84, 12};
    static constexpr DialogRect kTimeLinePlace{44, 62, 116, 11};
    static constexpr DialogRect kFormatLinePlace{44, 80, 116, 11};

private:
    wxStaticText* m_pInputName = nullptr;
    wxStaticText* m_pOutputName = nullptr;
    wxStaticText* m_pTimeLine = nullptr;
    wxStaticText* m_pFormatLine = nullptr;
};
