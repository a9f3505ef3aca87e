#include "keywords/Keywords.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <stdexcept>

#include "keywords/ChunkSink.h"
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
        // Most keywords are ASCII: a byte below 0x80 is a character of its own.
        const std::size_t n =
            static_cast<unsigned char>(keyword[i]) < 0x80 ? 1 : Utf8SequenceLength(keyword, i);
        i += n ? n : 1;
    }
    at_.push_back(keyword.size());
}

std::string_view GetKeyNeighbours(char key) {
    if (key < 'a' || key > 'z')
        return {};
    return KeyNeighbourTable[key - 'a'];
}

void LowerInto(std::string& dst, std::string_view keyword) {
    dst.assign(keyword);
    for (char& c : dst) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

namespace {

// Each routine writes its lines through Emit, which either goes through the
// sink's virtual AddJoined or, for a ChunkSink, straight into its buffer.
template <class... Pieces>
inline void Emit(LineSink& out, Pieces... pieces) {
    const std::string_view all[] = {pieces...};
    out.AddJoined(all);
}

template <class... Pieces>
inline void Emit(ChunkSink& out, Pieces... pieces) {
    EmitDirect(out, pieces...);
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

// The rows of the kinds that the rules for leaving out repeats name (in
// TypoWord::distinct, for an ASCII keyword: a character is a byte). Lines
// of different lengths never meet, a replaced character leaves a line
// unlike one with two exchanged, and a neighbour is never its own key, so
// the repeats are: leaving out, or doubling, either of two equal letters
// side by side; exchanging them (the keyword itself); a skipped space,
// when letters are skipped too (or the second of two spaces); putting a
// key's neighbour after the same character (a doubled letter); and a vowel
// swapped for a neighbour of its key (a missed key).
enum KindRow : std::size_t {
    kSkipRow,
    kDoubleRow,
    kReverseRow,
    kSpacesRow,
    kMissedRow,
    kInsertedRow,
    kVowelRow,
};

// True when character p of the keyword equals, A-Z case ignored, character p - 1.
bool SameAsBefore(const TypoWord& w, std::size_t p) {
    return p > 0 && w.lower[w.chars.Start(p)] == w.lower[w.chars.Start(p - 1)];
}

template <class Out>
void SkippedLetters(const TypoWord& w, Out& out) {
    const std::string_view kw = w.keyword;
    for (std::size_t p = 0; p < w.chars.Count(); ++p) {
        if (w.distinct && SameAsBefore(w, p))
            continue;
        Emit(out, kw.substr(0, w.chars.Start(p)), kw.substr(w.chars.End(p)));
    }
}

template <class Out>
void DoubledLetters(const TypoWord& w, Out& out) {
    const std::string_view kw = w.keyword;
    for (std::size_t p = 0; p < w.chars.Count(); ++p) {
        if (w.distinct && SameAsBefore(w, p))
            continue;
        Emit(out, kw.substr(0, w.chars.End(p)), kw.substr(w.chars.Start(p)));
    }
}

template <class Out>
void ReversedLetters(const TypoWord& w, Out& out) {
    const std::string_view kw = w.keyword;
    const CharIndex& ci = w.chars;
    for (std::size_t p = 0; p + 1 < ci.Count(); ++p) {
        const std::size_t a = ci.Start(p), b = ci.Start(p + 1), c = ci.End(p + 1);
        if (w.distinct && SameAsBefore(w, p + 1))
            continue;
        Emit(out, kw.substr(0, a), kw.substr(b, c - b), kw.substr(a, b - a), kw.substr(c));
    }
}

template <class Out>
void SkippedSpaces(const TypoWord& w, Out& out) {
    // Byte 32 is always a character of its own, so a byte search is exact.
    const std::string_view kw = w.keyword;
    if (w.distinct && w.distinct->Has(kSkipRow))
        return;
    for (std::size_t i = kw.find(' '); i != std::string_view::npos; i = kw.find(' ', i + 1)) {
        if (w.distinct && i > 0 && kw[i - 1] == ' ')
            continue;
        Emit(out, kw.substr(0, i), kw.substr(i + 1));
    }
}

// The keyboard kinds work on the lower-cased keyword; only single-byte a-z
// have neighbours. `replace` leaves the key out (a missed key) or keeps it
// after the neighbour (an inserted key).
template <class Out>
void KeyboardTypos(const TypoWord& w, bool replace, Out& out) {
    const std::string_view lower = w.lower;
    const CharIndex& ci = w.chars;
    for (std::size_t p = 0; p < ci.Count(); ++p) {
        const std::size_t at = ci.Start(p);
        const char key = lower[at];
        if (ci.End(p) != at + 1 || key < 'a' || key > 'z')
            continue;
        const std::string_view head = lower.substr(0, at);
        const std::string_view tail = lower.substr(replace ? at + 1 : at);
        // An inserted key after the same character is a doubled letter.
        const char before =
            w.distinct && !replace && at > 0 && w.distinct->Has(kDoubleRow) ? lower[at - 1] : '\0';
        for (const std::string& c : NeighbourList(w.layout, key)) {
            if (before != '\0' && c[0] == before)
                continue;
            Emit(out, head, std::string_view(c), tail);
        }
    }
}

template <class Out>
void MissedKeys(const TypoWord& w, Out& out) {
    KeyboardTypos(w, true, out);
}

template <class Out>
void InsertedKeys(const TypoWord& w, Out& out) {
    KeyboardTypos(w, false, out);
}

// Each a, e, i, o or u of the lower-cased keyword, left to right, replaced
// by each other vowel in the order a, e, i, o, u.
template <class Out>
void VowelSwaps(const TypoWord& w, Out& out) {
    static constexpr std::string_view kVowels = "aeiou";
    const std::string_view lower = w.lower;
    for (std::size_t at = 0; at < lower.size(); ++at) {
        // A vowel is one byte below 0x80, never part of a longer sequence.
        if (kVowels.find(lower[at]) == std::string_view::npos)
            continue;
        const std::string_view head = lower.substr(0, at), tail = lower.substr(at + 1);
        // A vowel that is a neighbour of the key was a missed key already
        // (without repeats, a neighbour is one byte).
        std::string_view missed;
        if (w.distinct && w.distinct->Has(kMissedRow)) {
            thread_local std::string bytes;
            bytes.clear();
            for (const std::string& n : NeighbourList(w.layout, lower[at]))
                bytes += n[0];
            missed = bytes;
        }
        for (std::size_t v = 0; v < kVowels.size(); ++v) {
            if (kVowels[v] == lower[at] || missed.find(kVowels[v]) != std::string_view::npos)
                continue;
            Emit(out, head, kVowels.substr(v, 1), tail);
        }
    }
}

constexpr TypoKindRow kTypoKinds[] = {
    {"--skip-letter", "Skip letter", "chkSkip", SkippedLetters<LineSink>, false,
     SkippedLetters<ChunkSink>},
    {"--double-letters", "Double letters", "chkDouble", DoubledLetters<LineSink>, false,
     DoubledLetters<ChunkSink>},
    {"--reverse-letters", "Reverse letters", "chkReverse", ReversedLetters<LineSink>, false,
     ReversedLetters<ChunkSink>},
    {"--skip-spaces", "Skip spaces", "chkSpaces", SkippedSpaces<LineSink>, false,
     SkippedSpaces<ChunkSink>},
    {"--missed-keys", "Missed keys", "chkMissed", MissedKeys<LineSink>, true,
     MissedKeys<ChunkSink>},
    {"--inserted-keys", "Inserted keys", "chkInserted", InsertedKeys<LineSink>, true,
     InsertedKeys<ChunkSink>},
    {"--vowel-swap", "Vowel swap", "chkVowelSwap", VowelSwaps<LineSink>, true,
     VowelSwaps<ChunkSink>},
};
static_assert(std::size(kTypoKinds) <= 32, "TypoKinds keeps one bit a kind");
static_assert(kTypoKinds[kSkipRow].option == "--skip-letter" &&
              kTypoKinds[kDoubleRow].option == "--double-letters" &&
              kTypoKinds[kReverseRow].option == "--reverse-letters" &&
              kTypoKinds[kSpacesRow].option == "--skip-spaces" &&
              kTypoKinds[kMissedRow].option == "--missed-keys" &&
              kTypoKinds[kInsertedRow].option == "--inserted-keys" &&
              kTypoKinds[kVowelRow].option == "--vowel-swap");

// Runs one routine on one keyword.
template <class Out>
void RunOne(void (*routine)(const TypoWord&, Out&), std::string_view keyword, Out& out) {
    CharIndex ci;
    ci.Build(keyword);
    const std::string lower = AsciiLower(keyword);
    routine(TypoWord{keyword, lower, ci}, out);
}

}  // namespace

void AddSkippedLetters(std::string_view keyword, LineSink& out) {
    RunOne(SkippedLetters<LineSink>, keyword, out);
}

void AddDoubledLetters(std::string_view keyword, LineSink& out) {
    RunOne(DoubledLetters<LineSink>, keyword, out);
}

void AddReversedLetters(std::string_view keyword, LineSink& out) {
    RunOne(ReversedLetters<LineSink>, keyword, out);
}

void AddSkippedSpaces(std::string_view keyword, LineSink& out) {
    RunOne(SkippedSpaces<LineSink>, keyword, out);
}

void AddMissedKeys(std::string_view keyword, LineSink& out) {
    RunOne(MissedKeys<LineSink>, keyword, out);
}

void AddInsertedKeys(std::string_view keyword, LineSink& out) {
    RunOne(InsertedKeys<LineSink>, keyword, out);
}

void AddVowelSwaps(std::string_view keyword, LineSink& out) {
    RunOne(VowelSwaps<LineSink>, keyword, out);
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
    ChunkSink* const direct = out.Direct();
    for (std::string_view kw : keywords) {
        ci.Build(kw);
        const bool distinct = out.BeginTyposOf(kw);
        // Lower-casing changes only ASCII bytes, so the index fits both.
        if (needLower || distinct)
            LowerInto(lower, kw);
        const TypoWord word{kw, needLower || distinct ? std::string_view(lower) : kw, ci, layout,
                            distinct ? &kinds : nullptr};
        for (std::size_t i = 0; i < std::size(kTypoKinds); ++i) {
            if (!kinds.Has(i))
                continue;
            if (direct != nullptr)
                kTypoKinds[i].generateDirect(word, *direct);
            else
                kTypoKinds[i].generate(word, out);
        }
    }
}

bool TyposAreSingleEdits(const KeyboardLayout* layout) {
    for (char key = 'a'; key <= 'z'; ++key) {
        const std::vector<std::string>& row = NeighbourList(layout, key);
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (row[i].size() != 1 || static_cast<unsigned char>(row[i][0]) >= 0x80 ||
                row[i][0] == key ||
                std::find(row.begin(), row.begin() + i, row[i]) != row.begin() + i)
                return false;
        }
    }
    return true;
}

std::uint64_t EstimateTypoLines(const std::vector<std::string_view>& keywords,
                                const TypoKinds& kinds, const KeyboardLayout* layout) {
    struct Count : LineSink {
        std::uint64_t lines = 0;
        void AddLine(std::string_view) override { ++lines; }
        void AddJoined(std::span<const std::string_view>) override { ++lines; }
    } count;
    // Up to 256 keywords spread over the list stand for all of it.
    const std::size_t n = keywords.size(), step = n > 256 ? n / 256 : 1;
    std::vector<std::string_view> sample;
    for (std::size_t i = 0; i < n; i += step)
        sample.push_back(keywords[i]);
    GenerateTypos(sample, kinds, count, layout);
    return sample.empty() ? 0 : (count.lines * n + sample.size() - 1) / sample.size();
}

}  // namespace varnolt
