#include "engine/base/run_message.h"

#include "resources/strings/format_string.h"

RunMessage TableMessage(int stringId, std::initializer_list<std::string> details)
{
    return {stringId, FormatResourceString(stringId, details)};
}
