#include "cli_json.h"

#include <algorithm>
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

bool isValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = utf8Length(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string base64Text(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k)
      group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
  }
  return out;
}

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

JsonLine &JsonLine::addName(std::string_view key, std::string_view name) {
  add(key, name);
  if (isValidUtf8(name)) return *this;
  return add(std::string(key) + "_bytes", base64Text(name));
}
