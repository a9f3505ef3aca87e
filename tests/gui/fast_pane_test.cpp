// The keyword pane: its text, lines, scrolling, copying, editing at the caret
// and on the selection, Undo and Redo, and files dropped on it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>

#include "keywords/ui/FastKeywordPane.h"
#include "keywords/ui/LineEditView.h"

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
    auto* view = pane.findChild<LineEditView*>();
    ASSERT_NE(view, nullptr);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("red shoes\nblue shoes\n"));
}

// A click puts the caret at the character under the mouse.
QPoint PointOf(LineEditView* view, TextPos pos) {
    view->SetCaret(pos, false);
    return view->CaretRect().center();
}

TEST_F(FastPaneTest, EditsActAtTheCaretAndOnTheSelection) {
    using Action = std::function<void(LineEditView*)>;
    auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        return [k, m](LineEditView* v) { QTest::keyClick(v, k, m); };
    };
    auto type = [](const char* text) {
        return [text](LineEditView* v) { QTest::keyClicks(v, QString::fromUtf8(text)); };
    };
    auto click = [](std::size_t line, std::size_t col, Qt::KeyboardModifiers m = {}) {
        return [line, col, m](LineEditView* v) {
            const QPoint p = PointOf(v, TextPos{line, col});
            v->SetCaret(TextPos{}, false);
            QTest::mouseClick(v->viewport(), Qt::LeftButton, m, p);
        };
    };
    auto paste = [](const char* clip) {
        return [clip](LineEditView* v) {
            QApplication::clipboard()->setText(QString::fromUtf8(clip));
            QTest::keyClick(v, Qt::Key_V, Qt::ControlModifier);
        };
    };
    struct Case {
        const char* name;
        const char* before;
        std::vector<Action> actions;
        const char* after;
        const char* clipboard;  // nullptr: not checked
    };
    const Case cases[] = {
        {"typing after a click inserts at the click",
         "abc\ndef\n",
         {click(1, 2), type("X")},
         "abc\ndeXf\n",
         nullptr},
        {"a click counts characters, not bytes",
         "\xC3\xA9t\xC3\xA9\n",
         {click(0, 3), type("Z")},
         "\xC3\xA9tZ\xC3\xA9\n",
         nullptr},
        {"Delete removes the whole selection",
         "one\ntwo\nthree\n",
         {key(Qt::Key_A, Qt::ControlModifier), key(Qt::Key_Delete)},
         "",
         nullptr},
        {"Delete without a selection removes one character",
         "abc",
         {click(0, 1), key(Qt::Key_Delete)},
         "ac",
         nullptr},
        {"Backspace joins two lines",
         "ab\ncd",
         {click(1, 0), key(Qt::Key_Backspace)},
         "abcd",
         nullptr},
        {"Cut of three lines removes them",
         "a\nb\nc\nd\n",
         {click(0, 0), click(3, 0, Qt::ShiftModifier), key(Qt::Key_X, Qt::ControlModifier)},
         "d\n",
         "a\nb\nc\n"},
        {"Shift+arrows select, typing replaces",
         "hello",
         {click(0, 1), key(Qt::Key_Right, Qt::ShiftModifier), key(Qt::Key_Right, Qt::ShiftModifier),
          type("ipp")},
         "hipplo",
         nullptr},
        {"Shift+End and Copy",
         "red shoes\nblue",
         {click(0, 4), key(Qt::Key_End, Qt::ShiftModifier), key(Qt::Key_C, Qt::ControlModifier)},
         "red shoes\nblue",
         "shoes"},
        {"Paste turns every line break into a line",
         "ab",
         {click(0, 1), paste("1\r\n2\r3\xE2\x80\xA8"
                             "4\xE2\x80\xA9"
                             "5")},
         "a1\n2\n3\n4\n5b",
         nullptr},
        {"Enter and Shift+Enter both start a line",
         "ab",
         {click(0, 1), key(Qt::Key_Return, Qt::ShiftModifier), key(Qt::Key_Enter)},
         "a\n\nb",
         nullptr},
        {"Undo takes back a typed word at once, Redo brings it back",
         "x",
         {click(0, 1), type("yz"), key(Qt::Key_Z, Qt::ControlModifier)},
         "x",
         nullptr},
        {"Ctrl+Shift+Z redoes",
         "x",
         {click(0, 1), type("yz"), key(Qt::Key_Z, Qt::ControlModifier),
          key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier)},
         "xyz",
         nullptr},
        {"Ctrl+Y redoes a Delete",
         "abc\ndef",
         {key(Qt::Key_A, Qt::ControlModifier), key(Qt::Key_Delete),
          key(Qt::Key_Z, Qt::ControlModifier), key(Qt::Key_Y, Qt::ControlModifier)},
         "",
         nullptr},
        {"Tab is not typed", "ab", {click(0, 1), key(Qt::Key_Tab)}, "ab", nullptr},
    };
    auto* view = pane.findChild<LineEditView*>();
    ASSERT_NE(view, nullptr);
    for (const Case& c : cases) {
        pane.SetText(c.before);
        QApplication::clipboard()->clear();
        view->setFocus();
        for (const Action& a : c.actions) {
            a(view);
        }
        EXPECT_EQ(pane.Text(), c.after) << c.name;
        if (c.clipboard) {
            EXPECT_EQ(QApplication::clipboard()->text().toStdString(), c.clipboard) << c.name;
        }
    }
}

