// What the program's message boxes draw.
#include <gtest/gtest.h>

#include "app/ui/DesktopServices.h"
#include "news/NewsMessages.h"

namespace varnolt {
namespace {

TEST(MessageBoxText, EveryLineBreakIsDrawnOnce) {
    const struct {
        const char* text;
        const char* drawn;
    } cases[] = {
        {"a\r\nb", "a\nb"},   {"a\n\rb", "a\nb"},       {"a\nb", "a\nb"},         {"a\rb", "a\nb"},
        {"a\n\nb", "a\n\nb"}, {"a\r\n\r\nb", "a\n\nb"}, {"no break", "no break"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessageBoxText(QString::fromLatin1(c.text)), QString::fromLatin1(c.drawn))
            << c.text;
    // The update question has one line break, between "close to" and "replace".
    EXPECT_EQ(MessageBoxText(QString::fromLatin1(kMsgUpdateWillClose)).count(QLatin1Char('\n')), 1);
}

}  // namespace
}  // namespace varnolt
