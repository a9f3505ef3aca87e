// AES (128-, 192- and 256-bit keys), table-driven.
//
// State and round-key words hold the four bytes of one column with the first
// byte in the low bits, so they load straight from memory on little-endian
// machines. Every table is computed at compile time from the S-box.
#include <array>
#include <cstring>

#include "crypto/AesLib.h"

namespace varnolt {

namespace {

using Table = std::array<std::uint32_t, 256>;

constexpr std::uint8_t XTime(std::uint8_t x) {
    return static_cast<std::uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00));
}

constexpr std::uint8_t GfMul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t r = 0;
    while (b) {
        if (b & 1)
            r ^= a;
        a = XTime(a);
        b >>= 1;
    }
    return r;
}

constexpr std::uint8_t Rotl8(std::uint8_t x, int n) {
    return static_cast<std::uint8_t>((x << n) | (x >> (8 - n)));
}

// Walks the 255 non-zero field elements as powers of the generator 3 (p) while
// q steps through their inverses (powers of 3's inverse), so every inverse comes
// in one pass instead of a search; the affine transform then gives the S-box.
constexpr std::array<std::uint8_t, 256> MakeSbox() {
    std::array<std::uint8_t, 256> box{};
    std::uint8_t p = 1;
    std::uint8_t q = 1;
    do {
        p = static_cast<std::uint8_t>(p ^ XTime(p));  // p * 3
        q = static_cast<std::uint8_t>(q ^ (q << 1));  // q / 3 in three steps
        q = static_cast<std::uint8_t>(q ^ (q << 2));
        q = static_cast<std::uint8_t>(q ^ (q << 4));
        if (q & 0x80)
            q ^= 0x09;
        box[p] = static_cast<std::uint8_t>(q ^ Rotl8(q, 1) ^ Rotl8(q, 2) ^ Rotl8(q, 3) ^
                                           Rotl8(q, 4) ^ 0x63);
    } while (p != 1);
    box[0] = 0x63;  // zero has no inverse and maps to the affine constant alone
    return box;
}

constexpr std::array<std::uint8_t, 256> Sbox = MakeSbox();

constexpr std::array<std::uint8_t, 256> MakeInvSbox() {
    std::array<std::uint8_t, 256> inv{};
    for (int x = 0; x < 256; ++x)
        inv[Sbox[x]] = static_cast<std::uint8_t>(x);
    return inv;
}

constexpr std::array<std::uint8_t, 256> InvSbox = MakeInvSbox();

constexpr std::uint32_t Rotl(std::uint32_t x, int n) {
    return n == 0 ? x : (x << n) | (x >> (32 - n));
}

constexpr std::uint32_t Pack(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return std::uint32_t(b0) | (std::uint32_t(b1) << 8) | (std::uint32_t(b2) << 16) |
           (std::uint32_t(b3) << 24);
}

// Encryption round: S-box, then one column of MixColumns (2 1 1 3).
constexpr Table MakeTe(int rotation) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        std::uint8_t s = Sbox[x];
        t[x] = Rotl(Pack(GfMul(s, 2), s, s, GfMul(s, 3)), rotation);
    }
    return t;
}

// Decryption round: inverse S-box, then one column of InvMixColumns (e 9 d b).
constexpr Table MakeTd(int rotation) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        std::uint8_t s = InvSbox[x];
        t[x] = Rotl(Pack(GfMul(s, 14), GfMul(s, 9), GfMul(s, 13), GfMul(s, 11)), rotation);
    }
    return t;
}

// InvMixColumns alone, for turning encryption round keys into decryption ones.
constexpr Table MakeTm(int rotation) {
    Table t{};
    for (int x = 0; x < 256; ++x) {
        std::uint8_t s = static_cast<std::uint8_t>(x);
        t[x] = Rotl(Pack(GfMul(s, 14), GfMul(s, 9), GfMul(s, 13), GfMul(s, 11)), rotation);
    }
    return t;
}

// Last rounds: the (inverse) S-box byte placed in row `row`.
constexpr Table MakeLast(const std::array<std::uint8_t, 256>& box, int row) {
    Table t{};
    for (int x = 0; x < 256; ++x)
        t[x] = std::uint32_t(box[x]) << (8 * row);
    return t;
}

