// The password-keyed cipher and TEncryption over streams: the encrypted
// layout, the counter convention, chunking and tampering.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "CryptoTestUtil.h"
#include "crypto/AesLib.h"

namespace varnolt {
namespace {

using test::Bytes;
using test::Pattern;
using test::ToHex;

const std::string kPassword = SettingsPassword;

// A memory source that counts and records its reads.
class CountingSource : public TSourceStream {
public:
    explicit CountingSource(std::string_view data) : FInner(data), FSize(data.size()) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        requests.push_back(count);
        return FInner.Read(buffer, count);
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(FSize); }
    std::vector<std::size_t> requests;

private:
    TMemorySource FInner;
    std::size_t FSize;
};

// A target that fails after `limit` bytes.
class FailingTarget : public TTargetStream {
public:
    explicit FailingTarget(std::size_t limit) : FLimit(limit) {}
    void Write(const void*, std::size_t count) override {
        if (written + count > FLimit)
            throw std::runtime_error("disk full");
        written += count;
    }
    std::size_t written = 0;

private:
    std::size_t FLimit;
};

std::string Encrypt(std::string_view plain, std::string_view password = kPassword,
                    std::int32_t buffer = static_cast<std::int32_t>(CipherBufferSize)) {
    TEncryption crypt(password, buffer);
    TMemorySource source(plain);
    std::string out;
    TStringTarget target(out);
    EXPECT_TRUE(crypt.EncryptStream(source, target));
    return out;
}

// Decrypts into `plain`; returns the outcome of DecryptStream.
bool Decrypt(std::string_view file, std::string& plain, std::string_view password = kPassword,
             std::int32_t buffer = static_cast<std::int32_t>(CipherBufferSize)) {
    plain.clear();
    TEncryption crypt(password, buffer);
    TMemorySource source(file);
    TStringTarget target(plain);
    return crypt.DecryptStream(source, &target, static_cast<std::int64_t>(file.size()));
}

// The keys that the layout derives from a password and a salt.
struct Keys {
    std::uint8_t aes[32];
    std::uint8_t mac[32];
    std::uint8_t verifier[2];
};

Keys Derive(std::string_view password, const std::uint8_t* salt, int mode) {
    const std::size_t k = KeyLengthOf(mode);
    std::uint8_t material[66];
    Pbkdf2Sha1(password.data(), password.size(), salt, SaltLengthOf(mode), 1000, material,
               2 * k + 2);
    Keys keys{};
    std::memcpy(keys.aes, material, k);
    std::memcpy(keys.mac, material + k, k);
    std::memcpy(keys.verifier, material + 2 * k, 2);
    return keys;
}

// ---------------------------------------------------------------------------
// The layout, rebuilt from the primitives

TEST(CipherLayout, FileIsSaltVerifierCounterModeTextAndTruncatedTag) {
    const std::string plain = Pattern(1000, 5);
    const std::string file = Encrypt(plain);
    ASSERT_EQ(file.size(), plain.size() + 20);
    const auto* salt = Bytes(file);
    const Keys keys = Derive(kPassword, salt, 1);
    // Verifier: the two bytes after the 32 key bytes.
    EXPECT_EQ(ToHex(Bytes(file) + 8, 2), ToHex(keys.verifier, 2));
    // Ciphertext: block n of the keystream is AES of n as 8 little-endian
    // bytes and 8 zero bytes, the first block using counter 1.
    TAesContext aes;
    ASSERT_EQ(AesSetEncryptKey(keys.aes, 16, aes), 1);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const std::uint64_t n = i / 16 + 1;
        std::uint8_t counter[16] = {};
        for (int b = 0; b < 8; ++b)
            counter[b] = static_cast<std::uint8_t>(n >> (8 * b));
        std::uint8_t ks[16];
        AesEncryptBlock(counter, ks, aes);
        ASSERT_EQ(static_cast<std::uint8_t>(file[10 + i]),
                  static_cast<std::uint8_t>(plain[i] ^ ks[i % 16]))
            << i;
    }
    // Tag: the first 10 bytes of HMAC-SHA1 over the ciphertext only.
    std::uint8_t tag[20];
    HmacDigest(keys.mac, 16, file.data() + 10, plain.size(), tag, 20);
    EXPECT_EQ(ToHex(Bytes(file) + file.size() - 10, 10), ToHex(tag, 10));
}

