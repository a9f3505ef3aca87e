#pragma once
// Duplicates removed: a LineSink in front of another that passes a line on
// only when no earlier line equals it with letter case ignored. The first
// occurrence stays where it stands; nothing else moves.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keywords/ChunkSink.h"
#include "keywords/Keywords.h"
#include "util/FreshPages.h"

namespace varnolt {

// `text` with its letters case-folded for comparison: each code point by
// the simple case folding of Unicode (A-Z to a-z among them). Bytes that are
// not well-formed UTF-8 are kept as they are.
void FoldCaseInto(std::string& dst, std::string_view text);
std::string FoldCase(std::string_view text);

// `keywords` without those equal to an earlier one with A-Z case ignored.
// Every typo of such a repeat equals, case ignored, the same typo of the
// earlier keyword (the kinds work character by character, and the keyboard
// kinds on the A-Z lower-cased keyword), so behind a UniqueSink a repeat
// writes nothing, and leaving it out changes no output byte.
std::vector<std::string_view> WithoutRepeats(const std::vector<std::string_view>& keywords);

class UniqueSink : public LineSink {
public:
    // In front of a ChunkSink, the lines are checked in that sink's own
    // buffer (no copy of them); in front of any other sink, in a batch here.
    // With `threads` 2 in front of a ChunkSink, the lines are split between
    // two tables by their hash (equal lines always meet in the same one),
    // and a second thread checks the lines of one table while the calling
    // thread checks the other's: the output is the same.
    explicit UniqueSink(LineSink& out, unsigned threads = 1);
    ~UniqueSink() override;
    UniqueSink(const UniqueSink&) = delete;
    UniqueSink& operator=(const UniqueSink&) = delete;
    // 2 when this process may run on two processors or more, else 1.
    static unsigned ThreadsToUse();
    void AddLine(std::string_view line) override;
    void AddJoined(std::span<const std::string_view> pieces) override;
    ChunkSink* Direct() override { return chunk_; }
    // True when `keyword` is the next of the keywords KeepApart marked: its
    // typos, written without repeats, are passed on as they come.
    bool BeginTyposOf(std::string_view keyword) override;
    // The keywords of `distinct` marked in `apart` (by KeywordsApart) stand
    // apart: no line of another keyword, and no keyword, equals a typo of
    // one. Their typos then stay out of the set (ForEachKept does not give
    // them), and each is to be generated once, in the order of `distinct`.
    void KeepApart(std::span<const std::string_view> distinct, const std::vector<bool>& apart);
    // Makes room for about `lines` lines in all, so that the table does not
    // grow step by step while they come (a hint: any number still fits).
    void Expect(std::uint64_t lines);
    // Counts `line` as written without writing it: a later equal line is dropped.
    // Returns true when no earlier line equalled it.
    bool Exclude(std::string_view line);
    // Exclude over every line of `lines`, in order (their table slots
    // fetched ahead, so much faster than one at a time).
    void Exclude(std::span<const std::string_view> lines);
    // The same, and moves the lines that were new to the front; returns how
    // many they are.
    std::size_t KeepNew(std::span<std::string_view> lines);
    // Passes on the lines still held back. Lines are checked in small batches
    // (their table slots fetched ahead), so call this after the last line
    // (it also ends the typos of a keyword apart).
    void Finish();
    // The lines the set dropped (a keyword apart never writes its repeats:
    // they are not counted).
    std::size_t Dropped() const { return dropped_; }
    // Calls `f` with every line remembered (written, kept or excluded), in
    // the order they came, as they came; with two tables, those of the
    // first table and then those of the second.
    template <class F>
    void ForEachKept(F&& f) const;
    // For tests: keeps only these bits of every hash, so that lines collide.
    void SetHashMask(std::uint64_t mask);

private:
    class Table;
    class Filter;
    class SplitFilter;
    struct EntryHead;
    struct Held {
        std::size_t at, size;
        std::uint64_t hash;
        bool ascii;
    };
    // Decides the lines held in the batch, passing on those that are new.
    void PassHeld();
    // The table that holds the lines of this hash.
    Table& TableOf(std::uint64_t hash);
    // Inserts every line of `lines` in order, calling onInserted(index, new).
    template <class F>
    void InsertAll(std::span<const std::string_view> lines, F&& onInserted);

