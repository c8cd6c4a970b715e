#include "open_errors.h"

#include <cerrno>

#include "binding.h"
#include "text_format.h"

const int kOpenErrorUnknownFormat = AVERROR(EILSEQ);
const int kOpenErrorImageNameSyntax = AVERROR(EDOM);

std::string openErrorText(int code, const std::string &fileName) {
  struct Row {
    int code;
    const char *text;  // "%s" is the file name
  };
  static const char kParse[] = "%s: Error while parsing header";
  static const char kInputOutput[] =
      "%s: I/O error occurred\r\nUsually that means that input file is truncated and/or corrupted.";
  static const Row kTexts[] = {
      {kOpenErrorUnknownFormat, "%s: Unknown format"},
      {kOpenErrorImageNameSyntax,
       "%s: Incorrect image filename syntax.\r\nUse '%%d' to specify the image number:\r\n"
       "  for img1.jpg, img2.jpg, ..., use 'img%%d.jpg';\r\n"
       "  for img001.jpg, img002.jpg, ..., use 'img%%03d.jpg'."},
      {AVERROR(EINVAL), kParse},
      {AVERROR_INVALIDDATA, kParse},
      {AVERROR(ENOMEM), "%s: memory allocation error occurred"},
      {AVERROR(EIO), kInputOutput},
      {AVERROR_EOF, kInputOutput},
      {AVERROR(ENOENT), "%s: no such file or directory"},
  };
  for (const Row &row : kTexts)
    if (row.code == code) return formatText(row.text, fileName.c_str());
  // Anything else in the system's words ("Permission denied", "Is a
  // directory") where it has some.
  const std::string why = systemErrorText(code);
  return fileName + ": " + (why.empty() ? std::string("Error while opening file") : why);
}

std::string writeErrorText(int code, const std::string &fileName) {
  const std::string why = systemErrorText(code);
  return formatText("Could not write '%s': %s", fileName.c_str(), why.empty() ? "write error" : why.c_str());
}

std::string systemErrorText(int code) {
  if (!librariesLoaded()) return {};
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  if (libavutil.av_strerror(code, buf, sizeof buf) < 0) return {};
  return buf;
}