TEST(CipherLayout, KeystreamBlock256IsTheFirstWithCounterByteOneSet) {
    // Zero plain text: the ciphertext is the keystream itself.
    const std::string plain(257 * 16, '\0');
    const std::string file = Encrypt(plain);
    const Keys keys = Derive(kPassword, Bytes(file), 1);
    TAesContext aes;
    AesSetEncryptKey(keys.aes, 128, aes);
    auto block = [&](std::uint8_t b0, std::uint8_t b1) {
        std::uint8_t counter[16] = {b0, b1};
        std::uint8_t ks[16];
        AesEncryptBlock(counter, ks, aes);
        return ToHex(ks, 16);
    };
    const auto* ct = Bytes(file) + 10;
    EXPECT_EQ(ToHex(ct, 16), block(1, 0));
    EXPECT_EQ(ToHex(ct + 254 * 16, 16), block(0xFF, 0));  // block 255
    EXPECT_EQ(ToHex(ct + 255 * 16, 16), block(0x00, 1));  // block 256
    EXPECT_EQ(ToHex(ct + 256 * 16, 16), block(0x01, 1));  // block 257
}

TEST(CipherLayout, KeyModeAndHeaderLengthFollowThePasswordLength) {
    const std::pair<std::size_t, int> cases[] = {{0, 1},  {10, 1}, {31, 1}, {32, 2},
                                                 {47, 2}, {48, 3}, {128, 3}};
    for (const auto& [length, mode] : cases) {
        SCOPED_TRACE(length);
        const std::string password = Pattern(length, 11);
        TEncryption crypt(password, 4096);
        EXPECT_EQ(crypt.KeyMode(), mode);
        const std::string plain = "key mode test";
        const std::string file = Encrypt(plain, password);
        const std::size_t header = SaltLengthOf(mode) + 2;
        EXPECT_EQ(header, mode == 1 ? 10u : mode == 2 ? 14u : 18u);
        ASSERT_EQ(file.size(), header + plain.size() + 10);
        // The derived verifier sits right behind the salt; the keys are
        // AES-128, -192 or -256.
        const Keys keys = Derive(password, Bytes(file), mode);
        EXPECT_EQ(ToHex(Bytes(file) + header - 2, 2), ToHex(keys.verifier, 2));
        TAesContext aes;
        ASSERT_EQ(AesSetEncryptKey(keys.aes, static_cast<unsigned>(KeyLengthOf(mode)), aes), 1);
        std::uint8_t one[16] = {1};
        std::uint8_t ks[16];
        AesEncryptBlock(one, ks, aes);
        EXPECT_EQ(static_cast<std::uint8_t>(file[header]), static_cast<std::uint8_t>('k' ^ ks[0]));
        std::string back;
        EXPECT_TRUE(Decrypt(file, back, password));
        EXPECT_EQ(back, plain);
    }
}

TEST(CipherLayout, EveryEncryptionUsesAFreshSalt) {
    const std::string plain = "BranderType^Gold\r\n";
    const std::string a = Encrypt(plain);
    const std::string b = Encrypt(plain);
    EXPECT_NE(a.substr(0, 8), b.substr(0, 8));
    EXPECT_NE(a, b);
    std::string back;
    EXPECT_TRUE(Decrypt(a, back));
    EXPECT_EQ(back, plain);
    EXPECT_TRUE(Decrypt(b, back));
    EXPECT_EQ(back, plain);
}

// ---------------------------------------------------------------------------
// The cipher context

