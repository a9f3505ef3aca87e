#pragma once
// Text is kept as bytes. Bytes from outside (keyword files, the settings file,
// the news service) are shown as UTF-8 when they are valid UTF-8 and read as
// Windows-1252 otherwise.
#include <cstddef>
#include <string>
#include <string_view>

namespace varnolt {

bool IsValidUtf8(std::string_view bytes);
// The length (1 to 4) of the well-formed UTF-8 sequence that starts at `pos`,
// or 0 when the bytes there are not one (overlong forms, surrogates, code
// points above U+10FFFF, stray continuation bytes and cut-off sequences).
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t pos);
// The code point of the well-formed sequence of `length` bytes (as
// Utf8SequenceLength gives it) at `pos`.
char32_t Utf8CodePoint(std::string_view bytes, std::size_t pos, std::size_t length);
// `bytes` without a leading UTF-8 byte-order mark.
std::string_view DropUtf8Bom(std::string_view bytes);
// Windows-1252 bytes to UTF-8 (the five unassigned bytes map to U+0081 etc.).
std::string Cp1252ToUtf8(std::string_view bytes);
// `bytes` unchanged when valid UTF-8, else read as Windows-1252; a UTF-8
// byte-order mark at the start is dropped.
std::string DecodeForDisplay(std::string_view bytes);

}  // namespace varnolt
