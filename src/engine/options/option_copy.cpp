#include "option_copy.h"

#include <cstring>

#include "binding.h"

namespace {

// Hands each option of `names` that `defaults` has with all of `flags` to
// `put(name, text)` as text (values of 256 bytes and more are left out).
template <typename Put>
void copyNamedOptions(const std::vector<std::string> &names, void *defaults, int flags, Put put) {
  for (const auto &n : names) {
    const AVOption *o = libavutil.av_opt_find(defaults, n.c_str(), nullptr, 0, 0);
    if (!o || (o->flags & flags) != flags) continue;
    uint8_t *text = nullptr;
    if (libavutil.av_opt_get(defaults, n.c_str(), 0, &text) >= 0 && text) {
      if (std::strlen(reinterpret_cast<char *>(text)) < 256) put(n.c_str(), reinterpret_cast<char *>(text));
      libavutil.av_free(text);
    }
  }
}

}  // namespace

void copyNamedOptions(const std::vector<std::string> &names, void *defaults, void *target, int flags) {
  if (!defaults || !target) return;
  copyNamedOptions(names, defaults, flags,
                   [target](const char *name, const char *text) { libavutil.av_opt_set(target, name, text, 0); });
}

void copyNamedOptions(const std::vector<std::string> &names, void *defaults, AVDictionary **target,
                      int flags) {
  if (!defaults || !target) return;
  copyNamedOptions(names, defaults, flags,
                   [target](const char *name, const char *text) { libavutil.av_dict_set(target, name, text, 0); });
}
