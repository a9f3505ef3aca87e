#pragma once
// The table of a UniqueSink: the helpers and the members on its hot path,
// inlined where the lines are checked. Only UniqueSink's own sources
// include this.
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "keywords/ChunkSink.h"
#include "keywords/LineWords.h"
#include "keywords/UniqueSink.h"

namespace varnolt {

namespace unique_set {

using namespace line_words;

inline constexpr std::size_t kBlockBits = 22;
inline constexpr std::size_t kBlockBytes = std::size_t{1} << kBlockBits;
// A slot's 32 bits tell the block and the entry's place in it, in steps of
// EntryHead::kAlign bytes: up to 16 GiB of lines.
inline constexpr unsigned kPlaceBits = kBlockBits - 2;
static_assert(std::size_t{1} << (kBlockBits - kPlaceBits) == 4);
inline constexpr std::size_t kMostBlocks = std::size_t{1} << (32 - kPlaceBits);

// The slots' bytes are read eight at a time, as one word whose lowest byte
// is the first slot.
static_assert(std::endian::native == std::endian::little);
inline constexpr std::size_t kGroup = 8;

// The byte of a slot that holds a line: seven bits of its hash (not those
// that choose its home slot) and the top bit set.
inline std::uint8_t TagOf(std::uint64_t hash) {
    return static_cast<std::uint8_t>(0x80 | (hash & 0x7F));
}

// The top bit of each byte of `w` that is zero. Exact up to the first such
// byte; above it a byte 0x01 may be marked too.
inline std::uint64_t ZeroBytes(std::uint64_t w) {
    return (w - kOnes) & ~w & kHigh;
}

// The marks of the slots of `group` that hold `tag`, up to the first empty one
// (a line is always found before the first empty slot from its home).
inline std::uint64_t Candidates(std::uint64_t group, std::uint64_t empty, std::uint8_t tag) {
    const std::uint64_t match = ZeroBytes(group ^ (tag * kOnes));
    return empty == 0 ? match : match & ((empty & (0 - empty)) - 1);
}

// Which of two tables holds the lines of this hash: a bit that neither the
// tag nor the home slot is taken from.
inline unsigned TableIndexOf(std::uint64_t hash) {
    return static_cast<unsigned>(hash >> 7) & 1u;
}

inline std::size_t FirstMarked(std::uint64_t marks) {
    return static_cast<std::size_t>(__builtin_ctzll(marks)) >> 3;
}

}  // namespace unique_set

// Only UniqueSink's own sources include this header: these names are theirs.
using namespace unique_set;

inline std::size_t UniqueSink::Table::HomeOf(std::uint64_t hash) const {
    return static_cast<std::size_t>(hash >> (64 - slotBits_));
}

inline void UniqueSink::Table::Prefetch(std::uint64_t hash) const {
    const std::size_t home = HomeOf(hash);
    __builtin_prefetch(tags_ + home);
    __builtin_prefetch(refs_ + home, 1);
}

// Fetches the text of the slots that may hold the line, in the eight from
// its home slot on (few runs are longer).
inline void UniqueSink::Table::PrefetchEntry(std::uint64_t hash) const {
    const std::size_t home = HomeOf(hash);
    const std::uint64_t group = Load8(reinterpret_cast<const char*>(tags_ + home));
    for (std::uint64_t c = Candidates(group, ZeroBytes(group), TagOf(hash)); c != 0; c &= c - 1)
        __builtin_prefetch(Entry(refs_[(home + FirstMarked(c)) & (slotCount_ - 1)]));
}

inline void UniqueSink::Table::Place(std::size_t at, std::uint8_t tag, std::size_t block,
                                     std::size_t offset) {
    tags_[at] = tag;
    if (at < kGroup)  // the first slots again after the last, for whole groups
        tags_[slotCount_ + at] = tag;
    refs_[at] = static_cast<std::uint32_t>((block << kPlaceBits) | (offset / EntryHead::kAlign));
}

inline std::uint64_t UniqueSink::Table::HashLine(const char* text, std::size_t size, bool& ascii) {
    std::uint64_t any;
    const std::uint64_t h = HashLowered(text, size, any) & hashMask;
    ascii = (any & kHigh) == 0;
    return ascii ? h : HashFolded(text, size);
}

inline const char* UniqueSink::Table::Entry(std::uint32_t ref) const {
    return blocks_[ref >> kPlaceBits].Data() + (ref & ((1u << kPlaceBits) - 1)) * EntryHead::kAlign;
}

inline bool UniqueSink::Table::Insert(const char* text, std::size_t size, std::uint64_t h,
                                      bool ascii) {
    if (!ascii) {
        // HashLine left the folded text in scratch_ unless a line came between.
        FoldCaseInto(scratch_, {text, size});
    }
    const std::uint8_t tag = TagOf(h);
    const std::size_t mask = slotCount_ - 1;
    std::size_t at = HomeOf(h);
    for (;;) {
        const std::uint64_t group = Load8(reinterpret_cast<const char*>(tags_ + at));
        const std::uint64_t empty = ZeroBytes(group);
        for (std::uint64_t c = Candidates(group, empty, tag); c != 0; c &= c - 1) {
            if (Matches(Entry(refs_[(at + FirstMarked(c)) & mask]), text, size, ascii))
                return false;
        }
        if (empty != 0) {
            at = (at + FirstMarked(empty)) & mask;
            break;
        }
        at = (at + kGroup) & mask;
    }
    // A new line: keep its text as it came, its head first, in the current
    // block, so that the blocks hold the new lines in order.
    const std::size_t need = EntryHead::SpanFor(size);
    if (need > blockSize_ - blockUsed_) [[unlikely]]
        NewBlock(size, need);
    char* entry = blockData_ + blockUsed_;
    char* const bytes = entry + EntryHead::Put(entry, size, !ascii);
    if (size >= 8 && size <= 32)
        Words4(text, size).Store(bytes, size);
    else
        CopyPiece(bytes, text, size);
    Place(at, tag, blocks_.size() - 1, blockUsed_);
    blockUsed_ += need;
    if (++entries_ == growAt_) [[unlikely]]
        Grow();
    return true;
}

}  // namespace varnolt
