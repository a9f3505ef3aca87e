// The output pane that holds whole tool runs: its text, lines, scrolling,
// copying and the hand-over to the editor on the first edit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QTest>

#include "keywords/ui/FastKeywordPane.h"

namespace varnolt {
namespace {

class FastPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        pane.resize(279, 200);
        pane.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    }
    FastKeywordPane pane{QStringLiteral("memOutput"), QStringLiteral("scbResults")};
};

TEST_F(FastPaneTest, KeepsTextAndLinesExactly) {
    EXPECT_TRUE(pane.IsEmpty());
    pane.SetText("one\r\ntwo\rthree\n\nfive");
    EXPECT_EQ(pane.Text(), "one\ntwo\nthree\n\nfive");
    ASSERT_EQ(pane.LineCount(), 5u);
    EXPECT_EQ(pane.Line(3), "");
    EXPECT_EQ(pane.Line(4), "five");
    pane.Clear();
    EXPECT_TRUE(pane.IsEmpty());
    EXPECT_EQ(pane.LineCount(), 0u);
    // A final line break ends the last line; it starts no new one.
    pane.AppendLines("a\n\xC3\xA9t\xC3\xA9\n");
    pane.AppendLines("\n");
    EXPECT_EQ(pane.LineCount(), 3u);
    EXPECT_EQ(pane.Line(1), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(pane.Line(2), "");
    EXPECT_EQ(pane.Text(), "a\n\xC3\xA9t\xC3\xA9\n\n");
}

TEST_F(FastPaneTest, OwnScrollBarFollowsTheViewAndScrollsToTop) {
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    pane.SetText(text);
    QApplication::processEvents();
    QScrollBar* bar = pane.ScrollBar();
    EXPECT_EQ(bar->objectName(), QStringLiteral("scbResults"));
    EXPECT_GT(bar->maximum(), 4000);
    bar->setValue(1234);
    EXPECT_EQ(bar->value(), 1234);
    pane.ScrollToTop();
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(FastPaneTest, SelectAllAndCopyGiveTheWholeText) {
    pane.SetText("red shoes\nblue shoes\n");
    auto* view = pane.findChild<LineView*>();
    ASSERT_NE(view, nullptr);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("red shoes\nblue shoes\n"));
    EXPECT_FALSE(pane.Editing()) << "copying is not an edit";
}

TEST_F(FastPaneTest, TypingHandsTheTextToTheEditorAndKeepsTheKey) {
    pane.SetText("abc\ndef\n");
    auto* view = pane.findChild<LineView*>();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Down);  // cursor on the second line
    QTest::keyClick(view, Qt::Key_X, Qt::NoModifier);
    ASSERT_TRUE(pane.Editing());
    EXPECT_EQ(pane.Text(), "abc\nxdef\n");
    EXPECT_FALSE(pane.IsEmpty());
    // The next tool run goes back to the fast view with the new text only.
    pane.Clear();
    pane.AppendLines("new\n");
    EXPECT_FALSE(pane.Editing());
    EXPECT_EQ(pane.Text(), "new\n");
}

}  // namespace
}  // namespace varnolt
