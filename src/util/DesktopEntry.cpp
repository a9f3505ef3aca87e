#include "util/DesktopEntry.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "util/DesktopExec.h"
#include "util/UUtils.h"

namespace varnolt {

namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// Absolute folders of a ':'-separated list; relative ones do not count.
std::vector<std::string> FolderList(const std::string& text) {
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(':', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string f = text.substr(start, end - start);
        while (f.size() > 1 && f.back() == '/') {
            f.pop_back();
        }
        if (!f.empty() && f[0] == '/') {
            folders.push_back(f);
        }
        start = end + 1;
    }
    return folders;
}

std::string HomeFolder(const char* variable, const std::string& fallback) {
    std::vector<std::string> set = FolderList(Env(variable));
    if (!set.empty()) {
        return set.front();
    }
    const std::string home = Env("HOME");
    return home.empty() ? std::string() : home + fallback;
}

std::string Trim(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) {
        ++b;
    }
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) {
        --e;
    }
    return std::string(s.substr(b, e - b));
}

// The groups of a desktop entry or mimeapps.list file, each key's value as
// written (later repeats of a key in a group do not count).
using KeyFile = std::map<std::string, std::map<std::string, std::string>>;

std::optional<KeyFile> ReadKeyFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    KeyFile file;
    std::string group;
    std::string line;
    while (std::getline(in, line)) {
        const std::string t = Trim(line);
        if (t.empty() || t[0] == '#') {
            continue;
        }
        if (t.front() == '[' && t.back() == ']') {
            group = t.substr(1, t.size() - 2);
            file[group];
            continue;
        }
        const std::size_t eq = t.find('=');
        if (group.empty() || eq == std::string::npos) {
            continue;
        }
        file[group].emplace(Trim(std::string_view(t).substr(0, eq)), Trim(t.substr(eq + 1)));
    }
    return file;
}

// A ';'-separated list value; "\;" is a semicolon inside an element.
std::vector<std::string> ListValue(std::string_view value) {
    std::vector<std::string> items;
    std::string item;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ';') {
            item.push_back(';');
            ++i;
        } else if (value[i] == ';') {
            items.push_back(Trim(UnescapeStringValue(item)));
            item.clear();
        } else {
            item.push_back(value[i]);
        }
    }
    items.push_back(Trim(UnescapeStringValue(item)));
    std::vector<std::string> kept;
    for (std::string& s : items) {
        if (!s.empty()) {
            kept.push_back(std::move(s));
        }
    }
    return kept;
}

// Name[...] keys to try for a locale, best first: lang_COUNTRY@MODIFIER,
// lang_COUNTRY, lang@MODIFIER, lang.
std::vector<std::string> LocaleKeys(std::string_view locale) {
    std::string l(locale);
    std::string modifier;
    if (const std::size_t at = l.find('@'); at != std::string::npos) {
        modifier = l.substr(at);
        l.erase(at);
    }
    if (const std::size_t dot = l.find('.'); dot != std::string::npos) {
        l.erase(dot);
    }
    if (l.empty() || l == "C" || l == "POSIX") {
        return {};
    }
    std::string lang = l;
    std::string country;
    if (const std::size_t us = l.find('_'); us != std::string::npos) {
        lang = l.substr(0, us);
        country = l.substr(us);
    }
    std::vector<std::string> keys;
    if (!country.empty() && !modifier.empty()) {
        keys.push_back(lang + country + modifier);
    }
    if (!country.empty()) {
        keys.push_back(lang + country);
    }
    if (!modifier.empty()) {
        keys.push_back(lang + modifier);
    }
    keys.push_back(lang);
    return keys;
}

std::optional<std::string> Locate(const fs::path& dir, const std::string& id) {
    std::error_code ec;
    if (fs::is_regular_file(dir / id, ec)) {
        return (dir / id).string();
    }
    for (std::size_t dash = id.find('-'); dash != std::string::npos;
         dash = id.find('-', dash + 1)) {
        const std::string sub = id.substr(0, dash);
        if (fs::is_directory(dir / sub, ec)) {
            if (auto found = Locate(dir / sub, id.substr(dash + 1))) {
                return found;
            }
        }
    }
    return std::nullopt;
}

