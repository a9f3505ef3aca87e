#include "brand/BrandFile.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <system_error>

#include "crypto/AesLib.h"
#include "util/OutputFile.h"
#include "util/UUtils.h"
#include "util/UserFolders.h"

namespace varnolt {

namespace {

constexpr std::string_view LastNewsIdOpen = "<%%LastNewsId%%>";
constexpr std::string_view LastNewsIdClose = "<%%/LastNewsId%%>";
constexpr std::string_view AffiliatePlaceholder = "%%AFFILIATEID%%";

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Position of the first `needle` in `hay` at or after `from`, comparing A-Z
// without regard to case.
std::size_t FindNoCase(std::string_view hay, std::string_view needle, std::size_t from = 0) {
    if (from > hay.size())
        return std::string_view::npos;
    auto it =
        std::search(hay.begin() + static_cast<std::ptrdiff_t>(from), hay.end(), needle.begin(),
                    needle.end(), [](char a, char b) { return UpperAscii(a) == UpperAscii(b); });
    if (it == hay.end() && !needle.empty())
        return std::string_view::npos;
    return static_cast<std::size_t>(it - hay.begin());
}

std::string OpenMarker(std::string_view tag) {
    return "<%%" + std::string(tag) + "%%>";
}
std::string CloseMarker(std::string_view tag) {
    return "<%%/" + std::string(tag) + "%%>";
}

enum class Extracted { Missing, Found, Unclosed };

// ExtractTaggedValue that also tells what it found.
Extracted Extract(std::string& working, std::string_view openTag, std::string_view closeTag,
                  std::string& value) {
    value.clear();
    std::size_t p = FindNoCase(working, openTag);
    if (p == std::string::npos)
        return Extracted::Missing;
    working.erase(0, p + openTag.size());
    std::size_t q = FindNoCase(working, closeTag);
    if (q == std::string::npos)
        return Extracted::Unclosed;
    value.assign(working, 0, q);
    working.erase(0, q);
    return Extracted::Found;
}

std::vector<std::string> SplitSettingsLines(std::string_view plain) {
    std::size_t nul = plain.find('\0');
    if (nul != std::string_view::npos)
        plain = plain.substr(0, nul);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        char c = plain[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(plain.substr(start, i - start));
        if (c == '\r' && i + 1 < plain.size() && plain[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < plain.size())
        lines.emplace_back(plain.substr(start));
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
    std::size_t pos = 0;
    while ((pos = text.find(what, pos)) != std::string::npos) {
        text.replace(pos, what.size(), with);
        pos += with.size();
    }
}

// The first two caret-separated parts of a Banner or Link entry; a missing
// second part is empty.
std::pair<std::string, std::string> TwoParts(const std::string& entry) {
    std::vector<std::string> parts;
    SplitByChar('^', entry, parts);
    return {parts.size() > 0 ? parts[0] : std::string(),
            parts.size() > 1 ? parts[1] : std::string()};
}

// Collects the numbers, as written, of every "<%%" + family + digits + "%%>"
// marker in `text`.
std::vector<std::string> FamilyNumbersIn(std::string_view text, std::string_view family) {
    std::string head = "<%%" + std::string(family);
    std::vector<std::string> numbers;
    std::size_t pos = 0;
    while ((pos = FindNoCase(text, head, pos)) != std::string_view::npos) {
        std::size_t d = pos + head.size();
        std::size_t e = d;
        while (e < text.size() && text[e] >= '0' && text[e] <= '9')
            ++e;
        if (e > d && text.substr(e, 3) == "%%>") {
            std::string n(text.substr(d, e - d));
            if (std::find(numbers.begin(), numbers.end(), n) == numbers.end())
                numbers.push_back(n);
        }
        pos = d;
    }
    return numbers;
}

// Reads one tag and notes what the program would silently pass over.
std::string ReadTag(std::string& working, std::string_view whole, std::string_view tag,
                    std::vector<std::string>& warnings, Extracted* how = nullptr) {
    std::string open = OpenMarker(tag), close = CloseMarker(tag), value;
    Extracted r = Extract(working, open, close, value);
    if (r == Extracted::Unclosed) {
        warnings.push_back(open + " has no closing marker " + close +
                           "; its value is read as empty");
    } else if (r == Extracted::Missing && FindNoCase(whole, open) != std::string_view::npos) {
        warnings.push_back(
            open +
            " stands before a tag read earlier and is ignored (tags must keep the reading order)");
    }
    if (how)
        *how = r;
    return value;
}

std::vector<std::string> ReadFamily(std::string& working, std::string_view whole,
                                    std::string_view family, std::vector<std::string>& warnings) {
    std::vector<std::string> entries;
    std::string stopReason;
    for (int n = 1; n <= MaxFamilyEntries; ++n) {
        Extracted how;
        std::string value =
            ReadTag(working, whole, std::string(family) + std::to_string(n), warnings, &how);
        if (!value.empty()) {
            entries.push_back(std::move(value));
            continue;
        }
        switch (how) {
            case Extracted::Missing:
                stopReason = "missing";
                break;
            case Extracted::Unclosed:
                stopReason = "without closing marker";
                break;
            case Extracted::Found:
                stopReason = "empty";
                break;
        }
        break;
    }

    // Entries that exist in the text but are never read: after a gap, above
    // the limit, or numbered with leading zeros.
    int read = static_cast<int>(entries.size());
    std::string stopNumber = read < MaxFamilyEntries ? std::to_string(read + 1) : std::string();
    std::vector<std::pair<long, std::string>> ignored;
    for (const std::string& number : FamilyNumbersIn(whole, family)) {
        if (number == stopNumber)
            continue;
        bool isRead = false;
        for (int n = 1; n <= read && !isRead; ++n)
            isRead = number == std::to_string(n);
        if (isRead)
            continue;
        long key = number.size() > 9 ? 999999999L : std::stol(number);
        ignored.emplace_back(key, std::string(family) + number);
    }
    if (!ignored.empty()) {
        std::sort(ignored.begin(), ignored.end());
        std::string names;
        for (const auto& [key, name] : ignored)
            names += (names.empty() ? "" : ", ") + name;
        if (read == MaxFamilyEntries) {
            warnings.push_back(std::string(family) + " has more than " +
                               std::to_string(MaxFamilyEntries) + " entries; ignored: " + names);
        } else {
            warnings.push_back(std::string(family) + " stops at " + std::string(family) +
                               stopNumber + " (" + stopReason + "); ignored: " + names);
        }
    }
    return entries;
}

void CheckParts(const std::vector<std::string>& entries, std::string_view family,
                std::string_view second, std::vector<std::string>& warnings) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string name = std::string(family) + std::to_string(i + 1);
        if (entries[i].find('^') == std::string::npos) {
            warnings.push_back(name + " has no caret; its " + std::string(second) + " is empty");
        } else if (TwoParts(entries[i]).second.empty()) {
            warnings.push_back(name + " has nothing after its caret; its " + std::string(second) +
                               " is empty");
        }
    }
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

}  // namespace

std::string ExtractTaggedValue(std::string& working, std::string_view openTag,
                               std::string_view closeTag) {
    std::string value;
    Extract(working, openTag, closeTag, value);
    return value;
}

std::string JoinSettingsLines(std::string_view plain) {
    return JoinLines(SplitSettingsLines(plain));
}

BrandRead ReadBrandText(std::string_view plain, std::uint32_t seed) {
    BrandRead r;
    BrandSettings& s = r.settings;
    const std::string whole = JoinSettingsLines(plain);
    std::string w = whole;
    auto& warn = r.warnings;

    s.ApplicationName = ReadTag(w, whole, "ApplicationName", warn);
    s.BranderCode = ReadTag(w, whole, "BranderCode", warn);
    s.BranderType = ReadTag(w, whole, "BranderType", warn);
    s.AffiliateURL = ReadTag(w, whole, "AffiliateURL", warn);
    s.AffiliateTYPE = ReadTag(w, whole, "AffiliateTYPE", warn);
    s.AffiliateID = ReadTag(w, whole, "AffiliateID", warn);
    ReplaceAll(s.AffiliateURL, AffiliatePlaceholder, s.AffiliateID);
    s.MasterNewsBaseURL = ReadTag(w, whole, "MasterNewsBaseURL", warn);
    s.PlatinumNewsBaseURL = ReadTag(w, whole, "PlatinumNewsBaseURL", warn);
    s.GoldNewsBaseURL = ReadTag(w, whole, "GoldNewsBaseURL", warn);
    s.MasterPublID = ReadTag(w, whole, "MasterPublID", warn);
    s.PlatinumPublID = ReadTag(w, whole, "PlatinumPublID", warn);
    s.GoldPublID = ReadTag(w, whole, "GoldPublID", warn);
    r.MakeMoneyButton = ReadTag(w, whole, "MakeMoneyButton", warn);
    s.AppHelpURL = ReadTag(w, whole, "AppHelpURL", warn);
    s.CopyrightYears = ReadTag(w, whole, "CopyrightYears", warn);
    s.CopyrightCompany = ReadTag(w, whole, "CopyrightCompany", warn);
    s.AboutText = ReadTag(w, whole, "AboutText", warn);

    r.Welcome = ReadFamily(w, whole, "Welcome", warn);
    r.Banner = ReadFamily(w, whole, "Banner", warn);
    r.Link = ReadFamily(w, whole, "Link", warn);

    static constexpr std::array<std::string_view, 4> tiers = {"Master", "Platinum", "Gold", "Free"};
    if (!s.BranderType.empty() &&
        std::find(tiers.begin(), tiers.end(), s.BranderType) == tiers.end()) {
        warn.push_back("BranderType \"" + s.BranderType +
                       "\" is none of Master, Platinum, Gold, Free; no tier applies");
    }
    CheckParts(r.Banner, "Banner", "URL", warn);
    CheckParts(r.Link, "Link", "URL", warn);

    std::mt19937 generator(seed);
    auto pick = [&generator](std::size_t count) {
        return static_cast<std::size_t>(generator() % count);
    };
    if (!r.Welcome.empty())
        s.WelcomeText = r.Welcome[pick(r.Welcome.size())];
    if (!r.Banner.empty()) {
        std::size_t i = pick(r.Banner.size());
        std::tie(s.BannerFile, s.BannerURL) = TwoParts(r.Banner[i]);
        s.BannerNumber = static_cast<int>(i) + 1;
    }
    if (!r.Link.empty()) {
        std::vector<std::string> links = r.Link;
        std::size_t i = pick(links.size());
        std::tie(s.Link1Caption, s.Link1URL) = TwoParts(links[i]);
        links.erase(links.begin() + static_cast<std::ptrdiff_t>(i));
        if (!links.empty()) {
            std::tie(s.Link2Caption, s.Link2URL) = TwoParts(links[pick(links.size())]);
        }
    }
    return r;
}

std::optional<BrandRead> LoadBrandFile(const std::string& appFolder, std::uint32_t seed) {
    const std::string path = appFolder + SettingsFileName;
    if (!FileExists(path))
        return std::nullopt;
    std::string plain;
    if (DecryptFileToMemory(path, plain) != DecryptResult::Ok) {
        BrandRead r = ReadBrandText({}, seed);
        r.damaged = true;
        r.warnings.push_back("the settings file could not be decrypted; every value is empty");
        return r;
    }
    return ReadBrandText(plain, seed);
}

bool NewsButtonRule(const BrandSettings& s) {
    auto has = [](const std::string& publId, const std::string& baseUrl) {
        return !publId.empty() && !baseUrl.empty();
    };
    if (s.BranderType == "Master" || s.BranderType == "Free")
        return has(s.MasterPublID, s.MasterNewsBaseURL);
    if (s.BranderType == "Platinum")
        return has(s.PlatinumPublID, s.PlatinumNewsBaseURL);
    if (s.BranderType == "Gold")
        return has(s.GoldPublID, s.GoldNewsBaseURL);
    return false;
}

std::string MakeMoneyCaption(const BrandRead& read) {
    return read.MakeMoneyButton.empty() ? std::string("Make Money") : read.MakeMoneyButton;
}

std::string LastNewsIdOf(std::string_view plain) {
    std::string working = JoinSettingsLines(plain);
    return ExtractTaggedValue(working, LastNewsIdOpen, LastNewsIdClose);
}

std::string LastNewsIdStateFile(const std::string& appFolder) {
    const std::string folder = UserStateFolder();
    if (folder.empty())
        return {};
    std::uint8_t digest[Sha1DigestSize];
    Sha1Digest(digest, appFolder.data(), appFolder.size());
    static const char* hex = "0123456789abcdef";
    std::string name = "lastnewsid-";
    for (std::size_t i = 0; i < 8; ++i) {
        name += hex[digest[i] >> 4];
        name += hex[digest[i] & 15];
    }
    return folder + name;
}

namespace {

// The id kept in the user's state folder for `appFolder`; nothing when there
// is none. The file holds the program folder on its first line (so that it is
// never taken for another folder's) and the id on its second.
std::optional<std::string> ReadStateLastNewsId(const std::string& appFolder) {
    const std::string path = LastNewsIdStateFile(appFolder);
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string folder, id;
    if (!std::getline(in, folder) || folder != appFolder || !std::getline(in, id))
        return std::nullopt;
    return id;
}

}  // namespace

std::string ReadLastNewsId(const std::string& appFolder) {
    // An id kept for a program folder that could not be written comes first.
    if (std::optional<std::string> kept = ReadStateLastNewsId(appFolder))
        return *kept;
    const std::string path = appFolder + SettingsFileName;
    if (!FileExists(path))
        return {};
    std::string plain;
    if (DecryptFileToMemory(path, plain) != DecryptResult::Ok)
        return {};
    return LastNewsIdOf(plain);
}

bool WriteLastNewsId(const std::string& appFolder, const std::string& id) {
    // An id that breaks the line or closes the record early would damage the
    // record for every later read and write.
    if (id.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos ||
        FindNoCase(id, LastNewsIdClose) != std::string::npos) {
        return false;
    }
    const std::string path = appFolder + SettingsFileName;
    if (!FileExists(path))
        return false;
    std::string plain;
    if (DecryptFileToMemory(path, plain) != DecryptResult::Ok)
        return false;

    std::vector<std::string> lines = SplitSettingsLines(plain);
    const std::string record = std::string(LastNewsIdOpen) + id + std::string(LastNewsIdClose);
    bool replaced = false;
    for (std::string& line : lines) {
        std::size_t p = line.find(LastNewsIdOpen);
        if (p == std::string::npos)
            continue;
        std::size_t q = FindNoCase(line, LastNewsIdClose, p + LastNewsIdOpen.size());
        std::size_t end = q == std::string::npos ? line.size() : q + LastNewsIdClose.size();
        line.replace(p, end - p, record);
        replaced = true;
        break;
    }
    if (!replaced)
        lines.push_back(record);
    const std::string stateFile = LastNewsIdStateFile(appFolder);
    std::error_code ec;
    if (EncryptMemoryToFile(JoinLines(lines), path)) {
        // The program folder holds the id again: an id kept elsewhere is stale.
        if (!stateFile.empty())
            std::filesystem::remove(stateFile, ec);
        return true;
    }
    // A program folder that cannot be written (an installed copy): the id is
    // kept in the user's state folder instead.
    if (stateFile.empty() || !MakeFolders(UserStateFolder()))
        return false;
    return WriteWholeFile(stateFile, appFolder + "\n" + id + "\n", stateFile, nullptr);
}

std::string BannerFormatOf(std::string_view bannerFile) {
    std::size_t slash = bannerFile.find_last_of("\\:/");
    std::string_view name =
        slash == std::string_view::npos ? bannerFile : bannerFile.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    std::string ext = AsciiLower(name.substr(dot + 1));
    static constexpr std::array<std::string_view, 8> known = {"gif", "bmp", "ico",  "wmf",
                                                              "emf", "jpg", "jpeg", "png"};
    return std::find(known.begin(), known.end(), ext) != known.end() ? ext : std::string();
}

std::optional<BannerPicture> FindBannerPicture(const std::string& appFolder,
                                               const BrandSettings& settings) {
    if (settings.BannerFile.empty() || settings.BannerNumber <= 0)
        return std::nullopt;
    BannerPicture picture;
    picture.path = appFolder + "banner" + std::to_string(settings.BannerNumber) + ".dat";
    picture.format = BannerFormatOf(settings.BannerFile);
    std::error_code ec;
    if (picture.format.empty() || !std::filesystem::is_regular_file(picture.path, ec))
        return std::nullopt;
    return picture;
}

}  // namespace varnolt