alignas(64) constexpr Table Te0 = MakeTe(0);
alignas(64) constexpr Table Te1 = MakeTe(8);
alignas(64) constexpr Table Te2 = MakeTe(16);
alignas(64) constexpr Table Te3 = MakeTe(24);
alignas(64) constexpr Table Te4_0 = MakeLast(Sbox, 0);
alignas(64) constexpr Table Te4_1 = MakeLast(Sbox, 1);
alignas(64) constexpr Table Te4_2 = MakeLast(Sbox, 2);
alignas(64) constexpr Table Te4_3 = MakeLast(Sbox, 3);
alignas(64) constexpr Table Td0 = MakeTd(0);
alignas(64) constexpr Table Td1 = MakeTd(8);
alignas(64) constexpr Table Td2 = MakeTd(16);
alignas(64) constexpr Table Td3 = MakeTd(24);
alignas(64) constexpr Table Td4_0 = MakeLast(InvSbox, 0);
alignas(64) constexpr Table Td4_1 = MakeLast(InvSbox, 1);
alignas(64) constexpr Table Td4_2 = MakeLast(InvSbox, 2);
alignas(64) constexpr Table Td4_3 = MakeLast(InvSbox, 3);
alignas(64) constexpr Table Tm0 = MakeTm(0);
alignas(64) constexpr Table Tm1 = MakeTm(8);
alignas(64) constexpr Table Tm2 = MakeTm(16);
alignas(64) constexpr Table Tm3 = MakeTm(24);

static_assert(Sbox[0x00] == 0x63 && Sbox[0x53] == 0xED && Sbox[0xFF] == 0x16);

inline std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void Store32(std::uint8_t* p, std::uint32_t v) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    std::memcpy(p, &v, 4);
}

inline std::uint32_t B0(std::uint32_t x) {
    return x & 0xFF;
}
inline std::uint32_t B1(std::uint32_t x) {
    return (x >> 8) & 0xFF;
}
inline std::uint32_t B2(std::uint32_t x) {
    return (x >> 16) & 0xFF;
}
inline std::uint32_t B3(std::uint32_t x) {
    return x >> 24;
}

// Number of rounds for a key length in bytes or bits; 0 when refused.
unsigned RoundsFor(unsigned keyLength) {
    unsigned bytes = 0;
    if (keyLength >= 16 && keyLength <= 32 && keyLength % 8 == 0) {
        bytes = keyLength;
    } else if (keyLength >= 128 && keyLength <= 256 && keyLength % 64 == 0) {
        bytes = keyLength / 8;
    }
    return bytes ? bytes / 4 + 6 : 0;
}

void Refuse(TAesContext& ctx) {
    SecureZero(&ctx, sizeof ctx);
}

// FIPS-197 key expansion into 4 * (rounds + 1) words.
void ExpandKey(const std::uint8_t* key, unsigned rounds, std::uint32_t* w) {
    const unsigned nk = rounds - 6;
    const unsigned total = 4 * (rounds + 1);
    for (unsigned i = 0; i < nk; ++i)
        w[i] = Load32(key + 4 * i);
    std::uint32_t rcon = 1;
    for (unsigned i = nk; i < total; ++i) {
        std::uint32_t t = w[i - 1];
        if (i % nk == 0) {
            // RotWord then SubWord; the first byte sits in the low bits.
            t = Te4_0[B1(t)] ^ Te4_1[B2(t)] ^ Te4_2[B3(t)] ^ Te4_3[B0(t)] ^ rcon;
            rcon = XTime(static_cast<std::uint8_t>(rcon));
        } else if (nk > 6 && i % nk == 4) {
            t = Te4_0[B0(t)] ^ Te4_1[B1(t)] ^ Te4_2[B2(t)] ^ Te4_3[B3(t)];
        }
        w[i] = w[i - nk] ^ t;
    }
}

