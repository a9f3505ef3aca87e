// Case folding for comparing lines with letter case ignored.
#include <string>
#include <string_view>

#include "keywords/UniqueSink.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

bool Even(char32_t c) {
    return (c & 1u) == 0;
}

// The simple case folding of one code point in the covered blocks.
char32_t FoldCodePoint(char32_t c) {
    if (c < 0x100) {
        if (c == 0xB5)
            return 0x3BC;
        return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? c + 0x20 : c;
    }
    if (c < 0x180) {  // Latin Extended-A
        if ((c <= 0x12F || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && Even(c))
            return c + 1;
        if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !Even(c))
            return c + 1;
        if (c == 0x178)
            return 0xFF;
        return c == 0x17F ? U's' : c;
    }
    if (c >= 0x370 && c < 0x400) {  // Greek and Coptic
        switch (c) {
            case 0x370:
            case 0x372:
            case 0x376:
            case 0x3F7:
            case 0x3FA:
                return c + 1;
            case 0x37F:
                return 0x3F3;
            case 0x386:
                return 0x3AC;
            case 0x38C:
                return 0x3CC;
            case 0x38E:
            case 0x38F:
                return c + 0x3F;
            case 0x3C2:
                return 0x3C3;
            case 0x3CF:
                return 0x3D7;
            case 0x3D0:
                return 0x3B2;
            case 0x3D1:
            case 0x3F4:
                return 0x3B8;
            case 0x3D5:
                return 0x3C6;
            case 0x3D6:
                return 0x3C0;
            case 0x3F0:
                return 0x3BA;
            case 0x3F1:
                return 0x3C1;
            case 0x3F5:
                return 0x3B5;
            case 0x3F9:
                return 0x3F2;
            default:
                break;
        }
        if (c >= 0x388 && c <= 0x38A)
            return c + 0x25;
        if ((c >= 0x391 && c <= 0x3A1) || (c >= 0x3A3 && c <= 0x3AB))
            return c + 0x20;
        if (c >= 0x3D8 && c <= 0x3EF && Even(c))
            return c + 1;
        if (c >= 0x3FD)
            return c - 0x82;
        return c;
    }
    if (c >= 0x400 && c < 0x530) {  // Cyrillic and its supplement
        if (c < 0x410)
            return c + 0x50;
        if (c < 0x430)
            return c + 0x20;
        if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || c >= 0x4D0) && Even(c))
            return c + 1;
        if (c == 0x4C0)
            return 0x4CF;
        if (c >= 0x4C1 && c <= 0x4CE && !Even(c))
            return c + 1;
        return c;
    }
    if (c >= 0x1E00 && c < 0x1F00) {  // Latin Extended Additional
        if (c == 0x1E9B)
            return 0x1E61;
        if (c == 0x1E9E)
            return 0xDF;
        if ((c <= 0x1E95 || c >= 0x1EA0) && Even(c))
            return c + 1;
    }
    return c;
}

void AppendUtf8(std::string& dst, char32_t c) {
    if (c < 0x80) {
        dst.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        dst.push_back(static_cast<char>(0xC0 | (c >> 6)));
        dst.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        dst.push_back(static_cast<char>(0xE0 | (c >> 12)));
        dst.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        dst.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Appends `text` folded to `dst`. ASCII goes through a byte loop into room
// made once; the first byte above 0x7F switches to the decoding loop.
void AppendFolded(std::string& dst, std::string_view text) {
    const std::size_t at = dst.size();
    dst.resize(at + text.size());
    char* out = dst.data() + at;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80)
            break;
        out[i] = static_cast<char>(static_cast<unsigned>(b - 'A') < 26u ? b + 32 : b);
    }
    if (i == text.size())
        return;
    dst.resize(at + i);
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            dst.push_back(static_cast<char>(static_cast<unsigned>(b - 'A') < 26u ? b + 32 : b));
            ++i;
            continue;
        }
        const std::size_t n = Utf8SequenceLength(text, i);
        // The covered blocks are all two- or three-byte sequences.
        if (n == 2 || n == 3) {
            char32_t c = n == 2 ? (b & 0x1Fu) : (b & 0x0Fu);
            for (std::size_t k = 1; k < n; ++k)
                c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
            AppendUtf8(dst, FoldCodePoint(c));
        } else {
            dst.append(text.substr(i, n ? n : 1));
        }
        i += n ? n : 1;
    }
}

}  // namespace

void FoldCaseInto(std::string& dst, std::string_view text) {
    dst.clear();
    AppendFolded(dst, text);
}

std::string FoldCase(std::string_view text) {
    std::string folded;
    AppendFolded(folded, text);
    return folded;
}

}  // namespace varnolt
