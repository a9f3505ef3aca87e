// HMAC-SHA1 with a key entered in pieces, and PBKDF2 over it.
#include <cstring>

#include "crypto/AesLib.h"
#include "crypto/Sha1Core.h"

namespace varnolt {

namespace {

constexpr std::uint8_t InnerPad = 0x36;
constexpr std::uint8_t InnerToOuterPad = 0x36 ^ 0x5C;  // 0x6A

void XorBlock(std::uint8_t* block, std::uint8_t value) {
    for (int i = 0; i < 64; ++i)
        block[i] ^= value;
}

using sha1core::LoadBe32;
using sha1core::StoreBe32;

}  // namespace

void SecureZero(void* data, std::size_t count) {
    volatile auto* p = static_cast<volatile std::uint8_t*>(data);
    while (count--)
        *p++ = 0;
}

void HmacInit(THmacContext& ctx) {
    std::memset(&ctx, 0, sizeof ctx);
}

int HmacAddKey(const void* key, std::size_t count, THmacContext& ctx) {
    if (ctx.KeyLength == HmacDataPhase)
        return -1;
    const std::uint64_t stored = ctx.KeyLength;
    if (stored + count <= 64) {
        if (count)
            std::memcpy(ctx.Key + stored, key, count);
    } else {
        // Keys longer than a block are hashed; begin when the key outgrows it.
        if (stored <= 64) {
            Sha1Init(ctx.Sha);
            Sha1Update(ctx.Key, static_cast<std::size_t>(stored), ctx.Sha);
        }
        Sha1Update(key, count, ctx.Sha);
    }
    // The length only matters up to "more than 64"; keep it clear of the marker.
    const std::uint64_t total = stored + count;
    ctx.KeyLength = total >= HmacDataPhase ? HmacDataPhase - 1 : static_cast<std::uint32_t>(total);
    return 0;
}

void HmacAddData(const void* data, std::size_t count, THmacContext& ctx) {
    if (ctx.KeyLength != HmacDataPhase) {
        std::uint32_t length = ctx.KeyLength;
        if (length > 64) {
            Sha1Final(ctx.Key, ctx.Sha);
            length = 20;
        }
        std::memset(ctx.Key + length, 0, 64 - length);
        XorBlock(ctx.Key, InnerPad);
        Sha1Init(ctx.Sha);
        Sha1Update(ctx.Key, 64, ctx.Sha);
        ctx.KeyLength = HmacDataPhase;
    }
    if (count)
        Sha1Update(data, count, ctx.Sha);
}

void HmacFinish(std::uint8_t* tag, unsigned tagLength, THmacContext& ctx) {
    if (ctx.KeyLength != HmacDataPhase)
        HmacAddData(nullptr, 0, ctx);
    std::uint8_t inner[20];
    std::uint8_t outer[20];
    Sha1Final(inner, ctx.Sha);
    XorBlock(ctx.Key, InnerToOuterPad);
    Sha1Init(ctx.Sha);
    Sha1Update(ctx.Key, 64, ctx.Sha);
    Sha1Update(inner, 20, ctx.Sha);
    Sha1Final(outer, ctx.Sha);
    std::memcpy(tag, outer, tagLength < 20 ? tagLength : 20);
    SecureZero(inner, sizeof inner);
    SecureZero(outer, sizeof outer);
}

void HmacDigest(const void* key, std::size_t keyLength, const void* data, std::size_t dataLength,
                std::uint8_t* tag, unsigned tagLength) {
    THmacContext ctx;
    HmacInit(ctx);
    HmacAddKey(key, keyLength, ctx);
    HmacAddData(data, dataLength, ctx);
    HmacFinish(tag, tagLength, ctx);
    SecureZero(&ctx, sizeof ctx);
}

void Pbkdf2Sha1(const void* password, std::size_t passwordLength, const void* salt,
                std::size_t saltLength, std::uint32_t iterations, std::uint8_t* output,
                std::size_t outputLength) {
    if (outputLength == 0)
        return;
    // The HMAC keyed with the password (inner pad already hashed) ...
    THmacContext keyed;
    HmacInit(keyed);
    HmacAddKey(password, passwordLength, keyed);
    HmacAddData(nullptr, 0, keyed);
    // ... and a copy of it that has also taken the salt.
    THmacContext salted = keyed;
    HmacAddData(salt, saltLength, salted);

    // Chaining values after the inner and the outer pad block: every later
    // HMAC of a 20-byte value starts from copies of these two.
    std::uint32_t innerState[5];
    std::uint32_t outerState[5];
    std::memcpy(innerState, keyed.Sha.Hash, sizeof innerState);
    std::uint8_t outerBlock[64];
    std::memcpy(outerBlock, keyed.Key, 64);
    XorBlock(outerBlock, InnerToOuterPad);
    std::memcpy(outerState, sha1core::Initial, sizeof outerState);
    sha1core::CompressBlocks(outerState, outerBlock, 1);

    std::uint32_t u[5];
    std::uint32_t t[5];
    std::uint32_t inner[5];
    std::uint8_t block[20];
    std::uint32_t index = 1;
    for (std::size_t done = 0; done < outputLength; done += 20, ++index) {
        THmacContext first = salted;
        std::uint8_t be[4];
        StoreBe32(be, index);
        HmacAddData(be, 4, first);
        HmacFinish(block, 20, first);
        SecureZero(&first, sizeof first);
        for (int i = 0; i < 5; ++i)
            t[i] = u[i] = LoadBe32(block + 4 * i);
        for (std::uint32_t j = 1; j < iterations; ++j) {
            sha1core::CompressHmac20(innerState, u, inner);
            sha1core::CompressHmac20(outerState, inner, u);
            t[0] ^= u[0];
            t[1] ^= u[1];
            t[2] ^= u[2];
            t[3] ^= u[3];
            t[4] ^= u[4];
        }
        for (int i = 0; i < 5; ++i)
            StoreBe32(block + 4 * i, t[i]);
        const std::size_t take = outputLength - done < 20 ? outputLength - done : 20;
        std::memcpy(output + done, block, take);
    }
    SecureZero(&keyed, sizeof keyed);
    SecureZero(&salted, sizeof salted);
    SecureZero(outerBlock, sizeof outerBlock);
    SecureZero(innerState, sizeof innerState);
    SecureZero(outerState, sizeof outerState);
    SecureZero(u, sizeof u);
    SecureZero(t, sizeof t);
    SecureZero(inner, sizeof inner);
    SecureZero(block, sizeof block);
}

}  // namespace varnolt
