// Loader of video hook modules: shared objects exporting, with C linkage,
//   int  Configure(void **ctx, int argc, char *argv[]);          (optional)
//   void Process(void *ctx, AVPicture-like planes, pix_fmt, w, h, pts);
//   void Release(void *ctx);                                      (optional)
// Modules are cached process-wide by name and never unloaded.
#pragma once

#include <cstdint>
#include <memory>

// The picture handed to Process: four plane pointers and their line sizes,
// laid out like the library's AVPicture of old.
struct TVideoHookPicture {
  uint8_t *data[4];
  int linesize[4];
};

extern "C" {
typedef int (*TFrameHookConfigureFn)(void **ctxp, int argc, char *argv[]);
typedef void (*TFrameHookProcessFn)(void *ctx, TVideoHookPicture *pict, int pix_fmt, int width,
                                    int height, int64_t pts);
typedef void (*TFrameHookReleaseFn)(void *ctx);
}

struct TFrameHookEntry {
  std::unique_ptr<TFrameHookEntry> next;
  TFrameHookConfigureFn Configure = nullptr;
  TFrameHookProcessFn Process = nullptr;
  TFrameHookReleaseFn Release = nullptr;
  void *ctx = nullptr;
};

// The chain a task owns; its head is the first entry.
using TFrameHookChain = std::unique_ptr<TFrameHookEntry>;

// 0 on success; -1 module not loadable, -2 missing entry point, -12 out of
// memory, -22 Configure failed. Failures are logged at error level.
int AddVideoHook(TFrameHookChain &chain, int argc, char *argv[]);
void ProcessVideoHooks(TFrameHookChain &chain, TVideoHookPicture *pict, int pixFmt, int width,
                       int height, int64_t pts);
// Calls Release for each entry and empties the chain; safe to call twice.
void ReleaseVideoHooks(TFrameHookChain &chain);
// Number of distinct modules loaded so far (for tests and diagnostics).
int VideoHookModuleCount();
