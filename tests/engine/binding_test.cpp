#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "binding.h"
#include "test_env.h"

namespace fs = std::filesystem;

// The binding is process-wide, so the order of these steps matters: the
// failures first, then a success, then a call after the success.
TEST(Binding, FailuresUnloadAndReportThenSuccessIsFinal) {
  ASSERT_FALSE(LibrariesLoaded());
#if defined(__SANITIZE_ADDRESS__)
  // The libraries are unloaded below; keep them mapped so that the leak
  // check at exit can still name the system libraries it finds leaks in.
  for (auto lib : {TAVLibrary::avcodec, TAVLibrary::avformat})
    dlopen((std::string(TREVIX_COMMON_DIR) + "/" + LibraryFileName(lib, true)).c_str(),
           RTLD_NOW | RTLD_NODELETE);
#endif

  // A folder without the libraries names the first missing file.
  TScratchDir empty;
  EXPECT_FALSE(LoadLibraries(empty.path().string(), true));
  EXPECT_FALSE(LibrariesLoaded());
  EXPECT_EQ(0u, LibraryError().find("Load libraray libavcodec.so." +
                                    std::to_string(LIBAVCODEC_VERSION_MAJOR) + " error: "))
      << LibraryError();

  // Plain names without a folder that has them: "libavcodec.so" named.
  EXPECT_FALSE(LoadLibraries(empty.path().string(), false));
  EXPECT_EQ(0u, LibraryError().find("Load libraray libavcodec.so error: ")) << LibraryError();

  // avcodec present, avformat a library lacking its entry points: the
  // "Load function" text names the first function and the file.
  TScratchDir partial;
  const std::string codec = LibraryFileName(TAVLibrary::avcodec, true);
  const std::string format = LibraryFileName(TAVLibrary::avformat, true);
  fs::create_symlink(fs::path(TREVIX_COMMON_DIR) / codec, partial.path() / codec);
  fs::copy_file(fs::path(TREVIX_TEST_MODULES) / "libfakeavcodec.so", partial.path() / format);
  EXPECT_FALSE(LoadLibraries(partial.path().string(), true));
  EXPECT_EQ("Load function avformat_alloc_context@" + format + " error: ",
            LibraryError().substr(0, LibraryError().find("error: ") + 7));
  EXPECT_FALSE(IsBound(TAVLibrary::avcodec)) << "avcodec must be unloaded again";
  EXPECT_FALSE(IsBound(TAVLibrary::avformat));

  // A later call tries again from the start and succeeds.
  EXPECT_TRUE(LoadLibraries(TREVIX_COMMON_DIR, true)) << LibraryError();
  EXPECT_TRUE(LibraryError().empty());
  for (auto lib : {TAVLibrary::avcodec, TAVLibrary::avformat, TAVLibrary::avutil,
                   TAVLibrary::swscale, TAVLibrary::swresample, TAVLibrary::avfilter})
    EXPECT_TRUE(IsBound(lib));
  EXPECT_EQ(unsigned(LIBAVCODEC_VERSION_INT), libavcodec.avcodec_version());
  EXPECT_NE(nullptr, libavcodec.avcodec_find_encoder_by_name("mpeg4"));

  // After a success another folder changes nothing.
  EXPECT_TRUE(LoadLibraries(empty.path().string(), false));
  EXPECT_TRUE(LibraryError().empty());
  EXPECT_NE(nullptr, libavformat.av_guess_format("mp4", nullptr, nullptr));
}
