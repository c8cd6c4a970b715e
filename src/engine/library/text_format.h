// printf-style text for the engine's messages. The result is as long as the
// text needs: nothing is cut off, whatever the arguments (file names, option
// values) hold.
#pragma once

#include <cstdarg>
#include <string>

std::string formatText(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string formatTextV(const char *format, va_list args) __attribute__((format(printf, 1, 0)));