bool OnPath(const std::string& program) {
    for (const std::string& dir : FolderList(Env("PATH"))) {
        if (::access((dir + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// The desktop file id `xdg-mime` names as the default for `mimeType`.
std::string XdgMimeDefault(const std::string& mimeType) {
    if (!OnPath("xdg-mime")) {
        return std::string();
    }
    const std::string command = "xdg-mime query default " + mimeType;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return std::string();
    }
    std::string out;
    char buffer[256];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, got);
    }
    ::pclose(pipe);
    return Trim(out.substr(0, out.find('\n')));
}

// The entry's command line with its own values in place, when it is one.
std::optional<std::string> BrowserCommand(const std::optional<DesktopEntry>& entry) {
    if (!entry) {
        return std::nullopt;
    }
    const auto parsed = ParseExec(entry->exec);
    const ExecEntryValues values{entry->icon, entry->name, entry->path};
    if (!parsed || ExpandExec(*parsed, "", values).empty()) {
        return std::nullopt;
    }
    return ResolveEntryCodes(*parsed, values);
}

}  // namespace

XdgFolders XdgFoldersFromEnvironment() {
    XdgFolders f;
    f.configHome = HomeFolder("XDG_CONFIG_HOME", "/.config");
    f.configDirs = FolderList(Env("XDG_CONFIG_DIRS"));
    if (f.configDirs.empty()) {
        f.configDirs = {"/etc/xdg"};
    }
    f.dataHome = HomeFolder("XDG_DATA_HOME", "/.local/share");
    f.dataDirs = FolderList(Env("XDG_DATA_DIRS"));
    if (f.dataDirs.empty()) {
        f.dataDirs = {"/usr/local/share", "/usr/share"};
    }
    std::vector<std::string> desktops;
    SplitByChar(':', AsciiLower(Env("XDG_CURRENT_DESKTOP")), desktops);
    for (const std::string& d : desktops) {
        if (!d.empty()) {
            f.desktops.push_back(d);
        }
    }
    return f;
}

std::optional<DesktopEntry> ReadDesktopEntry(const std::string& path, std::string_view locale) {
    const std::optional<KeyFile> file = ReadKeyFile(path);
    if (!file) {
        return std::nullopt;
    }
    const auto group = file->find("Desktop Entry");
    if (group == file->end()) {
        return std::nullopt;
    }
    const auto& keys = group->second;
    auto value = [&](const std::string& key) {
        const auto it = keys.find(key);
        return it == keys.end() ? std::string() : UnescapeStringValue(it->second);
    };
    DesktopEntry entry;
    entry.path = path;
    entry.exec = value("Exec");
    entry.icon = value("Icon");
    entry.name = value("Name");
    for (const std::string& l : LocaleKeys(locale)) {
        if (keys.count("Name[" + l + "]")) {
            entry.name = value("Name[" + l + "]");
            break;
        }
    }
    entry.hidden = value("Hidden") == "true";
    return entry;
}

std::vector<std::string> MimeAppsListFiles(const XdgFolders& folders) {
    std::vector<std::string> files;
    auto add = [&](const std::string& dir) {
        if (dir.empty()) {
            return;
        }
        for (const std::string& d : folders.desktops) {
            files.push_back(dir + "/" + d + "-mimeapps.list");
        }
        files.push_back(dir + "/mimeapps.list");
    };
    add(folders.configHome);
    for (const std::string& dir : folders.configDirs) {
        add(dir);
    }
    add(folders.dataHome.empty() ? std::string() : folders.dataHome + "/applications");
    for (const std::string& dir : folders.dataDirs) {
        add(dir + "/applications");
    }
    return files;
}

std::optional<DesktopEntry> FindDesktopEntry(const XdgFolders& folders, std::string_view id,
                                             std::string_view locale) {
    const std::string name(id);
    if (name.empty() || name.find('/') != std::string::npos || name[0] == '.') {
        return std::nullopt;
    }
    std::vector<std::string> bases;
    if (!folders.dataHome.empty()) {
        bases.push_back(folders.dataHome);
    }
    bases.insert(bases.end(), folders.dataDirs.begin(), folders.dataDirs.end());
    for (const std::string& base : bases) {
        if (const auto path = Locate(fs::path(base) / "applications", name)) {
            // The first file of an id hides those of less important folders.
            std::optional<DesktopEntry> entry = ReadDesktopEntry(*path, locale);
            if (!entry || entry->hidden || entry->exec.empty()) {
                return std::nullopt;
            }
            return entry;
        }
    }
    return std::nullopt;
}

std::optional<DesktopEntry> DefaultApplication(const XdgFolders& folders, std::string_view mimeType,
                                               std::string_view locale) {
    std::vector<KeyFile> files;
    for (const std::string& path : MimeAppsListFiles(folders)) {
        if (auto file = ReadKeyFile(path)) {
            files.push_back(std::move(*file));
        }
    }
    const std::string mime(mimeType);
    auto list = [&](const KeyFile& file, const char* group) {
        const auto g = file.find(group);
        if (g == file.end()) {
            return std::vector<std::string>();
        }
        const auto v = g->second.find(mime);
        return v == g->second.end() ? std::vector<std::string>() : ListValue(v->second);
    };
    for (const char* group : {"Default Applications", "Added Associations"}) {
        std::set<std::string> removed;
        for (const KeyFile& file : files) {
            for (const std::string& id : list(file, "Removed Associations")) {
                removed.insert(id);
            }
            for (const std::string& id : list(file, group)) {
                if (removed.count(id)) {
                    continue;
                }
                if (auto entry = FindDesktopEntry(folders, id, locale)) {
                    return entry;
                }
            }
        }
    }
    return std::nullopt;
}

std::string FindBrowserCommand() {
    const XdgFolders folders = XdgFoldersFromEnvironment();
    std::string locale = Env("LC_ALL");
    if (locale.empty()) {
        locale = Env("LC_MESSAGES");
    }
    if (locale.empty()) {
        locale = Env("LANG");
    }
    const char* const schemes[] = {"x-scheme-handler/https", "x-scheme-handler/http"};
    for (const char* mime : schemes) {
        if (auto command = BrowserCommand(DefaultApplication(folders, mime, locale))) {
            return *command;
        }
    }
    for (const char* mime : schemes) {
        const std::string id = XdgMimeDefault(mime);
        if (!id.empty()) {
            if (auto command = BrowserCommand(FindDesktopEntry(folders, id, locale))) {
                return *command;
            }
        }
    }
    return OnPath("x-www-browser") ? "x-www-browser %u" : "xdg-open %u";
}

}  // namespace varnolt
