// Conversions of option value texts, shared by the option table, the typed
// setters and the records. Conversion failures throw EngineError.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Blanks and control characters off both ends.
std::string trimText(const std::string &s);
// Empty, or nothing but blanks and control characters.
bool isBlankText(const std::string &s);

// Strict conversions: the whole text (leading blanks allowed) must be the
// number, else "'<text>' is not a valid integer value" (or floating point).
int64_t toInt64(const std::string &value);
int toInt(const std::string &value);
double toFloat(const std::string &value);
// Lenient ones: an unreadable text counts as 0.
int intOr0(const std::string &s);
double floatOr0(const std::string &s);

// The library's date parser, in duration or date mode, in microseconds;
// failure: "Invalid duration|date specification for <option>: <value>".
int64_t parseTime(const std::string &optionName, const std::string &value, bool duration);

// The names of the task's option table, in lookup order (names it does not
// hold go to the libraries' option tables).
std::vector<std::string> optionTableNames();
