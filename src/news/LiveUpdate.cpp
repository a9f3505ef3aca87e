#include "news/LiveUpdate.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "brand/BrandSettings.h"
#include "util/UUtils.h"
#include "util/UserFolders.h"

namespace varnolt {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return AsciiLower(a) == AsciiLower(b);
}

// A version text as a number of type T: blanks around it and one leading
// '+' are dropped; 0 unless the rest is one finite number. The library's
// parser may look at the byte after the text (it does for "-", "inf" and
// "nan" in long double), so it reads a copy that a NUL ends.
template <typename T>
T ReadVersion(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const std::string copy(text);
    const char* const last = copy.data() + copy.size();
    T value = 0;
    const auto [end, ec] = std::from_chars(copy.data(), last, value, std::chars_format::general);
    if (copy.empty() || ec != std::errc() || end != last || !std::isfinite(value))
        return 0;
    return value;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

bool DownloadFile(HttpClient& http, const std::string& url, const std::string& localPath,
                  std::size_t maxBytes, bool* cannotCreate) {
    std::error_code ec;
    std::filesystem::remove(localPath, ec);
    std::FILE* file = std::fopen(localPath.c_str(), "wb");
    if (cannotCreate)
        *cannotCreate = file == nullptr;
    if (file == nullptr)
        return false;  // e.g. a read-only program folder
    http.PumpOnce();
    bool ok = http.GetToFile(url, file, maxBytes);
    if (std::fclose(file) != 0)
        ok = false;
    if (!ok)
        std::filesystem::remove(localPath, ec);
    return ok;
}

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string line;
    bool inSection = false;
    bool first = true;
    while (std::getline(in, line)) {
        std::string_view text = line;
        if (first && text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        first = false;
        text = TrimBlanks(text);
        if (text.empty() || text.front() == ';')
            continue;
        if (text.front() == '[') {
            const std::size_t close = text.find(']');
            if (close != std::string_view::npos) {
                inSection = SameName(TrimBlanks(text.substr(1, close - 1)), section);
            }
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t eq = text.find('=');
        if (eq == std::string_view::npos || !SameName(TrimBlanks(text.substr(0, eq)), key)) {
            continue;
        }
        std::string_view value = TrimBlanks(text.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return {};
}

float VersionNumber(std::string_view text) {
    return ReadVersion<float>(text);
}

bool IsNewerVersion(std::string_view fileVersion, std::string_view appVersion) {
    // The program's own version is read at full precision.
    return ReadVersion<long double>(appVersion) <
           static_cast<long double>(VersionNumber(fileVersion));
}

UpdateCheck CheckUpdateAvailable(HttpClient& http, const std::string& liveUpdateURL,
                                 const std::string& appFolder) {
    UpdateCheck check;
    const std::string url = liveUpdateURL + kUpdateInfoFile;
    std::string localPath = appFolder + kUpdateInfoFile;
    bool cannotCreate = false;
    bool fetched = DownloadFile(http, url, localPath, kMaxUpdateInfo, &cannotCreate);
    if (cannotCreate) {
        // A read-only program folder (an installed copy): the description
        // goes to the user's cache folder.
        const std::string cache = UserCacheFolder();
        if (cache.empty() || !MakeFolders(cache))
            return check;
        localPath = cache + kUpdateInfoFile;
        fetched = DownloadFile(http, url, localPath);
    }
    if (!fetched || !FileExists(localPath))
        return check;
    check.versionText = ReadIniString(localPath, "APPLICATION", "Version");
    check.available = IsNewerVersion(check.versionText, AppVersion);
    return check;
}

std::string NewUpdateQuestion(std::string_view versionText) {
    std::string text = "There is a new update: (version ";
    text += versionText;
    text += ") available for your application!. Do you want download this update now?";
    return text;
}

std::string UpdaterPath(const std::string& appFolder) {
    return appFolder + kUpdaterProgram;
}

bool UpdaterExists(const std::string& appFolder) {
    return FileExists(UpdaterPath(appFolder));
}

std::vector<std::string> UpdaterArguments(const std::string& liveUpdateURL) {
    return {liveUpdateURL, AppVersion, "A"};
}

}  // namespace varnolt
