// The program's string table: every text shown to the user, by its numeric ID.
#pragma once

#include "resources/strings/resource_ids.h"

// The text of string id, or nullptr when the table has no such entry.
const char* LoadResourceString(int id);
