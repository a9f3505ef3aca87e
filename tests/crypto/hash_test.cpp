// SHA-1, HMAC-SHA1, PBKDF2 and the salt pool.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CryptoTestUtil.h"
#include "crypto/AesLib.h"

namespace varnolt {
namespace {

using test::Bytes;
using test::Hex;
using test::ToHex;

std::string Sha1Hex(std::string_view data) {
    std::uint8_t d[20];
    Sha1Digest(d, data.data(), data.size());
    return ToHex(d, 20);
}

std::string HmacHex(std::string_view key, std::string_view data, unsigned n = 20) {
    std::uint8_t tag[20];
    HmacDigest(key.data(), key.size(), data.data(), data.size(), tag, n);
    return ToHex(tag, n);
}

std::string AsString(const std::vector<std::uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

// ---------------------------------------------------------------------------
// SHA-1

TEST(Sha1, Fips180Vectors) {
    EXPECT_EQ(Sha1Hex(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    // 56 bytes: the padding needs a second block.
    EXPECT_EQ(Sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Sha1Hex(std::string(1000000, 'a')), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1, PaddingBoundaries) {
    // Reference digests of 'a' repeated n times, n on both sides of the
    // 56- and 64-byte limits of the last block.
    const std::pair<std::size_t, const char*> cases[] = {
        {55, "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        {56, "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
        {63, "03f09f5b158a7a8cdad920bddc29b81c18a551f5"},
        {64, "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
        {65, "11655326c708d70319be2610e8a57d9a5b959d3b"},
    };
    for (const auto& [n, digest] : cases)
        EXPECT_EQ(Sha1Hex(std::string(n, 'a')), digest) << n;
}

TEST(Sha1, DataFedAtEverySplitEqualsDataFedAtOnce) {
    const std::string data = test::Pattern(200, 3);
    for (std::size_t length : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 127u, 128u, 200u}) {
        const std::string whole = Sha1Hex(std::string_view(data).substr(0, length));
        for (std::size_t a = 0; a <= length; ++a) {
            for (std::size_t b = a; b <= length; b += 7) {
                TSha1Context ctx;
                Sha1Init(ctx);
                Sha1Update(data.data(), a, ctx);
                Sha1Update(data.data() + a, b - a, ctx);
                Sha1Update(data.data() + b, length - b, ctx);
                std::uint8_t d[20];
                Sha1Final(d, ctx);
                ASSERT_EQ(ToHex(d, 20), whole) << length << " " << a << " " << b;
            }
        }
    }
}

TEST(Sha1, ContextCountsBytesAndCompressRunsOverTheBuffer) {
    TSha1Context ctx;
    Sha1Init(ctx);
    const std::string data = test::Pattern(150);
    Sha1Update(data.data(), data.size(), ctx);
    EXPECT_EQ(ctx.Count[0], 150u);
    EXPECT_EQ(ctx.Count[1], 0u);
    // Sha1Compress on a fresh context with the 64-byte padded "abc" block
    // gives the digest of "abc" in its chaining words.
    Sha1Init(ctx);
    std::memset(ctx.Buffer, 0, 64);
    std::memcpy(ctx.Buffer, "abc", 3);
    ctx.Buffer[3] = 0x80;
    ctx.Buffer[63] = 24;
    Sha1Compress(ctx);
    EXPECT_EQ(ctx.Hash[0], 0xa9993e36u);
    EXPECT_EQ(ctx.Hash[4], 0x9cd0d89du);
}

// ---------------------------------------------------------------------------
// HMAC-SHA1

TEST(Hmac, Rfc2202Vectors) {
    EXPECT_EQ(HmacHex(std::string(20, '\x0b'), "Hi There"),
              "b617318655057264e28bc0b6fb378c8ef146be00");
    EXPECT_EQ(HmacHex("Jefe", "what do ya want for nothing?"),
              "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    EXPECT_EQ(HmacHex(std::string(20, '\xaa'), std::string(50, '\xdd')),
              "125d7342b9ac11cd91a39af48aa17b4f63f175d3");
    EXPECT_EQ(HmacHex(AsString(Hex("0102030405060708090a0b0c0d0e0f10111213141516171819")),
                      std::string(50, '\xcd')),
              "4c9007f4026250c6bc8414f9bf50c86c2d7235da");
    EXPECT_EQ(HmacHex(std::string(20, '\x0c'), "Test With Truncation"),
              "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04");
    EXPECT_EQ(
        HmacHex(std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
        "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    EXPECT_EQ(HmacHex(std::string(80, '\xaa'),
                      "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
              "e8e99d0f45237d786d6bbaa7965c7808bbff1a91");
}

TEST(Hmac, KeyEnteredInPiecesEqualsKeyAtOnce) {
    const std::string data = "Test Using Larger Than Block-Size Key - Hash Key First";
    const std::string key80(80, '\xaa');
    // 40 + 40: the second piece pushes the key past one block.
    THmacContext ctx;
    HmacInit(ctx);
    ASSERT_EQ(HmacAddKey(key80.data(), 40, ctx), 0);
    ASSERT_EQ(HmacAddKey(key80.data() + 40, 40, ctx), 0);
    EXPECT_EQ(ctx.KeyLength, 80u);
    HmacAddData(data.data(), data.size(), ctx);
    std::uint8_t tag[20];
    HmacFinish(tag, 20, ctx);
    EXPECT_EQ(ToHex(tag, 20), "aa4ae5e15272d00e95705637ce8a3b55ed402112");

    // Every split of keys of 20, 64, 65 and 80 bytes, with the data split too.
    for (std::size_t keyLength : {20u, 64u, 65u, 80u}) {
        const std::string key = test::Pattern(keyLength, 9);
        const std::string msg = test::Pattern(100, 4);
        const std::string whole = HmacHex(key, msg);
        for (std::size_t k = 0; k <= keyLength; ++k) {
            THmacContext c;
            HmacInit(c);
            HmacAddKey(key.data(), k, c);
            HmacAddKey(key.data() + k, keyLength - k, c);
            const std::size_t d = (k * 37) % (msg.size() + 1);
            HmacAddData(msg.data(), d, c);
            HmacAddData(msg.data() + d, msg.size() - d, c);
            HmacFinish(tag, 20, c);
            ASSERT_EQ(ToHex(tag, 20), whole) << keyLength << " " << k;
        }
    }
}

TEST(Hmac, InterfaceRules) {
    // No data: the HMAC of the empty message.
    THmacContext ctx;
    HmacInit(ctx);
    HmacAddKey("key", 3, ctx);
    std::uint8_t tag[20];
    HmacFinish(tag, 20, ctx);
    EXPECT_EQ(ToHex(tag, 20), "f42bb0eeb018ebbd4597ae7213711ec60760843f");

    // A key piece after data is refused and changes nothing.
    HmacInit(ctx);
    HmacAddKey("Jefe", 4, ctx);
    HmacAddData("what do ya ", 11, ctx);
    EXPECT_EQ(ctx.KeyLength, HmacDataPhase);
    THmacContext before;
    std::memcpy(&before, &ctx, sizeof ctx);
    EXPECT_EQ(HmacAddKey("more", 4, ctx), -1);
    EXPECT_EQ(0, std::memcmp(&before, &ctx, sizeof ctx));
    HmacAddData("want for nothing?", 17, ctx);

    // Tag length 10 writes exactly the first 10 bytes.
    std::uint8_t out[20];
    std::memset(out, 0xEE, sizeof out);
    HmacFinish(out, 10, ctx);
    EXPECT_EQ(ToHex(out, 10), "effcdf6ae5eb2fa2d274");
    for (int i = 10; i < 20; ++i)
        EXPECT_EQ(out[i], 0xEE);

    // HmacInit zeroes every byte.
    std::memset(&ctx, 0x55, sizeof ctx);
    HmacInit(ctx);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&ctx);
    for (std::size_t i = 0; i < sizeof ctx; ++i)
        ASSERT_EQ(raw[i], 0) << i;
}

// ---------------------------------------------------------------------------
// PBKDF2

std::string Pbkdf2Hex(std::string_view password, std::string_view salt, std::uint32_t c,
                      std::size_t n) {
    std::vector<std::uint8_t> out(n);
    Pbkdf2Sha1(password.data(), password.size(), salt.data(), salt.size(), c, out.data(), n);
    return ToHex(out);
}

TEST(Pbkdf2, Rfc6070Vectors) {
    EXPECT_EQ(Pbkdf2Hex("password", "salt", 1, 20), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
    EXPECT_EQ(Pbkdf2Hex("password", "salt", 2, 20), "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
    EXPECT_EQ(Pbkdf2Hex("password", "salt", 4096, 20), "4b007901b765489abead49d926f721d065a429c1");
    EXPECT_EQ(
        Pbkdf2Hex("passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25),
        "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
    EXPECT_EQ(Pbkdf2Hex(std::string_view("pass\0word", 9), std::string_view("sa\0lt", 5), 4096, 16),
              "56fa6aa75548099dcc37d7f03425e0c3");
}

// Some seconds of work; run with --gtest_also_run_disabled_tests.
TEST(Pbkdf2, DISABLED_Rfc6070SixteenMillionIterations) {
    EXPECT_EQ(Pbkdf2Hex("password", "salt", 16777216, 20),
              "eefe3d61cd4da4e4e9945b3d6ba2158c2634e984");
}

TEST(Pbkdf2, OutputLengthsCutBlocks) {
    const std::string pw = "mzvbxnqpwo";
    const std::string salt = "\x01\x02\x03\x04\x05\x06\x07\x08";
    const std::string forty = Pbkdf2Hex(pw, salt, 1000, 40);
    const std::string thirtyFour = Pbkdf2Hex(pw, salt, 1000, 34);
    const std::string twenty = Pbkdf2Hex(pw, salt, 1000, 20);
    // 34 bytes: all of block 1, the first 14 bytes of block 2.
    EXPECT_EQ(thirtyFour, forty.substr(0, 68));
    EXPECT_EQ(twenty, forty.substr(0, 40));
    // Block 2 really is the second block (not a repeat of the first).
    EXPECT_NE(forty.substr(0, 40), forty.substr(40, 40));
    // An output of 20 computes only block 1: the bytes behind it stay untouched.
    std::uint8_t out[24];
    std::memset(out, 0xAB, sizeof out);
    Pbkdf2Sha1(pw.data(), pw.size(), salt.data(), salt.size(), 1000, out, 20);
    EXPECT_EQ(ToHex(out, 20), twenty);
    for (int i = 20; i < 24; ++i)
        EXPECT_EQ(out[i], 0xAB);
    // Independent values (Python's hashlib.pbkdf2_hmac) pin both blocks.
    EXPECT_EQ(forty,
              "76362cbd7deceffd150f315302ee212f7fd44ff5a2657277c482151f9bfbaa3989a892da2c65afa5");
    // A password longer than a block is hashed first, as an HMAC key is: it
    // gives what its SHA-1 digest gives as the password.
    const std::string longPassword(100, 'p');
    EXPECT_EQ(Pbkdf2Hex(longPassword, "salt", 2, 20), "01ea597c3f4afed0588e6820dca16da80ae34760");
    std::uint8_t digest[20];
    Sha1Digest(digest, longPassword.data(), longPassword.size());
    EXPECT_EQ(Pbkdf2Hex(std::string_view(reinterpret_cast<char*>(digest), 20), "salt", 2, 20),
              "01ea597c3f4afed0588e6820dca16da80ae34760");
}

// ---------------------------------------------------------------------------
// Salt pool

unsigned gCounterSource = 0;
unsigned gCounterCalls = 0;

// A predictable entropy source: 3 bytes per call from a running counter.
unsigned CounterEntropy(std::uint8_t* buffer, unsigned count) {
    ++gCounterCalls;
    const unsigned n = count < 3 ? count : 3;
    for (unsigned i = 0; i < n; ++i)
        buffer[i] = static_cast<std::uint8_t>(gCounterSource++);
    return n;
}

TEST(SaltPool, ReadsAcrossTheRefreshEqualPiecewiseReads) {
    gCounterSource = 0;
    TSaltPool a;
    SaltPoolInit(CounterEntropy, a);
    EXPECT_EQ(a.Position, 0u);
    std::uint8_t firstOutput[SaltPoolSize];
    std::memcpy(firstOutput, a.Output, SaltPoolSize);
    gCounterCalls = 0;
    std::uint8_t bytes[300];
    SaltPoolRead(bytes, 300, a);
    // 260 bytes, one refresh (260 / 3 rounded up calls of the source), 40 more.
    EXPECT_EQ(0, std::memcmp(bytes, firstOutput, SaltPoolSize));
    EXPECT_EQ(gCounterCalls, 87u);
    EXPECT_EQ(a.Position, 40u);
    EXPECT_EQ(0, std::memcmp(bytes + SaltPoolSize, a.Output, 40));

    gCounterSource = 0;
    TSaltPool b;
    SaltPoolInit(CounterEntropy, b);
    std::uint8_t pieces[300];
    std::size_t done = 0;
    for (std::size_t step : {1u, 7u, 100u, 152u, 40u}) {
        SaltPoolRead(pieces + done, step, b);
        done += step;
    }
    ASSERT_EQ(done, 300u);
    EXPECT_EQ(0, std::memcmp(bytes, pieces, 300));

    SaltPoolWipe(b);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&b);
    for (std::size_t i = 0; i < sizeof b; ++i)
        ASSERT_EQ(raw[i], 0) << i;
}

TEST(SaltPool, PoolsSeededAtDifferentMomentsDiffer) {
    TSaltPool a;
    TSaltPool b;
    SaltPoolInit(TimerEntropy, a);
    SaltPoolInit(TimerEntropy, b);
    std::uint8_t x[16];
    std::uint8_t y[16];
    SaltPoolRead(x, 16, a);
    SaltPoolRead(y, 16, b);
    EXPECT_NE(ToHex(x, 16), ToHex(y, 16));
}

TEST(SaltPool, TimerEntropyWritesAtMostEightBytes) {
    std::uint8_t buf[12];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(TimerEntropy(buf, 3), 3u);
    for (int i = 3; i < 12; ++i)
        EXPECT_EQ(buf[i], 0xEE);
    EXPECT_EQ(TimerEntropy(buf, 12), 8u);
    for (int i = 8; i < 12; ++i)
        EXPECT_EQ(buf[i], 0xEE);
    // The clock runs forward.
    std::uint8_t later[8];
    TimerEntropy(later, 8);
    std::uint64_t t0 = 0;
    std::uint64_t t1 = 0;
    for (int i = 7; i >= 0; --i) {
        t0 = (t0 << 8) | buf[i];
        t1 = (t1 << 8) | later[i];
    }
    EXPECT_GT(t1, t0);
}

TEST(SaltPool, MixChainsEachStepFromThePreviousOne) {
    // Changing the last byte of the buffer changes every 20-byte group after
    // one mix: step 0 chains from bytes 240..259 and each later step from the
    // group before it.
    std::uint8_t a[SaltPoolSize] = {};
    std::uint8_t b[SaltPoolSize] = {};
    b[SaltPoolSize - 1] = 1;
    PoolMix(a);
    PoolMix(b);
    for (std::size_t i = 0; i < SaltPoolSize; i += 20) {
        EXPECT_NE(0, std::memcmp(a + i, b + i, 20)) << i;
    }
}

}  // namespace
}  // namespace varnolt
