// The typo and notation generators, on one keyword of any bytes.
//
// Each kind is checked line by line against a model written here from the
// keyword's characters (one well-formed UTF-8 sequence, or else one byte)
// and the neighbour rows; no variant splits a character, so valid UTF-8 in
// gives valid UTF-8 out; the rows are comma-separated single letters or
// digits that never hold their own key.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "keywords/Keywords.h"

using namespace varnolt;
using varnolt::fuzz::WellFormedUtf8;

namespace {

class Lines : public LineSink {
public:
    void AddLine(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

template <typename Op>
std::vector<std::string> Run(Op op) {
    Lines sink;
    op(sink);
    return sink.lines;
}

std::vector<std::string> Characters(std::string_view s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        // The lead byte tells the length of the sequence it would start.
        const unsigned b = static_cast<unsigned char>(s[i]);
        const std::size_t k = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        const std::size_t n = i + k <= s.size() && WellFormedUtf8(s.substr(i, k)) ? k : 1;
        out.emplace_back(s.substr(i, n));
        i += n;
    }
    return out;
}

std::string Join(const std::vector<std::string>& chars) {
    std::string s;
    for (const auto& c : chars)
        s += c;
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return s;
}

std::vector<std::string> Row(char key) {
    std::vector<std::string> row;
    const std::string_view text = GetKeyNeighbours(key);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        row.emplace_back(text.substr(i, 1));
        FUZZ_REQUIRE(i + 1 == text.size() || text[i + 1] == ',');
    }
    return row;
}

void CheckRows() {
    for (int k = 0; k < 256; ++k) {
        const char key = static_cast<char>(k);
        const std::vector<std::string> row = Row(key);
        FUZZ_REQUIRE(row.empty() == !(key >= 'a' && key <= 'z'));
        for (const std::string& c : row) {
            FUZZ_REQUIRE((c[0] >= 'a' && c[0] <= 'z') || (c[0] >= '0' && c[0] <= '9'));
            FUZZ_REQUIRE(c[0] != key);
        }
    }
}

void CheckKeyword(std::string_view keyword) {
    const std::vector<std::string> chars = Characters(keyword);
    FUZZ_REQUIRE(Join(chars) == keyword);
    const std::size_t n = chars.size();
    std::vector<std::string> skipped, doubled, reversed, spaces, missed, inserted;
    for (std::size_t p = 0; p < n; ++p) {
        auto copy = chars;
        copy.erase(copy.begin() + static_cast<std::ptrdiff_t>(p));
        skipped.push_back(Join(copy));
        copy = chars;
        copy.insert(copy.begin() + static_cast<std::ptrdiff_t>(p), chars[p]);
        doubled.push_back(Join(copy));
        if (p + 1 < n) {
            copy = chars;
            std::swap(copy[p], copy[p + 1]);
            reversed.push_back(Join(copy));
        }
        if (chars[p] == " ") {
            copy = chars;
            copy.erase(copy.begin() + static_cast<std::ptrdiff_t>(p));
            spaces.push_back(Join(copy));
        }
    }
    const std::vector<std::string> lower = Characters(Lower(std::string(keyword)));
    FUZZ_REQUIRE(lower.size() == n);
    for (std::size_t p = 0; p < n; ++p) {
        if (lower[p].size() != 1)
            continue;
        for (const std::string& c : Row(lower[p][0])) {
            auto copy = lower;
            copy[p] = c;
            missed.push_back(Join(copy));
            copy = lower;
            copy.insert(copy.begin() + static_cast<std::ptrdiff_t>(p), c);
            inserted.push_back(Join(copy));
        }
    }

    using Add = void (*)(std::string_view, LineSink&);
    const std::pair<Add, const std::vector<std::string>*> kinds[] = {
        {AddSkippedLetters, &skipped},   {AddDoubledLetters, &doubled},
        {AddReversedLetters, &reversed}, {AddSkippedSpaces, &spaces},
        {AddMissedKeys, &missed},        {AddInsertedKeys, &inserted},
    };
    const bool utf8 = WellFormedUtf8(keyword);
    for (const auto& kind : kinds) {
        const Add add = kind.first;
        const auto& expected = kind.second;
        const auto lines = Run([&](LineSink& out) { add(keyword, out); });
        FUZZ_REQUIRE(lines == *expected);
        if (utf8) {
            for (const std::string& line : lines)
                FUZZ_REQUIRE(WellFormedUtf8(line));
        }
    }

    using Notation = void (*)(std::string_view, bool, LineSink&);
    const std::pair<Notation, std::pair<const char*, const char*>> notations[] = {
        {AddBroad, {"", ""}},
        {AddPhraseMatch, {"\"", "\""}},
        {AddExactMatch, {"[", "]"}},
        {AddMinusSign, {"-", ""}},
    };
    for (const auto& notation : notations) {
        const Notation add = notation.first;
        const auto& around = notation.second;
        for (bool lowercase : {false, true}) {
            const auto lines = Run([&](LineSink& out) { add(keyword, lowercase, out); });
            const std::string body = lowercase ? Lower(std::string(keyword)) : std::string(keyword);
            FUZZ_REQUIRE(lines == std::vector<std::string>{around.first + body + around.second});
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool rowsChecked = (CheckRows(), true);
    (void)rowsChecked;
    // Longer keywords only make the run slower, not different.
    CheckKeyword(std::string_view(reinterpret_cast<const char*>(data), size < 128 ? size : 128));
    return 0;
}
