// The editing rules of the "mm:ss" length picker, apart from any window: which
// field is active, stepping it up and down, typing digits into it.
#pragma once

#include "ui/panel/length_presets.h"

// Two fields, minutes then seconds, each 00 to 59. Stepping wraps within the
// field (59 up is 00, 00 down is 59) and never carries into the other field.
// Typing: the first digit sets the field to that digit; a second digit makes
// a two-digit value when that stays within 59; after two digits, or after a
// first digit that can't start a two-digit value, the field is complete and
// the minutes hand over to the seconds. A separator (see TypeSeparator) ends
// the minutes early, as it does in the time pickers users know.
class MinuteSecondFields {
public:
    enum class Field { Minutes, Seconds };

    MinutesSeconds GetLength() const { return m_length; }
    // Sets the length (pulled into 0:00 to 59:59); the active field stays.
    void SetLength(MinutesSeconds length);

    Field GetActiveField() const { return m_activeField; }
    void SelectField(Field field);
    void SelectNextField();
    void SelectPreviousField();

    // Each returns true when the length changed.
    bool Step(int delta);
    bool TypeDigit(int digit);
    // A separator key typed: the digits typed so far are the field's whole
    // value, so "1:00" is one minute, not ten. In the minutes the typing
    // moves on to the seconds, which keep their value until digits replace
    // it; in the seconds the next digit starts a new number. The length
    // itself never changes.
    void TypeSeparator();

private:
    int& ActiveValue();

    MinutesSeconds m_length;
    Field m_activeField = Field::Minutes;
    int m_nTypedDigits = 0;  // digits typed into the active field since it was selected
};
