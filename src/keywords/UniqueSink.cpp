#include "keywords/UniqueSink.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_set>

#include "util/TextCodec.h"

namespace varnolt {

namespace {

// The eight bytes at `p` as one word.
inline std::uint64_t Load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// The `size` bytes at `text` as few words, each byte in at least one: the
// whole words, then the last eight bytes (overlapping the word before), or
// for a short text its bytes in one word. Nothing outside the text is read,
// and equal texts of one size give equal words, so the words serve both the
// hash and the comparison without a branch on the length of a tail.
inline std::uint64_t ShortWord(const char* p, std::size_t n) {
    if (n >= 4) {
        std::uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + n - 4, 4);
        return lo | (static_cast<std::uint64_t>(hi) << 32);
    }
    if (n == 0)
        return 0;
    const auto b = [p](std::size_t i) {
        return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i]));
    };
    return b(0) | (b(n / 2) << 8) | (b(n - 1) << 16);
}

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHigh = 0x8080808080808080ull;

// Every byte A-Z of `w` lowered; other bytes, those above 0x7F included, stay.
inline std::uint64_t Lower8(std::uint64_t w) {
    const std::uint64_t low = w & ~kHigh;
    const std::uint64_t upper =
        ((low + (0x80 - 'A') * kOnes) ^ (low + (0x80 - 'Z' - 1) * kOnes)) & ~w & kHigh;
    return w | (upper >> 2);
}

// The hash of `text` with A-Z lowered; `any` gets the OR of all its words,
// so that a set high bit tells of a byte above 0x7F.
[[gnu::always_inline]] inline std::uint64_t HashLowered(const char* text, std::size_t size,
                                                        std::uint64_t& any) {
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = kMul ^ size, seen = 0;
    const auto mix = [&](std::uint64_t w) {
        seen |= w;
        h = (h ^ Lower8(w)) * kMul;
        h ^= h >> 29;
    };
    if (size >= 8) {
        for (std::size_t i = 0; i + 8 < size; i += 8)
            mix(Load8(text + i));
        mix(Load8(text + size - 8));
    } else {
        mix(ShortWord(text, size));
    }
    any = seen;
    h ^= h >> 32;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 29);
}

// True when the `size` bytes at `a` and at `b` are equal with A-Z lowered.
bool EqualsLowered(const char* a, const char* b, std::size_t size) {
    if (size < 8)
        return Lower8(ShortWord(a, size)) == Lower8(ShortWord(b, size));
    for (std::size_t i = 0; i + 8 < size; i += 8) {
        if (Lower8(Load8(a + i)) != Lower8(Load8(b + i)))
            return false;
    }
    return Lower8(Load8(a + size - 8)) == Lower8(Load8(b + size - 8));
}

constexpr std::size_t kBlockBits = 22;
constexpr std::size_t kBlockBytes = std::size_t{1} << kBlockBits;
constexpr unsigned kTagBits = 26;  // of the hash, kept in each slot
constexpr std::uint64_t kRefMask = (std::uint64_t{1} << (64 - kTagBits)) - 1;
constexpr std::size_t kBatch = 32;

}  // namespace

std::vector<std::string_view> WithoutRepeats(const std::vector<std::string_view>& keywords) {
    // Lowering A-Z alone is not folding, so the keywords go through a
    // set of their own rather than the UniqueSink's.
    std::string lowered;
    std::size_t size = 0;
    for (std::string_view kw : keywords)
        size += kw.size();
    lowered.resize(size);
    std::unordered_set<std::string_view> seen;
    seen.reserve(keywords.size());
    std::vector<std::string_view> kept;
    kept.reserve(keywords.size());
    char* at = lowered.data();
    for (std::string_view kw : keywords) {
        for (char c : kw)
            *at++ = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (seen.insert(std::string_view(at - kw.size(), kw.size())).second)
            kept.push_back(kw);
    }
    return kept;
}

// Holds the lines of a ChunkSink in its buffer and decides them as they
// come, a few lines behind the newest, so that memory is read well ahead:
// line i is hashed and its home slot fetched; the slot of line i - kAhead is
// read and the text it points at fetched; line i - 2 kAhead is decided. The
// lines stay where they are until Decide moves those kept together.
class UniqueSink::Filter : public ChunkFilter {
public:
    explicit Filter(UniqueSink& set) : set_(set), pending_(kHeld) {}
    bool Hold(const char* text, std::size_t size) override {
        Pending& p = pending_[count_++];
        p.text = text;
        p.size = size;
        p.hash = set_.HashLine(text, size, p.ascii);
        set_.Prefetch(p.hash);
        if (count_ > kAhead)
            set_.PrefetchEntry(pending_[count_ - 1 - kAhead].hash);
        if (count_ > 2 * kAhead)
            DecideNext();
        return count_ == kHeld;
    }
    char* Decide(char* from, char* end, std::size_t eolSize) override {
        for (std::size_t i = decided_; i < count_; ++i)
            set_.PrefetchEntry(pending_[i].hash);
        while (decided_ < count_)
            DecideNext();
        char* dst = from;
        char* line = from;
        for (std::size_t i = 0; i < count_; ++i) {
            const Pending& p = pending_[i];
            const std::size_t size = p.size + eolSize;
            if (p.keep) {
                if (dst != line)
                    std::memmove(dst, line, size);
                dst += size;
            }
            line += size;
        }
        count_ = decided_ = 0;
        (void)end;
        return dst;
    }

private:
    static constexpr std::size_t kHeld = 2048, kAhead = 16;
    struct Pending {
        const char* text;
        std::size_t size;
        std::uint64_t hash;
        bool ascii, keep;
    };
    void DecideNext() {
        Pending& p = pending_[decided_++];
        p.keep = set_.Insert(p.text, p.size, p.hash, p.ascii);
        set_.dropped_ += !p.keep;
    }
    UniqueSink& set_;
    std::vector<Pending> pending_;
    std::size_t count_ = 0, decided_ = 0;
};