TEST(CipherContext, InitRefusesLongPasswordsAndBadModesWithoutChanges) {
    TCipherContext ctx;
    std::memset(&ctx, 0x3C, sizeof ctx);
    TCipherContext before;
    std::memcpy(&before, &ctx, sizeof ctx);
    const std::string longPassword(129, 'p');
    const std::uint8_t salt[16] = {};
    std::uint8_t verifier[2] = {0xEE, 0xEE};
    EXPECT_EQ(CipherInit(1, longPassword.data(), 129, salt, verifier, ctx), ErrPasswordTooLong);
    EXPECT_EQ(CipherInit(0, "pw", 2, salt, verifier, ctx), ErrBadMode);
    EXPECT_EQ(CipherInit(4, "pw", 2, salt, verifier, ctx), ErrBadMode);
    EXPECT_EQ(0, std::memcmp(&before, &ctx, sizeof ctx));
    EXPECT_EQ(verifier[0], 0xEE);
    EXPECT_EQ(CipherInit(3, longPassword.data(), 128, salt, verifier, ctx), 0);
    EXPECT_EQ(ctx.KeyMode, 3);
    EXPECT_EQ(ctx.PasswordLength, 128u);
    EXPECT_EQ(ctx.Position, 16u);
    EXPECT_EQ(ctx.Aes.Rounds, 14u);
    EXPECT_EQ(ctx.Hmac.KeyLength, 32u);
    for (std::uint8_t b : ctx.Counter)
        EXPECT_EQ(b, 0);
}

