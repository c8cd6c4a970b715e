// The texts of failed openings and writes.
#pragma once

#include <string>

// Codes of the open-error table that the library does not return as such.
extern const int kOpenErrorUnknownFormat;    // no demuxer recognises the content
extern const int kOpenErrorImageNameSyntax;  // the format needs a frame number in the name

// Text of a library error code as an opening reports it ("%s: no such file
// or directory", ...), with `fileName` in place of "%s"; a code outside the
// table gets the system's words for it ("%s: Permission denied").
std::string openErrorText(int code, const std::string &fileName);
// Why writing `fileName` failed: "Could not write '<name>': No space left on
// device".
std::string writeErrorText(int code, const std::string &fileName);

// The system's text for a library error code ("No space left on device",
// "Permission denied"), or an empty text when the library has none of its
// own for it.
std::string systemErrorText(int code);
