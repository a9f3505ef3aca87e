#include "util/TextCodec.h"

#include <cstdint>
#include <cstring>

namespace varnolt {

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t pos) {
    const std::size_t left = bytes.size() - pos;
    auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[pos + i]); };
    auto cont = [&](std::size_t i) { return (at(i) & 0xC0) == 0x80; };
    const std::uint8_t b0 = at(0);
    if (b0 < 0x80)
        return 1;
    if (b0 < 0xC2)
        return 0;  // continuation byte, or a two-byte overlong lead
    if (b0 < 0xE0)
        return left >= 2 && cont(1) ? 2 : 0;
    if (b0 < 0xF0) {
        if (left < 3 || !cont(1) || !cont(2))
            return 0;
        if (b0 == 0xE0 && at(1) < 0xA0)
            return 0;  // overlong
        if (b0 == 0xED && at(1) >= 0xA0)
            return 0;  // UTF-16 surrogate
        return 3;
    }
    if (b0 < 0xF5) {
        if (left < 4 || !cont(1) || !cont(2) || !cont(3))
            return 0;
        if (b0 == 0xF0 && at(1) < 0x90)
            return 0;  // overlong
        if (b0 == 0xF4 && at(1) >= 0x90)
            return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        // ASCII runs are the common case: skip them eight bytes at a time.
        while (i + 8 <= bytes.size()) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            if (word & 0x8080808080808080ull)
                break;
            i += 8;
        }
        if (i >= bytes.size())
            break;
        std::size_t n = Utf8SequenceLength(bytes, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

char32_t Utf8CodePoint(std::string_view bytes, std::size_t pos, std::size_t length) {
    static constexpr std::uint8_t kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t c = static_cast<std::uint8_t>(bytes[pos]) & kLeadBits[length];
    for (std::size_t k = 1; k < length; ++k)
        c = (c << 6) | (static_cast<std::uint8_t>(bytes[pos + k]) & 0x3Fu);
    return c;
}

std::string_view DropUtf8Bom(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return bytes;
}

namespace {
// Code points of the bytes 0x80 to 0x9F; the five unassigned bytes stand for
// the C1 control of the same number.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}
}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else if (b < 0xA0) {
            AppendUtf8(out, kCp1252High[b - 0x80]);
        } else {
            AppendUtf8(out, b);  // 0xA0-0xFF are U+00A0-U+00FF
        }
    }
    return out;
}

std::string DecodeForDisplay(std::string_view bytes) {
    bytes = DropUtf8Bom(bytes);
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return Cp1252ToUtf8(bytes);
}

}  // namespace varnolt
