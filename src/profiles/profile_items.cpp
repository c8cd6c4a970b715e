#include "profile_items.h"

namespace {

// The number, padded with blanks on the right to `width` characters.
std::string padded(int64_t value, uint8_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

int64_t powerOfTen(int exponent) {
  int64_t p = 1;
  for (int i = 0; i < exponent; ++i) p *= 10;
  return p;
}

// The rate times 10^decimals, rounded to the nearest whole number.
int64_t scaledRate(const FrameRate &r) {
  const int64_t scaled = static_cast<int64_t>(r.num) * powerOfTen(r.decimals);
  return (2 * scaled + r.den) / (2 * static_cast<int64_t>(r.den));
}

}  // namespace

std::string itemLabel(const Quantity &q) {
  switch (q.unit) {
    case Unit::Kbps: return padded(q.value / 1000, q.width) + " Kbps";
    case Unit::Bps: return padded(q.value, q.width) + " bps";
    case Unit::Hz: return padded(q.value, q.width) + " Hz";
    case Unit::Crf: return "CRF " + std::to_string(q.value);
    case Unit::Named: break;
  }
  return std::string(q.name);
}

std::string itemLabel(const PictureSize &s) {
  if (s.width == 0) return std::string(s.suffix);
  return std::to_string(s.width) + " x " + std::to_string(s.height) + std::string(s.suffix);
}

std::string itemLabel(const FrameRate &r) {
  if (r.num == 0) return "Auto";
  return decimalText(r) + " fps" + std::string(r.suffix);
}

std::string sizeText(const PictureSize &s) {
  if (s.width == 0) return {};
  return std::to_string(s.width) + "x" + std::to_string(s.height);
}

std::string decimalText(const FrameRate &r) {
  if (r.num == 0) return {};
  const std::string digits = std::to_string(scaledRate(r));
  if (r.decimals == 0) return digits;
  const size_t whole = digits.size() > r.decimals ? digits.size() - r.decimals : 0;
  const std::string fraction = std::string(r.decimals > digits.size() ? r.decimals - digits.size() : 0, '0') +
                               digits.substr(whole);
  return (whole ? digits.substr(0, whole) : std::string("0")) + "." + fraction;
}

std::string exactRateText(const FrameRate &r) {
  if (r.num == 0) return {};
  if (r.num % r.den == 0) return std::to_string(r.num / r.den);
  return std::to_string(r.num) + "/" + std::to_string(r.den);
}

double shownRate(const FrameRate &r) {
  if (r.num == 0) return 0;
  return static_cast<double>(scaledRate(r)) / static_cast<double>(powerOfTen(r.decimals));
}
