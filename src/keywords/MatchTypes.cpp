// The match-type formatter: each keyword in the notations chosen.
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "keywords/ChunkSink.h"
#include "keywords/Keywords.h"

namespace varnolt {

namespace {
template <class... Pieces>
void Emit(LineSink& out, Pieces... pieces) {
    const std::string_view all[] = {pieces...};
    out.AddJoined(all);
}

void Notation(std::string_view before, std::string_view keyword, std::string_view after,
              bool lowercase, LineSink& out) {
    if (lowercase) {
        // One buffer for every line: no allocation per keyword.
        thread_local std::string lower;
        LowerInto(lower, keyword);
        Emit(out, before, std::string_view(lower), after);
    } else {
        Emit(out, before, keyword, after);
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

namespace {

// One notation over every keyword, straight into the buffer. The keywords lie
// in `words`, whose text has 32 bytes of room after its last byte, so that a
// short keyword is copied by one fixed 32-byte move, and the marks (at most
// two bytes each) by fixed 2-byte moves; the bytes written past a line's end
// are covered by the line after it.
void NotationDirect(const MatchOptionRow& row, const std::vector<std::string_view>& words,
                    ChunkSink& out) {
    if (row.before.size() > 2 || row.after.size() > 2) {
        for (std::string_view kw : words)
            EmitDirect(out, row.before, kw, row.after);
        return;
    }
    char before[2] = {}, after[2] = {};
    std::memcpy(before, row.before.data(), row.before.size());
    std::memcpy(after, row.after.data(), row.after.size());
    const std::size_t nb = row.before.size(), na = row.after.size();
    for (std::string_view kw : words) {
        char* p = out.Room(kw.size() + 36);
        std::memcpy(p, before, 2);
        p += nb;
        if (kw.size() <= 32)
            std::memcpy(p, kw.data(), 32);
        else
            std::memcpy(p, kw.data(), kw.size());
        p += kw.size();
        std::memcpy(p, after, 2);
        out.EndLine(p + na);
    }
}

}  // namespace

void FormatMatchTypes(const std::vector<std::string_view>& keywords, const MatchTypes& types,
                      LineSink& out) {
    ChunkSink* const direct = out.Direct();
    const bool lowercase = types.Lowercase();
    // For a ChunkSink, and with Lowercase, the keywords are first copied (and
    // lower-cased) into one buffer, and every notation writes from there.
    std::string copied;
    std::vector<std::string_view> copies;
    const std::vector<std::string_view>* words = &keywords;
    if (direct != nullptr || lowercase) {
        std::size_t size = 32;
        for (std::string_view kw : keywords)
            size += kw.size();
        copied.resize(size);
        copies.reserve(keywords.size());
        char* at = copied.data();
        for (std::string_view kw : keywords) {
            if (lowercase) {
                for (char c : kw)
                    *at++ = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            } else {
                std::memcpy(at, kw.data(), kw.size());
                at += kw.size();
            }
            copies.emplace_back(at - kw.size(), kw.size());
        }
        words = &copies;
    }
    for (std::size_t i = 0; i < std::size(kMatchOptions); ++i) {
        const MatchOptionRow& row = kMatchOptions[i];
        if (row.add == nullptr || !types.Has(i))
            continue;
        if (direct != nullptr) {
            NotationDirect(row, *words, *direct);
        } else {
            for (std::string_view kw : *words)
                row.add(kw, false, out);
        }
    }
}

}  // namespace varnolt
