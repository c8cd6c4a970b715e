// A test's own texts, written as plain char strings, as QStrings.
#pragma once

#include <QString>

inline QString Q(const char *s) { return QString::fromLatin1(s); }
