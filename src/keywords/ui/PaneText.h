#pragma once
// The text of a keyword pane, held so that memory follows the text and every
// edit stays local, whatever the number of lines.
//
// A loaded or generated text is one UTF-8 buffer with LF breaks (the base) and
// the start of each of its lines. Edits never touch it: the lines an edit
// makes are appended to a second buffer (the additions), and the text is a
// short list of runs, each a range of consecutive lines of one buffer. Undo
// and Redo swap runs back and forth, so an edit costs the bytes of the lines
// it touches, never a copy of the whole text.
//
// The pane shows at least one line: an empty text is one empty line, and a
// text that ends with a line break has an empty last line there. That line is
// not a keyword (KeywordCount).
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace varnolt {

// A place in the text: a line and a byte column within it.
struct TextPos {
    std::size_t line = 0;
    std::size_t col = 0;
    friend auto operator<=>(const TextPos&, const TextPos&) = default;
};

class PaneText {
public:
    using Index = std::vector<std::uint64_t>;

    // The start of every line of `text` (LF breaks); a final LF starts no line.
    static Index IndexLines(std::string_view text);
    // Writes CR LF, lone CR, U+2028 and U+2029 as LF, in place.
    static void NormaliseBreaks(std::string& text);

    // UTF-16 units of a UTF-8 text as the pane shows it (a byte that starts
    // no valid sequence is one character), and the byte column of a unit.
    static std::size_t Units(std::string_view s);
    static std::size_t ColOfUnit(std::string_view s, std::size_t unit);

    PaneText();
    ~PaneText();
    PaneText(const PaneText&) = delete;
    PaneText& operator=(const PaneText&) = delete;

    // Lines shown, at least one.
    std::size_t LineCount() const { return total_; }
    // Lines that are keywords: an empty last line is not one.
    std::size_t KeywordCount() const;
    bool IsEmpty() const { return total_ == 1 && Line(0).empty(); }
    std::string_view Line(std::size_t i) const;
    // Bytes of the whole text.
    std::size_t Size() const;
    std::string Text() const;
    // The whole text in order, in as few pieces as it is stored.
    void ForEachChunk(const std::function<void(std::string_view)>& sink) const;
    // Bytes of the longest line seen since the text was last replaced.
    std::size_t LongestLine() const;
    // Changes with every change of the text.
    std::uint64_t Generation() const { return generation_; }
    // The end of the text.
    TextPos End() const;

    // Offsets in the whole text counted in UTF-16 units (line breaks count
    // one), for assistive technology.
    std::size_t UnitOffset(TextPos pos) const;
    TextPos PosAtUnit(std::size_t offset) const;
    std::size_t UnitCount() const { return UnitOffset(End()); }

    // What Adopt otherwise finds out by reading the whole text: a worker
    // that made the text works it out beside it (Survey, or as it goes).
    struct Facts {
        std::size_t longest = 0;  // bytes of the longest line
        bool ascii = true;        // no byte of 0x80 or above
    };
    // (`ascii` false: not looked at, and reported false.)
    static Facts Survey(std::string_view text, const Index& starts, bool ascii = true);

    // Replaces the whole text and forgets Undo; `starts` is IndexLines(text).
    void Adopt(std::string&& text, Index&& starts, const Facts* facts = nullptr);
    // Appends `lfText` after the text (a program write: forgets Undo).
    void Append(std::string_view lfText);
    // Empties the text as one step that Undo takes back, while the text is
    // small enough to keep; a larger one is released at once.
    void Clear(TextPos caretBefore);
    // Empties the text, forgets Undo and gives every buffer back to the
    // system; the freeing runs on a thread of its own, so a big text leaves
    // without holding up the window.
    void Release();

    // A user edit: replaces [from, to) with `lfText` (LF breaks only) and
    // returns the position after the new text. Typing that continues the
    // previous typing on the same line joins its Undo step.
    TextPos Replace(TextPos from, TextPos to, std::string_view lfText, bool typing = false);
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // Both return the caret position the step leaves, or End() when there was none.
    TextPos Undo();
    TextPos Redo();

    // Texts up to this size stay undoable after Clear.
    static constexpr std::size_t kUndoableClearBytes = std::size_t{8} << 20;

private:
    struct Store;
    struct Run;
    struct Doc;
    struct Step;

    std::size_t RunAt(std::size_t line) const;
    std::size_t SplitAt(std::size_t line);
    std::vector<Run> ReplaceLines(std::size_t from, std::size_t to, std::vector<Run> with);
    void Reindex(std::size_t fromRun);
    std::size_t RunBytes(const Run& r) const;
    const Store& StoreOf(const Run& r) const;
    bool AllAscii() const;
    void Forget();

    std::thread releaser_;
    std::unique_ptr<Doc> doc_;
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    std::size_t total_ = 1;
    std::uint64_t generation_ = 0;
};

}  // namespace varnolt
