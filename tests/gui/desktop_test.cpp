// The main window on a desktop: its first size and place on screens of every
// size and scale, the welcome button's caption in both skins, and the skin's
// own light colours whatever the desktop theme.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <cstdlib>
#include <memory>

#include "Scripted.h"
#include "app/ui/FMain.h"
#include "app/ui/ScreenFit.h"
#include "app/ui/Skin.h"
#include "common/ui/Mnemonics.h"
#include "keywords/ui/KeywordFileDialog.h"
#include "keywords/ui/KeywordPane.h"
#include "support/Files.h"

namespace varnolt::testing {
namespace {

TEST(ScreenFit, FrameStaysOnTheAreaCentredWithTheDesignSizeWhereItFits) {
    const QSize design(796, 656);
    const QMargins frame(4, 28, 4, 4);
    struct Case {
        const char* what;
        QRect available;
    };
    const Case cases[] = {
        {"1920x1080 at 100 %", QRect(0, 0, 1920, 1080 - 40)},
        {"1366x768 at 125 % with a top panel", QRect(0, 22, 1093, 614 - 22)},
        {"1920x1080 at 200 % with a bottom panel", QRect(0, 0, 960, 540 - 32)},
        {"second screen right of the first", QRect(1920, 0, 1280, 1024)},
        {"exactly the design with its frame", QRect(10, 10, 804, 688)},
        {"one pixel short each way", QRect(0, 0, 803, 687)},
        {"a left screen at negative x", QRect(-1024, 100, 1024, 600)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QRect fit = FitWindowRect(design, frame, c.available);
        const QRect outer = fit.marginsAdded(frame);
        EXPECT_TRUE(c.available.contains(outer)) << outer.x() << "," << outer.y();
        const bool room = c.available.width() >= 804 && c.available.height() >= 688;
        EXPECT_EQ(fit.size() == design, room);
        EXPECT_EQ(fit.width(), std::min(796, c.available.width() - 8));
        EXPECT_EQ(fit.height(), std::min(656, c.available.height() - 32));
        EXPECT_LE(
            std::abs((outer.left() - c.available.left()) - (c.available.right() - outer.right())),
            1);
        EXPECT_LE(
            std::abs((outer.top() - c.available.top()) - (c.available.bottom() - outer.bottom())),
            1);
    }
    // Smaller than the frame itself: the title bar stays on the area.
    const QRect tiny = FitWindowRect(design, frame, QRect(50, 60, 6, 20));
    EXPECT_EQ(tiny.topLeft(), QPoint(54, 88));
    EXPECT_GE(tiny.width(), 1);
    EXPECT_GE(tiny.height(), 1);
}

// Runs on whatever screen the platform gives (ctest runs it on the default
// offscreen screen and on small virtual screens at 125 % and 200 %).
TEST(ScreenFit, MainWindowOpensInsideTheAvailableArea) {
    TestContext ctx;
    TfrmMain win(ctx.Make());
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    QTest::qWait(20);
    const QRect area = win.screen()->availableGeometry();
    const QRect frame = win.frameGeometry();
    EXPECT_TRUE(area.contains(frame))
        << "frame " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
        << frame.height() << " on " << area.width() << "x" << area.height();
    const QMargins m(win.geometry().left() - frame.left(), win.geometry().top() - frame.top(),
                     frame.right() - win.geometry().right(),
                     frame.bottom() - win.geometry().bottom());
    if (area.width() >= 796 + m.left() + m.right() + 8 &&
        area.height() >= 656 + m.top() + m.bottom() + 32) {
        EXPECT_EQ(win.size(), QSize(796, 656)) << "a screen with room keeps the design size";
    }
    EXPECT_LE(win.minimumWidth(), area.width());
    EXPECT_LE(win.minimumHeight(), area.height());
}

TEST(ScreenFit, WelcomeButtonShowsItsWholeCaptionInBothSkins) {
    const QString skins[] = {
        Skin::BuiltIn(),
        // A reseller's skin with a larger font and wide padding.
        Skin::BuiltIn() + QStringLiteral("\nQPushButton { font-size: 13pt; padding: 2px 24px; }"),
    };
    for (const QString& sheet : skins) {
        qApp->setStyleSheet(sheet);
        TestContext ctx;
        TfrmMain win(ctx.Make());
        win.Timer1->stop();
        win.WelcomeText = QStringLiteral("<html><body>Welcome</body></html>");
        win.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
        QPushButton* b = win.bsSkinButton1;
        ASSERT_NE(b, nullptr);
        const int textWidth = b->fontMetrics().horizontalAdvance(PlainCaption(b->text()));
        EXPECT_GE(b->width(), 265);
        EXPECT_GE(b->width(), b->sizeHint().width());
        EXPECT_GT(b->width(), textWidth);
        EXPECT_GE(b->x(), 0);
        EXPECT_LE(b->geometry().right(), b->parentWidget()->width() - 1);
        EXPECT_EQ(b->x(), (b->parentWidget()->width() - b->width()) / 2) << "centred";
    }
    Skin::ApplyBuiltIn();
    // The built-in skin's caption fits in the design width: the button keeps it.
    TestContext ctx;
    TfrmMain win(ctx.Make());
    win.WelcomeText = QStringLiteral("<html><body>Welcome</body></html>");
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    EXPECT_EQ(win.bsSkinButton1->width(), std::max(265, win.bsSkinButton1->sizeHint().width()));
}

TEST(DesktopTheme, BuiltInSkinOwnsEveryColourUnderADarkThemeAndUnderAResellerSkin) {
    // A dark desktop theme: every role dark, light text.
    QPalette dark;
    for (int r = 0; r < QPalette::NColorRoles; ++r) {
        if (r == QPalette::NoRole)
            continue;
        const auto role = static_cast<QPalette::ColorRole>(r);
        const bool isText = role == QPalette::Text || role == QPalette::WindowText ||
                            role == QPalette::ButtonText || role == QPalette::ToolTipText;
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            dark.setColor(g, role, isText ? QColor(0xee, 0xee, 0xee) : QColor(0x20, 0x20, 0x24));
    }
    QApplication::setPalette(dark);
    Skin::ApplyBuiltIn();
    const QPalette want = Skin::BuiltInPalette();
    const QPalette got = QApplication::palette();
    for (int r = 0; r < QPalette::NColorRoles; ++r) {
        if (r == QPalette::NoRole)
            continue;
        const auto role = static_cast<QPalette::ColorRole>(r);
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            SCOPED_TRACE(::testing::Message() << "group " << g << " role " << r);
            EXPECT_TRUE(want.isBrushSet(g, role)) << "the skin leaves a role to the desktop";
            EXPECT_EQ(got.color(g, role), want.color(g, role));
            EXPECT_NE(got.color(g, role), dark.color(g, role));
        }
    }
    // Light as designed: dark text on light ground for the controls that
    // turned black under a dark theme.
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase})
        EXPECT_GT(want.color(QPalette::Active, role).lightness(), 200) << role;
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        EXPECT_LT(want.color(QPalette::Active, role).lightness(), 80) << role;
    QCheckBox box;
    QComboBox combo;
    box.ensurePolished();
    combo.ensurePolished();
    EXPECT_GT(box.palette().color(QPalette::Base).lightness(), 200);
    EXPECT_LT(combo.palette().color(QPalette::Text).lightness(), 80);
    // A reseller's skin replaces the style sheet, on top of the same palette.
    qApp->setStyleSheet(QStringLiteral("QWidget { color: #102030; }"));
    EXPECT_EQ(QApplication::palette().color(QPalette::Base), want.color(QPalette::Base));
    Skin::ApplyBuiltIn();
}

