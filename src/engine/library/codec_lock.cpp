#include "codec_lock.h"

std::recursive_mutex &codecLock() {
  static std::recursive_mutex lock;
  return lock;
}
