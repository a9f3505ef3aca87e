#pragma once
// The keyword tools: the kinds of typo and the match-type notations.
//
// Every operation takes one keyword and appends its lines to a LineSink in a
// fixed order. A character is one UTF-8 sequence: no variant ever splits one,
// and for ASCII text this is plain byte-wise behaviour.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnolt {

struct KeyboardLayout;
class ChunkSink;
class TypoKinds;

// The user messages of the two keyword pages (and of varnolt-kw).
inline constexpr const char* kMsgNoInput = "Please enter the input keywords to process.";
inline constexpr const char* kMsgNoAction =
    "Please select at least one action to do with your input keywords.";

// Receives the lines an operation produces, in order.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void AddLine(std::string_view line) = 0;
    // Appends one line made of `pieces` in order. The default joins them and
    // calls AddLine; a sink that copies lines into a buffer can take the
    // pieces directly and save the join.
    virtual void AddJoined(std::span<const std::string_view> pieces);
    // The buffer to write lines into directly, when this sink is one (or
    // passes its lines on to one); null by default.
    virtual ChunkSink* Direct() { return nullptr; }
    // Tells that the lines to come, up to the next call, are the typos of
    // `keyword` (GenerateTypos calls it before each keyword's lines). True
    // asks for them without repeats: no line equal, A-Z case ignored, to an
    // earlier one of the keyword or to the keyword (an ASCII keyword only).
    virtual bool BeginTyposOf(std::string_view /*keyword*/) { return false; }
};

// Collects lines into one text, each line followed by `eol`.
class TextSink : public LineSink {
public:
    explicit TextSink(std::string eol = "\n") : eol_(std::move(eol)) {}
    void AddLine(std::string_view line) override {
        text_.append(line);
        text_.append(eol_);
        ++count_;
    }
    void AddJoined(std::span<const std::string_view> pieces) override {
        for (std::string_view piece : pieces)
            text_.append(piece);
        text_.append(eol_);
        ++count_;
    }
    const std::string& Text() const { return text_; }
    std::string TakeText() { return std::move(text_); }
    std::size_t Count() const { return count_; }
    void Reserve(std::size_t bytes) { text_.reserve(bytes); }

private:
    std::string eol_;
    std::string text_;
    std::size_t count_ = 0;
};

// --- Typo generator ------------------------------------------------------
void AddSkippedLetters(std::string_view keyword, LineSink& out);
void AddDoubledLetters(std::string_view keyword, LineSink& out);
void AddReversedLetters(std::string_view keyword, LineSink& out);
void AddSkippedSpaces(std::string_view keyword, LineSink& out);
void AddMissedKeys(std::string_view keyword, LineSink& out);
void AddInsertedKeys(std::string_view keyword, LineSink& out);
void AddVowelSwaps(std::string_view keyword, LineSink& out);

// The QWERTY neighbours of a-z, comma-separated, in output order.
extern const char* const KeyNeighbourTable[26];
// The row of `key` (a lower-case letter), or "" for any other byte.
std::string_view GetKeyNeighbours(char key);
// `keyword` with A-Z lower-cased, into `dst` (its memory reused).
void LowerInto(std::string& dst, std::string_view keyword);

// Where each character of a keyword starts, plus the keyword's length at the
// end, so character p spans [Start(p), End(p)). A character is one well-formed
// UTF-8 sequence; a byte that does not start one is a character of its own.
class CharIndex {
public:
    void Build(std::string_view keyword);
    std::size_t Count() const { return at_.size() - 1; }
    std::size_t Start(std::size_t p) const { return at_[p]; }
    std::size_t End(std::size_t p) const { return at_[p + 1]; }

private:
    std::vector<std::size_t> at_;
};

// One keyword as every typo routine sees it.
struct TypoWord {
    std::string_view keyword;  // as typed
    std::string_view lower;    // A-Z lower-cased (when a chosen kind reads it); same length
    const CharIndex& chars;    // the characters of both
    // The keyboard of Missed keys and Inserted keys; null for qwerty.
    const KeyboardLayout* layout = nullptr;
    // When set (for an ASCII keyword whose layout passes TyposAreSingleEdits),
    // the routines leave out each line equal, A-Z case ignored, to the
    // keyword or to an earlier line of the kinds chosen here.
    const TypoKinds* distinct = nullptr;
};

