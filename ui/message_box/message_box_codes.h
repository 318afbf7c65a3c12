// Message box styles and answers, with the values desktop programs have long
// used for them, so that a run, a window and a terminal speak the same codes.
#pragma once

// Buttons.
constexpr unsigned MB_OK = 0x00000000u;
constexpr unsigned MB_YESNO = 0x00000004u;
// Icons.
constexpr unsigned MB_ICONERROR = 0x00000010u;
constexpr unsigned MB_ICONQUESTION = 0x00000020u;
constexpr unsigned MB_ICONEXCLAMATION = 0x00000030u;
constexpr unsigned MB_ICONINFORMATION = 0x00000040u;
constexpr unsigned MB_ICONMASK = 0x000000F0u;
constexpr unsigned MB_TYPEMASK = 0x0000000Fu;

// Answers.
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
