#pragma once
// Hex conversion and small helpers shared by the cipher tests (the file
// helpers are in support/).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnolt::test {

inline std::vector<std::uint8_t> Hex(std::string_view hex) {
    std::vector<std::uint8_t> out;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    int high = -1;
    for (char c : hex) {
        const int v = nibble(c);
        if (v < 0)
            continue;  // spaces between groups
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

inline std::string ToHex(const std::uint8_t* data, std::size_t count) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

inline std::string ToHex(const std::vector<std::uint8_t>& v) {
    return ToHex(v.data(), v.size());
}
inline std::string ToHex(std::string_view s) {
    return ToHex(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

inline const std::uint8_t* Bytes(std::string_view s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// Deterministic filler bytes.
inline std::string Pattern(std::size_t n, unsigned seed = 1) {
    std::string s(n, '\0');
    std::uint32_t x = seed * 2654435761u + 12345;
    for (auto& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

}  // namespace varnolt::test
