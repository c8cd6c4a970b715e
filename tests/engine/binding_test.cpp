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
  ASSERT_FALSE(librariesLoaded());
#if defined(__SANITIZE_ADDRESS__)
  // The libraries are unloaded below; keep them mapped so that the leak
  // check at exit can still name the system libraries it finds leaks in.
  for (auto lib : {MediaLibrary::AvCodec, MediaLibrary::AvFormat})
    dlopen((std::string(TREVIX_COMMON_DIR) + "/" + libraryFileName(lib, true)).c_str(),
           RTLD_NOW | RTLD_NODELETE);
#endif

  // A folder without the libraries names the first missing file.
  ScratchDir empty;
  EXPECT_FALSE(loadLibraries(empty.path().string(), true));
  EXPECT_FALSE(librariesLoaded());
  EXPECT_EQ(0u, libraryError().find("Load libraray libavcodec.so." +
                                    std::to_string(LIBAVCODEC_VERSION_MAJOR) + " error: "))
      << libraryError();

  // Plain names without a folder that has them: "libavcodec.so" named.
  EXPECT_FALSE(loadLibraries(empty.path().string(), false));
  EXPECT_EQ(0u, libraryError().find("Load libraray libavcodec.so error: ")) << libraryError();

  // avcodec present, avformat a library lacking its entry points: the
  // "Load function" text names the first function and the file.
  ScratchDir partial;
  const std::string codec = libraryFileName(MediaLibrary::AvCodec, true);
  const std::string format = libraryFileName(MediaLibrary::AvFormat, true);
  fs::create_symlink(fs::path(TREVIX_COMMON_DIR) / codec, partial.path() / codec);
  fs::copy_file(fs::path(TREVIX_TEST_MODULES) / "libfakeavcodec.so", partial.path() / format);
  EXPECT_FALSE(loadLibraries(partial.path().string(), true));
  EXPECT_EQ("Load function avformat_alloc_context@" + format + " error: ",
            libraryError().substr(0, libraryError().find("error: ") + 7));
  EXPECT_FALSE(isBound(MediaLibrary::AvCodec)) << "avcodec must be unloaded again";
  EXPECT_FALSE(isBound(MediaLibrary::AvFormat));

  // A later call tries again from the start and succeeds.
  EXPECT_TRUE(loadLibraries(TREVIX_COMMON_DIR, true)) << libraryError();
  EXPECT_TRUE(libraryError().empty());
  for (auto lib : {MediaLibrary::AvCodec, MediaLibrary::AvFormat, MediaLibrary::AvUtil,
                   MediaLibrary::SwScale, MediaLibrary::SwResample, MediaLibrary::AvFilter})
    EXPECT_TRUE(isBound(lib));
  EXPECT_EQ(unsigned(LIBAVCODEC_VERSION_INT), libavcodec.avcodec_version());
  EXPECT_NE(nullptr, libavcodec.avcodec_find_encoder_by_name("mpeg4"));

  // After a success another folder changes nothing.
  EXPECT_TRUE(loadLibraries(empty.path().string(), false));
  EXPECT_TRUE(libraryError().empty());
  EXPECT_NE(nullptr, libavformat.av_guess_format("mp4", nullptr, nullptr));
}
