#include "keywords/Keywords.h"

#include <array>
#include <initializer_list>

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
    "q,w,s,x,z",      // a
    "v,g,h,n",        // b
    "x,d,f,v",        // c
    "s,e,r,f,c,x",    // d
    "w,3,4,r,f,d,s",  // e
    "d,r,t,g,v,c",    // f
    "f,t,y,h,b,v,d",  // g
    "g,y,u,j,n,b",    // h
    "u,8,9,o,l,k,j",  // i
    "h,u,i,k,m,n",    // j
    "j,i,o,l,m",      // k
    "k,o,p",          // l
    "n,j,k",          // m
    "b,h,j,m",        // n
    "i,9,0,p,l,k",    // o
    "o,0,l",          // p
    "1,2,w,s,a",      // q
    "e,4,5,t,g,f,d",  // r
    "a,w,e,d,x,z",    // s
    "r,5,6,y,h,g,f",  // t
    "y,7,8,i,k,j,h",  // u
    "c,f,g,b",        // v
    "q,2,3,e,d,s,a",  // w
    "z,s,d,c",        // x
    "t,6,7,u,j,h,g",  // y
    "a,s,x",          // z
};

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

// Where each character of a keyword starts, plus the keyword's length at the
// end, so character p spans [at[p], at[p + 1]). A character is one well-formed
// UTF-8 sequence; a byte that does not start one is a character of its own.
class CharIndex {
public:
    void Build(std::string_view keyword) {
        at_.clear();
        std::size_t i = 0;
        while (i < keyword.size()) {
            at_.push_back(i);
            const std::size_t n = Utf8SequenceLength(keyword, i);
            i += n ? n : 1;
        }
        at_.push_back(keyword.size());
    }
    std::size_t Count() const { return at_.size() - 1; }
    std::size_t Start(std::size_t p) const { return at_[p]; }
    std::size_t End(std::size_t p) const { return at_[p + 1]; }

private:
    std::vector<std::size_t> at_;
};

// The neighbour rows cut at their commas, once for the life of the program.
const std::vector<std::string>& NeighbourList(char key) {
    static const std::array<std::vector<std::string>, 26> lists = [] {
        std::array<std::vector<std::string>, 26> split;
        for (int k = 0; k < 26; ++k) {
            SplitByChar(',', GetKeyNeighbours(static_cast<char>('a' + k)), split[k]);
        }
        return split;
    }();
    return lists[key - 'a'];
}

void LowerInto(std::string& dst, std::string_view keyword) {
    dst.assign(keyword);
    for (char& c : dst) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

void SkippedLetters(std::string_view kw, const CharIndex& ci, LineSink& out) {
    for (std::size_t p = 0; p < ci.Count(); ++p) {
        Emit(out, {kw.substr(0, ci.Start(p)), kw.substr(ci.End(p))});
    }
}

void DoubledLetters(std::string_view kw, const CharIndex& ci, LineSink& out) {
    for (std::size_t p = 0; p < ci.Count(); ++p) {
        Emit(out, {kw.substr(0, ci.End(p)), kw.substr(ci.Start(p))});
    }
}

void ReversedLetters(std::string_view kw, const CharIndex& ci, LineSink& out) {
    for (std::size_t p = 0; p + 1 < ci.Count(); ++p) {
        const std::size_t a = ci.Start(p), b = ci.Start(p + 1), c = ci.End(p + 1);
        Emit(out, {kw.substr(0, a), kw.substr(b, c - b), kw.substr(a, b - a), kw.substr(c)});
    }
}

void SkippedSpaces(std::string_view kw, LineSink& out) {
    // Byte 32 is always a character of its own, so a byte search is exact.
    for (std::size_t i = kw.find(' '); i != std::string_view::npos; i = kw.find(' ', i + 1)) {
        Emit(out, {kw.substr(0, i), kw.substr(i + 1)});
    }
}

// `lower` is the keyword already lower-cased; only single-byte a-z have rows.
void MissedKeys(std::string_view lower, const CharIndex& ci, LineSink& out) {
    for (std::size_t p = 0; p < ci.Count(); ++p) {
        const std::size_t at = ci.Start(p);
        const char key = lower[at];
        if (ci.End(p) != at + 1 || key < 'a' || key > 'z')
            continue;
        const std::string_view head = lower.substr(0, at), tail = lower.substr(at + 1);
        for (const std::string& c : NeighbourList(key))
            Emit(out, {head, c, tail});
    }
}

void InsertedKeys(std::string_view lower, const CharIndex& ci, LineSink& out) {
    for (std::size_t p = 0; p < ci.Count(); ++p) {
        const std::size_t at = ci.Start(p);
        const char key = lower[at];
        if (ci.End(p) != at + 1 || key < 'a' || key > 'z')
            continue;
        const std::string_view head = lower.substr(0, at), tail = lower.substr(at);
        for (const std::string& c : NeighbourList(key))
            Emit(out, {head, c, tail});
    }
}

}  // namespace

