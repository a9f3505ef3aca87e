#pragma once
// The Exec line of a desktop entry: its quoting, its escapes and its field
// codes, turned into the argument list of the program it starts.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// Undoes the escapes of a string value of a desktop entry or mimeapps.list:
// \s space, \n line feed, \t tab, \r carriage return, \\ backslash. Any other
// backslash pair is kept as written, so that the Exec line's own escapes
// (\" \` \$ inside quotes) reach the Exec parser.
std::string UnescapeStringValue(std::string_view value);

// One argument of an Exec line: literal text and field codes, in order.
// Field codes are recognised outside double quotes only; inside quotes a
// percent sign is text ("%%" still stands for one).
struct ExecPiece {
    std::string text;
    char code = 0;  // 'u', 'U', 'f', 'F', 'i', 'c' or 'k'; 0 for text
};
using ExecArgument = std::vector<ExecPiece>;

// Splits an Exec value (string escapes already undone) into its arguments.
// Arguments are separated by blanks outside quotes; double quotes group, and
// inside them \" \` \$ \\ stand for the character; outside quotes a
// backslash takes the next character as it is, and single quotes group
// literally. "%%" is a literal percent sign; the deprecated codes %d %D %n %N
// %v %m are removed. Nothing for a line that is not a command line: an
// unclosed quote, a trailing backslash or a lone '%', or a field code that
// desktop entries do not define.
std::optional<std::vector<ExecArgument>> ParseExec(std::string_view exec);

// What the entry itself puts in place of %i, %c and %k.
struct ExecEntryValues {
    std::string icon;      // the Icon key; %i gives "--icon" and it
    std::string name;      // the (translated) Name key; %c
    std::string location;  // the entry's file; %k
};

// The argument list for opening `url` (the program first). %u %U %f %F give
// the URL as one argument, whole, however many blanks it holds. An argument
// made of field codes only that gives nothing (an empty URL, no icon, name
// or location) is left out; an argument with text in it is always kept.
std::vector<std::string> ExpandExec(const std::vector<ExecArgument>& arguments,
                                    std::string_view url, const ExecEntryValues& entry = {});

// The Exec line again, with %i %c %k replaced by the entry's values (quoted)
// and the URL codes kept, so that the line can be stored and expanded later
// for each URL with ExpandExec(ParseExec(line), url).
std::string ResolveEntryCodes(const std::vector<ExecArgument>& arguments,
                              const ExecEntryValues& entry);

// `text` as one quoted Exec argument: "..." with \" \` \$ \\ escaped and
// every '%' doubled.
std::string QuoteExecArgument(std::string_view text);

}  // namespace varnolt
