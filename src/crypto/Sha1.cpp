// SHA-1 (FIPS 180-1) with the 80 steps written out.
#include <cstring>

#include "crypto/AesLib.h"
#include "crypto/Sha1Core.h"

namespace varnolt {

namespace sha1core {

namespace {

inline std::uint32_t Rol(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

// The message schedule is kept in a ring of sixteen words.
#define VARNOLT_SHA1_W(i) \
    (w[(i)&15] = Rol(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))

#define VARNOLT_SHA1_R0(a, b, c, d, e, i)                      \
    e += ((b & (c ^ d)) ^ d) + w[i] + 0x5A827999u + Rol(a, 5); \
    b = Rol(b, 30)
#define VARNOLT_SHA1_R1(a, b, c, d, e, i)                                   \
    e += ((b & (c ^ d)) ^ d) + VARNOLT_SHA1_W(i) + 0x5A827999u + Rol(a, 5); \
    b = Rol(b, 30)
#define VARNOLT_SHA1_R2(a, b, c, d, e, i)                           \
    e += (b ^ c ^ d) + VARNOLT_SHA1_W(i) + 0x6ED9EBA1u + Rol(a, 5); \
    b = Rol(b, 30)
#define VARNOLT_SHA1_R3(a, b, c, d, e, i)                                         \
    e += (((b | c) & d) | (b & c)) + VARNOLT_SHA1_W(i) + 0x8F1BBCDCu + Rol(a, 5); \
    b = Rol(b, 30)
#define VARNOLT_SHA1_R4(a, b, c, d, e, i)                           \
    e += (b ^ c ^ d) + VARNOLT_SHA1_W(i) + 0xCA62C1D6u + Rol(a, 5); \
    b = Rol(b, 30)

// The 80 steps over the message words `w` (overwritten), from chaining value
// `in` into `out` (which may be the same five words).
inline __attribute__((always_inline)) void Steps(const std::uint32_t* in, std::uint32_t* w,
                                                 std::uint32_t* out) {
    std::uint32_t a = in[0], b = in[1], c = in[2], d = in[3], e = in[4];
    VARNOLT_SHA1_R0(a, b, c, d, e, 0);
    VARNOLT_SHA1_R0(e, a, b, c, d, 1);
    VARNOLT_SHA1_R0(d, e, a, b, c, 2);
    VARNOLT_SHA1_R0(c, d, e, a, b, 3);
    VARNOLT_SHA1_R0(b, c, d, e, a, 4);
    VARNOLT_SHA1_R0(a, b, c, d, e, 5);
    VARNOLT_SHA1_R0(e, a, b, c, d, 6);
    VARNOLT_SHA1_R0(d, e, a, b, c, 7);
    VARNOLT_SHA1_R0(c, d, e, a, b, 8);
    VARNOLT_SHA1_R0(b, c, d, e, a, 9);
    VARNOLT_SHA1_R0(a, b, c, d, e, 10);
    VARNOLT_SHA1_R0(e, a, b, c, d, 11);
    VARNOLT_SHA1_R0(d, e, a, b, c, 12);
    VARNOLT_SHA1_R0(c, d, e, a, b, 13);
    VARNOLT_SHA1_R0(b, c, d, e, a, 14);
    VARNOLT_SHA1_R0(a, b, c, d, e, 15);
    VARNOLT_SHA1_R1(e, a, b, c, d, 16);
    VARNOLT_SHA1_R1(d, e, a, b, c, 17);
    VARNOLT_SHA1_R1(c, d, e, a, b, 18);
    VARNOLT_SHA1_R1(b, c, d, e, a, 19);
    VARNOLT_SHA1_R2(a, b, c, d, e, 20);
    VARNOLT_SHA1_R2(e, a, b, c, d, 21);
    VARNOLT_SHA1_R2(d, e, a, b, c, 22);
    VARNOLT_SHA1_R2(c, d, e, a, b, 23);
    VARNOLT_SHA1_R2(b, c, d, e, a, 24);
    VARNOLT_SHA1_R2(a, b, c, d, e, 25);
    VARNOLT_SHA1_R2(e, a, b, c, d, 26);
    VARNOLT_SHA1_R2(d, e, a, b, c, 27);
    VARNOLT_SHA1_R2(c, d, e, a, b, 28);
    VARNOLT_SHA1_R2(b, c, d, e, a, 29);
    VARNOLT_SHA1_R2(a, b, c, d, e, 30);
    VARNOLT_SHA1_R2(e, a, b, c, d, 31);
    VARNOLT_SHA1_R2(d, e, a, b, c, 32);
    VARNOLT_SHA1_R2(c, d, e, a, b, 33);
    VARNOLT_SHA1_R2(b, c, d, e, a, 34);
    VARNOLT_SHA1_R2(a, b, c, d, e, 35);
    VARNOLT_SHA1_R2(e, a, b, c, d, 36);
    VARNOLT_SHA1_R2(d, e, a, b, c, 37);
    VARNOLT_SHA1_R2(c, d, e, a, b, 38);
    VARNOLT_SHA1_R2(b, c, d, e, a, 39);
    VARNOLT_SHA1_R3(a, b, c, d, e, 40);
    VARNOLT_SHA1_R3(e, a, b, c, d, 41);
    VARNOLT_SHA1_R3(d, e, a, b, c, 42);
    VARNOLT_SHA1_R3(c, d, e, a, b, 43);
    VARNOLT_SHA1_R3(b, c, d, e, a, 44);
    VARNOLT_SHA1_R3(a, b, c, d, e, 45);
    VARNOLT_SHA1_R3(e, a, b, c, d, 46);
    VARNOLT_SHA1_R3(d, e, a, b, c, 47);
    VARNOLT_SHA1_R3(c, d, e, a, b, 48);
    VARNOLT_SHA1_R3(b, c, d, e, a, 49);
    VARNOLT_SHA1_R3(a, b, c, d, e, 50);
    VARNOLT_SHA1_R3(e, a, b, c, d, 51);
    VARNOLT_SHA1_R3(d, e, a, b, c, 52);
    VARNOLT_SHA1_R3(c, d, e, a, b, 53);
    VARNOLT_SHA1_R3(b, c, d, e, a, 54);
    VARNOLT_SHA1_R3(a, b, c, d, e, 55);
    VARNOLT_SHA1_R3(e, a, b, c, d, 56);
    VARNOLT_SHA1_R3(d, e, a, b, c, 57);
    VARNOLT_SHA1_R3(c, d, e, a, b, 58);
    VARNOLT_SHA1_R3(b, c, d, e, a, 59);
    VARNOLT_SHA1_R4(a, b, c, d, e, 60);
    VARNOLT_SHA1_R4(e, a, b, c, d, 61);
    VARNOLT_SHA1_R4(d, e, a, b, c, 62);
    VARNOLT_SHA1_R4(c, d, e, a, b, 63);
    VARNOLT_SHA1_R4(b, c, d, e, a, 64);
    VARNOLT_SHA1_R4(a, b, c, d, e, 65);
    VARNOLT_SHA1_R4(e, a, b, c, d, 66);
    VARNOLT_SHA1_R4(d, e, a, b, c, 67);
    VARNOLT_SHA1_R4(c, d, e, a, b, 68);
    VARNOLT_SHA1_R4(b, c, d, e, a, 69);
    VARNOLT_SHA1_R4(a, b, c, d, e, 70);
    VARNOLT_SHA1_R4(e, a, b, c, d, 71);
    VARNOLT_SHA1_R4(d, e, a, b, c, 72);
    VARNOLT_SHA1_R4(c, d, e, a, b, 73);
    VARNOLT_SHA1_R4(b, c, d, e, a, 74);
    VARNOLT_SHA1_R4(a, b, c, d, e, 75);
    VARNOLT_SHA1_R4(e, a, b, c, d, 76);
    VARNOLT_SHA1_R4(d, e, a, b, c, 77);
    VARNOLT_SHA1_R4(c, d, e, a, b, 78);
    VARNOLT_SHA1_R4(b, c, d, e, a, 79);
    out[0] = in[0] + a;
    out[1] = in[1] + b;
    out[2] = in[2] + c;
    out[3] = in[3] + d;
    out[4] = in[4] + e;
}

#undef VARNOLT_SHA1_W
#undef VARNOLT_SHA1_R0
#undef VARNOLT_SHA1_R1
#undef VARNOLT_SHA1_R2
#undef VARNOLT_SHA1_R3
#undef VARNOLT_SHA1_R4

}  // namespace

void CompressBlocks(std::uint32_t* h, const std::uint8_t* data, std::size_t blocks) {
    std::uint32_t w[16];
    for (; blocks; --blocks, data += 64) {
        for (int i = 0; i < 16; ++i)
            w[i] = LoadBe32(data + 4 * i);
        Steps(h, w, h);
    }
}

void CompressWords(std::uint32_t* h, const std::uint32_t* words) {
    std::uint32_t w[16];
    std::memcpy(w, words, sizeof w);
    Steps(h, w, h);
}

void CompressHmac20(const std::uint32_t* state, const std::uint32_t* msg, std::uint32_t* out) {
    // 20 message bytes, the 0x80 end marker, zeros, and the bit length of
    // 64 + 20 bytes.
    std::uint32_t w[16] = {msg[0], msg[1], msg[2], msg[3], msg[4], 0x80000000u, 0, 0,
                           0,      0,      0,      0,      0,      0,           0, (64 + 20) * 8};
    Steps(state, w, out);
}

}  // namespace sha1core

using sha1core::StoreBe32;

void Sha1Init(TSha1Context& ctx) {
    ctx.Count[0] = 0;
    ctx.Count[1] = 0;
    std::memcpy(ctx.Hash, sha1core::Initial, sizeof ctx.Hash);
    std::memset(ctx.Buffer, 0, sizeof ctx.Buffer);
}

void Sha1Compress(TSha1Context& ctx) {
    sha1core::CompressBlocks(ctx.Hash, ctx.Buffer, 1);
}

void Sha1Update(const void* data, std::size_t count, TSha1Context& ctx) {
    if (count == 0)
        return;
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t used = ctx.Count[0] & 63;
    const std::uint64_t total =
        ((std::uint64_t(ctx.Count[1]) << 32) | ctx.Count[0]) + static_cast<std::uint64_t>(count);
    ctx.Count[0] = static_cast<std::uint32_t>(total);
    ctx.Count[1] = static_cast<std::uint32_t>(total >> 32);
    if (used) {
        const std::size_t take = count < 64 - used ? count : 64 - used;
        std::memcpy(ctx.Buffer + used, p, take);
        p += take;
        count -= take;
        used += take;
        if (used < 64)
            return;
        Sha1Compress(ctx);
    }
    // Whole blocks are compressed straight from the caller's bytes.
    const std::size_t blocks = count / 64;
    if (blocks) {
        sha1core::CompressBlocks(ctx.Hash, p, blocks);
        p += 64 * blocks;
        count -= 64 * blocks;
    }
    if (count)
        std::memcpy(ctx.Buffer, p, count);
}

void Sha1Final(std::uint8_t* digest, TSha1Context& ctx) {
    const std::uint64_t bits = ((std::uint64_t(ctx.Count[1]) << 32) | ctx.Count[0]) << 3;
    std::size_t used = ctx.Count[0] & 63;
    ctx.Buffer[used++] = 0x80;
    if (used > 56) {
        std::memset(ctx.Buffer + used, 0, 64 - used);
        Sha1Compress(ctx);
        used = 0;
    }
    std::memset(ctx.Buffer + used, 0, 56 - used);
    for (int i = 0; i < 8; ++i)
        ctx.Buffer[56 + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    Sha1Compress(ctx);
    for (int i = 0; i < 5; ++i)
        StoreBe32(digest + 4 * i, ctx.Hash[i]);
}

void Sha1Digest(std::uint8_t* digest, const void* data, std::size_t count) {
    TSha1Context ctx;
    Sha1Init(ctx);
    Sha1Update(data, count, ctx);
    Sha1Final(digest, ctx);
    SecureZero(&ctx, sizeof ctx);
}

}  // namespace varnolt
