#pragma once
// Keyword lists and keyword text files.
//
// A keyword list is the lines of a text, in order, each taken unchanged. A
// line ends at CR LF, a lone CR or a lone LF; a final empty line (the text
// ends with a line break) is not a line. An empty text has no lines.
#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// The lines of `text`; the views point into `text`.
std::vector<std::string_view> KeywordLines(std::string_view text);

// Reads a keyword file as UTF-8 text whose line breaks are all CR LF: a UTF-8
// byte-order mark is dropped, a file that is not valid UTF-8 is read as
// Windows-1252, and CR LF, lone CR and lone LF each become CR LF.
// Throws FileError("Cannot open file ...") when the file cannot be read.
std::string LoadKeywordFile(const std::string& path);

// Writes `text` to `path` unchanged (UTF-8, no byte-order mark), replacing
// any file of that name. Throws FileError("Cannot create file ...").
void SaveKeywordFile(const std::string& path, std::string_view text);

// `text` with every line break (CR LF, lone CR, lone LF) written as CR LF.
std::string ToCrLf(std::string_view text);

}  // namespace varnolt
