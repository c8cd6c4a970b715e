#include "binding.h"

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "engine_log.h"

AVCodecApi libavcodec;
AVFormatApi libavformat;
AVUtilApi libavutil;
SwScaleApi libswscale;
SwResampleApi libswresample;
AVFilterApi libavfilter;

namespace {

struct Slot {
  const char *name;
  void **slot;
};

#define TREVIX_CODEC_SLOT(name) {#name, reinterpret_cast<void **>(&libavcodec.name)},
#define TREVIX_FORMAT_SLOT(name) {#name, reinterpret_cast<void **>(&libavformat.name)},
#define TREVIX_UTIL_SLOT(name) {#name, reinterpret_cast<void **>(&libavutil.name)},
#define TREVIX_SCALE_SLOT(name) {#name, reinterpret_cast<void **>(&libswscale.name)},
#define TREVIX_RESAMPLE_SLOT(name) {#name, reinterpret_cast<void **>(&libswresample.name)},
#define TREVIX_FILTER_SLOT(name) {#name, reinterpret_cast<void **>(&libavfilter.name)},

const Slot kCodecSlots[] = {TREVIX_AVCODEC_FUNCS(TREVIX_CODEC_SLOT)};
const Slot kFormatSlots[] = {TREVIX_AVFORMAT_FUNCS(TREVIX_FORMAT_SLOT)};
const Slot kUtilSlots[] = {TREVIX_AVUTIL_FUNCS(TREVIX_UTIL_SLOT)};
const Slot kScaleSlots[] = {TREVIX_SWSCALE_FUNCS(TREVIX_SCALE_SLOT)};
const Slot kResampleSlots[] = {TREVIX_SWRESAMPLE_FUNCS(TREVIX_RESAMPLE_SLOT)};
const Slot kFilterSlots[] = {TREVIX_AVFILTER_FUNCS(TREVIX_FILTER_SLOT)};

struct BindingRecord {
  MediaLibrary lib;
  const char *base;  // "avcodec"
  int major;         // soname major of the headers we were built against
  const Slot *slots;
  size_t slotCount;
  bool versioned = false;
  void *handle = nullptr;
  bool bound = false;
  std::string error;
};

template <size_t N>
constexpr size_t countOf(const Slot (&)[N]) {
  return N;
}

std::array<BindingRecord, 6> gLibraries = {{
    {MediaLibrary::AvCodec, "avcodec", LIBAVCODEC_VERSION_MAJOR, kCodecSlots, countOf(kCodecSlots), false, nullptr, false, {}},
    {MediaLibrary::AvFormat, "avformat", LIBAVFORMAT_VERSION_MAJOR, kFormatSlots, countOf(kFormatSlots), false, nullptr, false, {}},
    {MediaLibrary::AvUtil, "avutil", LIBAVUTIL_VERSION_MAJOR, kUtilSlots, countOf(kUtilSlots), false, nullptr, false, {}},
    {MediaLibrary::SwScale, "swscale", LIBSWSCALE_VERSION_MAJOR, kScaleSlots, countOf(kScaleSlots), false, nullptr, false, {}},
    {MediaLibrary::SwResample, "swresample", LIBSWRESAMPLE_VERSION_MAJOR, kResampleSlots,
     countOf(kResampleSlots), false, nullptr, false, {}},
    {MediaLibrary::AvFilter, "avfilter", LIBAVFILTER_VERSION_MAJOR, kFilterSlots, countOf(kFilterSlots), false, nullptr, false, {}},
}};

bool gLibrariesLoaded = false;
std::string gLibraryError;

std::string fileNameOf(const BindingRecord &r, bool versioned) {
  char name[64];
  if (versioned)
    std::snprintf(name, sizeof name, "lib%s.so.%d", r.base, r.major);
  else
    std::snprintf(name, sizeof name, "lib%s.so", r.base);
  return name;
}

std::string lastDlError() {
  const char *e = dlerror();
  return e ? e : "unknown error";
}

bool loadOne(BindingRecord &r, const std::string &folder, bool versioned) {
  r.versioned = versioned;
  const std::string file = fileNameOf(r, versioned);
  if (!r.handle) {
    // From the named folder by full path; its own dependencies are found by
    // soname (the folder only holds links to the system's libraries).
    const std::string path = folder.empty() ? file : folder + "/" + file;
    dlerror();
    r.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!r.handle) {
      r.error = "Load libraray " + file + " error: " + lastDlError();
      gLibraryError = r.error;
      return false;
    }
  }
  if (!r.bound) {
    for (size_t i = 0; i < r.slotCount; ++i) {
      dlerror();
      void *p = dlsym(r.handle, r.slots[i].name);
      if (!p) {
        r.error = std::string("Load function ") + r.slots[i].name + "@" + file + " error: " +
                  lastDlError();
        gLibraryError = r.error;
        return false;
      }
      *r.slots[i].slot = p;
    }
    // Registration of codecs and formats is automatic in this library
    // generation; nothing to call after binding.
    r.bound = true;
  }
  return true;
}

}  // namespace

std::string libraryFileName(MediaLibrary lib, bool versioned) {
  if (lib == MediaLibrary::MyUtil) return "libc.so.6";
  for (auto &r : gLibraries)
    if (r.lib == lib) return fileNameOf(r, versioned);
  return {};
}

bool loadLibraries(const std::string &folder, bool versioned) {
  if (gLibrariesLoaded) return true;
  // The AV1 encoder's library prints a banner and its settings on stderr at
  // every open; keep it to its warnings and errors unless the user set its
  // level himself.
  setenv("SVT_LOG", "2", 0);
  gLibraryError.clear();
  bool ok = true;
  for (auto &r : gLibraries) {
    if (!loadOne(r, folder, versioned)) {
      ok = false;
      break;
    }
  }
  // The C run-time helpers are the C library's own here: always present.
  gLibrariesLoaded = ok;
  if (ok) {
    engineLogLevelChanged(libavutil.av_log_get_level());
  } else {
    unloadLibraries();
  }
  return gLibrariesLoaded;
}

void unloadLibraries() {
  gLibrariesLoaded = false;
  for (auto &r : gLibraries) {
    if (r.handle) {
      dlclose(r.handle);
      r.handle = nullptr;
      r.bound = false;
    }
  }
}

bool librariesLoaded() { return gLibrariesLoaded; }

std::string libraryError() { return gLibraryError; }

bool isBound(MediaLibrary lib) {
  if (lib == MediaLibrary::MyUtil) return gLibrariesLoaded;
  for (auto &r : gLibraries)
    if (r.lib == lib) return r.bound;
  return false;
}