UniqueSink::UniqueSink(LineSink& out) : out_(out) {
    AllocateSlots(std::size_t{1} << 12);
    chunk_ = out.Direct();
    if (chunk_ != nullptr) {
        filter_ = std::make_unique<Filter>(*this);
        chunk_->SetFilter(filter_.get());
    }
}

UniqueSink::~UniqueSink() {
    if (chunk_ != nullptr) {
        try {
            chunk_->SetFilter(nullptr);
        } catch (...) {  // out of memory: the held lines stay undecided
        }
    }
}

std::size_t UniqueSink::HomeOf(std::uint64_t hash) const {
    return static_cast<std::size_t>(hash >> (64 - slotBits_));
}

void UniqueSink::Prefetch(std::uint64_t hash) const {
    __builtin_prefetch(&slots_[HomeOf(hash)]);
}

// Fetches the text of the slots that may hold the line, from its home slot
// on to the end of that slot's cache line (few runs are longer).
void UniqueSink::PrefetchEntry(std::uint64_t hash) const {
    const std::size_t home = HomeOf(hash);
    const std::size_t end = std::min(slotCount_, (home | 7) + 1);
    for (std::size_t at = home; at < end; ++at) {
        const std::uint64_t slot = slots_[at];
        if (slot == 0)
            return;
        if ((slot & ~kRefMask) == (hash & ~kRefMask))
            __builtin_prefetch(Entry(slot));
    }
}

// The slot table is read at random: a large one asks for huge pages, so
// that a probe costs one cache miss and not a page-table walk as well.
void UniqueSink::AllocateSlots(std::size_t count) {
    slotPages_ = FreshPages(count * sizeof(std::uint64_t));
    slots_ = reinterpret_cast<std::uint64_t*>(slotPages_.Data());
    slotCount_ = count;
    slotBits_ = 0;
    while ((std::size_t{1} << slotBits_) < count)
        ++slotBits_;
}

void UniqueSink::AddLine(std::string_view line) {
    AddJoined({&line, 1});
}

void UniqueSink::AddJoined(std::span<const std::string_view> pieces) {
    if (chunk_ != nullptr) {
        chunk_->AddJoined(pieces);
        return;
    }
    const std::size_t at = heldLines_.size();
    for (std::string_view piece : pieces)
        heldLines_.append(piece);
    Held h{at, heldLines_.size() - at, 0, false};
    h.hash = HashLine(heldLines_.data() + at, h.size, h.ascii);
    Prefetch(h.hash);
    held_.push_back(h);
    if (held_.size() == kBatch)
        Finish();
}

void UniqueSink::Finish() {
    if (chunk_ != nullptr) {
        chunk_->DecideHeld();
        return;
    }
    for (const Held& l : held_) {
        if (Insert(heldLines_.data() + l.at, l.size, l.hash, l.ascii))
            out_.AddLine({heldLines_.data() + l.at, l.size});
        else
            ++dropped_;
    }
    held_.clear();
    heldLines_.clear();
}

void UniqueSink::Expect(std::uint64_t lines) {
    // The lines expected count their repeats too, so room for all of them
    // at 0.8 full is room for the new ones at the usual 0.6 or less, as a
    // rule; a table larger than 256 MiB is left to grow as the lines come.
    constexpr std::size_t kMostSlots = std::size_t{1} << 25;
    std::size_t count = slotCount_;
    while (count < kMostSlots && lines * 5 > count * 4)
        count *= 2;
    if (count > slotCount_)
        Resize(count);
}

bool UniqueSink::Exclude(std::string_view line) {
    Finish();
    bool ascii;
    const std::uint64_t h = HashLine(line.data(), line.size(), ascii);
    return Insert(line.data(), line.size(), h, ascii);
}

