// The values of a parsed score as the score's own types: numbers, texts,
// flags, times and tables, each refused with its line and what was expected
// when the file gives something else.
#pragma once

#include <string>
#include <string_view>
#include <toml++/toml.h>

// The line a node or key starts on, from 1.
int LineOf(const toml::node& node);
int LineOf(const toml::key& key);

// "a string", "a number", "true or false", "a table"...: what a node holds.
std::string DescribeType(const toml::node& node);

// Refuses node: "<what> is <its type>; it must be <wanted>".
[[noreturn]] void RefuseType(const toml::node& node, std::string_view what, std::string_view wanted);
[[noreturn]] void Refuse(int line, std::string text);

// Whether the node is a number, whole or not.
bool IsNumber(const toml::node& node);
// A number, whole or not; infinities pass (ranges refuse them), nan does not.
double ReadNumber(const toml::node& node, std::string_view what, std::string_view wanted);
// A number from minimum to maximum: "<what> is 120; use 1 to 100".
double ReadNumberWithin(const toml::node& node, std::string_view what, double minimum, double maximum);
// A whole number from minimum to maximum (a number with a fraction is refused).
double ReadWholeWithin(const toml::node& node, std::string_view what, double minimum, double maximum);
std::string ReadText(const toml::node& node, std::string_view what, std::string_view wanted);
bool ReadFlag(const toml::node& node, std::string_view what);
// A time: seconds as a number, or a text such as "20:00", "1:02:03" or
// "0:07.25"; from 0 to 24:00:00.
double ReadTime(const toml::node& node, std::string_view what);
const toml::table& ReadTable(const toml::node& node, std::string_view what, std::string_view wanted);
const toml::array& ReadArray(const toml::node& node, std::string_view what, std::string_view wanted);
// An array of tables, as lines such as [[layer]] make (header, with its
// brackets); a single table is refused with the header to write instead.
const toml::array& ReadArrayOfTables(const toml::node& node, std::string_view what, std::string_view header);

// "'hanning'" for a text, "20000" for a number: a value as a message quotes
// it. A whole number is given exactly, another number in few digits
// (1e+308).
std::string QuoteValue(const toml::node& node);
