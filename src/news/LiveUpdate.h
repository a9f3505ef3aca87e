#pragma once
// The live update: a small description file of the newest version is fetched
// from the program's update folder and its version compared with AppVersion.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "news/HttpClient.h"

namespace varnolt {

inline constexpr const char* kUpdateInfoFile = "mainappupdate.inf";
inline constexpr const char* kUpdaterProgram = "Updater.exe";
// Largest description file the check accepts.
inline constexpr std::size_t kMaxUpdateInfo = 1u << 20;

// Fetches `url` into `localPath`: an old file there is deleted first, and on
// any failure (the file cannot be created, no connection, an HTTP error
// status, a broken or oversize transfer) no file is left behind. The pump is
// run once before the request. *cannotCreate (if given) tells whether the
// local file could not be created (then no request is made).
bool DownloadFile(HttpClient& http, const std::string& url, const std::string& localPath,
                  std::size_t maxBytes = kMaxUpdateInfo, bool* cannotCreate = nullptr);

// The value of `key` in `section` of an ini file (names match in any letter
// case; surrounding blanks and one pair of quotes are dropped); empty when the
// file, the section or the key is missing.
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key);

// A version text as a 32-bit number, read with a decimal point whatever the
// user's locale; 0 when it is not a finite number.
float VersionNumber(std::string_view text);
// True when `fileVersion` is greater than `appVersion`, both read as above and
// compared at long double precision.
bool IsNewerVersion(std::string_view fileVersion, std::string_view appVersion);

struct UpdateCheck {
    bool available = false;
    std::string versionText;  // Version exactly as the file holds it
};

// Downloads the description file into `appFolder` and reads it; when no file
// can be created there (a read-only program folder), the description goes to
// the user's cache folder (UserCacheFolder) instead.
UpdateCheck CheckUpdateAvailable(HttpClient& http, const std::string& liveUpdateURL,
                                 const std::string& appFolder);

// "There is a new update: (version ...) available ...": the first question.
std::string NewUpdateQuestion(std::string_view versionText);
// The updater beside the program, and whether it is there.
std::string UpdaterPath(const std::string& appFolder);
bool UpdaterExists(const std::string& appFolder);
// The updater's arguments: the update folder URL, AppVersion and "A".
std::vector<std::string> UpdaterArguments(const std::string& liveUpdateURL);

}  // namespace varnolt
