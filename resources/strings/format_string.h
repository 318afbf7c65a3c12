// Fills the numbered placeholders (%1 to %9) of a string-table text.
#pragma once

#include <initializer_list>
#include <string>

// Every "%n" in text becomes the n-th of values (counted from 1); a "%n" with
// no value, and any other '%', stay as they are.
std::string FillPlaceholders(const std::string& text, std::initializer_list<std::string> values);

// The text of string id with its placeholders filled; empty when the table has
// no such entry.
std::string FormatResourceString(int id, std::initializer_list<std::string> values);
