#include "keywords/Layouts.h"

#include <iterator>

#include "keywords/Keywords.h"

namespace varnolt {

namespace {

const char* const kQwertyMobile[26] = {
#include "keywords/layouts/qwerty-mobile.inc"
};
const char* const kQwertz[26] = {
#include "keywords/layouts/qwertz.inc"
};
const char* const kAzerty[26] = {
#include "keywords/layouts/azerty.inc"
};
const char* const kDvorak[26] = {
#include "keywords/layouts/dvorak.inc"
};

// The digit row types digits on every layout but AZERTY, where it takes Shift.
const KeyboardLayout kLayouts[] = {
    {"qwerty",
     KeyNeighbourTable,
     {"1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm"},
     {1.5, 2.0, 2.25, 2.75}},
    {"qwerty-mobile",
     kQwertyMobile,
     {"", "qwertyuiop", "asdfghjkl", "zxcvbnm"},
     {1.5, 2.0, 2.25, 2.75}},
    {"qwertz",
     kQwertz,
     {"1234567890", "qwertzuiop", "asdfghjkl", "yxcvbnm"},
     {1.5, 2.0, 2.25, 2.75}},
    {"azerty", kAzerty, {"", "azertyuiop", "qsdfghjklm", " wxcvbn"}, {1.5, 2.0, 2.25, 1.75}},
    {"dvorak",
     kDvorak,
     {"1234567890", "   pyfgcrl", "aoeuidhtns", " qjkxbmwvz"},
     {1.5, 2.0, 2.25, 2.75}},
};

}  // namespace

std::span<const KeyboardLayout> KeyboardLayouts() {
    return kLayouts;
}

const KeyboardLayout* FindKeyboardLayout(std::string_view name) {
    for (const KeyboardLayout& l : kLayouts) {
        if (l.name == name)
            return &l;
    }
    return nullptr;
}

}  // namespace varnolt
