// A test's own texts, written as plain char strings, as QStrings; and a
// QString in a failed check's message as its text.
#pragma once

#include <QString>
#include <ostream>

inline QString Q(const char *s) { return QString::fromLatin1(s); }
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
