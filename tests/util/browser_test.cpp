// Finding the browser from the registered "http" command.
#include <gtest/gtest.h>

#include "util/Browser.h"

namespace varnolt {
namespace {

using Kind = BrowserLaunch::Kind;

TEST(BrowserLaunch, NoCommandFindsNoBrowser) {
    EXPECT_EQ(PlanBrowserLaunch("", "http://a.example/").kind, Kind::None);
}

TEST(BrowserLaunch, CommandIsLowerCasedCutAfterTheFirstExeAndUnquoted) {
    const auto plan = PlanBrowserLaunch(
        "\"C:\\Program Files\\Web Browser\\Browser.EXE\" -new \"%1\"", "http://shop.example/");
    EXPECT_EQ(plan.kind, Kind::Program);
    EXPECT_EQ(plan.program, "c:\\program files\\web browser\\browser.exe");
    EXPECT_EQ(plan.arguments, std::vector<std::string>{"http://shop.example/"});

    const auto twice = PlanBrowserLaunch("C:\\a.exe\\b.EXE %1", "x");
    EXPECT_EQ(twice.program, "c:\\a.exe");
}

TEST(BrowserLaunch, UrlIsPassedUnquoted) {
    const auto blanks = PlanBrowserLaunch("browser.exe", "http://a.example/x y");
    EXPECT_EQ(blanks.arguments, (std::vector<std::string>{"http://a.example/x", "y"}));
    const auto empty = PlanBrowserLaunch("browser.exe", "");
    EXPECT_EQ(empty.kind, Kind::Program);
    EXPECT_TRUE(empty.arguments.empty()) << "an empty URL opens the start page";
}

TEST(BrowserLaunch, DesktopEntriesGetTheUrlAsOneArgument) {
    const auto plan = PlanBrowserLaunch("firefox-esr %u", "http://a.example/x y");
    EXPECT_EQ(plan.kind, Kind::Program);
    EXPECT_EQ(plan.program, "firefox-esr");
    EXPECT_EQ(plan.arguments, std::vector<std::string>{"http://a.example/x y"});
    const auto start = PlanBrowserLaunch("\"/opt/My Browser/run\" --new %U", "");
    EXPECT_EQ(start.kind, Kind::Program);
    EXPECT_EQ(start.program, "/opt/My Browser/run") << "the program keeps its case";
    EXPECT_EQ(start.arguments, std::vector<std::string>{"--new"});
}

}  // namespace
}  // namespace varnolt
