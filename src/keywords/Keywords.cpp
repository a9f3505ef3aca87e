#include "keywords/Keywords.h"

#include <array>
#include <initializer_list>
#include <iterator>
#include <stdexcept>

#include "keywords/Layouts.h"
#include "util/TextCodec.h"
#include "util/UUtils.h"

namespace varnolt {

void LineSink::AddJoined(std::span<const std::string_view> pieces) {
    std::string line;
    for (std::string_view piece : pieces)
        line.append(piece);
    AddLine(line);
}

const char* const KeyNeighbourTable[26] = {
#include "keywords/layouts/qwerty.inc"
};

void CharIndex::Build(std::string_view keyword) {
    at_.clear();
    std::size_t i = 0;
    while (i < keyword.size()) {
        at_.push_back(i);
        const std::size_t n = Utf8SequenceLength(keyword, i);
        i += n ? n : 1;
    }
    at_.push_back(keyword.size());
}

std::string_view GetKeyNeighbours(char key) {
    if (key < 'a' || key > 'z')
        return {};
    return KeyNeighbourTable[key - 'a'];
}

namespace {

using Pieces = std::initializer_list<std::string_view>;

void Emit(LineSink& out, Pieces pieces) {
    out.AddJoined(std::span<const std::string_view>(pieces.begin(), pieces.size()));
}

// The neighbour rows of every layout cut at their commas, once for the life
// of the program.
const std::vector<std::string>& NeighbourList(const KeyboardLayout* layout, char key) {
    using Rows = std::array<std::vector<std::string>, 26>;
    static const std::vector<Rows> lists = [] {
        std::vector<Rows> all(KeyboardLayouts().size());
        for (std::size_t l = 0; l < all.size(); ++l) {
            for (int k = 0; k < 26; ++k)
                SplitByChar(',', KeyboardLayouts()[l].neighbours[k], all[l][k]);
        }
        return all;
    }();
    const std::size_t l = layout ? static_cast<std::size_t>(layout - KeyboardLayouts().data()) : 0;
    return lists[l][key - 'a'];
}

void LowerInto(std::string& dst, std::string_view keyword) {
    dst.assign(keyword);
    for (char& c : dst) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

void SkippedLetters(const TypoWord& w, LineSink& out) {
    const std::string_view kw = w.keyword;
    for (std::size_t p = 0; p < w.chars.Count(); ++p) {
        Emit(out, {kw.substr(0, w.chars.Start(p)), kw.substr(w.chars.End(p))});
    }
}

void DoubledLetters(const TypoWord& w, LineSink& out) {
    const std::string_view kw = w.keyword;
    for (std::size_t p = 0; p < w.chars.Count(); ++p) {
        Emit(out, {kw.substr(0, w.chars.End(p)), kw.substr(w.chars.Start(p))});
    }
}

void ReversedLetters(const TypoWord& w, LineSink& out) {
    const std::string_view kw = w.keyword;
    const CharIndex& ci = w.chars;
    for (std::size_t p = 0; p + 1 < ci.Count(); ++p) {
        const std::size_t a = ci.Start(p), b = ci.Start(p + 1), c = ci.End(p + 1);
        Emit(out, {kw.substr(0, a), kw.substr(b, c - b), kw.substr(a, b - a), kw.substr(c)});
    }
}

void SkippedSpaces(const TypoWord& w, LineSink& out) {
    // Byte 32 is always a character of its own, so a byte search is exact.
    const std::string_view kw = w.keyword;
    for (std::size_t i = kw.find(' '); i != std::string_view::npos; i = kw.find(' ', i + 1)) {
        Emit(out, {kw.substr(0, i), kw.substr(i + 1)});
    }
}

// The keyboard kinds work on the lower-cased keyword; only single-byte a-z
// have neighbours. `replace` leaves the key out (a missed key) or keeps it
// after the neighbour (an inserted key).
void KeyboardTypos(const TypoWord& w, bool replace, LineSink& out) {
    const std::string_view lower = w.lower;
    const CharIndex& ci = w.chars;
    for (std::size_t p = 0; p < ci.Count(); ++p) {
        const std::size_t at = ci.Start(p);
        const char key = lower[at];
        if (ci.End(p) != at + 1 || key < 'a' || key > 'z')
            continue;
        const std::string_view head = lower.substr(0, at);
        const std::string_view tail = lower.substr(replace ? at + 1 : at);
        for (const std::string& c : NeighbourList(w.layout, key))
            Emit(out, {head, c, tail});
    }
}

void MissedKeys(const TypoWord& w, LineSink& out) {
    KeyboardTypos(w, true, out);
}

void InsertedKeys(const TypoWord& w, LineSink& out) {
    KeyboardTypos(w, false, out);
}

// Each a, e, i, o or u of the lower-cased keyword, left to right, replaced
// by each other vowel in the order a, e, i, o, u.
void VowelSwaps(const TypoWord& w, LineSink& out) {
    static constexpr std::string_view kVowels = "aeiou";
    const std::string_view lower = w.lower;
    for (std::size_t at = 0; at < lower.size(); ++at) {
        // A vowel is one byte below 0x80, never part of a longer sequence.
        if (kVowels.find(lower[at]) == std::string_view::npos)
            continue;
        const std::string_view head = lower.substr(0, at), tail = lower.substr(at + 1);
        for (std::size_t v = 0; v < kVowels.size(); ++v) {
            if (kVowels[v] != lower[at])
                Emit(out, {head, kVowels.substr(v, 1), tail});
        }
    }
}

constexpr TypoKindRow kTypoKinds[] = {
    {"--skip-letter", "Skip letter", "chkSkip", SkippedLetters},
    {"--double-letters", "Double letters", "chkDouble", DoubledLetters},
    {"--reverse-letters", "Reverse letters", "chkReverse", ReversedLetters},
    {"--skip-spaces", "Skip spaces", "chkSpaces", SkippedSpaces},
    {"--missed-keys", "Missed keys", "chkMissed", MissedKeys, true},
    {"--inserted-keys", "Inserted keys", "chkInserted", InsertedKeys, true},
    {"--vowel-swap", "Vowel swap", "chkVowelSwap", VowelSwaps, true},
};
static_assert(std::size(kTypoKinds) <= 32, "TypoKinds keeps one bit a kind");

// Runs one routine on one keyword.
void RunOne(void (*routine)(const TypoWord&, LineSink&), std::string_view keyword, LineSink& out) {
    CharIndex ci;
    ci.Build(keyword);
    const std::string lower = AsciiLower(keyword);
    routine(TypoWord{keyword, lower, ci}, out);
}

}  // namespace

void AddSkippedLetters(std::string_view keyword, LineSink& out) {
    RunOne(SkippedLetters, keyword, out);
}

void AddDoubledLetters(std::string_view keyword, LineSink& out) {
    RunOne(DoubledLetters, keyword, out);
}

void AddReversedLetters(std::string_view keyword, LineSink& out) {
    RunOne(ReversedLetters, keyword, out);
}

void AddSkippedSpaces(std::string_view keyword, LineSink& out) {
    RunOne(SkippedSpaces, keyword, out);
}

void AddMissedKeys(std::string_view keyword, LineSink& out) {
    RunOne(MissedKeys, keyword, out);
}

void AddInsertedKeys(std::string_view keyword, LineSink& out) {
    RunOne(InsertedKeys, keyword, out);
}

void AddVowelSwaps(std::string_view keyword, LineSink& out) {
    RunOne(VowelSwaps, keyword, out);
}

std::span<const TypoKindRow> TypoKindTable() {
    return kTypoKinds;
}

int FindTypoKind(std::string_view option) {
    for (std::size_t i = 0; i < std::size(kTypoKinds); ++i) {
        if (kTypoKinds[i].option == option)
            return static_cast<int>(i);
    }
    return -1;
}

void TypoKinds::Set(std::size_t row, bool on) {
    const std::uint32_t bit = std::uint32_t{1} << row;
    bits_ = on ? (bits_ | bit) : (bits_ & ~bit);
}

TypoKinds TypoKinds::All() {
    TypoKinds all;
    for (std::size_t i = 0; i < std::size(kTypoKinds); ++i)
        all.Set(i);
    return all;
}

TypoKinds TypoKinds::Of(std::initializer_list<std::string_view> options) {
    TypoKinds kinds;
    for (std::string_view o : options) {
        const int row = FindTypoKind(o);
        if (row < 0)
            throw std::invalid_argument("no typo kind " + std::string(o));
        kinds.Set(static_cast<std::size_t>(row));
    }
    return kinds;
}

void GenerateTypos(const std::vector<std::string_view>& keywords, const TypoKinds& kinds,
                   LineSink& out, const KeyboardLayout* layout) {
    // One index and one lower-case buffer serve every keyword; the keyword
    // is lower-cased only when a chosen kind reads it.
    bool needLower = false;
    for (std::size_t i = 0; i < std::size(kTypoKinds); ++i)
        needLower = needLower || (kinds.Has(i) && kTypoKinds[i].readsLower);
    CharIndex ci;
    std::string lower;
    for (std::string_view kw : keywords) {
        ci.Build(kw);
        // Lower-casing changes only ASCII bytes, so the index fits both.
        if (needLower)
            LowerInto(lower, kw);
        const TypoWord word{kw, needLower ? std::string_view(lower) : kw, ci, layout};
        for (std::size_t i = 0; i < std::size(kTypoKinds); ++i) {
            if (kinds.Has(i))
                kTypoKinds[i].generate(word, out);
        }
    }
}

// --- Match-type formatter ----------------------------------------------------

namespace {
void Notation(std::string_view before, std::string_view keyword, std::string_view after,
              bool lowercase, LineSink& out) {
    if (lowercase) {
        // One buffer for every line: no allocation per keyword.
        thread_local std::string lower;
        LowerInto(lower, keyword);
        Emit(out, {before, lower, after});
    } else {
        Emit(out, {before, keyword, after});
    }
}
}  // namespace

void AddBroad(std::string_view keyword, bool lowercase, LineSink& out) {
    Notation({}, keyword, {}, lowercase, out);
}

void AddPhraseMatch(std::string_view keyword, bool lowercase, LineSink& out) {
    Notation("\"", keyword, "\"", lowercase, out);
}

void AddExactMatch(std::string_view keyword, bool lowercase, LineSink& out) {
    Notation("[", keyword, "]", lowercase, out);
}

void AddMinusSign(std::string_view keyword, bool lowercase, LineSink& out) {
    Notation("-", keyword, {}, lowercase, out);
}

void AddNegativePhrase(std::string_view keyword, bool lowercase, LineSink& out) {
    Notation("-\"", keyword, "\"", lowercase, out);
}

void AddNegativeExact(std::string_view keyword, bool lowercase, LineSink& out) {
    Notation("-[", keyword, "]", lowercase, out);
}

namespace {
constexpr MatchOptionRow kMatchOptions[] = {
    {"--broad", "Broad", "chkBroad", AddBroad, "", ""},
    {"--phrase", "Phrase Match", "chkPhraseMatch", AddPhraseMatch, "\"", "\""},
    {"--exact", "Exact Match", "chkExactMatch", AddExactMatch, "[", "]"},
    {"--lowercase", "Lowercase", "chkLowercase", nullptr, "", ""},
    {"--minus", "Minus Sign", "chkMinusSign", AddMinusSign, "-", ""},
    {"--negative-phrase", "Negative Phrase", "chkNegativePhrase", AddNegativePhrase, "-\"", "\""},
    {"--negative-exact", "Negative Exact", "chkNegativeExact", AddNegativeExact, "-[", "]"},
};
static_assert(std::size(kMatchOptions) <= 32, "MatchTypes keeps one bit an option");
}  // namespace

std::span<const MatchOptionRow> MatchOptionTable() {
    return kMatchOptions;
}

int FindMatchOption(std::string_view option) {
    for (std::size_t i = 0; i < std::size(kMatchOptions); ++i) {
        if (kMatchOptions[i].option == option)
            return static_cast<int>(i);
    }
    return -1;
}

void MatchTypes::Set(std::size_t row, bool on) {
    const std::uint32_t bit = std::uint32_t{1} << row;
    bits_ = on ? (bits_ | bit) : (bits_ & ~bit);
}

bool MatchTypes::Lowercase() const {
    for (std::size_t i = 0; i < std::size(kMatchOptions); ++i) {
        if (kMatchOptions[i].add == nullptr && Has(i))
            return true;
    }
    return false;
}

MatchTypes MatchTypes::AllNotations() {
    MatchTypes all;
    for (std::size_t i = 0; i < std::size(kMatchOptions); ++i)
        all.Set(i, kMatchOptions[i].add != nullptr);
    return all;
}

MatchTypes MatchTypes::Of(std::initializer_list<std::string_view> options) {
    MatchTypes types;
    for (std::string_view o : options) {
        const int row = FindMatchOption(o);
        if (row < 0)
            throw std::invalid_argument("no match-type option " + std::string(o));
        types.Set(static_cast<std::size_t>(row));
    }
    return types;
}

void FormatMatchTypes(const std::vector<std::string_view>& keywords, const MatchTypes& types,
                      LineSink& out) {
    const bool lowercase = types.Lowercase();
    for (std::size_t i = 0; i < std::size(kMatchOptions); ++i) {
        const MatchOptionRow& row = kMatchOptions[i];
        if (row.add == nullptr || !types.Has(i))
            continue;
        for (std::string_view kw : keywords)
            row.add(kw, lowercase, out);
    }
}

}  // namespace varnolt
