// Known answers made outside the program: a settings file encrypted by
// another implementation of the same cipher, and the salt pool's output
// from a fixed entropy source, computed by a separate model of the pool
// (SaltPoolModel.py beside this file).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CryptoTestUtil.h"
#include "crypto/AesLib.h"

namespace varnolt {
namespace {

using test::Hex;
using test::ToHex;

// The data of an AES-128 entry (stored, not compressed) of a zip archive made
// by 7-Zip with the settings password: salt, password verifier, ciphertext
// and the 10-byte tag, which is exactly the layout of a settings file.
const std::string kForeignSalt = "c1b3a9e8629b0d0f";
const std::string kForeignVerifier = "0073";
const std::string kForeignCiphertext =
    "ca81762783902d13cd79437177d7ccaacbb8d922d60cb54ca4a532d66855350c"
    "2590eacf1aa05ff8bcb01653ee295f8d6295f90aca3e03e61cc5e8224bf9c7a8"
    "8756cf0f91b322141eba6b22d14d2ae494201615bece148753ae23835c0af12f"
    "17389b0e6232b44837f5d88bbbce2e4d9adbb5ce9916b3429826f62b49a690f9"
    "56143658cb81176810";
const std::string kForeignTag = "94f0ffcfde4867814269";
const std::string kForeignPlain =
    "<%%ApplicationName%%>Seven Keys<%%/ApplicationName%%>\r\n"
    "<%%BranderCode%%>SZ-7<%%/BranderCode%%>\r\n"
    "<%%BranderType%%>Gold<%%/BranderType%%>\r\n";

std::string AsString(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string ForeignImage() {
    return AsString(Hex(kForeignSalt + kForeignVerifier + kForeignCiphertext + kForeignTag));
}

TEST(ForeignSettingsFile, DecryptsToItsPlainTextAndEveryChangedByteIsCaught) {
    const std::string image = ForeignImage();
    ASSERT_EQ(image.size(), kForeignPlain.size() + 20);
    std::string plain;
    ASSERT_EQ(DecryptBytes(image, plain), DecryptResult::Ok);
    EXPECT_EQ(plain, kForeignPlain);

    // The key material splits as the other implementation split it: the
    // verifier is bytes 32 and 33 of the derived bytes.
    std::uint8_t derived[34];
    const std::string salt = AsString(Hex(kForeignSalt));
    Pbkdf2Sha1(SettingsPassword, std::strlen(SettingsPassword), salt.data(), salt.size(),
               KeyDerivationIterations, derived, sizeof derived);
    EXPECT_EQ(ToHex(derived + 32, 2), kForeignVerifier);

    // In chunks of any size, through the stream class.
    for (std::int32_t buffer : {1, 16, 17, 1000}) {
        TEncryption crypt(SettingsPassword, buffer);
        TMemorySource source(image);
        std::string out;
        TStringTarget target(out);
        EXPECT_TRUE(crypt.DecryptStream(source, &target, source.Size())) << buffer;
        EXPECT_EQ(out, kForeignPlain) << buffer;
    }

    // One changed bit anywhere (salt, verifier, ciphertext, tag), a byte cut
    // off or a byte added: never Ok, and no plain text is handed out.
    for (std::size_t i = 0; i < image.size(); ++i) {
        std::string damaged = image;
        damaged[i] = static_cast<char>(damaged[i] ^ (1 << (i % 8)));
        plain = "stale";
        EXPECT_EQ(DecryptBytes(damaged, plain), DecryptResult::Damaged) << i;
        EXPECT_EQ(plain, "") << i;
    }
    EXPECT_EQ(DecryptBytes(image.substr(0, image.size() - 1), plain), DecryptResult::Damaged);
    EXPECT_EQ(DecryptBytes(image + '\0', plain), DecryptResult::Damaged);
}

// ---------------------------------------------------------------------------
// Salt pool

unsigned gNext = 0;

// Three bytes per call from a counter that starts at 0.
unsigned CountingEntropy(std::uint8_t* buffer, unsigned count) {
    const unsigned n = count < 3 ? count : 3;
    for (unsigned i = 0; i < n; ++i)
        buffer[i] = static_cast<std::uint8_t>(gNext++);
    return n;
}

TEST(SaltPool, KnownOutputFromAFixedEntropySource) {
    // Mixing a zero buffer once: the first group and the last group.
    std::uint8_t zero[SaltPoolSize] = {};
    PoolMix(zero);
    EXPECT_EQ(ToHex(zero, 20), "ed47159ec291ec57c88bfa30545a78c7e3a5efa7");
    EXPECT_EQ(ToHex(zero + 240, 20), "4b91d7001e1f6f72a7ea55509f798d8d9b88560f");

    // 600 bytes read after seeding: the start, the read across the first
    // refresh (at 260) and the end, past the second refresh (at 520).
    gNext = 0;
    TSaltPool pool;
    SaltPoolInit(CountingEntropy, pool);
    std::uint8_t out[600];
    SaltPoolRead(out, sizeof out, pool);
    const std::pair<std::size_t, const char*> expected[] = {
        {0, "3686a09c94c689246cbdbc592c7d5c25"},
        {240, "f3f10db164c0b5b8d207e1d7c18dfc7186dc691401a72d55881de69b9ff2eb8b"},
        {560, "25a7b70cfeaf426cf63a4e5aba3e5514b100c00de66e9bd807d216490ac787a52039892b7582751b"},
    };
    for (const auto& [at, hex] : expected)
        EXPECT_EQ(ToHex(out + at, std::strlen(hex) / 2), hex) << at;
}

}  // namespace
}  // namespace varnolt
