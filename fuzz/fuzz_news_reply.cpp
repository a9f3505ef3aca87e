// The news reply parsers: trimming, end markers, error words, "$hh"
// escapes, news ids and the balloon rule.
//
// Properties: each parser agrees with a plain reference written here; the
// trimmed reply is a blank-free slice of the reply; any bytes written as
// "$hh" escapes (in either letter case, the last one possibly with a single
// digit) decode back to themselves; a text without '$' decodes to itself;
// every 32-bit id written in decimal reads back as itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzCheck.h"
#include "news/NewsMessages.h"
#include "news/NewsProtocol.h"

using namespace varnolt;

namespace {

const std::string kMarker = "\xAFOK";

std::string ReferenceRemoveMarkers(std::string_view r) {
    std::string out;
    for (std::size_t i = 0; i < r.size();) {
        if (r.substr(i, 3) == kMarker) {
            i += 3;
        } else {
            out += r[i++];
        }
    }
    return out;
}

int Hex(char c) {
    const std::string digits = "0123456789abcdef";
    const char lower = (c >= 'A' && c <= 'F') ? static_cast<char>(c + 32) : c;
    const std::size_t at = digits.find(lower);
    return at == std::string::npos || c == '\0' ? -1 : static_cast<int>(at);
}

std::string ReferenceDecode(std::string_view r) {
    std::string out;
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (r[i] != '$') {
            out += r[i];
            continue;
        }
        if (i + 1 == r.size() || Hex(r[i + 1]) < 0)
            return {};
        if (i + 2 == r.size()) {  // one digit is enough at the very end
            out += static_cast<char>(Hex(r[i + 1]));
            return out;
        }
        if (Hex(r[i + 2]) < 0)
            return {};
        out += static_cast<char>(Hex(r[i + 1]) * 16 + Hex(r[i + 2]));
        i += 2;
    }
    return out;
}

// An optional sign (one '+' or one '-') and decimal digits in the 32-bit range.
std::int32_t ReferenceId(std::string_view id) {
    std::size_t i = 0;
    bool negative = false;
    if (!id.empty() && (id[0] == '+' || id[0] == '-')) {
        negative = id[0] == '-';
        i = 1;
    }
    if (i == id.size())
        return 0;
    std::int64_t value = 0;
    for (; i < id.size(); ++i) {
        if (id[i] < '0' || id[i] > '9')
            return 0;
        value = value * 10 + (id[i] - '0');
        if (value > (std::int64_t{1} << 31))
            return 0;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN)
        return 0;
    return static_cast<std::int32_t>(value);
}

bool Blank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

void CheckReply(const std::string& r, const std::string& title, const std::string& stored) {
    const std::string_view t = TrimReply(r);
    FUZZ_REQUIRE(t.empty() || (t.data() >= r.data() && t.data() + t.size() <= r.data() + r.size()));
    FUZZ_REQUIRE(t.empty() || (!Blank(t.front()) && !Blank(t.back())));
    FUZZ_REQUIRE(TrimReply(t) == t);
    std::size_t blanks = 0;
    for (char c : r)
        blanks += Blank(c) ? 1 : 0;
    FUZZ_REQUIRE(!t.empty() || blanks == r.size());

    const std::string message = NewsErrorMessage(t, true);
    FUZZ_REQUIRE(message.empty() == !(t.empty() || t == "CONNECTIONFAIL" || t == "INVALIDUSER" ||
                                      t == "INVALIDPRODUCT" || t == "INVALIDNEWS"));
    FUZZ_REQUIRE(NewsErrorMessage(t, false).empty() == (message.empty() || t == "INVALIDNEWS"));

    const std::string bare = RemoveEndMarkers(r);
    FUZZ_REQUIRE(bare == ReferenceRemoveMarkers(r));
    FUZZ_REQUIRE(DecodeDollarHex(r) == ReferenceDecode(r));
    if (r.find('$') == std::string::npos)
        FUZZ_REQUIRE(DecodeDollarHex(r) == r);

    const std::int32_t id = NewsIdToInt(r);
    FUZZ_REQUIRE(id == ReferenceId(r));
    const auto hint = NewsHintText(r, title, stored);
    FUZZ_REQUIRE(hint.has_value() == (id > ReferenceId(stored)));
    if (hint)
        FUZZ_REQUIRE(*hint == kNewsHintHeading + title);
}

void CheckEscapes(FuzzedDataProvider& in) {
    const std::string bytes = in.ConsumeRandomLengthString(256);
    const std::uint64_t style = in.ConsumeIntegral<std::uint64_t>();
    std::string encoded;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        const bool bit = (style >> (i % 64)) & 1;
        char piece[4];
        if (b != '$' && bit) {
            encoded += static_cast<char>(b);  // a plain byte stands for itself
        } else if (i + 1 == bytes.size() && b < 16 && ((style >> ((i + 3) % 64)) & 1)) {
            std::snprintf(piece, sizeof piece, "$%X", b);
            encoded += piece;
        } else {
            std::snprintf(piece, sizeof piece, (style >> ((i + 7) % 64)) & 1 ? "$%02X" : "$%02x",
                          b);
            encoded += piece;
        }
    }
    FUZZ_REQUIRE(DecodeDollarHex(encoded) == bytes);

    const std::int32_t id = in.ConsumeIntegral<std::int32_t>();
    FUZZ_REQUIRE(NewsIdToInt(std::to_string(id)) == id);
    if (id >= 0)
        FUZZ_REQUIRE(NewsIdToInt("+" + std::to_string(id)) == id);
    FUZZ_REQUIRE(NewsIdToInt("+" + std::to_string(id) + " ") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        CheckEscapes(in);
        return 0;
    }
    const std::string title = in.ConsumeRandomLengthString(32);
    const std::string stored = in.ConsumeRandomLengthString(16);
    CheckReply(in.ConsumeRemainingBytesAsString(), title, stored);
    return 0;
}
