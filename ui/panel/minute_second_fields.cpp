#include "ui/panel/minute_second_fields.h"

#include <algorithm>

namespace {

constexpr int kFieldValues = 60;  // both fields hold 00 to 59

}  // namespace

void MinuteSecondFields::SetLength(MinutesSeconds length)
{
    m_length.m_nMinutes = std::clamp(length.m_nMinutes, 0, kMaxMinutes);
    m_length.m_nSeconds = std::clamp(length.m_nSeconds, 0, kMaxSeconds);
    m_nTypedDigits = 0;
}

void MinuteSecondFields::SelectField(Field field)
{
    m_activeField = field;
    m_nTypedDigits = 0;
}

void MinuteSecondFields::SelectNextField()
{
    SelectField(Field::Seconds);
}

void MinuteSecondFields::SelectPreviousField()
{
    SelectField(Field::Minutes);
}

int& MinuteSecondFields::ActiveValue()
{
    return m_activeField == Field::Minutes ? m_length.m_nMinutes : m_length.m_nSeconds;
}

bool MinuteSecondFields::Step(int delta)
{
    int& value = ActiveValue();
    const int before = value;
    value = ((value + delta) % kFieldValues + kFieldValues) % kFieldValues;
    m_nTypedDigits = 0;
    return value != before;
}

bool MinuteSecondFields::TypeDigit(int digit)
{
    if (digit < 0 || digit > 9)
        return false;
    int& value = ActiveValue();
    const int before = value;
    bool complete = false;
    if (m_nTypedDigits == 1 && value * 10 + digit < kFieldValues) {
        value = value * 10 + digit;
        complete = true;
    } else {
        value = digit;
        m_nTypedDigits = 1;
        // 6 to 9 can only be a value of their own.
        complete = digit * 10 >= kFieldValues;
    }
    if (complete) {
        m_nTypedDigits = 0;
        if (m_activeField == Field::Minutes)
            SelectField(Field::Seconds);
    }
    return value != before;
}

void MinuteSecondFields::TypeSeparator()
{
    // Selecting the seconds also forgets the digits typed, which is all a
    // separator means when they are already active.
    SelectField(Field::Seconds);
}