// One kind of typo: everything the engine, varnolt-kw and the Typo Generator
// page need to know of it. The table order is the output order.
struct TypoKindRow {
    std::string_view option;      // varnolt-kw option, "--skip-letter"
    std::string_view caption;     // check box caption, "Skip letter"
    std::string_view objectName;  // check box object name, "chkSkip"
    void (*generate)(const TypoWord& word, LineSink& out);
    // The routine reads TypoWord::lower; for the other kinds the engine
    // leaves the keyword as it is and `lower` equals `keyword`.
    bool readsLower = false;
    // The same routine, writing into a ChunkSink's buffer.
    void (*generateDirect)(const TypoWord& word, ChunkSink& out) = nullptr;
};

// Every typo kind, in output order.
std::span<const TypoKindRow> TypoKindTable();
// The row index of the kind with `option`, or -1.
int FindTypoKind(std::string_view option);

// A choice of typo kinds, by row of TypoKindTable().
class TypoKinds {
public:
    void Set(std::size_t row, bool on = true);
    bool Has(std::size_t row) const { return (bits_ >> row) & 1u; }
    bool Any() const { return bits_ != 0; }
    static TypoKinds All();
    // The kinds named by their varnolt-kw options; an unknown one throws
    // std::invalid_argument.
    static TypoKinds Of(std::initializer_list<std::string_view> options);

private:
    std::uint32_t bits_ = 0;
};

// True when every neighbour on `layout` (null: qwerty) is one ASCII byte
// other than its key, none twice in a row: then every typo is one edit of
// its keyword, and the routines can leave out repeats by rule.
bool TyposAreSingleEdits(const KeyboardLayout* layout);

// For each keyword in turn, the chosen kinds in table order; the keyboard
// kinds on `layout` (null: qwerty).
void GenerateTypos(const std::vector<std::string_view>& keywords, const TypoKinds& kinds,
                   LineSink& out, const KeyboardLayout* layout = nullptr);
// About how many lines GenerateTypos writes for `keywords`, from a sample
// of them: a size to make room for, not a count to rely on.
std::uint64_t EstimateTypoLines(const std::vector<std::string_view>& keywords,
                                const TypoKinds& kinds, const KeyboardLayout* layout = nullptr);

// --- Match-type formatter ------------------------------------------------
void AddBroad(std::string_view keyword, bool lowercase, LineSink& out);
void AddPhraseMatch(std::string_view keyword, bool lowercase, LineSink& out);
void AddExactMatch(std::string_view keyword, bool lowercase, LineSink& out);
void AddMinusSign(std::string_view keyword, bool lowercase, LineSink& out);
void AddNegativePhrase(std::string_view keyword, bool lowercase, LineSink& out);  // -"k"
void AddNegativeExact(std::string_view keyword, bool lowercase, LineSink& out);   // -[k]

// One option of the match-type formatter: a notation, written around each
// keyword, or Lowercase, which changes every notation. The table order is the
// order of the Ad Words page; the notations are written in table order.
struct MatchOptionRow {
    std::string_view option;      // varnolt-kw option, "--phrase"
    std::string_view caption;     // check box caption, "Phrase Match"
    std::string_view objectName;  // check box object name, "chkPhraseMatch"
    // Writes one keyword in this notation; null for Lowercase.
    void (*add)(std::string_view keyword, bool lowercase, LineSink& out);
    std::string_view before;  // the marks `add` writes around the keyword
    std::string_view after;
};

std::span<const MatchOptionRow> MatchOptionTable();
// The row index of the option `option`, or -1.
int FindMatchOption(std::string_view option);

// A choice of match-type options, by row of MatchOptionTable().
class MatchTypes {
public:
    void Set(std::size_t row, bool on = true);
    bool Has(std::size_t row) const { return (bits_ >> row) & 1u; }
    // Lowercase alone counts: the page then writes nothing, without a warning.
    bool Any() const { return bits_ != 0; }
    bool Lowercase() const;
    // Every notation, without Lowercase.
    static MatchTypes AllNotations();
    // The options named by their varnolt-kw options; an unknown one throws
    // std::invalid_argument.
    static MatchTypes Of(std::initializer_list<std::string_view> options);

private:
    std::uint32_t bits_ = 0;
};

// Grouped by notation in table order, each over every keyword.
void FormatMatchTypes(const std::vector<std::string_view>& keywords, const MatchTypes& types,
                      LineSink& out);

}  // namespace varnolt
