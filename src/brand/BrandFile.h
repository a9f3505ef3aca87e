#pragma once
// Reading and updating the reseller's settings file, dbsettings.dat.
//
// The plain settings text is a run of tagged values, "<%%Tag%%>value<%%/Tag%%>",
// with the tags in a fixed reading order (ApplicationName, BranderCode, ...,
// AboutText, then the numbered families Welcome1.., Banner1.., Link1..). Each
// value is taken verbatim from between its markers; markers are found ignoring
// the case of A-Z. Each read drops the text before the marker it found, so a
// tag that stands before one read earlier is never seen.
//
// The plain text never touches the disk: the settings file is decrypted into
// memory and re-encrypted from memory, so a read-only program folder starts
// with its brand and nothing readable is left beside the program.
//
// Typical use by the main window:
//
//     if (auto brand = LoadBrandFile(AppFolder(), clockSeed)) {
//         settings = brand->settings;
//         caption  = brand->settings.ApplicationName + " v" + AppVersion;
//         newsShown = NewsButtonRule(brand->settings);
//         makeMoney = MakeMoneyCaption(*brand);
//         if (auto banner = FindBannerPicture(AppFolder(), brand->settings)) ...
//     }
//     ... ReadLastNewsId(AppFolder()) / WriteLastNewsId(AppFolder(), id)
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brand/BrandSettings.h"

namespace varnolt {

// Name of the settings file in the program folder.
inline constexpr const char* SettingsFileName = "dbsettings.dat";
// Families of numbered entries hold at most this many entries.
inline constexpr int MaxFamilyEntries = 16;

// Everything read from one settings text.
struct BrandRead {
    BrandSettings settings;       // the values, with the random picks made
    std::string MakeMoneyButton;  // caption of the Make Money button as read; empty when absent
    // The family entries read, in order, unsplit ("file^url", "caption^url").
    std::vector<std::string> Welcome, Banner, Link;
    // What the program silently ignores in this text (tags out of order,
    // missing closing markers, gaps in a family, ...), one text each.
    std::vector<std::string> warnings;
    // True when the settings file exists but could not be decrypted or failed
    // its authentication: every value is then empty.
    bool damaged = false;
};

// Reads one value out of `working` and shortens it. Finds `openTag` (ignoring
// the case of A-Z); without it the result is empty and `working` is unchanged.
// Otherwise drops everything up to the end of the opening marker and finds
// `closeTag` in the rest: when present, the value is the text up to it and
// `working` keeps the closing marker at its head; when absent, the value is
// empty and `working` starts right after the opening marker.
std::string ExtractTaggedValue(std::string& working, std::string_view openTag,
                               std::string_view closeTag);

// The plain text as the reader sees it: cut into lines at CR LF, lone CR or
// lone LF (a NUL byte ends the text), and joined again with CR LF after every
// line, the last one included.
std::string JoinSettingsLines(std::string_view plain);

// Parses a plain settings text and makes the random picks (one welcome page,
// one banner, two different links) from a generator seeded with `seed`. The
// same text and seed always give the same picks.
BrandRead ReadBrandText(std::string_view plain, std::uint32_t seed);

// Reads AppFolder + "dbsettings.dat" (`appFolder` ends with '/'). nullopt when
// the file does not exist. A file that cannot be read or decrypted gives a
// result with every value empty and `damaged` set.
std::optional<BrandRead> LoadBrandFile(const std::string& appFolder, std::uint32_t seed);

// Whether the news button is shown: the tier in BranderType (exact,
// case-sensitive) has its publisher id and news base URL; tier "Free" uses
// the Master values.
bool NewsButtonRule(const BrandSettings& settings);

// Caption of the Make Money button: the MakeMoneyButton value, or
// "Make Money" when it is empty.
std::string MakeMoneyCaption(const BrandRead& read);

// The LastNewsId record of a plain settings text: the first record, its
// markers found in any letter case; empty when there is none.
std::string LastNewsIdOf(std::string_view plain);

// The stored id of the newest news message the user opened: the one kept in
// the user's state folder for this program folder when there is one, else
// the record of the settings file; empty when the settings file is missing,
// cannot be decrypted or holds no record.
std::string ReadLastNewsId(const std::string& appFolder);

// Stores `id` as the LastNewsId record of AppFolder + "dbsettings.dat". The
// first line holding "<%%LastNewsId%%>" exactly as written gets its record
// replaced (other text on that line is kept); without such a line the record
// is added as a new last line. The file is replaced atomically, and an id kept
// in the user's state folder is then removed. When the settings file cannot
// be written (a read-only program folder), the id is kept in the user's state
// folder instead (LastNewsIdStateFile), the settings file staying as it was.
// Returns false when the file is missing, fails to decrypt, neither place can
// be written, or `id` holds a line break, a NUL byte or the closing marker.
bool WriteLastNewsId(const std::string& appFolder, const std::string& id);

// Where the last news id of `appFolder` is kept when that folder cannot be
// written: $XDG_STATE_HOME/varnolt/lastnewsid-<first 16 hex digits of the
// SHA-1 of the folder path>; empty when there is no state folder.
std::string LastNewsIdStateFile(const std::string& appFolder);

// The banner picture of the chosen Banner entry.
struct BannerPicture {
    std::string path;    // AppFolder + "banner" + N + ".dat"
    std::string format;  // "gif" (animated), "bmp", "ico", "wmf", "emf", "jpg", "jpeg" or "png"
};

// The picture format named by the extension of `bannerFile`'s file-name part
// (the text after its last '\', ':' or '/'), lower-cased; empty when the
// extension is not one of the known picture formats.
std::string BannerFormatOf(std::string_view bannerFile);

// The banner to show, or nullopt when the strip is hidden: BannerFile empty,
// no banner chosen, "banner"N".dat" missing, or an unknown picture format.
// The file is read under its own name; nothing is renamed.
std::optional<BannerPicture> FindBannerPicture(const std::string& appFolder,
                                               const BrandSettings& settings);

}  // namespace varnolt
