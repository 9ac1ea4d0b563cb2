#pragma once
// How the allocator treats freed memory. A run allocates and frees each note's buffers (hundreds
// of kilobytes for a long note) once per note; by default glibc gives blocks that large back to
// the system at once, and every note then pays again for fresh zeroed pages: a fifth of an
// import's time went to page faults.
//
//   int main(int argc, char** argv) {
//       quillmere::memory_reuse::keepFreedMemoryForReuse();
//       ...

namespace quillmere::memory_reuse {

// Keeps freed blocks below 32 MiB, and up to 64 MiB of free memory at the top of the heap, for
// the next note. Call once at the start of main(), before any thread starts. Does nothing where
// the allocator has no such settings.
void keepFreedMemoryForReuse();

}  // namespace quillmere::memory_reuse
