#include "platform/process/memory_reuse.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace quillmere::memory_reuse {

void keepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    // Setting the threshold also stops glibc from moving it by itself.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace quillmere::memory_reuse
