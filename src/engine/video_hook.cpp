#include "video_hook.h"

#include <dlfcn.h>
#include <strings.h>

#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "binding.h"

namespace {

struct TModule {
  std::string name;
  void *handle;
};

std::mutex gModulesLock;
std::vector<TModule> gModules;  // never unloaded

void logError(const std::string &text) {
  if (LibrariesLoaded()) libavutil.av_log(nullptr, AV_LOG_ERROR, "%s", text.c_str());
}

void *moduleHandle(const char *name) {
  std::lock_guard<std::mutex> g(gModulesLock);
  for (auto &m : gModules)
    if (strcasecmp(m.name.c_str(), name) == 0) return m.handle;
  dlerror();
  void *h = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char *e = dlerror();
    logError(std::string(e ? e : "cannot load module") + "\n");
    return nullptr;
  }
  gModules.push_back({name, h});
  return h;
}

}  // namespace

int AddVideoHook(TFrameHookChain &chain, int argc, char *argv[]) {
  if (argc < 1 || !argv || !argv[0]) return -2;
  void *h = moduleHandle(argv[0]);
  if (!h) return -1;
  std::unique_ptr<TFrameHookEntry> entry(new (std::nothrow) TFrameHookEntry);
  if (!entry) return -12;
  entry->Configure = reinterpret_cast<TFrameHookConfigureFn>(dlsym(h, "Configure"));
  entry->Process = reinterpret_cast<TFrameHookProcessFn>(dlsym(h, "Process"));
  entry->Release = reinterpret_cast<TFrameHookReleaseFn>(dlsym(h, "Release"));
  if (!entry->Process) {
    logError(std::string("Failed to find Process entrypoint in ") + argv[0] + "\n");
    return -2;
  }
  if (!entry->Configure && argc > 1) {
    logError(std::string("Failed to find Configure entrypoint in ") + argv[0] + "\n");
    return -2;
  }
  if (entry->Configure && entry->Configure(&entry->ctx, argc, argv) != 0) {
    logError(std::string("Failed to Configure ") + argv[0] + "\n");
    return -22;
  }
  TFrameHookChain *tail = &chain;
  while (*tail) tail = &(*tail)->next;
  *tail = std::move(entry);
  return 0;
}

void ProcessVideoHooks(TFrameHookChain &chain, TVideoHookPicture *pict, int pixFmt, int width,
                       int height, int64_t pts) {
  for (TFrameHookEntry *e = chain.get(); e; e = e->next.get())
    e->Process(e->ctx, pict, pixFmt, width, height, pts);
}

void ReleaseVideoHooks(TFrameHookChain &chain) {
  // Unlink first so a second call (or a throwing Release) finds nothing.
  TFrameHookChain head = std::move(chain);
  for (TFrameHookEntry *e = head.get(); e; e = e->next.get()) {
    if (e->Release) e->Release(e->ctx);
    e->ctx = nullptr;
  }
  // Free iteratively: a long chain must not recurse through unique_ptr.
  while (head) head = std::move(head->next);
}

int VideoHookModuleCount() {
  std::lock_guard<std::mutex> g(gModulesLock);
  return static_cast<int>(gModules.size());
}