std::size_t UniqueSink::KeepNew(std::span<std::string_view> lines) {
    Finish();
    // A pipeline, so that memory is read well ahead: line i is hashed and
    // its home slot fetched; the slot of line i - kAhead is read and the
    // text it points at fetched; line i - 2 kAhead is checked.
    constexpr std::size_t kAhead = 16, kRing = 64;
    static_assert(kRing > 2 * kAhead);
    std::uint64_t hash[kRing];
    bool ascii[kRing];
    const std::size_t n = lines.size();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n + 2 * kAhead; ++i) {
        if (i < n) {
            const std::size_t r = i % kRing;
            hash[r] = HashLine(lines[i].data(), lines[i].size(), ascii[r]);
            Prefetch(hash[r]);
        }
        if (i >= kAhead && i - kAhead < n)
            PrefetchEntry(hash[(i - kAhead) % kRing]);
        if (i >= 2 * kAhead) {
            const std::size_t j = i - 2 * kAhead;
            const std::string_view line = lines[j];
            if (Insert(line.data(), line.size(), hash[j % kRing], ascii[j % kRing]))
                lines[kept++] = line;
        }
    }
    return kept;
}

std::uint64_t UniqueSink::HashLine(const char* text, std::size_t size, bool& ascii) {
    std::uint64_t any;
    const std::uint64_t h = HashLowered(text, size, any) & hashMask_;
    ascii = (any & kHigh) == 0;
    if (ascii)
        return h;
    // Folding other letters: the hash of the folded text (which A-Z
    // lowering leaves as it is).
    FoldCaseInto(scratch_, {text, size});
    return HashLowered(scratch_.data(), scratch_.size(), any) & hashMask_;
}

const char* UniqueSink::Entry(std::uint64_t slot) const {
    const std::uint64_t ref = (slot & kRefMask) - 1;
    return blocks_[ref >> kBlockBits].Data() + (ref & (kBlockBytes - 1));
}

bool UniqueSink::Matches(const char* entry, const char* text, std::size_t size, bool ascii) {
    const EntryHead head = EntryHead::Of(entry);
    entry += head.headBytes;
    const std::size_t len = head.size;
    if (ascii && !head.folded)
        return len == size && EqualsLowered(entry, text, size);
    // Folding can change the length, and can turn other letters into ASCII
    // ones: both sides are compared folded. Insert left the line folded in
    // scratch_.
    if (ascii)
        FoldCaseInto(scratch_, {text, size});
    FoldCaseInto(entryScratch_, {entry, len});
    return entryScratch_ == scratch_;
}

bool UniqueSink::Insert(const char* text, std::size_t size, std::uint64_t h, bool ascii) {
    if (!ascii) {
        // HashLine left the folded text in scratch_ unless a line came between.
        FoldCaseInto(scratch_, {text, size});
    }
    const std::uint64_t tag = h & ~kRefMask;
    const std::size_t mask = slotCount_ - 1;
    std::size_t at = HomeOf(h);
    for (;; at = (at + 1) & mask) {
        const std::uint64_t slot = slots_[at];
        if (slot == 0)
            break;
        if ((slot & ~kRefMask) == tag && Matches(Entry(slot), text, size, ascii))
            return false;
    }
    // A new line: keep its text as it came, its head first, in the current
    // block, so that the blocks hold the new lines in order.
    const std::size_t need = EntryHead::BytesFor(size) + size;
    if (size >= std::size_t{1} << 31)
        throw std::length_error("line too long");
    if (blocks_.empty() || need > blockSize_ - blockUsed_) {
        if (!blocks_.empty())
            blockEnds_.push_back(blockUsed_);
        blockSize_ = need > kBlockBytes ? need : kBlockBytes;
        blocks_.emplace_back(blockSize_);
        blockUsed_ = 0;
    }
    char* entry = blocks_.back().Data() + blockUsed_;
    CopyPiece(entry + EntryHead::Put(entry, size, !ascii), text, size);
    const std::uint64_t ref = ((blocks_.size() - 1) << kBlockBits) + blockUsed_ + 1;
    slots_[at] = tag | ref;
    blockUsed_ += need;
    ++entries_;
    // At most about 0.6 full, so that probes stay short.
    if (entries_ * 5 > slotCount_ * 3)
        Grow();
    return true;
}

// The home slot of a line comes from the top bits of its hash, which its
// slot keeps, so the old table's slots move to the new one without reading
// their text again, up to a table of 1 << kTagBits slots.
void UniqueSink::Resize(std::size_t count) {
    const FreshPages oldPages = std::move(slotPages_);
    const std::uint64_t* const old = slots_;
    const std::size_t oldCount = slotCount_;
    AllocateSlots(count);
    const std::size_t mask = slotCount_ - 1;
    for (std::size_t i = 0; i < oldCount; ++i) {
        const std::uint64_t slot = old[i];
        if (slot == 0)
            continue;
        std::uint64_t h = slot;
        if (slotBits_ > kTagBits) {
            const char* entry = Entry(slot);
            const EntryHead head = EntryHead::Of(entry);
            bool ascii;
            h = HashLine(entry + head.headBytes, head.size, ascii);
        }
        std::size_t at = HomeOf(h);
        while (slots_[at] != 0)
            at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

}  // namespace varnolt