TEST_F(FastPaneTest, ClearIsUndoableAndCountsFollowTheText) {
    QSignalSpy lines(&pane, &KeywordPane::linesChanged);
    auto* view = pane.findChild<LineEditView*>();
    pane.SetText("a\nb\nc\n");
    EXPECT_EQ(pane.LineCount(), 3u);
    pane.Clear();
    EXPECT_EQ(pane.LineCount(), 0u);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pane.Text(), "a\nb\nc\n") << "Undo brings a cleared text back";
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(view, QStringLiteral("d"));
    EXPECT_EQ(pane.LineCount(), 4u);
    ASSERT_GE(lines.count(), 4);
    EXPECT_EQ(lines.last().at(0).toLongLong(), 4);
    // A big text is not kept for Undo: its memory goes back at once.
    pane.AdoptText(std::string(PaneText::kUndoableClearBytes + 10, 'x'));
    pane.Clear();
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(pane.IsEmpty());
}

TEST_F(FastPaneTest, ADroppedFileIsAnnouncedAndDroppedTextIsInserted) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("one\r\ntwo\r\n");
    f.close();
    auto* view = pane.findChild<LineEditView*>();
    QSignalSpy dropped(&pane, &KeywordPane::fileDropped);
    pane.SetText("kept\n");
    auto drop = [&](QMimeData* data) {
        // A drop goes to the widget that accepted the drag entering it.
        QDragEnterEvent enter(QPoint(1, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent e(QPointF(1, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &e);
    };
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(path)});
    file.setText(QUrl::fromLocalFile(path).toString());
    drop(&file);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toString(), path);
    EXPECT_EQ(pane.Text(), "kept\n") << "the file's address is not typed";
    QMimeData text;
    text.setText(QStringLiteral("new\r\n"));
    drop(&text);
    EXPECT_EQ(dropped.count(), 1);
    EXPECT_EQ(pane.Text(), "new\nkept\n");
}

TEST_F(FastPaneTest, AssistiveTechnologyReadsTextCaretAndSelection) {
    pane.SetText("caf\xC3\xA9\nbar\n");
    auto* view = pane.findChild<LineEditView*>();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::EditableText);
    QAccessibleTextInterface* t = a->textInterface();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->characterCount(), 9);  // "café", break, "bar", break
    EXPECT_EQ(t->text(0, 9), QStringLiteral("caf\u00e9\nbar\n"));
    view->SetSelection(TextPos{0, 3}, TextPos{1, 2});
    EXPECT_EQ(t->cursorPosition(), 7);
    int start = -1;
    int end = -1;
    ASSERT_EQ(t->selectionCount(), 1);
    t->selection(0, &start, &end);
    EXPECT_EQ(start, 3);
    EXPECT_EQ(end, 7);
    EXPECT_EQ(t->textAtOffset(6, QAccessible::LineBoundary, &start, &end), QStringLiteral("bar"));
    EXPECT_EQ(start, 5);
    t->setCursorPosition(4);
    EXPECT_EQ(view->Caret(), (TextPos{0, 5})) << "offsets count characters, not bytes";
    a->editableTextInterface()->insertText(5, QStringLiteral("x"));
    EXPECT_EQ(pane.Text(), "caf\xC3\xA9\nxbar\n");
}

}  // namespace
}  // namespace varnolt
