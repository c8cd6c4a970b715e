#include "video_hook.h"

#include <dlfcn.h>
#include <strings.h>

#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "binding.h"

namespace {

struct Module {
  std::string name;
  void *handle;
};

std::mutex gModulesLock;
std::vector<Module> gModules;  // never unloaded

void logError(const std::string &text) {
  if (librariesLoaded()) libavutil.av_log(nullptr, AV_LOG_ERROR, "%s", text.c_str());
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

int addVideoHook(FrameHookChain &chain, int argc, char *argv[]) {
  if (argc < 1 || !argv || !argv[0]) return -2;
  void *h = moduleHandle(argv[0]);
  if (!h) return -1;
  std::unique_ptr<FrameHookEntry> entry(new (std::nothrow) FrameHookEntry);
  if (!entry) return -12;
  entry->configure = reinterpret_cast<FrameHookConfigureFn>(dlsym(h, "Configure"));
  entry->process = reinterpret_cast<FrameHookProcessFn>(dlsym(h, "Process"));
  entry->release = reinterpret_cast<FrameHookReleaseFn>(dlsym(h, "Release"));
  if (!entry->process) {
    logError(std::string("Failed to find Process entrypoint in ") + argv[0] + "\n");
    return -2;
  }
  if (!entry->configure && argc > 1) {
    logError(std::string("Failed to find Configure entrypoint in ") + argv[0] + "\n");
    return -2;
  }
  if (entry->configure && entry->configure(&entry->ctx, argc, argv) != 0) {
    logError(std::string("Failed to Configure ") + argv[0] + "\n");
    return -22;
  }
  FrameHookChain *tail = &chain;
  while (*tail) tail = &(*tail)->next;
  *tail = std::move(entry);
  return 0;
}

void processVideoHooks(FrameHookChain &chain, VideoHookPicture *pict, int pixFmt, int width,
                       int height, int64_t pts) {
  for (FrameHookEntry *e = chain.get(); e; e = e->next.get())
    e->process(e->ctx, pict, pixFmt, width, height, pts);
}

void releaseVideoHooks(FrameHookChain &chain) {
  // Unlink first so a second call (or a throwing release) finds nothing.
  FrameHookChain head = std::move(chain);
  for (FrameHookEntry *e = head.get(); e; e = e->next.get()) {
    if (e->release) e->release(e->ctx);
    e->ctx = nullptr;
  }
  // Free iteratively: a long chain must not recurse through unique_ptr.
  while (head) head = std::move(head->next);
}

int videoHookModuleCount() {
  std::lock_guard<std::mutex> g(gModulesLock);
  return static_cast<int>(gModules.size());
}
