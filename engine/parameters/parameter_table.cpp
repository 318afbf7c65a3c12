#include "engine/parameters/parameter_table.h"

#include <algorithm>
#include <cmath>

const ParameterRow* FindParameter(std::string_view name)
{
    for (const ParameterRow& row : ParameterTable()) {
        const std::string_view rowName = row.m_szName;
        const bool same = rowName.size() == name.size() &&
                          std::equal(rowName.begin(), rowName.end(), name.begin(), [](char a, char b) {
                              return a == b || (a == '-' && b == '_');
                          });
        if (same)
            return &row;
    }
    return nullptr;
}

double LowestOf(const ParameterRow& row)
{
    return row.m_dLowestOffDesktop > 0.0 ? row.m_dLowestOffDesktop : row.m_dMinimum;
}

bool IsAllowedValue(const ParameterRow& row, double value)
{
    if (!std::isfinite(value))
        return false;
    if (row.m_bZeroIsOff && value == 0.0)
        return true;
    switch (row.m_kind) {
    case ParameterKind::Choice:
        return value >= 0 && value < static_cast<double>(row.m_choices.size()) && value == std::trunc(value);
    case ParameterKind::Whole:
        if (value >= LowestOf(row) && value < row.m_dMinimum)
            return value == std::trunc(value);
        return value >= row.m_dMinimum && value <= row.m_dMaximum &&
               std::fmod(value - row.m_dMinimum, row.m_dStep) == 0.0;
    case ParameterKind::Real:
    case ParameterKind::RealList:
        break;
    }
    return value >= row.m_dMinimum && value <= row.m_dMaximum;
}
