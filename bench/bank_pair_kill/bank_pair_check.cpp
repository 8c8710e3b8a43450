// Prints what Check_Bank_Pair says of a bin folder: nothing and exit 0 when its images are one
// build's (or absent), else the message and exit 3. Used by kill_loop.py.
#include <cstdio>

#include "app/all_texts.h"
#include "image/image_build.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: bank_pair_check BIN_DIR\n");
    return 2;
  }
  const util::Check_Result found = USaveBincc::Check_Bank_Pair(argv[1], lang::English_Strings());
  if (!found) return 0;
  std::printf("%s\n", found->c_str());
  return 3;
}
