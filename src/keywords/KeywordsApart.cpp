#include "keywords/KeywordsApart.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "keywords/UniqueSink.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

// A keyword is split into three parts with one character between each two:
// an edit touches at most one part (exchanging two characters across a gap
// changes a part and the gap), and two edits leave one part whole, in the
// other keyword at most two characters from where it stands here. So every
// keyword within two edits of another has a part of that other keyword in
// that reach, and only those pairs are measured.
constexpr std::size_t kParted = 5;               // shorter keywords have an empty part
constexpr std::size_t kApartFrom = kParted + 2;  // keywords this long can be apart
constexpr std::size_t kMostMet = 256;            // keywords a search measures at most
constexpr std::size_t kSample = 8192;            // keywords tried first of a longer list
constexpr std::size_t kGrace = 64;  // keywords apart the search may cost before finding any
constexpr std::uint64_t kBase = 0x100000001B3ull;  // of the hash of a part's characters

struct Parts {
    std::size_t start[3], size[3];
    explicit Parts(std::size_t length) {
        const std::size_t inner = length - 2, base = inner / 3, rest = inner % 3;
        size[0] = base + (rest > 0);
        size[1] = base + (rest > 1);
        size[2] = base;
        start[0] = 0;
        start[1] = size[0] + 1;
        start[2] = start[1] + size[1] + 1;
    }
};

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

// The key of part `part` of a keyword of `length` characters holding the
// characters hashed as `hash`.
std::uint64_t PartKey(std::uint64_t hash, std::size_t length, std::size_t part) {
    return Mix(hash ^ Mix((std::uint64_t{length} << 2) | part));
}

// The keywords case-folded into code points, one after another.
class Folded {
public:
    // False when a keyword is not well-formed UTF-8.
    bool Build(std::span<const std::string_view> keywords) {
        start_.reserve(keywords.size() + 1);
        std::string folded;
        for (std::string_view kw : keywords) {
            start_.push_back(chars_.size());
            bool ascii = true;
            for (char c : kw)
                ascii = ascii && static_cast<unsigned char>(c) < 0x80;
            ascii_.push_back(ascii);
            if (ascii) {
                for (char c : kw)
                    chars_.push_back(static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c));
                continue;
            }
            if (!IsValidUtf8(kw))
                return false;
            FoldCaseInto(folded, kw);
            for (std::size_t i = 0; i < folded.size();) {
                const std::size_t n = Utf8SequenceLength(folded, i);
                chars_.push_back(Utf8CodePoint(folded, i, n));
                i += n;
            }
        }
        start_.push_back(chars_.size());
        counts_.assign(keywords.size(), Counts{});
        classes_.assign(keywords.size(), 0);
        for (std::size_t k = 0; k < keywords.size(); ++k) {
            for (char32_t c : Chars(k)) {
                std::uint8_t& count = counts_[k].of[c % Counts::kClasses];
                count += count < 255;
                classes_[k] |= std::uint32_t{1} << (c % Counts::kClasses);
            }
        }
        return true;
    }
    // True when keywords k and o hold too different characters to be two
    // edits apart: each edit changes their counts by two at most.
    bool FarByCounts(std::size_t k, std::size_t o) const {
        unsigned off = 0;
        for (std::size_t c = 0; c < Counts::kClasses; ++c)
            off += static_cast<unsigned>(std::abs(int{counts_[k].of[c]} - int{counts_[o].of[c]}));
        return off > 4;
    }
    // A bit for each class of character keyword k holds.
    std::uint32_t Classes(std::size_t k) const { return classes_[k]; }
    std::size_t Size(std::size_t k) const { return start_[k + 1] - start_[k]; }
    bool Ascii(std::size_t k) const { return ascii_[k]; }
    std::u32string_view Chars(std::size_t k) const { return {chars_.data() + start_[k], Size(k)}; }
    // The hash of characters [at, at + size) of keyword k.
    std::uint64_t Hash(std::size_t k, std::size_t at, std::size_t size) const {
        std::uint64_t h = 0;
        for (const char32_t c : Chars(k).substr(at, size))
            h = h * kBase + c + 1;
        return h;
    }

private:
    // How many of a keyword's characters fall in each class of code point
    // (held to 255: a keyword of more gives too wide counts, never too far).
    struct Counts {
        static constexpr std::size_t kClasses = 32;
        std::uint8_t of[kClasses] = {};
    };
    std::vector<Counts> counts_;
    std::vector<std::uint32_t> classes_;  // a bit for each class a keyword holds
    std::u32string chars_;
    std::vector<std::size_t> start_;
    std::vector<bool> ascii_;
};

// True when more than four bits of `x` are set.
bool MoreThanFourBits(std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        x &= x - 1;
    return x != 0;
}

