#pragma once
// The keyboards of Missed keys and Inserted keys. Each layout's neighbour
// rows are data, one file a layout in layouts/.
#include <span>
#include <string_view>

namespace varnolt {

struct KeyboardLayout {
    std::string_view name;          // --layout NAME, "qwerty"
    const char* const* neighbours;  // 26 rows for a-z, comma-separated, in output order
    // The key rows, digits first, as the keys stand (a blank is a key that
    // types another character), and the centre of each row's first key in key
    // widths: what the rows of the neighbour table are checked against.
    std::string_view keyRows[4];
    double firstCentre[4];
};

// Every layout; the first, qwerty, is the default.
std::span<const KeyboardLayout> KeyboardLayouts();
// The layout called `name`, or null.
const KeyboardLayout* FindKeyboardLayout(std::string_view name);

}  // namespace varnolt
