// Giving freed memory back to the system. The C library keeps what a program frees for its next
// allocations; after a large passing structure (the parsed document of a large SCL file, a
// worker thread's heap) that is hundreds of MB the program holds without using.
#pragma once

namespace util {

// Returns the heap's free memory to the system where the C library can (Linux: malloc_trim;
// Windows: _heapmin). Takes some milliseconds on a large heap; call it after such a structure
// is gone, not in a loop.
void Release_Free_Memory();

}  // namespace util
