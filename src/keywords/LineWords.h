#pragma once
// The words of a line, for the set of lines: read a few at a time without
// branching on the line's length, hashed alike whatever the A-Z case, and
// compared with A-Z lowered.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace varnolt::line_words {

// The eight bytes at `p` as one word.
inline std::uint64_t Load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// A text shorter than eight bytes as one word: for four bytes or more its
// first and last four (overlapping), else its first, middle and last byte.
// Nothing outside the text is read, and equal texts of one size give equal
// words.
inline std::uint64_t ShortWord(const char* p, std::size_t n) {
    if (n >= 4) {
        std::uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + n - 4, 4);
        return lo | (static_cast<std::uint64_t>(hi) << 32);
    }
    if (n == 0)
        return 0;
    const auto b = [p](std::size_t i) {
        return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i]));
    };
    return b(0) | (b(n / 2) << 8) | (b(n - 1) << 16);
}

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHigh = 0x8080808080808080ull;

// Every byte A-Z of `w` lowered; other bytes, those above 0x7F included, stay.
inline std::uint64_t Lower8(std::uint64_t w) {
    const std::uint64_t low = w & ~kHigh;
    const std::uint64_t upper =
        ((low + (0x80 - 'A') * kOnes) ^ (low + (0x80 - 'Z' - 1) * kOnes)) & ~w & kHigh;
    return w | (upper >> 2);
}

// The 128-bit product of `a` and `b`, folded to 64 bits.
inline std::uint64_t Mix(std::uint64_t a, std::uint64_t b) {
    const unsigned __int128 r = static_cast<unsigned __int128>(a) * b;
    return static_cast<std::uint64_t>(r) ^ static_cast<std::uint64_t>(r >> 64);
}

// A text of 8 to 32 bytes as four words that cover every byte, at offsets
// that depend on its length alone (0, 8, n - 16, n - 8, each kept inside
// the text), so that most lines are hashed and compared without a branch
// on their length.
struct Words4 {
    std::uint64_t a, b, c, d;
    // The offsets of b and c: n - 8 and 0 below 16 bytes, else 8 and n - 16.
    static std::size_t OffsetB(std::size_t n) { return 8 - (-std::size_t{n < 16} & (16 - n)); }
    static std::size_t OffsetC(std::size_t n) { return -std::size_t{n > 16} & (n - 16); }
    Words4(const char* p, std::size_t n)
        : a(Load8(p)), b(Load8(p + OffsetB(n))), c(Load8(p + OffsetC(n))), d(Load8(p + n - 8)) {}
    Words4 Lowered() const {
        Words4 w = *this;
        w.a = Lower8(a);
        w.b = Lower8(b);
        w.c = Lower8(c);
        w.d = Lower8(d);
        return w;
    }
    std::uint64_t Any() const { return a | b | c | d; }
    // Writes the n bytes these words were read from at `p`.
    void Store(char* p, std::size_t n) const {
        std::memcpy(p, &a, 8);
        std::memcpy(p + OffsetB(n), &b, 8);
        std::memcpy(p + OffsetC(n), &c, 8);
        std::memcpy(p + n - 8, &d, 8);
    }
};

constexpr std::uint64_t kKey[6] = {0xA0761D6478BD642Full, 0xE7037ED1A0B428DBull,
                                   0x8EBC6AF09C88C6E3ull, 0x589965CC75374CC3ull,
                                   0x1D8E4E27C47D124Full, 0x9E3779B97F4A7C15ull};

// The hash reads every byte with 0x20 set: A-Z and a-z alike, so lines
// equal with A-Z case ignored hash alike (a few others, such as '[' and '{',
// do too, and the comparison tells them apart).
constexpr std::uint64_t kCase = 0x2020202020202020ull;

inline std::uint64_t Mix4(const Words4& w, std::uint64_t seed) {
    return Mix((w.a | kCase) ^ kKey[0], (w.b | kCase) ^ kKey[1] ^ seed) ^
           Mix((w.c | kCase) ^ kKey[2], (w.d | kCase) ^ kKey[3] ^ seed);
}

// The hash of `text` with A-Z lowered; `any` gets the OR of all its words,
// so that a set high bit tells of a byte above 0x7F.
[[gnu::always_inline]] inline std::uint64_t HashLowered(const char* text, std::size_t size,
                                                        std::uint64_t& any) {
    std::uint64_t h;
    if (size >= 8 && size <= 32) [[likely]] {
        const Words4 w(text, size);
        any = w.Any();
        h = Mix4(w, size);
    } else if (size < 8) {
        const std::uint64_t w = ShortWord(text, size);
        any = w;
        h = Mix((w | kCase) ^ kKey[0], size ^ kKey[1]);
    } else {
        // Longer lines: 32 bytes at a time, then the last 32.
        std::uint64_t seen = 0;
        h = size;
        for (std::size_t i = 0; i + 32 < size; i += 32) {
            const Words4 w(text + i, 32);
            seen |= w.Any();
            h = Mix4(w, h);
        }
        const Words4 w(text + size - 32, 32);
        any = seen | w.Any();
        h = Mix4(w, h);
    }
    return Mix(h ^ kKey[4], kKey[5]);
}

// True when the `size` bytes at `a` and at `b` are equal with A-Z lowered.
inline bool EqualsLowered(const char* a, const char* b, std::size_t size) {
    const auto same = [](const Words4& x, const Words4& y) {
        const Words4 p = x.Lowered(), q = y.Lowered();
        return ((p.a ^ q.a) | (p.b ^ q.b) | (p.c ^ q.c) | (p.d ^ q.d)) == 0;
    };
    if (size < 8)
        return Lower8(ShortWord(a, size)) == Lower8(ShortWord(b, size));
    if (size <= 32)
        return same(Words4(a, size), Words4(b, size));
    for (std::size_t i = 0; i + 32 < size; i += 32) {
        if (!same(Words4(a + i, 32), Words4(b + i, 32)))
            return false;
    }
    return same(Words4(a + size - 32, 32), Words4(b + size - 32, 32));
}

}  // namespace varnolt::line_words
