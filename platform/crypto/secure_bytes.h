#pragma once
// Bytes that hold a secret (a password, a derived or unwrapped key): every buffer they ever
// occupied is overwritten with zeros (OPENSSL_cleanse) before it goes back to the heap, also the
// old buffer a growing vector leaves behind.
//
//   SecureBytes password = secureBytesOf(line);  // cleared when `password` goes away
//   cleanseString(line);                         // and the copy it came from, now
//
// A std::string is no place for a secret: a short one lives inside the object (no allocation),
// beyond any allocator's reach. Keep secrets in SecureBytes and clear other copies by hand.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

// Overwrites `size` bytes at `data` so that the compiler cannot leave the write out.
void cleanseMemory(void* data, std::size_t size);

template <class T>
struct CleansingAllocator {
    using value_type = T;
    CleansingAllocator() = default;
    template <class U>
    CleansingAllocator(const CleansingAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return std::allocator<T>{}.allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept {
        cleanseMemory(p, n * sizeof(T));
        std::allocator<T>{}.deallocate(p, n);
    }
    template <class U>
    bool operator==(const CleansingAllocator<U>&) const noexcept {
        return true;
    }
};

using SecureBytes = std::vector<std::uint8_t, CleansingAllocator<std::uint8_t>>;

inline SecureBytes secureBytesOf(std::string_view bytes) {
    return SecureBytes(bytes.begin(), bytes.end());
}

// Clears the characters of `text` (its whole capacity) and empties it.
inline void cleanseString(std::string& text) {
    text.resize(text.capacity());
    cleanseMemory(text.data(), text.size());
    text.clear();
}

}  // namespace quillmere
