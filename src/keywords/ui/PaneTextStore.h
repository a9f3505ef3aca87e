#pragma once
// The storage behind PaneText: its buffers of lines, the runs that make the
// text out of them, and the Undo steps. Only PaneText's own sources use it.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "keywords/ui/PaneText.h"

namespace varnolt {

// One buffer of lines. Line k runs from starts[k] to the byte before the next
// start; the last line ends at the buffer's end, before a final LF if any.
struct PaneText::Store {
    std::string bytes;
    Index starts;
    mutable int ascii = -1;  // unknown, no, yes

    std::size_t Begin(std::size_t k) const { return static_cast<std::size_t>(starts[k]); }
    std::size_t EndOf(std::size_t k) const {
        if (k + 1 < starts.size()) {
            return static_cast<std::size_t>(starts[k + 1]) - 1;
        }
        return bytes.size() - (!bytes.empty() && bytes.back() == '\n' ? 1 : 0);
    }
    bool Ascii() const {
        if (ascii < 0) {
            ascii = std::all_of(bytes.begin(), bytes.end(),
                                [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        }
        return ascii == 1;
    }
};

struct PaneText::Run {
    std::uint8_t store = 0;  // 0: base, 1: additions
    std::uint64_t first = 0;
    std::uint64_t count = 0;
};

struct PaneText::Doc {
    Store base;
    Store add;
    std::vector<Run> runs;
    std::vector<std::uint64_t> firstLine;  // first line of every run
    std::size_t longest = 0;

    Doc() {
        // An empty text is one empty line.
        add.bytes = "\n";
        add.starts = {0};
        add.ascii = 1;
        runs.push_back(Run{1, 0, 1});
        firstLine.push_back(0);
    }
};

struct PaneText::Step {
    bool whole = false;  // Clear: `other` holds the text before it
    std::size_t at = 0;
    std::vector<Run> before;
    std::vector<Run> after;
    TextPos caretBefore;
    TextPos caretAfter;
    bool typing = false;
    std::unique_ptr<Doc> other;
};

}  // namespace varnolt