// One full encryption round from s* into t* with round key words rk[0..3].
#define VARNOLT_AES_EROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk)            \
    t0 = Te0[B0(s0)] ^ Te1[B1(s1)] ^ Te2[B2(s2)] ^ Te3[B3(s3)] ^ (rk)[0]; \
    t1 = Te0[B0(s1)] ^ Te1[B1(s2)] ^ Te2[B2(s3)] ^ Te3[B3(s0)] ^ (rk)[1]; \
    t2 = Te0[B0(s2)] ^ Te1[B1(s3)] ^ Te2[B2(s0)] ^ Te3[B3(s1)] ^ (rk)[2]; \
    t3 = Te0[B0(s3)] ^ Te1[B1(s0)] ^ Te2[B2(s1)] ^ Te3[B3(s2)] ^ (rk)[3]

#define VARNOLT_AES_DROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk)            \
    t0 = Td0[B0(s0)] ^ Td1[B1(s3)] ^ Td2[B2(s2)] ^ Td3[B3(s1)] ^ (rk)[0]; \
    t1 = Td0[B0(s1)] ^ Td1[B1(s0)] ^ Td2[B2(s3)] ^ Td3[B3(s2)] ^ (rk)[1]; \
    t2 = Td0[B0(s2)] ^ Td1[B1(s1)] ^ Td2[B2(s0)] ^ Td3[B3(s3)] ^ (rk)[2]; \
    t3 = Td0[B0(s3)] ^ Td1[B1(s2)] ^ Td2[B2(s1)] ^ Td3[B3(s0)] ^ (rk)[3]

template <unsigned Rounds>
inline void EncryptRounds(const std::uint8_t* in, std::uint8_t* out, const std::uint32_t* rk) {
    std::uint32_t s0 = Load32(in) ^ rk[0];
    std::uint32_t s1 = Load32(in + 4) ^ rk[1];
    std::uint32_t s2 = Load32(in + 8) ^ rk[2];
    std::uint32_t s3 = Load32(in + 12) ^ rk[3];
    std::uint32_t t0, t1, t2, t3;
    VARNOLT_AES_EROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 4);
    VARNOLT_AES_EROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 8);
    VARNOLT_AES_EROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 12);
    VARNOLT_AES_EROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 16);
    VARNOLT_AES_EROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 20);
    VARNOLT_AES_EROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 24);
    VARNOLT_AES_EROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 28);
    VARNOLT_AES_EROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 32);
    VARNOLT_AES_EROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 36);
    if constexpr (Rounds >= 12) {
        VARNOLT_AES_EROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 40);
        VARNOLT_AES_EROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 44);
    }
    if constexpr (Rounds == 14) {
        VARNOLT_AES_EROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 48);
        VARNOLT_AES_EROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 52);
    }
    rk += 4 * Rounds;
    s0 = Te4_0[B0(t0)] ^ Te4_1[B1(t1)] ^ Te4_2[B2(t2)] ^ Te4_3[B3(t3)] ^ rk[0];
    s1 = Te4_0[B0(t1)] ^ Te4_1[B1(t2)] ^ Te4_2[B2(t3)] ^ Te4_3[B3(t0)] ^ rk[1];
    s2 = Te4_0[B0(t2)] ^ Te4_1[B1(t3)] ^ Te4_2[B2(t0)] ^ Te4_3[B3(t1)] ^ rk[2];
    s3 = Te4_0[B0(t3)] ^ Te4_1[B1(t0)] ^ Te4_2[B2(t1)] ^ Te4_3[B3(t2)] ^ rk[3];
    Store32(out, s0);
    Store32(out + 4, s1);
    Store32(out + 8, s2);
    Store32(out + 12, s3);
}

