// Checks on the texts a program or a function gives: the parts they hold,
// their lines.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

inline bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// Every part is in `text`; a failure shows the part and the whole text.
inline void expectHas(const std::string &text, const std::vector<std::string> &parts) {
  for (const std::string &part : parts) EXPECT_TRUE(contains(text, part)) << part << "\nin:\n" << text;
}

inline std::vector<std::string> splitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}
