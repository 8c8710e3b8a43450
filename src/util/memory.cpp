#include "util/memory.h"

#include <malloc.h>

namespace util {

void Release_Free_Memory() {
#ifdef _WIN32
  _heapmin();
#elif defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace util