// The keywords by the key of each of their parts: an open-addressing table
// of keys, each with the keywords that have that part side by side (and a
// bit for each class of character each holds), so that a lookup reads one
// run of memory. Filled in two passes over the same keys: Count, then Place.
class PartIndex {
public:
    struct Entry {
        std::uint32_t keyword, classes;
    };
    explicit PartIndex(std::size_t parts) {
        // Never more than half full, so a probe ends soon at an empty slot.
        std::size_t count = 16;
        while (count < 2 * parts)
            count *= 2;
        slots_.assign(count, Slot{});
    }
    // Counts a keyword for `key`; returns the key's slot, for Place.
    std::uint32_t Count(std::uint64_t key) {
        const std::size_t at = Find(key);
        slots_[at].tag = TagOf(key);
        ++slots_[at].size;
        return static_cast<std::uint32_t>(at);
    }
    void Place(std::uint32_t slot, Entry entry) {
        if (!arranged_) {
            std::uint32_t at = 0;
            for (Slot& s : slots_) {
                s.begin = at;
                at += s.size;
                s.size = 0;
            }
            entries_.resize(at);
            arranged_ = true;
        }
        Slot& s = slots_[slot];
        entries_[s.begin + s.size++] = entry;
    }
    void Prefetch(std::uint64_t key) const {
        __builtin_prefetch(&slots_[static_cast<std::size_t>(key) & (slots_.size() - 1)]);
    }
    // Calls `f` with each entry of `key` until it returns true.
    template <class F>
    void ForEach(std::uint64_t key, F&& f) const {
        const Slot& s = slots_[Find(key)];
        for (std::uint32_t i = s.begin; i < s.begin + s.size; ++i) {
            if (f(entries_[i]))
                return;
        }
    }

private:
    // Keys with the same tag and home share a slot: their keywords are
    // only measured in vain.
    struct Slot {
        std::uint32_t tag = 0;  // never 0 in a slot in use
        std::uint32_t begin = 0, size = 0;
    };
    static std::uint32_t TagOf(std::uint64_t key) {
        return static_cast<std::uint32_t>(key >> 32) | 1u;
    }
    std::size_t Find(std::uint64_t key) const {
        const std::size_t mask = slots_.size() - 1;
        const std::uint32_t tag = TagOf(key);
        std::size_t at = static_cast<std::size_t>(key) & mask;
        while (slots_[at].tag != 0 && slots_[at].tag != tag)
            at = (at + 1) & mask;
        return at;
    }
    std::vector<Slot> slots_;
    std::vector<Entry> entries_;
    bool arranged_ = false;
};

}  // namespace

unsigned EditsUpToTwo(std::u32string_view a, std::u32string_view b) {
    const std::size_t n = a.size(), m = b.size();
    if ((n > m ? n - m : m - n) > 2)
        return 3;
    // The Lowrance-Wagner distances of the prefixes, D(i, j) for a's first
    // i characters and b's first j, held to at most 3: only the band
    // |i - j| <= 2 can hold less, and an exchange of two characters with
    // more than one left out or put in between costs 3 or more, so only
    // the rows i - 3 to i are read. Row i is kept in rows[i % 4], D(i, j)
    // at column j - i + 2.
    constexpr unsigned kFar = 3;
    unsigned rows[4][5];
    const auto d = [&](std::size_t i, std::size_t j) -> unsigned {
        const std::size_t col = j + 2 - i;  // wraps past 4 when j < i - 2
        return col <= 4 ? rows[i & 3][col] : kFar;
    };
    // Row i + 1 reads rows i - 2 to i only: once three rows in a row are
    // all 3, so is every row after them.
    unsigned farRows = 0;
    for (std::size_t i = 0; i <= n; ++i) {
        bool far = true;
        for (std::size_t col = 0; col < 5; ++col) {
            unsigned v = kFar;
            if (i + col >= 2 && i + col - 2 <= m) {
                const std::size_t j = i + col - 2;
                if (i == 0 || j == 0) {
                    v = static_cast<unsigned>(std::min<std::size_t>(i + j, kFar));
                } else {
                    const char32_t x = a[i - 1], y = b[j - 1];
                    v = std::min({d(i - 1, j - 1) + (x != y ? 1u : 0u), d(i - 1, j) + 1,
                                  col > 0 ? rows[i & 3][col - 1] + 1 : kFar});
                    // x and y exchanged, with nothing, one of b's or one of
                    // a's characters between them.
                    if (i >= 2 && j >= 2 && a[i - 2] == y && b[j - 2] == x)
                        v = std::min(v, d(i - 2, j - 2) + 1);
                    if (i >= 2 && j >= 3 && a[i - 2] == y && b[j - 3] == x)
                        v = std::min(v, d(i - 2, j - 3) + 2);
                    if (i >= 3 && j >= 2 && a[i - 3] == y && b[j - 2] == x)
                        v = std::min(v, d(i - 3, j - 2) + 2);
                    v = std::min(v, kFar);
                }
            }
            rows[i & 3][col] = v;
            far = far && v == kFar;
        }
        farRows = far ? farRows + 1 : 0;
        if (farRows == 3)
            return kFar;
    }
    return d(n, m);
}

