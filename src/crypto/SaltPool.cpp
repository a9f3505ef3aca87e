// Salt pool: clock readings stirred with the SHA-1 compression function.
#include <chrono>
#include <cstring>
#include <ctime>

#include "crypto/AesLib.h"

namespace varnolt {

namespace {

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

}  // namespace

unsigned TimerEntropy(std::uint8_t* buffer, unsigned count) {
    std::uint64_t value;
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC, &ts) == 0) {
        value = std::uint64_t(ts.tv_sec) * 1000000000u + std::uint64_t(ts.tv_nsec);
    } else {
        // Millisecond ticks in the low word only.
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        value = static_cast<std::uint32_t>(ms.count());
    }
    const unsigned n = count < 8 ? count : 8;
    for (unsigned i = 0; i < n; ++i)
        buffer[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return n;
}

void PoolMix(std::uint8_t* buffer) {
    TSha1Context scratch;
    for (std::size_t i = 0; i < SaltPoolSize; i += 20) {
        // Chain from the 20 bytes just before position i (wrapping to the end).
        const std::uint8_t* previous = buffer + (i == 0 ? SaltPoolSize - 20 : i - 20);
        for (int k = 0; k < 5; ++k)
            scratch.Hash[k] = LoadLe32(previous + 4 * k);
        for (std::size_t k = 0; k < 64; ++k)
            scratch.Buffer[k] = buffer[(i + k) % SaltPoolSize];
        Sha1Compress(scratch);
        for (int k = 0; k < 5; ++k)
            StoreLe32(buffer + i + 4 * k, scratch.Hash[k]);
    }
    SecureZero(&scratch, sizeof scratch);
}

void PoolRefresh(TSaltPool& pool) {
    std::memcpy(pool.Output, pool.Pool, SaltPoolSize);
    std::size_t filled = 0;
    while (filled < SaltPoolSize) {
        const unsigned missing = static_cast<unsigned>(SaltPoolSize - filled);
        unsigned n = pool.Entropy ? pool.Entropy(pool.Pool + filled, missing) : 0;
        // A source that gives nothing (or claims too much) must not stall the pool.
        if (n == 0)
            n = 1;
        if (n > missing)
            n = missing;
        filled += n;
    }
    for (std::size_t i = 0; i < SaltPoolSize; ++i) {
        pool.Pool[i] ^= static_cast<std::uint8_t>(~pool.Output[i]);
    }
    PoolMix(pool.Pool);
    PoolMix(pool.Output);
}

void SaltPoolInit(TEntropySource entropy, TSaltPool& pool) {
    std::memset(&pool, 0, sizeof pool);
    pool.Entropy = entropy;
    PoolRefresh(pool);
    for (int i = 0; i < 20; ++i)
        PoolMix(pool.Pool);
    PoolRefresh(pool);
    pool.Position = 0;
}

void SaltPoolRead(std::uint8_t* output, std::size_t count, TSaltPool& pool) {
    while (count) {
        std::size_t take = SaltPoolSize - pool.Position;
        if (take > count)
            take = count;
        std::memcpy(output, pool.Output + pool.Position, take);
        output += take;
        count -= take;
        pool.Position += static_cast<std::uint32_t>(take);
        if (pool.Position >= SaltPoolSize) {
            PoolRefresh(pool);
            pool.Position = 0;
        }
    }
}

void SaltPoolWipe(TSaltPool& pool) {
    SecureZero(&pool, sizeof pool);
}

}  // namespace varnolt
