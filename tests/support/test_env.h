// Helpers every engine test needs: the libraries bound from bin/Common and
// a scratch folder that disappears with the test.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

// Binds the media libraries from the build's Common folder once per process;
// fails the calling test when they cannot be bound.
void requireLibraries();

// A fresh, empty folder under the system temporary folder, removed by the
// destructor.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  const std::filesystem::path &path() const { return path_; }
  std::string file(const std::string &name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Polls `condition` every few milliseconds until it holds or `timeoutMs`
// have passed; `between` runs between two polls (a Qt test passes its event
// pump). Returns the condition's last value.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 20000,
               const std::function<void()> &between = {});
