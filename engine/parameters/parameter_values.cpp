#include "engine/parameters/parameter_values.h"

#include "engine/parameters/parameter_table.h"

ParameterValues::ParameterValues()
{
    for (const ParameterRow& row : ParameterTable())
        m_values[IndexOf(row.m_id)] = row.m_dDefault;
}