    LineSink& out_;
    ChunkSink* chunk_ = nullptr;
    std::unique_ptr<Table> tables_[2];
    unsigned tableCount_ = 1;
    std::unique_ptr<ChunkFilter> filter_;
    std::vector<Held> held_;
    std::string heldLines_;
    std::size_t dropped_ = 0;
    // The keywords that stand apart, by where their text starts, the next
    // to come first; whether the lines now coming are one's typos.
    std::vector<std::string_view> apart_;
    std::size_t nextApart_ = 0;
    bool alone_ = false;
};

// The lines seen, in one open-addressing table: a byte for each slot (0
// when empty, else TagOf the line's hash), read eight slots at a time, and
// beside it where the line (its head first) lies in the blocks. The blocks
// keep the lines in the order they came. A table is used by one thread at
// a time, and kept apart from the other table's fields in memory.
class alignas(64) UniqueSink::Table {
public:
    Table();
    // The hash of `text` folded; `ascii` tells whether folding it is plain
    // A-Z lowering (else the folded text is left in scratch_).
    [[gnu::always_inline]] std::uint64_t HashLine(const char* text, std::size_t size, bool& ascii);
    void Prefetch(std::uint64_t hash) const;
    // Fetches the text of the slots that may hold the line.
    void PrefetchEntry(std::uint64_t hash) const;
    // True when `text` (hashed by HashLine) is new, and now remembered.
    [[gnu::always_inline]] bool Insert(const char* text, std::size_t size, std::uint64_t hash,
                                       bool ascii);
    void Expect(std::uint64_t lines);
    template <class F>
    void ForEachKept(F&& f) const;
    std::uint64_t hashMask = ~std::uint64_t{0};

private:
    [[gnu::noinline]] std::uint64_t HashFolded(const char* text, std::size_t size);
    bool Matches(const char* entry, const char* text, std::size_t size, bool ascii);
    // Starts a block with room for an entry of a line of `size` bytes.
    [[gnu::noinline]] void NewBlock(std::size_t size, std::size_t need);
    [[gnu::noinline]] void Grow() { Resize(slotCount_ * 2); }
    void Resize(std::size_t count);
    void AllocateSlots(std::size_t count);
    std::size_t HomeOf(std::uint64_t hash) const;
    const char* Entry(std::uint32_t ref) const;
    void Place(std::size_t at, std::uint8_t tag, std::size_t block, std::size_t offset);

    std::string scratch_, entryScratch_;
    FreshPages tagPages_, refPages_;
    std::uint8_t* tags_ = nullptr;   // the first slots' bytes again after the last
    std::uint32_t* refs_ = nullptr;  // where the entry starts, in kAlign bytes
    std::size_t slotCount_ = 0;
    unsigned slotBits_ = 0;                 // slotCount_ is 1 << slotBits_
    std::size_t entries_ = 0, growAt_ = 0;  // the table grows when entries_ reaches growAt_
    std::vector<FreshPages> blocks_;
    std::vector<std::size_t> blockEnds_;  // the bytes used of each full block
    char* blockData_ = nullptr;           // the last block's bytes
    std::size_t blockUsed_ = 0, blockSize_ = 0;
};

// An entry of the set: a line's length and whether it is compared folded,
// in one byte for a line shorter than 127 bytes, else in five; the line's
// bytes follow, and the next entry starts at the next multiple of kAlign.
struct UniqueSink::EntryHead {
    std::size_t size;
    bool folded;
    std::size_t headBytes;
    static constexpr std::size_t kShortest = 127;  // lines this long take five bytes
    static constexpr std::size_t kAlign = 4;
    // The bytes from this entry to the next.
    std::size_t Span() const { return (headBytes + size + kAlign - 1) & ~(kAlign - 1); }
    static EntryHead Of(const char* entry) {
        const auto b = static_cast<unsigned char>(entry[0]);
        if (b != 0xFF)
            return {std::size_t{b} >> 1, (b & 1u) != 0, 1};
        std::uint32_t word;
        std::memcpy(&word, entry + 1, sizeof word);
        return {word >> 1, (word & 1u) != 0, 1 + sizeof word};
    }
    // Writes the head of a line of `size` bytes; returns its length.
    static std::size_t Put(char* entry, std::size_t size, bool folded) {
        if (size < kShortest) {
            entry[0] = static_cast<char>((size << 1) | folded);
            return 1;
        }
        entry[0] = static_cast<char>(0xFF);
        const auto word = static_cast<std::uint32_t>((size << 1) | folded);
        std::memcpy(entry + 1, &word, sizeof word);
        return 1 + sizeof word;
    }
    static std::size_t SpanFor(std::size_t size) {
        return EntryHead{size, false, size < kShortest ? 1u : 5u}.Span();
    }
};

// Readies `set` for the typos of `keywords`: room made for them, the
// keywords themselves excluded (they are not typos of themselves), and the
// keywords apart from the others found. Returns the keywords to make typos
// of: those without their repeats. `poll`, when set, is called now and then
// on a long list, and may throw to stop.
std::vector<std::string_view> ReadyForTypos(UniqueSink& set,
                                            const std::vector<std::string_view>& keywords,
                                            const TypoKinds& kinds,
                                            const KeyboardLayout* layout = nullptr,
                                            const std::function<void()>& poll = {});

template <class F>
void UniqueSink::Table::ForEachKept(F&& f) const {
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        const char* at = blocks_[b].Data();
        const char* const end = at + (b < blockEnds_.size() ? blockEnds_[b] : blockUsed_);
        while (at < end) {
            const EntryHead head = EntryHead::Of(at);
            f(std::string_view(at + head.headBytes, head.size));
            at += head.Span();
        }
    }
}

template <class F>
void UniqueSink::ForEachKept(F&& f) const {
    for (unsigned t = 0; t < tableCount_; ++t)
        tables_[t]->ForEachKept(f);
}

}  // namespace varnolt
