// The file fields of the main window: the chosen input and output names and
// the two information lines about the input.
#pragma once

#include <string>

#include "ui/panel/input_facts.h"

class wxStaticText;
struct MainWindowControls;

class FileFields {
public:
    FileFields() = default;
    FileFields(const FileFields&) = delete;
    FileFields& operator=(const FileFields&) = delete;

    // Takes the two name fields and the two information lines; false if one
    // is missing.
    bool Attach(const MainWindowControls& controls);

    void ShowInputName(const std::string& name);
    void ShowOutputName(const std::string& name);
    // Both lines from the facts; both empty without a valid input.
    void ShowInputInfo(const InputFacts& facts);

private:
    wxStaticText* m_pInputName = nullptr;
    wxStaticText* m_pOutputName = nullptr;
    wxStaticText* m_pTimeLine = nullptr;
    wxStaticText* m_pFormatLine = nullptr;
};
