// Loader of video hook modules: shared objects exporting, with C linkage,
//   int  configure(void **ctx, int argc, char *argv[]);          (optional)
//   void process(void *ctx, AVPicture-like planes, pix_fmt, w, h, pts);
//   void release(void *ctx);                                      (optional)
// Modules are cached process-wide by name and never unloaded.
#pragma once

#include <cstdint>
#include <memory>

// The picture handed to process: four plane pointers and their line sizes,
// laid out like the library's AVPicture of old.
struct VideoHookPicture {
  uint8_t *data[4];
  int linesize[4];
};

extern "C" {
typedef int (*FrameHookConfigureFn)(void **ctxp, int argc, char *argv[]);
typedef void (*FrameHookProcessFn)(void *ctx, VideoHookPicture *pict, int pix_fmt, int width,
                                    int height, int64_t pts);
typedef void (*FrameHookReleaseFn)(void *ctx);
}

struct FrameHookEntry {
  std::unique_ptr<FrameHookEntry> next;
  FrameHookConfigureFn configure = nullptr;
  FrameHookProcessFn process = nullptr;
  FrameHookReleaseFn release = nullptr;
  void *ctx = nullptr;
};

// The chain a task owns; its head is the first entry.
using FrameHookChain = std::unique_ptr<FrameHookEntry>;

// 0 on success; -1 module not loadable, -2 missing entry point, -12 out of
// memory, -22 configure failed. Failures are logged at error level.
int addVideoHook(FrameHookChain &chain, int argc, char *argv[]);
void processVideoHooks(FrameHookChain &chain, VideoHookPicture *pict, int pixFmt, int width,
                       int height, int64_t pts);
// Calls release for each entry and empties the chain; safe to call twice.
void releaseVideoHooks(FrameHookChain &chain);
// Number of distinct modules loaded so far (for tests and diagnostics).
int videoHookModuleCount();
