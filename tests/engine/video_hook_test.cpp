#include <gtest/gtest.h>
#include <dlfcn.h>

#include <string>
#include <vector>

#include "test_env.h"
#include "video_hook.h"

namespace {

std::string module(const char *name) { return std::string(TREVIX_TEST_MODULES) + "/" + name + ".so"; }

int add(FrameHookChain &chain, std::vector<std::string> args) {
  std::vector<char *> argv;
  for (auto &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return addVideoHook(chain, static_cast<int>(args.size()), argv.data());
}

int chainLength(const FrameHookChain &chain) {
  int n = 0;
  for (auto *e = chain.get(); e; e = e->next.get()) ++n;
  return n;
}

}  // namespace

TEST(VideoHook, ResultCodes) {
  FrameHookChain chain;
  EXPECT_EQ(-2, addVideoHook(chain, 0, nullptr));
  EXPECT_EQ(-1, add(chain, {"/nonexistent/hook.so"}));
  EXPECT_EQ(-2, add(chain, {module("test_hook_no_process")}));
  // Process only: fine without arguments, refused with them.
  EXPECT_EQ(0, add(chain, {module("test_hook_process_only")}));
  EXPECT_EQ(-2, add(chain, {module("test_hook_process_only"), "7"}));
  EXPECT_EQ(-22, add(chain, {module("test_hook_module"), "fail"}));
  EXPECT_EQ(1, chainLength(chain));
  releaseVideoHooks(chain);
  EXPECT_EQ(0, chainLength(chain));
  releaseVideoHooks(chain);  // twice is harmless
}

TEST(VideoHook, SameModuleTwiceLoadsOnceAndRunsBoth) {
  const int before = videoHookModuleCount();
  FrameHookChain chain;
  ASSERT_EQ(0, add(chain, {module("test_hook_module"), "100"}));
  ASSERT_EQ(0, add(chain, {module("test_hook_module"), "200"}));
  EXPECT_EQ(2, chainLength(chain));
  EXPECT_LE(videoHookModuleCount(), before + 1);

  std::vector<uint8_t> luma(32 * 32, 0);
  VideoHookPicture pict{{luma.data(), nullptr, nullptr, nullptr}, {32, 0, 0, 0}};
  processVideoHooks(chain, &pict, 0, 32, 32, 0);
  EXPECT_EQ(200, luma[0]) << "entries run in the order they were added";
  EXPECT_EQ(0, luma[16]);

  void *h = dlopen(module("test_hook_module").c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(2, *static_cast<int *>(dlsym(h, "hook_calls")));
  dlclose(h);
  releaseVideoHooks(chain);
}
