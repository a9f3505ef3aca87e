#pragma once
// The skin engine: one style sheet draws every window, control, message box
// and file dialog of the program. The built-in skin is compiled in; a
// reseller's skin file ("mainskin.dat": a zlib-compressed style sheet in
// qCompress format) replaces it for the whole application.
#include <QPalette>
#include <QString>

namespace varnolt {

class Skin {
public:
    // The built-in style sheet.
    static QString BuiltIn();
    // The light palette of the built-in skin, every role set.
    static QPalette BuiltInPalette();
    // Applies the built-in skin to the application: its palette, then its
    // style sheet (a reseller's skin file replaces only the style sheet).
    // Its type size follows the application font's (see UiScale.h).
    static void ApplyBuiltIn();
    // Applies the skin file at `path`; false (and the current skin kept) when
    // it cannot be read or is not a compressed style sheet.
    static bool ApplyFile(const QString& path);
    // The style sheet held in a skin file, or a null string.
    static QString ReadFile(const QString& path);
};

}  // namespace varnolt