TEST(CipherContext, DataFedAtEverySplitEqualsDataFedAtOnce) {
    const std::uint8_t salt[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::uint8_t verifier[2];
    TCipherContext base;
    ASSERT_EQ(CipherInit(1, "pw", 2, salt, verifier, base), 0);
    const std::string plain = Pattern(100, 2);
    std::string whole = plain;
    TCipherContext ctx = base;
    CipherEncrypt(reinterpret_cast<std::uint8_t*>(whole.data()), whole.size(), ctx);
    std::uint8_t wholeTag[10];
    EXPECT_EQ(CipherTag(wholeTag, ctx), 10);
    for (std::size_t a = 0; a <= plain.size(); ++a) {
        for (std::size_t b = a; b <= plain.size(); b += 13) {
            std::string data = plain;
            auto* p = reinterpret_cast<std::uint8_t*>(data.data());
            TCipherContext c = base;
            CipherEncrypt(p, a, c);
            CipherEncrypt(p + a, b - a, c);
            CipherEncrypt(p + b, data.size() - b, c);
            ASSERT_EQ(data, whole) << a << " " << b;
            std::uint8_t tag[10];
            CipherTag(tag, c);
            ASSERT_EQ(ToHex(tag, 10), ToHex(wholeTag, 10));
            // And back, split elsewhere.
            TCipherContext d = base;
            const std::size_t s = (a * 7) % (data.size() + 1);
            CipherDecrypt(p, s, d);
            CipherDecrypt(p + s, data.size() - s, d);
            ASSERT_EQ(data, plain);
            CipherTag(tag, d);
            ASSERT_EQ(ToHex(tag, 10), ToHex(wholeTag, 10));
        }
    }
}

// ---------------------------------------------------------------------------
// TEncryption over streams

TEST(EncryptionStream, EmptyTextIsTwentyBytes) {
    CountingSource source("");
    std::string file;
    TStringTarget target(file);
    TEncryption crypt(kPassword, 1024);
    ASSERT_TRUE(crypt.EncryptStream(source, target));
    EXPECT_EQ(file.size(), 20u);
    EXPECT_EQ(source.requests, (std::vector<std::size_t>{1024}));
    std::string back = "old";
    EXPECT_TRUE(Decrypt(file, back));
    EXPECT_EQ(back, "");
}

TEST(EncryptionStream, ExactlyOneBufferReadsOneChunkThenNothing) {
    const std::string plain = Pattern(CipherBufferSize, 8);
    CountingSource source(plain);
    std::string file;
    TStringTarget target(file);
    {
        TEncryption crypt(kPassword, static_cast<std::int32_t>(CipherBufferSize));
        ASSERT_TRUE(crypt.EncryptStream(source, target));
    }
    EXPECT_EQ(source.requests, (std::vector<std::size_t>{CipherBufferSize, CipherBufferSize}));
    EXPECT_EQ(file.size(), 262164u);
    // Decryption: salt, verifier, one chunk, tag.
    CountingSource in(file);
    std::string back;
    TStringTarget out(back);
    TEncryption crypt(kPassword, static_cast<std::int32_t>(CipherBufferSize));
    EXPECT_TRUE(crypt.DecryptStream(in, &out, in.Size()));
    EXPECT_EQ(in.requests, (std::vector<std::size_t>{8, 2, CipherBufferSize, 10}));
    EXPECT_EQ(back, plain);
}

TEST(EncryptionStream, BufferSizesCrossEachOther) {
    for (std::size_t length : {0u, 1u, 15u, 16u, 17u, 999u, 1000u, 1001u, 5000u}) {
        const std::string plain = Pattern(length, static_cast<unsigned>(length));
        for (std::int32_t writeBuffer : {16, 1000, 262144}) {
            const std::string file = Encrypt(plain, kPassword, writeBuffer);
            for (std::int32_t readBuffer : {16, 1000, 7, 262144}) {
                std::string back;
                ASSERT_TRUE(Decrypt(file, back, kPassword, readBuffer))
                    << length << " " << writeBuffer << " " << readBuffer;
                ASSERT_EQ(back, plain);
            }
        }
    }
}

TEST(EncryptionStream, DecryptWithoutTargetOnlyChecks) {
    const std::string file = Encrypt("some settings");
    TEncryption crypt(kPassword, 64);
    TMemorySource source(file);
    EXPECT_TRUE(crypt.DecryptStream(source, nullptr, static_cast<std::int64_t>(file.size())));
    std::string damaged = file;
    damaged[12] ^= 1;
    TEncryption again(kPassword, 64);
    TMemorySource bad(damaged);
    EXPECT_FALSE(again.DecryptStream(bad, nullptr, static_cast<std::int64_t>(damaged.size())));
}

TEST(EncryptionStream, WrongPasswordFailsAtTheVerifierOrTheTag) {
    const std::string plain = "ApplicationName^Keyword Wizard\r\n";
    const std::string file = Encrypt(plain);
    for (const char* wrong : {"mzvbxnqpwp", "", "MZVBXNQPWO", "mzvbxnqpw"}) {
        SCOPED_TRACE(wrong);
        std::string back;
        EXPECT_FALSE(Decrypt(file, back, wrong));
        // Unless the 2-byte verifier matches by chance, nothing is written.
        const Keys keys = Derive(wrong, Bytes(file), 1);
        if (std::memcmp(keys.verifier, file.data() + 8, 2) != 0) {
            EXPECT_EQ(back, "");
        } else {
            EXPECT_EQ(back.size(), plain.size());
        }
    }
}

TEST(EncryptionStream, EveryTamperingIsDetected) {
    const std::string plain = Pattern(300, 21);
    const std::string file = Encrypt(plain);
    // Each ciphertext byte: exactly that plain byte changes.
    for (std::size_t i = 10; i < 10 + plain.size(); i += 1) {
        std::string damaged = file;
        damaged[i] ^= 0x40;
        std::string back;
        ASSERT_FALSE(Decrypt(damaged, back)) << i;
        ASSERT_EQ(back.size(), plain.size());
        for (std::size_t j = 0; j < plain.size(); ++j) {
            ASSERT_EQ(back[j] == plain[j], j != i - 10) << i << " " << j;
        }
    }
    // Each tag byte: the text comes out whole, the check fails.
    for (std::size_t i = file.size() - 10; i < file.size(); ++i) {
        std::string damaged = file;
        damaged[i] ^= 0x01;
        std::string back;
        EXPECT_FALSE(Decrypt(damaged, back)) << i;
        EXPECT_EQ(back, plain);
    }
    // Each salt and verifier byte: the verifier differs (but for one time in
    // 65,536) and nothing is written.
    for (std::size_t i = 0; i < 10; ++i) {
        std::string damaged = file;
        damaged[i] ^= 0x80;
        std::string back;
        EXPECT_FALSE(Decrypt(damaged, back)) << i;
        const Keys keys = Derive(kPassword, Bytes(damaged), 1);
        if (std::memcmp(keys.verifier, damaged.data() + 8, 2) != 0) {
            EXPECT_EQ(back, "") << i;
        }
    }
    // Cut short: inside the tag, inside the ciphertext, inside the header.
    for (std::size_t length :
         {file.size() - 1, file.size() - 10, file.size() - 150, 19ul, 10ul, 9ul, 0ul}) {
        std::string back;
        EXPECT_FALSE(Decrypt(file.substr(0, length), back)) << length;
        if (length >= 20) {
            EXPECT_EQ(back, plain.substr(0, length - 20));
        } else {
            EXPECT_EQ(back, "");
        }
    }
    // Bytes appended behind the tag move the tag and fail the check.
    std::string back;
    EXPECT_FALSE(Decrypt(file + "x", back));
}

TEST(EncryptionStream, StreamFailuresGiveFalse) {
    const std::string plain = Pattern(5000, 3);
    for (std::size_t limit : {0u, 9u, 10u, 100u, 5009u, 5019u}) {
        TEncryption crypt(kPassword, 1000);
        TMemorySource source(plain);
        FailingTarget target(limit);
        EXPECT_FALSE(crypt.EncryptStream(source, target)) << limit;
    }
    FailingTarget roomy(5020);
    TEncryption crypt(kPassword, 1000);
    TMemorySource source(plain);
    EXPECT_TRUE(crypt.EncryptStream(source, roomy));
    EXPECT_EQ(roomy.written, 5020u);

    const std::string file = Encrypt(plain);
    TEncryption reader(kPassword, 1000);
    TMemorySource in(file);
    FailingTarget out(2500);
    EXPECT_FALSE(reader.DecryptStream(in, &out, static_cast<std::int64_t>(file.size())));
}

TEST(EncryptionStream, TooLongPasswordFailsInsteadOfUsingUnsetKeys) {
    const std::string password(129, 'x');
    TEncryption crypt(password, 1000);
    TMemorySource source("secret");
    std::string out;
    TStringTarget target(out);
    EXPECT_FALSE(crypt.EncryptStream(source, target));
    EXPECT_EQ(out, "");
}

// ---------------------------------------------------------------------------
// The settings file in memory

TEST(SettingsBytes, RoundTripAndDamage) {
    const std::string plain = "ApplicationName^Keyword Wizard\r\nBranderType^Gold\r\n";
    const std::string file = EncryptBytes(plain);
    EXPECT_EQ(file.size(), plain.size() + 20);
    std::string back = "left over";
    EXPECT_EQ(DecryptBytes(file, back), DecryptResult::Ok);
    EXPECT_EQ(back, plain);
    std::string damaged = file;
    damaged[15] ^= 4;
    back = "left over";
    EXPECT_EQ(DecryptBytes(damaged, back), DecryptResult::Damaged);
    EXPECT_EQ(back, "");
    EXPECT_EQ(DecryptBytes(file.substr(0, 19), back), DecryptResult::Damaged);
    EXPECT_EQ(DecryptBytes("", back), DecryptResult::Damaged);
    EXPECT_EQ(DecryptBytes(EncryptBytes(""), back), DecryptResult::Ok);
    EXPECT_EQ(back, "");
}

}  // namespace
}  // namespace varnolt
