// The file fields of the main window: the chosen input and output names and
// the two information lines about the input.
#pragma once

#include <string>

#include "ui/panel/input_facts.h"

class wxStaticText;
class wxWindow;

class FileFields {
public:
    FileFields() = default;
    FileFields(const FileFields&) = delete;
    FileFields& operator=(const FileFields&) = delete;

    // Finds the two name fields and the two information lines in window;
    // false if one is missing.
    bool Attach(wxWindow& window);

    void ShowInputName(const std::string& name);
    void ShowOutputName(const std::string& name);
    // Both lines from the facts; both empty without a valid input.
    void ShowInputInfo(const InputFacts& facts);

    wxStaticText* GetInputName() const { return m_pInputName; }
    wxStaticText* GetOutputName() const { return m_pOutputName; }
    wxStaticText* GetTimeLine() const { return m_pTimeLine; }
    wxStaticText* GetFormatLine() const { return m_pFormatLine; }

private:
    wxStaticText* m_pInputName = nullptr;
    wxStaticText* m_pOutputName = nullptr;
    wxStaticText* m_pTimeLine = nullptr;
    wxStaticText* m_pFormatLine = nullptr;
};
