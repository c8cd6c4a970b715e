#include "cli_json.h"

#include <cmath>
#include <cstdio>

namespace {

// The length of the UTF-8 sequence starting at text[i], or 0 when it is
// not a valid one.
size_t utf8Length(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t n = 0;
  uint32_t min = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) n = 2, min = 0x80;
  else if ((lead & 0xF0) == 0xE0) n = 3, min = 0x800;
  else if ((lead & 0xF8) == 0xF0) n = 4, min = 0x10000;
  else return 0;
  if (i + n > text.size()) return 0;
  uint32_t code = lead & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string jsonQuoted(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t n = utf8Length(text, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD
      ++i;
      continue;
    }
    if (n > 1) {
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  return out + "\"";
}

JsonLine &JsonLine::field(std::string_view key, const std::string &value) {
  if (!fields_.empty()) fields_ += ",";
  fields_ += jsonQuoted(key) + ":" + value;
  return *this;
}

JsonLine &JsonLine::add(std::string_view key, std::string_view text) { return field(key, jsonQuoted(text)); }

JsonLine &JsonLine::add(std::string_view key, int64_t number) { return field(key, std::to_string(number)); }

JsonLine &JsonLine::add(std::string_view key, double number, int decimals) {
  if (!std::isfinite(number)) return addNull(key);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, number);
  return field(key, buf);
}

JsonLine &JsonLine::addNull(std::string_view key) { return field(key, "null"); }
