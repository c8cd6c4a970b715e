// The values that a profile's setting lists offer, as numbers: bit rates
// and sample rates, constant-quality levels, picture sizes and frame rates.
// Every list item's label is made here from its value, and the encoder
// mapping reads the values themselves, never the labels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How a number is shown: "128 Kbps" (the value in bit/s), "7400 bps",
// "44100 Hz", "CRF 23", or a named choice that has no number ("Lossless",
// "Original", "Source's audio").
enum class Unit : uint8_t { Kbps, Bps, Hz, Crf, Named };

// A bit rate, sample rate or quality level. `width` pads the number with
// blanks on the right to that many characters ("384  Kbps", "8000  Hz"),
// as some lists spell their shorter numbers.
struct Quantity {
  int32_t value = 0;  // bit/s, Hz or the quality number; 0 for a named choice
  Unit unit = Unit::Named;
  uint8_t width = 0;
  std::string_view name{};  // the label of a named choice
  constexpr bool operator==(const Quantity &) const = default;
};

constexpr Quantity kbps(int32_t kbitPerSecond, uint8_t width = 0) {
  return {kbitPerSecond * 1000, Unit::Kbps, width, {}};
}
constexpr Quantity bps(int32_t bitPerSecond, uint8_t width = 0) { return {bitPerSecond, Unit::Bps, width, {}}; }
constexpr Quantity hertz(int32_t hz, uint8_t width = 0) { return {hz, Unit::Hz, width, {}}; }
constexpr Quantity crf(int32_t level) { return {level, Unit::Crf, 0, {}}; }
constexpr Quantity named(std::string_view name) { return {0, Unit::Named, 0, name}; }

// A picture size, width x height, with what the label adds after it
// (" (QCIF)"); a width of 0 is the named choice in `suffix` ("Original
// Video Size", "Auto"): the source's size.
struct PictureSize {
  int16_t width = 0;
  int16_t height = 0;
  std::string_view suffix{};
  constexpr bool operator==(const PictureSize &) const = default;
};

constexpr PictureSize sourceSize(std::string_view name) { return {0, 0, name}; }

// A frame rate as the fraction num/den, shown with `decimals` decimals
// ("15.0 fps", "29.97 fps [NTSC]" with the suffix " [NTSC]"); num 0 is
// "Auto".
struct FrameRate {
  int32_t num = 0;
  int32_t den = 1;
  uint8_t decimals = 0;
  std::string_view suffix{};
  constexpr bool operator==(const FrameRate &) const = default;
};

inline constexpr FrameRate kAutoFrameRate{};

// The labels of the list items.
std::string itemLabel(const Quantity &q);
std::string itemLabel(const PictureSize &s);
std::string itemLabel(const FrameRate &r);

// The size for the output record: "176x144"; empty for the source's size.
std::string sizeText(const PictureSize &s);

// The rate as the list shows it, without unit: "29.97", "15.0", "25"; the
// older profiles hand this text to the engine. Empty for "Auto".
std::string decimalText(const FrameRate &r);
// The rate as an exact fraction for the engine: "24000/1001", "25"; empty
// for "Auto" (the source's rate).
std::string exactRateText(const FrameRate &r);
// The rate's value as the label shows it (29.97 for 30000/1001 at two
// decimals); 0 for "Auto".
double shownRate(const FrameRate &r);
