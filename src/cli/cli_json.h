// The lines of trevix-convert --json: one JSON object a line, built field
// by field. Texts are written as UTF-8; bytes that are not valid UTF-8 (a
// file name in another encoding) become U+FFFD, so every line parses. A
// file name with such bytes also gets its every byte, in base64, in a
// second field (addName).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A JSON string literal, quotes included.
std::string jsonQuoted(std::string_view text);
// Whether `text` is valid UTF-8 throughout.
bool isValidUtf8(std::string_view text);
// `bytes` in base64 (RFC 4648, with padding).
std::string base64Text(std::string_view bytes);

class JsonLine {
 public:
  JsonLine &add(std::string_view key, std::string_view text);
  JsonLine &add(std::string_view key, const char *text) { return add(key, std::string_view(text)); }
  JsonLine &add(std::string_view key, int64_t number);
  JsonLine &add(std::string_view key, int number) { return add(key, static_cast<int64_t>(number)); }
  // A number with `decimals` places.
  JsonLine &add(std::string_view key, double number, int decimals);
  JsonLine &addNull(std::string_view key);
  // A file name: the text, and when it is not valid UTF-8, its bytes in
  // base64 under the key followed by "_bytes" ("file_bytes").
  JsonLine &addName(std::string_view key, std::string_view name);
  // The object, without a line end.
  std::string text() const { return "{" + fields_ + "}"; }

 private:
  JsonLine &field(std::string_view key, const std::string &value);
  std::string fields_;
};