void AddSkippedLetters(std::string_view keyword, LineSink& out) {
    CharIndex ci;
    ci.Build(keyword);
    SkippedLetters(keyword, ci, out);
}

void AddDoubledLetters(std::string_view keyword, LineSink& out) {
    CharIndex ci;
    ci.Build(keyword);
    DoubledLetters(keyword, ci, out);
}

void AddReversedLetters(std::string_view keyword, LineSink& out) {
    CharIndex ci;
    ci.Build(keyword);
    ReversedLetters(keyword, ci, out);
}

void AddSkippedSpaces(std::string_view keyword, LineSink& out) {
    SkippedSpaces(keyword, out);
}

void AddMissedKeys(std::string_view keyword, LineSink& out) {
    const std::string lower = AsciiLower(keyword);
    CharIndex ci;
    ci.Build(lower);
    MissedKeys(lower, ci, out);
}

void AddInsertedKeys(std::string_view keyword, LineSink& out) {
    const std::string lower = AsciiLower(keyword);
    CharIndex ci;
    ci.Build(lower);
    InsertedKeys(lower, ci, out);
}

void GenerateTypos(const std::vector<std::string_view>& keywords, const TypoKinds& kinds,
                   LineSink& out) {
    // One index and one lower-case buffer serve every keyword.
    CharIndex ci;
    std::string lower;
    for (std::string_view kw : keywords) {
        ci.Build(kw);
        if (kinds.skipLetter)
            SkippedLetters(kw, ci, out);
        if (kinds.doubleLetters)
            DoubledLetters(kw, ci, out);
        if (kinds.reverseLetters)
            ReversedLetters(kw, ci, out);
        if (kinds.skipSpaces)
            SkippedSpaces(kw, out);
        if (kinds.missedKeys || kinds.insertedKeys) {
            // Lower-casing changes only ASCII bytes, so the index still fits.
            LowerInto(lower, kw);
            if (kinds.missedKeys)
                MissedKeys(lower, ci, out);
            if (kinds.insertedKeys)
                InsertedKeys(lower, ci, out);
        }
    }
}

// --- Match-type formatter ----------------------------------------------------

namespace {
void Notation(std::string_view before, std::string_view keyword, std::string_view after,
              bool lowercase, LineSink& out) {
    if (lowercase) {
        std::string lower;
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

void FormatMatchTypes(const std::vector<std::string_view>& keywords, const MatchTypes& types,
                      LineSink& out) {
    using Op = void (*)(std::string_view, bool, LineSink&);
    const std::pair<bool, Op> passes[] = {
        {types.broad, AddBroad},
        {types.phrase, AddPhraseMatch},
        {types.exact, AddExactMatch},
        {types.minus, AddMinusSign},
    };
    for (const auto& [checked, op] : passes) {
        if (!checked)
            continue;
        for (std::string_view kw : keywords)
            op(kw, types.lowercase, out);
    }
}

}  // namespace varnolt
