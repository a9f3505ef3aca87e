#pragma once
// The keyword tools: six kinds of typo and four match-type notations.
//
// Every operation takes one keyword and appends its lines to a LineSink in a
// fixed order. A character is one UTF-8 sequence: no variant ever splits one,
// and for ASCII text this is plain byte-wise behaviour.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnolt {

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

// The QWERTY neighbours of a-z, comma-separated, in output order.
extern const char* const KeyNeighbourTable[26];
// The row of `key` (a lower-case letter), or "" for any other byte.
std::string_view GetKeyNeighbours(char key);

struct TypoKinds {
    bool skipLetter = false;
    bool doubleLetters = false;
    bool reverseLetters = false;
    bool skipSpaces = false;
    bool missedKeys = false;
    bool insertedKeys = false;
    bool Any() const {
        return skipLetter || doubleLetters || reverseLetters || skipSpaces || missedKeys ||
               insertedKeys;
    }
};

// For each keyword in turn, the checked kinds in the order above.
void GenerateTypos(const std::vector<std::string_view>& keywords, const TypoKinds& kinds,
                   LineSink& out);

// --- Match-type formatter ------------------------------------------------
void AddBroad(std::string_view keyword, bool lowercase, LineSink& out);
void AddPhraseMatch(std::string_view keyword, bool lowercase, LineSink& out);
void AddExactMatch(std::string_view keyword, bool lowercase, LineSink& out);
void AddMinusSign(std::string_view keyword, bool lowercase, LineSink& out);

struct MatchTypes {
    bool broad = false;
    bool phrase = false;
    bool exact = false;
    bool minus = false;
    bool lowercase = false;
    bool Any() const { return broad || phrase || exact || minus || lowercase; }
};

// Grouped by notation (broad, phrase, exact, minus), each over every keyword.
void FormatMatchTypes(const std::vector<std::string_view>& keywords, const MatchTypes& types,
                      LineSink& out);

}  // namespace varnolt
