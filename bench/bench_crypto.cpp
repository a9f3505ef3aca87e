// Speed of the settings-file cipher against OpenSSL in the same run.
//
// Run through bench/crypto.sh, which sets OPENSSL_ia32cap before the program
// starts so that OpenSSL uses its table-driven AES and integer SHA-1 code.
// Each pair of benchmarks does the same work on the same bytes:
//   Aes128Blocks     16-byte block encryptions over a 4 KiB buffer
//   Sha1             SHA-1 of 64 KiB
//   Pbkdf2           1000 iterations, 34 bytes of output
//   EncryptStream    the whole encrypt path over 64 MiB: key derivation,
//                    AES-128 counter mode, HMAC-SHA1 over the ciphertext, in
//                    chunks of 256 KiB
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>
#include <string>
#include <vector>

#include "crypto/AesLib.h"

namespace {

using namespace varnolt;

const std::uint8_t kKey[16] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                               0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};
const char* kPassword = "mzvbxnqpwo";
const std::uint8_t kSalt[8] = {1, 2, 3, 4, 5, 6, 7, 8};

std::vector<std::uint8_t> Filler(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    std::uint32_t x = 12345;
    for (auto& b : v) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return v;
}

// ---------------------------------------------------------------------------
// AES-128 blocks

void BM_Aes128Blocks_Varnolt(benchmark::State& state) {
    TAesContext ctx;
    AesSetEncryptKey(kKey, 16, ctx);
    auto buf = Filler(4096);
    for (auto _ : state) {
        for (std::size_t i = 0; i < buf.size(); i += 16) {
            AesEncryptBlock(buf.data() + i, buf.data() + i, ctx);
        }
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
}
BENCHMARK(BM_Aes128Blocks_Varnolt);

void BM_Aes128Blocks_OpenSSL(benchmark::State& state) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, kKey, nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    auto buf = Filler(4096);
    int len = 0;
    for (auto _ : state) {
        EVP_EncryptUpdate(ctx, buf.data(), &len, buf.data(), static_cast<int>(buf.size()));
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
    EVP_CIPHER_CTX_free(ctx);
}
BENCHMARK(BM_Aes128Blocks_OpenSSL);

// ---------------------------------------------------------------------------
// SHA-1

void BM_Sha1_Varnolt(benchmark::State& state) {
    auto buf = Filler(65536);
    std::uint8_t digest[20];
    for (auto _ : state) {
        Sha1Digest(digest, buf.data(), buf.size());
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
}
BENCHMARK(BM_Sha1_Varnolt);

void BM_Sha1_OpenSSL(benchmark::State& state) {
    auto buf = Filler(65536);
    EVP_MD* md = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    std::uint8_t digest[20];
    unsigned len = 0;
    for (auto _ : state) {
        EVP_DigestInit_ex(ctx, md, nullptr);
        EVP_DigestUpdate(ctx, buf.data(), buf.size());
        EVP_DigestFinal_ex(ctx, digest, &len);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
    EVP_MD_CTX_free(ctx);
    EVP_MD_free(md);
}
BENCHMARK(BM_Sha1_OpenSSL);

// ---------------------------------------------------------------------------
// PBKDF2-HMAC-SHA1, 1000 iterations, 34 bytes

void BM_Pbkdf2_Varnolt(benchmark::State& state) {
    std::uint8_t out[34];
    for (auto _ : state) {
        Pbkdf2Sha1(kPassword, std::strlen(kPassword), kSalt, sizeof kSalt, 1000, out, sizeof out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_Pbkdf2_Varnolt)->Unit(benchmark::kMicrosecond);

void BM_Pbkdf2_OpenSSL(benchmark::State& state) {
    unsigned char out[34];
    for (auto _ : state) {
        PKCS5_PBKDF2_HMAC_SHA1(kPassword, static_cast<int>(std::strlen(kPassword)), kSalt,
                               sizeof kSalt, 1000, sizeof out, out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_Pbkdf2_OpenSSL)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------
// The whole encrypt path over 64 MiB

constexpr std::size_t kBig = 64u << 20;

const std::vector<std::uint8_t>& BigInput() {
    static const std::vector<std::uint8_t> data = Filler(kBig);
    return data;
}

// Takes the encrypted bytes and keeps only a running sum, so no output
// buffer grows with the input.
class SinkTarget : public TTargetStream {
public:
    void Write(const void* data, std::size_t count) override {
        if (count)
            sum += static_cast<const std::uint8_t*>(data)[count - 1];
        bytes += count;
    }
    std::uint64_t sum = 0;
    std::uint64_t bytes = 0;
};

void BM_EncryptStream64MiB_Varnolt(benchmark::State& state) {
    const auto& input = BigInput();
    for (auto _ : state) {
        TEncryption crypt(SettingsPassword, static_cast<std::int32_t>(CipherBufferSize));
        TMemorySource source(
            std::string_view(reinterpret_cast<const char*>(input.data()), input.size()));
        SinkTarget target;
        if (!crypt.EncryptStream(source, target))
            state.SkipWithError("encrypt failed");
        benchmark::DoNotOptimize(target.sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBig));
}
BENCHMARK(BM_EncryptStream64MiB_Varnolt)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_EncryptStream64MiB_OpenSSL(benchmark::State& state) {
    const auto& input = BigInput();
    std::vector<std::uint8_t> buffer(CipherBufferSize);
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    for (auto _ : state) {
        // Same steps: fresh salt, key derivation, counter mode, HMAC, tag.
        std::uint8_t salt[8];
        RAND_bytes(salt, sizeof salt);
        std::uint8_t keys[34];
        PKCS5_PBKDF2_HMAC_SHA1(kPassword, static_cast<int>(std::strlen(kPassword)), salt,
                               sizeof salt, 1000, sizeof keys, keys);
        std::uint8_t iv[16] = {1};
        EVP_CIPHER_CTX* cipher = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex(cipher, EVP_aes_128_ctr(), nullptr, keys, iv);
        EVP_MAC_CTX* hmac = EVP_MAC_CTX_new(mac);
        char digestName[] = "SHA1";
        OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string("digest", digestName, 0),
                               OSSL_PARAM_construct_end()};
        EVP_MAC_init(hmac, keys + 16, 16, params);
        SinkTarget target;
        for (std::size_t off = 0; off < input.size(); off += buffer.size()) {
            const std::size_t n = std::min(buffer.size(), input.size() - off);
            int len = 0;
            EVP_EncryptUpdate(cipher, buffer.data(), &len, input.data() + off, static_cast<int>(n));
            EVP_MAC_update(hmac, buffer.data(), n);
            target.Write(buffer.data(), n);
        }
        std::uint8_t tag[20];
        std::size_t tagLength = 0;
        EVP_MAC_final(hmac, tag, &tagLength, sizeof tag);
        target.Write(tag, 10);
        benchmark::DoNotOptimize(target.sum);
        EVP_MAC_CTX_free(hmac);
        EVP_CIPHER_CTX_free(cipher);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBig));
    EVP_MAC_free(mac);
}
BENCHMARK(BM_EncryptStream64MiB_OpenSSL)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
