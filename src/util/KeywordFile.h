#pragma once
// Keyword lists and keyword text files.
//
// A keyword list is the lines of a text, in order, each taken unchanged. A
// line ends at CR LF, a lone CR or a lone LF; a final empty line (the text
// ends with a line break) is not a line. An empty text has no lines.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// The lines of `text`; the views point into `text`.
std::vector<std::string_view> KeywordLines(std::string_view text);
// The same into `lines`, replacing what it held (its room is kept).
void KeywordLinesInto(std::vector<std::string_view>& lines, std::string_view text);

// Files larger than this are refused with "Text exceeds memo capacity".
inline constexpr std::uint64_t kMaxKeywordFileBytes = std::uint64_t{1} << 30;
inline constexpr const char* kMsgTextTooLarge = "Text exceeds memo capacity";

// The text of a keyword file from its bytes, by the rules of LoadKeywordFile.
std::string DecodeKeywordText(std::string_view bytes);

// Reads a keyword file as UTF-8 text whose line breaks are all CR LF: a UTF-8
// byte-order mark is dropped, a file that is not valid UTF-8 is read as
// Windows-1252, and CR LF, lone CR and lone LF each become CR LF.
// Throws FileError("Cannot open file ...") when the file cannot be read and
// FileError("Text exceeds memo capacity") when it is over kMaxKeywordFileBytes.
std::string LoadKeywordFile(const std::string& path);

// As LoadKeywordFile, from an open descriptor (read to its end, not closed);
// `path` names the source in messages.
std::string LoadKeywordFd(int fd, const std::string& path);

// A keyword file read for its lines only (the command-line tools): the text
// by the rules of LoadKeywordFile, but with its line breaks left as they came,
// which gives the same lines without a copy of the whole text. The lines point
// into the list's own text; a moved list takes them along.
class KeywordList {
public:
    explicit KeywordList(std::string text);
    KeywordList(KeywordList&& other) noexcept;
    KeywordList(const KeywordList&) = delete;
    KeywordList& operator=(const KeywordList&) = delete;
    // True when the text is empty (no input at all).
    bool Empty() const { return text_.empty(); }
    const std::vector<std::string_view>& Lines() const { return lines_; }

private:
    std::string text_;
    std::vector<std::string_view> lines_;
};

// As LoadKeywordFile and LoadKeywordFd, for their lines (same failures).
KeywordList ReadKeywordListFile(const std::string& path);
KeywordList ReadKeywordListFd(int fd, const std::string& path);

// Reads a keyword file a piece at a time, for a reader that needs each line
// once: `take` gets the lines of ReadKeywordListFd, in order, a run at a
// time; the views stay valid only during the call. A regular file is read
// through one buffer of `pieceBytes` (longer lines make it grow); anything
// else is read whole first. Whether the
// text is UTF-8 is known only at its end: when a line shows it is not after
// lines with other characters than ASCII were handed on, `restart` is called
// and every line is handed on again, read as Windows-1252. Returns false when
// there is no text at all (an empty file, or a byte-order mark alone); throws
// as ReadKeywordListFd.
using KeywordLinesTaker = std::function<void(std::span<const std::string_view>)>;
bool ForEachKeywordLines(int fd, const std::string& path, const KeywordLinesTaker& take,
                         const std::function<void()>& restart,
                         std::size_t pieceBytes = std::size_t{256} << 10);

// Writes `text` to `path` unchanged (UTF-8, no byte-order mark), replacing
// any file of that name as a whole (see OutputFile: a link is followed, a
// device or FIFO is written in place, a failure keeps the old file). Throws FileError("Cannot
// create file ...") when the file cannot be created, FileError("Cannot write file ...") when
// writing fails.
void SaveKeywordFile(const std::string& path, std::string_view text);

// `text` with every line break (CR LF, lone CR, lone LF) written as CR LF.
std::string ToCrLf(std::string_view text);
// `text` with every line break (CR LF, lone CR, lone LF) written as LF, as the
// text widgets keep it.
std::string ToLf(std::string_view text);

}  // namespace varnolt