namespace {

// KeywordsApart; `finished` tells whether the search went through all
// the keywords or stopped for its cost.
std::vector<bool> Search(std::span<const std::string_view> keywords, std::size_t worth,
                         const std::function<void()>& poll, bool& finished) {
    finished = false;
    const std::size_t n = keywords.size();
    std::vector<bool> apart(n, false);
    Folded folded;
    if (n == 0 || n >= UINT32_MAX || !folded.Build(keywords))
        return apart;
    PartIndex index(3 * n);
    std::vector<std::uint32_t> slots(3 * n);  // of each keyword's parts
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t size = folded.Size(k);
        const Parts parts(std::max(size, kParted));
        for (std::size_t j = 0; j < 3 && size >= kParted; ++j)
            slots[3 * k + j] =
                index.Count(PartKey(folded.Hash(k, parts.start[j], parts.size[j]), size, j));
    }
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t j = 0; j < 3 && folded.Size(k) >= kParted; ++j)
            index.Place(slots[3 * k + j], {static_cast<std::uint32_t>(k), folded.Classes(k)});
    }
    std::vector<std::uint8_t> near(n, 0), searched(n, 0);
    std::vector<std::uint32_t> seenBy(n, 0);  // the keyword + 1 whose search last met it
    // What the search has cost (parts looked up and keywords met) and how
    // many keywords it has found apart so far (some of them found near
    // later): it goes on while each one found costs less than `worth`.
    std::size_t spent = 0, found = 0, k = 0;
    for (; k < n && spent / (found + kGrace) < worth; ++k) {
        if (poll && k % 4096 == 0)
            poll();
        const std::size_t size = folded.Size(k);
        // A keyword found near an earlier one needs no search: the keywords
        // near it will find it in theirs, or are never apart.
        if (near[k] || !folded.Ascii(k) || size < kApartFrom)
            continue;
        searched[k] = 1;
        const auto stamp = static_cast<std::uint32_t>(k + 1);
        seenBy[k] = stamp;
        const std::u32string_view chars = folded.Chars(k);
        // A keyword that shares its parts with too many others is left near
        // them unmeasured: the others still find it in their searches.
        std::size_t met = 0;
        const std::uint32_t classes = folded.Classes(k);
        const auto check = [&](const PartIndex::Entry& e) {
            if (++met > kMostMet) {
                near[k] = 1;
                return true;
            }
            // Which classes of character they hold at all: an edit changes two at most.
            const std::uint32_t other = e.keyword;
            if (MoreThanFourBits(classes ^ e.classes) || seenBy[other] == stamp)
                return false;
            seenBy[other] = stamp;
            if (folded.FarByCounts(k, other) || EditsUpToTwo(chars, folded.Chars(other)) > 2)
                return false;
            near[k] = near[other] = 1;
            return true;
        };
        // The parts to look up, all known first so that their slots are
        // fetched together.
        std::uint64_t lookups[5 * 5];  // five lengths, five parts each at most
        std::size_t count = 0;
        for (std::size_t length = size - 2; length <= size + 2; ++length) {
            const Parts parts(length);
            // Of the three parts, one is whole with at most j edits before
            // it and 2 - j after (the first j whose parts up to it hold j
            // edits or fewer): shifted by `shift` here, with `skew` still to
            // be made up after it.
            const auto skew = static_cast<long>(size) - static_cast<long>(length);
            for (std::size_t j = 0; j < 3; ++j) {
                const auto reach = static_cast<long>(j);
                for (long shift = -reach; shift <= reach; ++shift) {
                    const long from = static_cast<long>(parts.start[j]) + shift;
                    if (std::labs(skew - shift) > 2 - reach || from < 0 ||
                        static_cast<std::size_t>(from) + parts.size[j] > size)
                        continue;
                    lookups[count] = PartKey(
                        folded.Hash(k, static_cast<std::size_t>(from), parts.size[j]), length, j);
                    index.Prefetch(lookups[count++]);
                }
            }
        }
        for (std::size_t i = 0; i < count && !near[k]; ++i) {
            index.ForEach(lookups[i], check);
            ++spent;
        }
        spent += met;
        found += !near[k];
    }
    finished = k == n;
    for (std::size_t i = 0; i < n; ++i)
        apart[i] = searched[i] != 0 && near[i] == 0;
    return apart;
}

}  // namespace

std::vector<bool> KeywordsApart(std::span<const std::string_view> keywords, std::size_t worth,
                                const std::function<void()>& poll) {
    bool finished = false;
    // A keyword apart from all the others is apart from the first few
    // thousand too: when even those cost too much to tell apart, a long
    // list is not indexed whole.
    if (keywords.size() > 16 * kSample) {
        Search(keywords.first(kSample), worth, poll, finished);
        if (!finished)
            return std::vector<bool>(keywords.size(), false);
    }
    if (poll)
        poll();
    return Search(keywords, worth, poll, finished);
}

}  // namespace varnolt
