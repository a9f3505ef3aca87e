// The desktop's browser lookup runs once, in a worker, and a click never
// waits for it.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

#include "app/ui/DesktopServices.h"

namespace varnolt {
namespace {

TEST(DesktopRegistry, LooksTheBrowserUpOnceOffTheCallersThreadAndKeepsTheAnswer) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> lookups{0};
    std::thread::id lookupThread;
    DesktopRegistry registry([&] {
        lookupThread = std::this_thread::get_id();
        ++lookups;
        released.wait();
        return std::string("env A=1 browser %u");
    });
    // While the lookup has not answered, a click hands the URL to the desktop.
    EXPECT_EQ(registry.HttpOpenCommand(), "xdg-open %u");
    release.set_value();
    for (int i = 0; i < 3; ++i) {
        std::string command;
        for (int tries = 0; tries < 200 && command != "env A=1 browser %u"; ++tries) {
            command = registry.HttpOpenCommand();
        }
        EXPECT_EQ(command, "env A=1 browser %u");
    }
    EXPECT_EQ(lookups.load(), 1);
    EXPECT_NE(lookupThread, std::this_thread::get_id());

    // A lookup that fails leaves the desktop's opener, and nothing escapes.
    std::atomic<bool> thrown{false};
    DesktopRegistry failing([&]() -> std::string {
        thrown = true;
        throw std::runtime_error("no folders");
    });
    while (!thrown) {
        std::this_thread::yield();
    }
    EXPECT_EQ(failing.HttpOpenCommand(), "xdg-open %u");
    EXPECT_EQ(failing.HttpOpenCommand(), "xdg-open %u");
}

}  // namespace
}  // namespace varnolt
