#pragma once
// Duplicates removed: a LineSink in front of another that passes a line on
// only when no earlier line equals it with letter case ignored. The first
// occurrence stays where it stands; nothing else moves.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keywords/Keywords.h"

namespace varnolt {

// `text` with its letters case-folded for comparison: A-Z to a-z, and by the
// simple Unicode case folding the letters of Latin-1, Latin Extended-A,
// Latin Extended Additional, Greek and Coptic, and Cyrillic with its
// supplement (U+0080-U+017F, U+0370-U+052F, U+1E00-U+1EFF). Other characters,
// and bytes that are not well-formed UTF-8, are kept as they are.
void FoldCaseInto(std::string& dst, std::string_view text);
std::string FoldCase(std::string_view text);

class UniqueSink : public LineSink {
public:
    explicit UniqueSink(LineSink& out);
    ~UniqueSink() override;
    void AddLine(std::string_view line) override;
    void AddJoined(std::span<const std::string_view> pieces) override;
    // Counts `line` as written without writing it: a later equal line is dropped.
    // Returns true when no earlier line equalled it.
    bool Exclude(std::string_view line);
    // Passes on the lines still held back. Lines are checked in small batches
    // (their table slots fetched ahead), so call this after the last line.
    void Finish();
    std::size_t Dropped() const { return dropped_; }

private:
    // True when `folded` is new (and now remembered).
    bool Remember(std::string_view folded, std::uint64_t hash);
    struct Held {
        std::size_t foldAt, foldSize, lineAt, lineSize;
        std::uint64_t hash;
    };
    std::vector<Held> held_;
    std::string heldFolded_, heldLines_;
    void Grow();
    void AllocateSlots(std::size_t count);
    std::size_t SlotOf(std::uint64_t tag) const;

    LineSink& out_;
    std::string scratch_;
    // Open addressing: each slot holds the high half of the hash and the
    // number of the entry (0 = empty); an entry points at its folded text.
    struct FreeSlots {
        void operator()(std::uint64_t* p) const;
    };
    std::unique_ptr<std::uint64_t[], FreeSlots> slots_;
    std::size_t slotCount_ = 0;
    unsigned slotBits_ = 0;  // slotCount_ is 1 << slotBits_, at most 1 << 32
    std::vector<const char*> entries_{nullptr};
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* blockAt_ = nullptr;
    std::size_t blockLeft_ = 0;
    std::size_t dropped_ = 0;
};

}  // namespace varnolt
