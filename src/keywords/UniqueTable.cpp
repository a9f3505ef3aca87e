#include "keywords/UniqueTable.h"

#include <limits>
#include <stdexcept>

namespace varnolt {

UniqueSink::Table::Table() {
    AllocateSlots(std::size_t{1} << 12);
}

// The slots are read at random: a large table asks for huge pages, so that
// a probe costs one cache miss and not a page-table walk as well.
void UniqueSink::Table::AllocateSlots(std::size_t count) {
    tagPages_ = FreshPages(count + kGroup);
    refPages_ = FreshPages(count * sizeof(std::uint32_t));
    tags_ = reinterpret_cast<std::uint8_t*>(tagPages_.Data());
    refs_ = reinterpret_cast<std::uint32_t*>(refPages_.Data());
    slotCount_ = count;
    // At most 0.75 full: a probe reads eight slots at a time, so runs of
    // that length still mostly end in the first group.
    growAt_ = count / 4 * 3 + 1;
    slotBits_ = 0;
    while ((std::size_t{1} << slotBits_) < count)
        ++slotBits_;
}

void UniqueSink::Table::Expect(std::uint64_t lines) {
    // The lines expected count their repeats too, so room for all of them
    // at 0.8 full is room for the new ones below the 0.75 that makes the
    // table grow, as a rule; a table larger than 256 MiB is left to grow as
    // the lines come.
    constexpr std::size_t kMostSlots = std::size_t{1} << 25;
    std::size_t count = slotCount_;
    while (count < kMostSlots && lines * 5 > count * 4)
        count *= 2;
    if (count > slotCount_)
        Resize(count);
}

// Folding other letters: the hash of the folded text (which A-Z lowering
// leaves as it is), left in scratch_.
std::uint64_t UniqueSink::Table::HashFolded(const char* text, std::size_t size) {
    FoldCaseInto(scratch_, {text, size});
    std::uint64_t any;
    return HashLowered(scratch_.data(), scratch_.size(), any) & hashMask;
}

bool UniqueSink::Table::Matches(const char* entry, const char* text, std::size_t size, bool ascii) {
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

void UniqueSink::Table::NewBlock(std::size_t size, std::size_t need) {
    if (size >= std::size_t{1} << 31)
        throw std::length_error("A line is too long to compare with the others.");
    if (blocks_.size() == kMostBlocks)
        throw std::length_error("Too many lines to remove duplicates from.");
    const std::size_t bytes = need > kBlockBytes ? need : kBlockBytes;
    blocks_.emplace_back(bytes);
    if (blocks_.size() > 1)
        blockEnds_.push_back(blockUsed_);
    blockData_ = blocks_.back().Data();
    blockSize_ = bytes;
    blockUsed_ = 0;
}

// Every line again into a table of `count` slots, from the blocks. The
// entries are read in order and hashed kAhead ahead of the one placed, its
// home slots fetched meanwhile.
void UniqueSink::Table::Resize(std::size_t count) {
    AllocateSlots(count);
    const std::size_t mask = slotCount_ - 1;
    constexpr std::size_t kAhead = 16;
    struct Read {
        std::uint64_t hash;
        std::size_t block, offset;
    } ring[kAhead];
    std::size_t read = 0;
    const auto place = [&](const Read& r) {
        std::size_t at = HomeOf(r.hash);
        for (;;) {
            const std::uint64_t empty = ZeroBytes(Load8(reinterpret_cast<const char*>(tags_ + at)));
            if (empty != 0) {
                at = (at + FirstMarked(empty)) & mask;
                break;
            }
            at = (at + kGroup) & mask;
        }
        Place(at, TagOf(r.hash), r.block, r.offset);
    };
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        const char* const start = blocks_[b].Data();
        const std::size_t used = b < blockEnds_.size() ? blockEnds_[b] : blockUsed_;
        for (std::size_t off = 0; off < used;) {
            const EntryHead head = EntryHead::Of(start + off);
            bool ascii;
            Read& r = ring[read++ % kAhead];
            if (read > kAhead)
                place(r);
            r = {HashLine(start + off + head.headBytes, head.size, ascii), b, off};
            Prefetch(r.hash);
            off += head.Span();
        }
    }
    for (std::size_t i = read > kAhead ? read - kAhead : 0; i < read; ++i)
        place(ring[i % kAhead]);
}

std::vector<std::string_view> WithoutRepeats(const std::vector<std::string_view>& keywords) {
    // Lowering A-Z alone is not folding, so the keywords go through a table
    // of their own rather than the UniqueSink's: HashLowered hashes keywords
    // equal with A-Z lowered alike, and EqualsLowered tells the others apart.
    // A slot holds the top half of the hash and the kept keyword's number + 1;
    // the table is at most half full.
    if (keywords.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("Too many lines to remove duplicates from.");
    unsigned bits = 4;
    while ((std::size_t{1} << bits) < 2 * keywords.size())
        ++bits;
    const std::size_t mask = (std::size_t{1} << bits) - 1;
    std::vector<std::uint64_t> slots(mask + 1, 0);
    std::vector<std::string_view> kept;
    kept.reserve(keywords.size());
    // Hashed kAhead keywords ahead of the one placed, their slots fetched.
    constexpr std::size_t kAhead = 8;
    std::uint64_t hash[kAhead];
    const auto hashOf = [&](std::size_t i) {
        std::uint64_t any;
        hash[i % kAhead] = HashLowered(keywords[i].data(), keywords[i].size(), any);
        __builtin_prefetch(&slots[hash[i % kAhead] & mask]);
    };
    const std::size_t n = keywords.size();
    for (std::size_t i = 0; i < n && i < kAhead; ++i)
        hashOf(i);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view kw = keywords[i];
        const std::uint64_t h = hash[i % kAhead];
        if (i + kAhead < n)
            hashOf(i + kAhead);
        const std::uint64_t top = h >> 32 << 32;
        std::size_t at = h & mask;
        bool repeat = false;
        for (std::uint64_t slot; !repeat && (slot = slots[at]) != 0; at = (at + 1) & mask) {
            if ((slot >> 32 << 32) != top)
                continue;
            const std::string_view k = kept[(slot & 0xFFFFFFFFu) - 1];
            repeat = k.size() == kw.size() && EqualsLowered(k.data(), kw.data(), kw.size());
        }
        if (!repeat) {
            kept.push_back(kw);
            slots[at] = top | kept.size();
        }
    }
    return kept;
}

}  // namespace varnolt
