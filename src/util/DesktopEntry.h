#pragma once
// Desktop entries and the desktop's default applications: which .desktop
// file handles a MIME type (mimeapps.list), where that file lies, and the
// command line it names.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// The folders the desktop keeps its configuration and data in, most
// important first, each without a trailing '/'.
struct XdgFolders {
    std::string configHome;               // $XDG_CONFIG_HOME or ~/.config
    std::vector<std::string> configDirs;  // $XDG_CONFIG_DIRS or /etc/xdg
    std::string dataHome;                 // $XDG_DATA_HOME or ~/.local/share
    std::vector<std::string> dataDirs;    // $XDG_DATA_DIRS or /usr/local/share:/usr/share
    std::vector<std::string> desktops;    // $XDG_CURRENT_DESKTOP, lower-cased, in order
};
XdgFolders XdgFoldersFromEnvironment();

// What the program reads of an application's [Desktop Entry] group.
struct DesktopEntry {
    std::string path;  // the file it was read from
    std::string exec;  // the Exec value, its string escapes undone
    std::string icon;
    std::string name;  // Name in the user's language where the entry has one
    bool hidden = false;
};
// Nothing when the file cannot be read or has no [Desktop Entry] group.
// `locale` is a POSIX locale name such as "de_AT.UTF-8@euro" (LC_ALL,
// LC_MESSAGES or LANG); empty for the untranslated Name.
std::optional<DesktopEntry> ReadDesktopEntry(const std::string& path, std::string_view locale = {});

// The mimeapps.list files in the order they count: the desktop-specific
// file before the common one, in the config folders, then in the
// applications folders of the data folders.
std::vector<std::string> MimeAppsListFiles(const XdgFolders& folders);

// The installed entry of a desktop file id ("org.example.Browser.desktop"),
// looked up in dataHome, then dataDirs, under applications/; an id with '-'
// also names a file in a subfolder ("vendor-web.desktop" may be
// vendor/web.desktop). Nothing for an id that is not installed, is hidden,
// or has no Exec line.
std::optional<DesktopEntry> FindDesktopEntry(const XdgFolders& folders, std::string_view id,
                                             std::string_view locale = {});

// The default application for `mimeType`: the first installed entry of its
// "Default Applications" lists, file by file, then of its "Added
// Associations"; an id in the "Removed Associations" of the same or a more
// important file is passed over.
std::optional<DesktopEntry> DefaultApplication(const XdgFolders& folders, std::string_view mimeType,
                                               std::string_view locale = {});

// The command line (an Exec line, URL codes kept, see ResolveEntryCodes) of
// the desktop's web browser: the default handler of https, then of http
// links, from the mimeapps.list files, else from what `xdg-mime` answers;
// failing both, x-www-browser where it is installed, else xdg-open. Runs
// programs and reads files: call it off the GUI thread.
std::string FindBrowserCommand();

}  // namespace varnolt
