#pragma once
// The SHA-1 compression function, shared by the hash, the key derivation and
// the salt pool. Not part of the public interface.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace varnolt::sha1core {

// Compresses `blocks` consecutive 64-byte blocks from `data` into `h`.
void CompressBlocks(std::uint32_t* h, const std::uint8_t* data, std::size_t blocks);

// Compresses one block given as sixteen message words into `h`.
void CompressWords(std::uint32_t* h, const std::uint32_t* w);

// One compression of a 20-byte message that follows one full 64-byte block
// (the inner and outer hash of HMAC-SHA1): `state` is the chaining value after
// the first block, `msg` the five message words; the digest words go to `out`.
void CompressHmac20(const std::uint32_t* state, const std::uint32_t* msg, std::uint32_t* out);

// Big-endian words, as SHA-1 reads and writes them.
inline std::uint32_t LoadBe32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void StoreBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

inline constexpr std::uint32_t Initial[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u,
                                             0xC3D2E1F0u};

}  // namespace varnolt::sha1core
