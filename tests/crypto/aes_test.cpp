// AES block cipher: published vectors and the key-setup rules.
#include <gtest/gtest.h>

#include <cstring>

#include "CryptoTestUtil.h"
#include "crypto/AesLib.h"

namespace varnolt {
namespace {

using test::Hex;
using test::ToHex;

struct AesVector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// FIPS-197 Appendix C (C.1, C.2, C.3) and NIST AESAVS known-answer vectors
// (GFSbox, KeySbox, VarTxt, VarKey) for each key size.
const AesVector kVectors[] = {
    {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
     "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
     "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
    // ECBGFSbox128, ECBVarTxt128 and ECBVarKey128, first entries.
    {"00000000000000000000000000000000", "f34481ec3cc627bacd5dc3fb08f273e6",
     "0336763e966d92595a567cc9ce537f5e"},
    {"00000000000000000000000000000000", "80000000000000000000000000000000",
     "3ad78e726c1ec02b7ebfe92b23d9ec34"},
    {"80000000000000000000000000000000", "00000000000000000000000000000000",
     "0edd33d3c621e546455bd8ba1418bec8"},
    // ECBKeySbox128, first entry.
    {"10a58869d74be5a374cf867cfb473859", "00000000000000000000000000000000",
     "6d251e6944b051e04eaa6fb4dbf78465"},
    // ECBGFSbox192 and ECBGFSbox256, first entries.
    {"000000000000000000000000000000000000000000000000", "1b077a6af4b7f98229de786d7516b639",
     "275cfc0413d8ccb70513c3859b1d0f72"},
    {"0000000000000000000000000000000000000000000000000000000000000000",
     "014730f80ac625fe84f026c60bfd547d", "5c9d844ed46f9885085e5d6a4f94c7d7"},
};

TEST(Aes, PublishedVectorsEncryptDecryptAndInPlace) {
    for (const auto& v : kVectors) {
        SCOPED_TRACE(v.key);
        const auto key = Hex(v.key);
        const auto plain = Hex(v.plain);
        TAesContext enc;
        TAesContext dec;
        ASSERT_EQ(AesSetEncryptKey(key.data(), static_cast<unsigned>(key.size()), enc), 1);
        ASSERT_EQ(AesSetDecryptKey(key.data(), static_cast<unsigned>(key.size() * 8), dec), 1);
        EXPECT_EQ(enc.Rounds, key.size() / 4 + 6);
        std::uint8_t out[16];
        ASSERT_EQ(AesEncryptBlock(plain.data(), out, enc), 1);
        EXPECT_EQ(ToHex(out, 16), v.cipher);
        std::uint8_t back[16];
        ASSERT_EQ(AesDecryptBlock(out, back, dec), 1);
        EXPECT_EQ(ToHex(back, 16), v.plain);
        // In place, both directions.
        std::uint8_t block[16];
        std::memcpy(block, plain.data(), 16);
        ASSERT_EQ(AesEncryptBlock(block, block, enc), 1);
        EXPECT_EQ(ToHex(block, 16), v.cipher);
        ASSERT_EQ(AesDecryptBlock(block, block, dec), 1);
        EXPECT_EQ(ToHex(block, 16), v.plain);
    }
}

TEST(Aes, KeyLengthInBytesOrBitsGivesTheSameSchedule) {
    const auto key = Hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    for (unsigned bytes : {16u, 24u, 32u}) {
        TAesContext a;
        TAesContext b;
        std::memset(&a, 0x5A, sizeof a);
        std::memset(&b, 0xA5, sizeof b);
        ASSERT_EQ(AesSetEncryptKey(key.data(), bytes, a), 1);
        ASSERT_EQ(AesSetEncryptKey(key.data(), bytes * 8, b), 1);
        const unsigned words = 4 * (bytes / 4 + 7);
        EXPECT_EQ(0, std::memcmp(a.Schedule, b.Schedule, words * 4)) << bytes;
        EXPECT_EQ(a.Rounds, b.Rounds);
        EXPECT_EQ(a.Flags, AesFlagEncrypt);
    }
}

TEST(Aes, RefusedKeyLengthsLeaveAnUnusableContext) {
    const std::uint8_t key[64] = {1, 2, 3};
    for (unsigned length : {0u, 8u, 15u, 17u, 20u, 40u, 64u, 100u, 127u, 129u, 160u, 320u, 512u}) {
        SCOPED_TRACE(length);
        for (bool decrypt : {false, true}) {
            TAesContext ctx;
            // A context that held a valid schedule before.
            ASSERT_EQ(AesSetEncryptKey(key, 16, ctx), 1);
            const int result =
                decrypt ? AesSetDecryptKey(key, length, ctx) : AesSetEncryptKey(key, length, ctx);
            EXPECT_EQ(result, 0);
            EXPECT_EQ(ctx.Rounds, 0u);
            EXPECT_EQ(ctx.Flags & (AesFlagEncrypt | AesFlagDecrypt), 0u);
            std::uint8_t in[16] = {9};
            std::uint8_t out[16];
            std::memset(out, 0xCC, sizeof out);
            EXPECT_EQ(AesEncryptBlock(in, out, ctx), 0);
            EXPECT_EQ(AesDecryptBlock(in, out, ctx), 0);
            for (std::uint8_t b : out)
                ASSERT_EQ(b, 0xCC);
        }
    }
}

TEST(Aes, BlockRoutinesRefuseTheOtherDirection) {
    const auto key = Hex("000102030405060708090a0b0c0d0e0f");
    TAesContext enc;
    TAesContext dec;
    ASSERT_EQ(AesSetEncryptKey(key.data(), 128, enc), 1);
    ASSERT_EQ(AesSetDecryptKey(key.data(), 16, dec), 1);
    EXPECT_EQ(enc.Flags, AesFlagEncrypt);
    EXPECT_EQ(dec.Flags, AesFlagDecrypt);
    std::uint8_t in[16] = {};
    std::uint8_t out[16];
    std::memset(out, 0x77, sizeof out);
    EXPECT_EQ(AesEncryptBlock(in, out, dec), 0);
    EXPECT_EQ(AesDecryptBlock(in, out, enc), 0);
    for (std::uint8_t b : out)
        ASSERT_EQ(b, 0x77);
    // Setting a decryption key over an encryption context clears the other bit.
    ASSERT_EQ(AesSetDecryptKey(key.data(), 16, enc), 1);
    EXPECT_EQ(enc.Flags, AesFlagDecrypt);
}

// Monte Carlo style chain: 1000 encryptions of a block must undo with 1000
// decryptions (catches a schedule error that only shows over many rounds).
TEST(Aes, LongChainsRoundTrip) {
    const auto key = Hex("2b7e151628aed2a6abf7158809cf4f3c762e7160f38b4da56a784d9045190cfe");
    for (unsigned bytes : {16u, 24u, 32u}) {
        TAesContext enc;
        TAesContext dec;
        AesSetEncryptKey(key.data(), bytes, enc);
        AesSetDecryptKey(key.data(), bytes, dec);
        std::uint8_t block[16] = {1, 2, 3, 4, 5};
        for (int i = 0; i < 1000; ++i)
            AesEncryptBlock(block, block, enc);
        for (int i = 0; i < 1000; ++i)
            AesDecryptBlock(block, block, dec);
        const std::uint8_t start[16] = {1, 2, 3, 4, 5};
        EXPECT_EQ(0, std::memcmp(block, start, 16));
    }
}

}  // namespace
}  // namespace varnolt
