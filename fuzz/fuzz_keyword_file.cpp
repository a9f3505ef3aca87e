// The keyword file decoder.
//
// Properties: the text is always well-formed UTF-8 whose every line break is
// CR LF; the program's UTF-8 test agrees with the one here; a UTF-8 file
// keeps its lines byte for byte; any other file keeps its lines too, each
// byte becoming one character (ASCII bytes unchanged, others above 0x7F);
// decoding the text again changes nothing; read a piece at a time, the file
// gives the lines of the whole read.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "util/KeywordFile.h"
#include "util/TextCodec.h"

using namespace varnolt;
using varnolt::fuzz::WellFormedUtf8;

namespace {

// The code points of well-formed UTF-8.
std::vector<std::uint32_t> CodePoints(std::string_view s) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned b = static_cast<unsigned char>(s[i]);
        const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        std::uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += 1 + extra;
    }
    return out;
}

bool OnlyCrLfBreaks(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n'))
            return false;
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r'))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool wellFormed = WellFormedUtf8(bytes);
    FUZZ_REQUIRE(IsValidUtf8(bytes) == wellFormed);

    const std::string text = DecodeKeywordText(bytes);
    FUZZ_REQUIRE(WellFormedUtf8(text));
    FUZZ_REQUIRE(OnlyCrLfBreaks(text));

    std::string_view body = bytes;
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        body.remove_prefix(3);
    const auto inLines = KeywordLines(body);
    const auto outLines = KeywordLines(text);
    FUZZ_REQUIRE(inLines.size() == outLines.size());
    if (WellFormedUtf8(body)) {
        FUZZ_REQUIRE(inLines == outLines);
        FUZZ_REQUIRE(ToLf(text) == ToLf(body));
    } else {
        for (std::size_t n = 0; n < inLines.size(); ++n) {
            const auto cps = CodePoints(outLines[n]);
            FUZZ_REQUIRE(cps.size() == inLines[n].size());
            for (std::size_t i = 0; i < cps.size(); ++i) {
                const unsigned char b = static_cast<unsigned char>(inLines[n][i]);
                FUZZ_REQUIRE(b < 0x80 ? cps[i] == b : cps[i] >= 0x80);
            }
        }
    }
    if (text.substr(0, 3) != "\xEF\xBB\xBF")
        FUZZ_REQUIRE(DecodeKeywordText(text) == text);

    const int fd = memfd_create("keywords", 0);
    if (fd >= 0) {
        FUZZ_REQUIRE(write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
        FUZZ_REQUIRE(lseek(fd, 0, SEEK_SET) == 0);
        std::vector<std::string> got;
        const bool any = ForEachKeywordLines(
            fd, "fuzz",
            [&](std::span<const std::string_view> lines) {
                got.insert(got.end(), lines.begin(), lines.end());
            },
            [&] { got.clear(); }, 1 + size % 13);
        close(fd);
        FUZZ_REQUIRE(any == !text.empty());
        FUZZ_REQUIRE(got == std::vector<std::string>(outLines.begin(), outLines.end()));
    }
    return 0;
}