template <unsigned Rounds>
inline void DecryptRounds(const std::uint8_t* in, std::uint8_t* out, const std::uint32_t* rk) {
    std::uint32_t s0 = Load32(in) ^ rk[0];
    std::uint32_t s1 = Load32(in + 4) ^ rk[1];
    std::uint32_t s2 = Load32(in + 8) ^ rk[2];
    std::uint32_t s3 = Load32(in + 12) ^ rk[3];
    std::uint32_t t0, t1, t2, t3;
    VARNOLT_AES_DROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 4);
    VARNOLT_AES_DROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 8);
    VARNOLT_AES_DROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 12);
    VARNOLT_AES_DROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 16);
    VARNOLT_AES_DROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 20);
    VARNOLT_AES_DROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 24);
    VARNOLT_AES_DROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 28);
    VARNOLT_AES_DROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 32);
    VARNOLT_AES_DROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 36);
    if constexpr (Rounds >= 12) {
        VARNOLT_AES_DROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 40);
        VARNOLT_AES_DROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 44);
    }
    if constexpr (Rounds == 14) {
        VARNOLT_AES_DROUND(s0, s1, s2, s3, t0, t1, t2, t3, rk + 48);
        VARNOLT_AES_DROUND(t0, t1, t2, t3, s0, s1, s2, s3, rk + 52);
    }
    rk += 4 * Rounds;
    s0 = Td4_0[B0(t0)] ^ Td4_1[B1(t3)] ^ Td4_2[B2(t2)] ^ Td4_3[B3(t1)] ^ rk[0];
    s1 = Td4_0[B0(t1)] ^ Td4_1[B1(t0)] ^ Td4_2[B2(t3)] ^ Td4_3[B3(t2)] ^ rk[1];
    s2 = Td4_0[B0(t2)] ^ Td4_1[B1(t1)] ^ Td4_2[B2(t0)] ^ Td4_3[B3(t3)] ^ rk[2];
    s3 = Td4_0[B0(t3)] ^ Td4_1[B1(t2)] ^ Td4_2[B2(t1)] ^ Td4_3[B3(t0)] ^ rk[3];
    Store32(out, s0);
    Store32(out + 4, s1);
    Store32(out + 8, s2);
    Store32(out + 12, s3);
}

#undef VARNOLT_AES_EROUND
#undef VARNOLT_AES_DROUND

}  // namespace

int AesSetEncryptKey(const std::uint8_t* key, unsigned keyLength, TAesContext& ctx) {
    const unsigned rounds = RoundsFor(keyLength);
    if (rounds == 0) {
        Refuse(ctx);
        return 0;
    }
    ExpandKey(key, rounds, ctx.Schedule);
    ctx.Rounds = rounds;
    ctx.Flags = AesFlagEncrypt;
    return 1;
}

int AesSetDecryptKey(const std::uint8_t* key, unsigned keyLength, TAesContext& ctx) {
    const unsigned rounds = RoundsFor(keyLength);
    if (rounds == 0) {
        Refuse(ctx);
        return 0;
    }
    std::uint32_t w[60];
    ExpandKey(key, rounds, w);
    // Equivalent inverse cipher: round keys in reverse order, the inner ones
    // passed through InvMixColumns.
    std::uint32_t* d = ctx.Schedule;
    for (unsigned r = 0; r <= rounds; ++r) {
        const std::uint32_t* e = w + 4 * (rounds - r);
        for (int c = 0; c < 4; ++c) {
            std::uint32_t x = e[c];
            if (r != 0 && r != rounds) {
                x = Tm0[B0(x)] ^ Tm1[B1(x)] ^ Tm2[B2(x)] ^ Tm3[B3(x)];
            }
            d[4 * r + c] = x;
        }
    }
    SecureZero(w, sizeof w);
    ctx.Rounds = rounds;
    ctx.Flags = AesFlagDecrypt;
    return 1;
}

int AesEncryptBlock(const std::uint8_t* in, std::uint8_t* out, const TAesContext& ctx) {
    if (!(ctx.Flags & AesFlagEncrypt))
        return 0;
    switch (ctx.Rounds) {
        case 10:
            EncryptRounds<10>(in, out, ctx.Schedule);
            return 1;
        case 12:
            EncryptRounds<12>(in, out, ctx.Schedule);
            return 1;
        case 14:
            EncryptRounds<14>(in, out, ctx.Schedule);
            return 1;
        default:
            return 0;
    }
}

int AesDecryptBlock(const std::uint8_t* in, std::uint8_t* out, const TAesContext& ctx) {
    if (!(ctx.Flags & AesFlagDecrypt))
        return 0;
    switch (ctx.Rounds) {
        case 10:
            DecryptRounds<10>(in, out, ctx.Schedule);
            return 1;
        case 12:
            DecryptRounds<12>(in, out, ctx.Schedule);
            return 1;
        case 14:
            DecryptRounds<14>(in, out, ctx.Schedule);
            return 1;
        default:
            return 0;
    }
}

}  // namespace varnolt
