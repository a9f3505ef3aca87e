// The password-keyed cipher: PBKDF2 keys, AES counter mode with a
// little-endian block counter starting at 1, HMAC-SHA1 over the ciphertext.
#include <cstring>

#include "crypto/AesLib.h"

namespace varnolt {

namespace {

// Adds 1 to the little-endian counter in bytes 0..7; bytes 8..15 stay zero.
inline void IncrementCounter(std::uint8_t* counter) {
    std::uint64_t value;
    std::memcpy(&value, counter, 8);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap64(value) + 1;
    value = __builtin_bswap64(value);
#else
    ++value;
#endif
    std::memcpy(counter, &value, 8);
}

inline void NextKeystreamBlock(TCipherContext& ctx) {
    IncrementCounter(ctx.Counter);
    AesEncryptBlock(ctx.Counter, ctx.Keystream, ctx.Aes);
}

inline void Xor16(std::uint8_t* data, const std::uint8_t* key) {
    std::uint64_t a, b, k0, k1;
    std::memcpy(&a, data, 8);
    std::memcpy(&b, data + 8, 8);
    std::memcpy(&k0, key, 8);
    std::memcpy(&k1, key + 8, 8);
    a ^= k0;
    b ^= k1;
    std::memcpy(data, &a, 8);
    std::memcpy(data + 8, &b, 8);
}

}  // namespace

int CipherInit(int keyMode, const void* password, std::size_t passwordLength,
               const std::uint8_t* salt, std::uint8_t* verifier, TCipherContext& ctx) {
    if (passwordLength > MaxPasswordLength)
        return ErrPasswordTooLong;
    if (keyMode < 1 || keyMode > 3)
        return ErrBadMode;
    ctx.KeyMode = keyMode;
    ctx.PasswordLength = static_cast<std::uint32_t>(passwordLength);
    const std::size_t k = KeyLengthOf(keyMode);
    std::uint8_t derived[2 * 32 + 2];
    Pbkdf2Sha1(password, passwordLength, salt, SaltLengthOf(keyMode), KeyDerivationIterations,
               derived, 2 * k + 2);
    ctx.Position = 16;
    std::memset(ctx.Counter, 0, sizeof ctx.Counter);
    std::memset(ctx.Keystream, 0, sizeof ctx.Keystream);
    AesSetEncryptKey(derived, static_cast<unsigned>(k), ctx.Aes);
    HmacInit(ctx.Hmac);
    HmacAddKey(derived + k, k, ctx.Hmac);
    verifier[0] = derived[2 * k];
    verifier[1] = derived[2 * k + 1];
    SecureZero(derived, sizeof derived);
    return 0;
}

void CtrXor(std::uint8_t* data, std::size_t count, TCipherContext& ctx) {
    std::uint32_t pos = ctx.Position;
    // Use up the rest of the current keystream block.
    while (count && pos < 16) {
        *data++ ^= ctx.Keystream[pos++];
        --count;
    }
    while (count >= 16) {
        NextKeystreamBlock(ctx);
        Xor16(data, ctx.Keystream);
        data += 16;
        count -= 16;
    }
    if (count) {
        NextKeystreamBlock(ctx);
        for (pos = 0; pos < count; ++pos)
            data[pos] ^= ctx.Keystream[pos];
    }
    ctx.Position = pos;
}

void CipherEncrypt(std::uint8_t* data, std::size_t count, TCipherContext& ctx) {
    CtrXor(data, count, ctx);
    HmacAddData(data, count, ctx.Hmac);
}

void CipherDecrypt(std::uint8_t* data, std::size_t count, TCipherContext& ctx) {
    HmacAddData(data, count, ctx.Hmac);
    CtrXor(data, count, ctx);
}

int CipherTag(std::uint8_t* tag, TCipherContext& ctx) {
    HmacFinish(tag, static_cast<unsigned>(MacLength), ctx.Hmac);
    return static_cast<int>(MacLength);
}

}  // namespace varnolt
