// Preloaded into a program (LD_PRELOAD=slow_rename.so), it pauses after every rename for
// RQ_RENAME_PAUSE_MS milliseconds, so that a kill lands between two renames of one save as
// often as it would on a slow disk. Used by kill_loop.py only.
#include <dlfcn.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Pause() {
  if (const char* pause = std::getenv("RQ_RENAME_PAUSE_MS")) {
    const long ms = std::atol(pause);
    timespec span{ms / 1000, (ms % 1000) * 1000000};
    nanosleep(&span, nullptr);
  }
}

}  // namespace

extern "C" int rename(const char* from, const char* to) noexcept {
  using Rename = int (*)(const char*, const char*);
  static const Rename real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
  const int result = real(from, to);
  Pause();
  return result;
}

// The file layer renames relative to the open folder of its targets.
extern "C" int renameat(int from_dir, const char* from, int to_dir, const char* to) noexcept {
  using Rename_At = int (*)(int, const char*, int, const char*);
  static const Rename_At real = reinterpret_cast<Rename_At>(dlsym(RTLD_NEXT, "renameat"));
  const int result = real(from_dir, from, to_dir, to);
  Pause();
  return result;
}
