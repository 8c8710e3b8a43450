// Preloaded into a program (LD_PRELOAD=slow_rename.so), it pauses after every rename for
// RQ_RENAME_PAUSE_MS milliseconds, so that a kill lands between two renames of one save as
// often as it would on a slow disk. Used by kill_loop.py only.
#include <dlfcn.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

extern "C" int rename(const char* from, const char* to) noexcept {
  using Rename = int (*)(const char*, const char*);
  static const Rename real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
  const int result = real(from, to);
  if (const char* pause = std::getenv("RQ_RENAME_PAUSE_MS")) {
    const long ms = std::atol(pause);
    timespec span{ms / 1000, (ms % 1000) * 1000000};
    nanosleep(&span, nullptr);
  }
  return result;
}
