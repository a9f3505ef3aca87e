// Desktop entries: the Exec line's escapes, quoting and field codes, and the
// default browser found through mimeapps.list and the applications folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "support/Files.h"
#include "support/TempFolder.h"
#include "util/Browser.h"
#include "util/DesktopEntry.h"
#include "util/DesktopExec.h"

namespace varnolt {
namespace {

using Argv = std::vector<std::string>;

TEST(DesktopExec, StringEscapesFieldCodesQuotingAndPrefixes) {
    const std::string url = "http://a.example/?q=x y&p=100%";
    const ExecEntryValues entry{"web-browser", "Web Browser",
                                "/usr/share/applications/web.desktop"};
    struct Case {
        const char* raw;  // the Exec value as the .desktop file holds it
        std::string url;
        std::optional<Argv> argv;
    };
    const Case cases[] = {
        {"firefox-esr %u", url, Argv{"firefox-esr", url}},
        {"firefox-esr %u", "", Argv{"firefox-esr"}},
        {"browser %U --private", url, Argv{"browser", url, "--private"}},
        {"browser %F", url, Argv{"browser", url}},
        {"browser %f", "", Argv{"browser"}},
        {"env MOZ_ENABLE_WAYLAND=1 /usr/lib/firefox/firefox %u", url,
         Argv{"env", "MOZ_ENABLE_WAYLAND=1", "/usr/lib/firefox/firefox", url}},
        {"env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/firefox_firefox.desktop "
         "/snap/bin/firefox %u",
         "",
         Argv{"env",
              "BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/"
              "firefox_firefox.desktop",
              "/snap/bin/firefox"}},
        {"/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=chromium "
         "--file-forwarding org.chromium.Chromium @@u %U @@",
         url,
         Argv{"/usr/bin/flatpak", "run", "--branch=stable", "--arch=x86_64", "--command=chromium",
              "--file-forwarding", "org.chromium.Chromium", "@@u", url, "@@"}},
        {"flatpak run org.example.Web @@u %U @@", "",
         Argv{"flatpak", "run", "org.example.Web", "@@u", "@@"}},
        {"\"/opt/My Browser/run\" --new %U", url, Argv{"/opt/My Browser/run", "--new", url}},
        // String escapes first (\s \t \\), then the Exec quoting (\" \$ \` \\).
        {"sh -c \"echo \\\\\"\\\\$HOME\\\\\" \\\\\\\\ \\\\`id\\\\`\"", "",
         Argv{"sh", "-c", "echo \"$HOME\" \\ `id`"}},
        {"run\\sme\\t%u", url, Argv{"run", "me", url}},
        {"app \"two\\swords\" \"\" --url=%u", "", Argv{"app", "two words", "", "--url="}},
        {"app 'single q' a\\\\ b", "", Argv{"app", "single q", "a b"}},
        {"  app\t%u  ", url, Argv{"app", url}},
        // %% is a percent sign; inside quotes field codes are not expanded.
        {"app 100%% \"50%% %u\"", url, Argv{"app", "100%", "50% %u"}},
        {"app %i %c %k %u", url,
         Argv{"app", "--icon", "web-browser", "Web Browser", entry.location, url}},
        {"app --class=%c%u", "", Argv{"app", "--class=Web Browser"}},
        {"app %d %D %n %N %v %m %u", url, Argv{"app", url}},
        // Not a command line.
        {"app %x", url, std::nullopt},
        {"app \"unclosed %u", url, std::nullopt},
        {"app 'unclosed", url, std::nullopt},
        {"app 100%", url, std::nullopt},
        {"app \\\\", url, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        const std::string exec = UnescapeStringValue(c.raw);
        const auto parsed = ParseExec(exec);
        ASSERT_EQ(parsed.has_value(), c.argv.has_value());
        if (!parsed) {
            EXPECT_EQ(PlanBrowserLaunch(exec, c.url).kind, BrowserLaunch::Kind::Desktop)
                << "a line that is not a command line leaves the URL to the desktop";
            continue;
        }
        EXPECT_EQ(ExpandExec(*parsed, c.url, entry), *c.argv);
        // The stored line with the entry's own values in place gives the same.
        const std::string stored = ResolveEntryCodes(*parsed, entry);
        const auto again = ParseExec(stored);
        ASSERT_TRUE(again.has_value()) << stored;
        EXPECT_EQ(ExpandExec(*again, c.url), *c.argv) << stored;
        const BrowserLaunch plan = PlanBrowserLaunch(stored, c.url);
        ASSERT_EQ(plan.kind, BrowserLaunch::Kind::Program) << stored;
        Argv planned{plan.program};
        planned.insert(planned.end(), plan.arguments.begin(), plan.arguments.end());
        EXPECT_EQ(planned, *c.argv) << stored;
    }
    EXPECT_EQ(UnescapeStringValue("a\\;b\\qc\\"), "a\\;b\\qc\\") << "other pairs are kept";
    EXPECT_EQ(UnescapeStringValue("\\r\\n"), "\r\n");
    EXPECT_EQ(QuoteExecArgument("a \"$`\\%"), "\"a \\\"\\$\\`\\\\%%\"");
}

// Sets environment variables for one test and puts the old values back.
class ScopedEnv {
public:
    void Set(const char* name, const std::string& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

void Put(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(test::WriteFile(path, text)) << path;
}

std::string Entry(const std::string& exec, const std::string& extra = "") {
    return "# comment\n[Desktop Entry]\nType=Application\nName=Web\n" + extra + "Exec=" + exec +
           "\n[Desktop Action new]\nExec=wrong %u\n";
}

TEST(DesktopEntry, DefaultBrowserFromMimeAppsListAndTheApplicationsFolders) {
    test::TempFolder tmp("xdg");
    const std::string config = tmp.File("config");
    const std::string data = tmp.File("data");
    const std::string system = tmp.File("system");
    ScopedEnv env;
    env.Set("XDG_CONFIG_HOME", config);
    env.Set("XDG_CONFIG_DIRS", tmp.File("etc-xdg"));
    env.Set("XDG_DATA_HOME", data);
    env.Set("XDG_DATA_DIRS", system + ":relative/ignored");
    env.Set("XDG_CURRENT_DESKTOP", "X-Test:Fancy");
    env.Set("LC_ALL", "de_AT.UTF-8");

    // The user's list: a missing and a removed id come before the browser,
    // which lies in a subfolder of the user's applications folder.
    Put(config + "/mimeapps.list",
        "[Removed Associations]\nx-scheme-handler/https=removed.desktop;\n"
        "[Default Applications]\n"
        "x-scheme-handler/https = missing.desktop;removed.desktop;vendor-web.desktop;\n");
    Put(data + "/applications/removed.desktop", Entry("removed %u"));
    Put(data + "/applications/vendor/web.desktop",
        Entry("env GDK_BACKEND=x11 \"/opt/web\\sbrowser/web\" %i --name %c %U",
              "Icon=web-icon\nName[de]=Netz\nName[de_AT]=Netz AT\n"));
    // The desktop's own list counts before the common one; a hidden entry of
    // the user hides the system's entry of the same id.
    Put(config + "/fancy-mimeapps.list",
        "[Default Applications]\nx-scheme-handler/http=hidden.desktop;fancy.desktop\n");
    Put(data + "/applications/hidden.desktop", Entry("hidden %u", "Hidden=true\n"));
    Put(system + "/applications/hidden.desktop", Entry("system-hidden %u"));
    Put(system + "/applications/fancy.desktop", Entry("fancy %u"));
    Put(system + "/applications/mimeapps.list",
        "[Added Associations]\nx-scheme-handler/ftp=fancy.desktop;\n"
        "[Default Applications]\nx-scheme-handler/https=fancy.desktop\n");

    const XdgFolders folders = XdgFoldersFromEnvironment();
    EXPECT_EQ(folders.dataDirs, std::vector<std::string>{system});
    EXPECT_EQ(
        MimeAppsListFiles(folders),
        (std::vector<std::string>{
            config + "/x-test-mimeapps.list", config + "/fancy-mimeapps.list",
            config + "/mimeapps.list", tmp.File("etc-xdg/x-test-mimeapps.list"),
            tmp.File("etc-xdg/fancy-mimeapps.list"), tmp.File("etc-xdg/mimeapps.list"),
            data + "/applications/x-test-mimeapps.list", data + "/applications/fancy-mimeapps.list",
            data + "/applications/mimeapps.list", system + "/applications/x-test-mimeapps.list",
            system + "/applications/fancy-mimeapps.list", system + "/applications/mimeapps.list"}));

    const auto http = DefaultApplication(folders, "x-scheme-handler/http");
    ASSERT_TRUE(http.has_value());
    EXPECT_EQ(http->path, system + "/applications/fancy.desktop");
    const auto ftp = DefaultApplication(folders, "x-scheme-handler/ftp");
    ASSERT_TRUE(ftp.has_value()) << "added associations count after the defaults";
    EXPECT_FALSE(DefaultApplication(folders, "x-scheme-handler/gopher").has_value());
    EXPECT_FALSE(FindDesktopEntry(folders, "hidden.desktop").has_value());
    EXPECT_FALSE(FindDesktopEntry(folders, "../applications/fancy.desktop").has_value());

    const std::string command = FindBrowserCommand();
    const std::string url = "http://a.example/?q=a b";
    const BrowserLaunch plan = PlanBrowserLaunch(command, url);
    ASSERT_EQ(plan.kind, BrowserLaunch::Kind::Program) << command;
    EXPECT_EQ(plan.program, "env");
    EXPECT_EQ(plan.arguments, (Argv{"GDK_BACKEND=x11", "/opt/web browser/web", "--icon", "web-icon",
                                    "--name", "Netz AT", url}));
    EXPECT_EQ(PlanBrowserLaunch(command, "").arguments,
              (Argv{"GDK_BACKEND=x11", "/opt/web browser/web", "--icon", "web-icon", "--name",
                    "Netz AT"}));

    // Without any handler of its own the desktop's opener takes the URL.
    std::filesystem::remove(config + "/mimeapps.list");
    std::filesystem::remove(system + "/applications/mimeapps.list");
    std::filesystem::remove(config + "/fancy-mimeapps.list");
    env.Set("PATH", tmp.File("no-programs"));
    EXPECT_EQ(FindBrowserCommand(), "xdg-open %u");
}

}  // namespace
}  // namespace varnolt
