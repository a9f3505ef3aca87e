// The decryption of the settings file.
//
// Either the input itself is taken as an encrypted file, or it gives a salt,
// a plain text and a damage: the plain text is encrypted with the cipher
// primitives (apart from the stream classes), the image is checked to
// decrypt to the plain text, then damaged and decrypted again.
//
// Properties: a damaged image never decrypts as Ok and leaves no plain text;
// an intact one gives its plain text back in one piece and in chunks of any
// size; a changed ciphertext byte changes exactly that byte of what the
// stream writes; what arbitrary bytes decrypt to is never longer than they
// allow, and the one-call and stream forms agree on the outcome.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "crypto/AesLib.h"

using namespace varnolt;

namespace {

constexpr std::size_t kOverhead = 8 + PasswordVerifierLength + MacLength;

// Decrypts through TEncryption in chunks of `buffer` bytes.
bool StreamDecrypt(std::string_view image, std::int32_t buffer, std::string& out) {
    out.clear();
    TEncryption crypt(SettingsPassword, buffer);
    TMemorySource source(image);
    TStringTarget target(out);
    return crypt.DecryptStream(source, &target, source.Size());
}

std::string Seal(const std::string& salt, std::string plain) {
    TCipherContext ctx;
    std::uint8_t verifier[PasswordVerifierLength];
    const std::string password = SettingsPassword;
    FUZZ_REQUIRE(CipherInit(1, password.data(), password.size(),
                            reinterpret_cast<const std::uint8_t*>(salt.data()), verifier,
                            ctx) == 0);
    CipherEncrypt(reinterpret_cast<std::uint8_t*>(plain.data()), plain.size(), ctx);
    std::uint8_t tag[MacLength];
    FUZZ_REQUIRE(CipherTag(tag, ctx) == static_cast<int>(MacLength));
    return salt + std::string(reinterpret_cast<char*>(verifier), sizeof verifier) + plain +
           std::string(reinterpret_cast<char*>(tag), sizeof tag);
}

void CheckArbitrary(std::string_view bytes, std::int32_t buffer) {
    std::string plain = "left over";
    const DecryptResult result = DecryptBytes(bytes, plain);
    FUZZ_REQUIRE(result != DecryptResult::CannotOpen);
    std::string streamed;
    const bool ok = StreamDecrypt(bytes, buffer, streamed);
    FUZZ_REQUIRE(ok == (result == DecryptResult::Ok));
    FUZZ_REQUIRE(streamed.size() <= (bytes.size() > kOverhead ? bytes.size() - kOverhead : 0));
    if (result == DecryptResult::Ok) {
        FUZZ_REQUIRE(plain.size() == bytes.size() - kOverhead);
        FUZZ_REQUIRE(streamed == plain);
    } else {
        FUZZ_REQUIRE(plain.empty());
    }
}

void CheckDamage(FuzzedDataProvider& in) {
    const std::string salt = in.ConsumeBytesAsString(8);
    if (salt.size() != 8)
        return;
    const int kind = in.ConsumeIntegralInRange(0, 2);
    const std::size_t where = in.ConsumeIntegral<std::uint16_t>();
    const std::uint8_t mask = in.ConsumeIntegralInRange<std::uint8_t>(1, 255);
    const std::int32_t buffer = in.ConsumeIntegralInRange<std::int32_t>(1, 300);
    const std::string plain = in.ConsumeRemainingBytesAsString();

    const std::string image = Seal(salt, plain);
    FUZZ_REQUIRE(image.size() == plain.size() + kOverhead);
    std::string out;
    FUZZ_REQUIRE(DecryptBytes(image, out) == DecryptResult::Ok);
    FUZZ_REQUIRE(out == plain);
    FUZZ_REQUIRE(StreamDecrypt(image, buffer, out));
    FUZZ_REQUIRE(out == plain);

    std::string damaged = image;
    switch (kind) {
        case 0:  // one byte changed
            damaged[where % damaged.size()] ^= static_cast<char>(mask);
            break;
        case 1:  // cut short
            damaged.resize(where % damaged.size());
            break;
        default:  // bytes added at the end
            damaged.append(1 + where % 32, static_cast<char>(mask));
            break;
    }
    out = "left over";
    FUZZ_REQUIRE(DecryptBytes(damaged, out) == DecryptResult::Damaged);
    FUZZ_REQUIRE(out.empty());
    const bool ok = StreamDecrypt(damaged, buffer, out);
    FUZZ_REQUIRE(!ok);
    const std::size_t at = where % image.size();
    if (kind == 0 && at >= 10 && at < 10 + plain.size()) {
        // A ciphertext byte: only that byte of the output differs.
        FUZZ_REQUIRE(out.size() == plain.size());
        for (std::size_t i = 0; i < plain.size(); ++i)
            FUZZ_REQUIRE((out[i] == plain[i]) == (i != at - 10));
    }
    if (kind == 0 && at >= 10 + plain.size())
        FUZZ_REQUIRE(out == plain);  // a tag byte: the text itself is intact
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        CheckDamage(in);
    } else {
        const std::int32_t buffer = in.ConsumeIntegralInRange<std::int32_t>(1, 300);
        CheckArbitrary(in.ConsumeRemainingBytesAsString(), buffer);
    }
    return 0;
}
