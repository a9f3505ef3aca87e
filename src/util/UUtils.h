#pragma once
// Small shared helpers of the program.
#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// Empties `list`, then cuts `text` at every `separator` byte. Each separator
// ends the current piece, even an empty one; at the end the last piece is
// added only when it is not empty. "a^^b" -> {"a", "", "b"}; "a^b^" ->
// {"a", "b"}; "^a" -> {"", "a"}; "" -> {}.
void SplitByChar(char separator, std::string_view text, std::vector<std::string>& list);

// Changes A-Z to a-z and leaves every other byte as it is.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// The folder of the running executable, with a trailing '/'.
std::string AppFolder();

}  // namespace varnolt