void ShowActive(TfrmMain& win) {
    win.show();
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));
}

TEST(Keyboard, StartsInTheShownInputAndLeavesTheWelcomePageOnceByEnter) {
    {
        TestContext ctx;
        TfrmMain win(ctx.Make());
        ShowActive(win);
        EXPECT_EQ(QApplication::focusWidget(), win.memInput->Editor()) << "no welcome page";
        // Ctrl+Tab in the pane switches the keyword pages.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(win.pgcMain->currentWidget(), win.bsSkinTabSheet1);
        EXPECT_EQ(win.pgcPrinc->currentWidget(), win.stsMain);
    }
    TestContext ctx;
    TfrmMain win(ctx.Make());
    win.Timer1->stop();
    win.WelcomeText = QStringLiteral("<html><body>Welcome</body></html>");
    ShowActive(win);
    ASSERT_EQ(win.pgcPrinc->currentWidget(), win.stsWelcome);
    EXPECT_EQ(QApplication::focusWidget(), win.bsSkinButton1);
    // Enter from the welcome text presses the button, like Enter on it.
    win.prfWelcome->setFocus();
    QTest::keyClick(win.prfWelcome, Qt::Key_Return);
    EXPECT_EQ(win.pgcPrinc->currentWidget(), win.stsMain);
    EXPECT_TRUE(win.Timer1->isActive());
    EXPECT_EQ(QApplication::focusWidget(), win.memInput->Editor());
    // The welcome page never comes back: not by Ctrl+Tab or Ctrl+PgUp from a
    // top-bar button, and a second press starts no second news check.
    win.Timer1->stop();
    for (auto key : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_PageUp, Qt::Key_PageDown}) {
        win.btnAbout->setFocus();
        QTest::keyClick(win.btnAbout, key, Qt::ControlModifier);
        EXPECT_EQ(win.pgcPrinc->currentWidget(), win.stsMain) << key;
    }
    EXPECT_EQ(win.pgcPrinc->indexOf(win.stsWelcome), -1);
    win.bsSkinButton1Click();
    EXPECT_FALSE(win.Timer1->isActive()) << "the news timer starts once";
}

// The dialogs open first in the program folder when it can be written, else in
// the user's documents folder (an installed copy); after that where the last
// file was.
TEST(KeywordFileDialog, FirstFolderIsTheProgramFolderOnlyWhenItCanBeWritten) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    EXPECT_EQ(FirstDialogFolder(folder), folder);
    EXPECT_EQ(FirstDialogFolder(folder + QStringLiteral("absent/")), documents);
    if (varnolt::test::LockFolder(dir.path().toStdString(), true)) {
        EXPECT_EQ(FirstDialogFolder(folder), documents);
        varnolt::test::LockFolder(dir.path().toStdString(), false);
    }
    KeywordFileDialog dialog;
    dialog.title = QStringLiteral("Open file");
    EXPECT_EQ(dialog.DialogRequest(documents).directory, documents);
    dialog.lastFile = folder + QStringLiteral("lists/kw.txt");
    EXPECT_EQ(QDir(dialog.DialogRequest(documents).directory),
              QDir(folder + QStringLiteral("lists")));
    EXPECT_EQ(dialog.DialogRequest(documents).fileName, QStringLiteral("kw.txt"));
}

}  // namespace
}  // namespace varnolt::testing
