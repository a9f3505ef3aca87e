#pragma once
// Which keywords stand apart from all the others. Every typo kind makes one
// edit of a character (leaves one out, adds one, replaces one, or exchanges
// two side by side), so a typo of one keyword can equal a typo of another,
// or another keyword, only when the two keywords, case-folded, are at most
// two such edits apart. The typos of a keyword further than that from every
// other need to be compared only with each other and with the keyword.
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace varnolt {

// For each of `keywords` (no two of them equal with A-Z case ignored):
// true when it is ASCII and more than two edits (Damerau-Levenshtein, on
// the case-folded characters) from every other. A keyword shorter than
// seven characters is never counted apart, nor is any keyword when one of
// them is not well-formed UTF-8. The search costs about one unit for each
// part it looks up and each keyword it meets, and stops (the keywords not
// yet searched counted near) once each keyword found apart has cost more
// than `worth`; a keyword that shares its parts with very many is counted
// near. `poll`, when set, is called every few thousand keywords, and may
// throw to stop the search.
std::vector<bool> KeywordsApart(std::span<const std::string_view> keywords,
                                std::size_t worth = SIZE_MAX,
                                const std::function<void()>& poll = {});

// The Damerau-Levenshtein distance of `a` and `b` (the fewest characters
// left out, added, replaced, or exchanged with their neighbour, in any
// sequence) when it is at most 2, else 3.
unsigned EditsUpToTwo(std::u32string_view a, std::u32string_view b);

}  // namespace varnolt
