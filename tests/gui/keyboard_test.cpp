// The main window from the keyboard: the Tab order, the shortcuts and their
// hints, the mnemonics, the recent files of Load; the type and the fixed
// sizes that follow the desktop's font size; what a screen reader finds.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <set>

#include "Scripted.h"
#include "app/ui/DesktopServices.h"
#include "app/ui/FMain.h"
#include "app/ui/Skin.h"
#include "common/ui/Mnemonics.h"
#include "keywords/ui/KeywordPane.h"
#include "keywords/ui/RecentFiles.h"

namespace varnolt::testing {
namespace {

void ShowActive(TfrmMain& win) {
    win.show();
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));
}

std::vector<std::string> Std(const QStringList& list) {
    std::vector<std::string> v;
    for (const QString& s : list) {
        v.push_back(s.toStdString());
    }
    return v;
}

QString FocusName() {
    QWidget* f = QApplication::focusWidget();
    return f ? f->objectName() : QStringLiteral("<none>");
}

void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), mods);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The letter after the one '&' marker of `text` ("&&" is a plain '&'), or 0.
QChar MnemonicOf(const QString& text) {
    QChar found;
    int markers = 0;
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (text[i + 1] != QLatin1Char('&')) {
                found = text[i + 1].toLower();
                ++markers;
            }
            ++i;
        }
    }
    return markers == 1 ? found : QChar();
}

TEST(Keyboard, TabWalksEachPageInReadingOrderFromTheShownInputAndShiftTabWalksBack) {
    TestContext ctx;
    TfrmMain win(ctx.Make());
    ShowActive(win);
    const QStringList bar = [&] {
        QStringList names{"btnMakeMoney", "btnAbout"};
        if (win.btnNews->isVisible()) {
            names << "btnNews";
        }
        return names << "btnUpdate"
                     << "btnHelp"
                     << "qt_tabwidget_tabbar";
    }();
    const QStringList links{"lblLink1URL", "lblLink2URL"};
    struct Page {
        int key;
        QString input;
        QStringList controls;
    };
    const Page pages[] = {
        {Qt::Key_1,
         "memInput",
         {"btnClearInput", "btnLoadInput", "btnLoadInputRecent", "chkSkip", "chkDouble",
          "chkReverse", "chkSpaces", "chkMissed", "chkInserted", "chkVowelSwap", "chkUnique",
          "cboKeyboard", "btnGenerate", "btnToAdWords", "memOutput", "btnClearOutput",
          "btnSaveOutput"}},
        {Qt::Key_2,
         "memAInput",
         {"btnClearAInput", "btnLoadAInput", "btnLoadAInputRecent", "chkBroad", "chkPhraseMatch",
          "chkExactMatch", "chkLowercase", "chkMinusSign", "chkNegativePhrase", "chkNegativeExact",
          "chkAUnique", "btnFormat", "btnExport", "memAOutput", "btnClearAOutput",
          "btnSaveAOutput"}},
    };
    // The keyboard works at once: the shown input has the focus.
    EXPECT_EQ(QApplication::focusWidget(), win.memInput->Editor());
    for (const Page& page : pages) {
        Press(page.key, Qt::ControlModifier);
        ASSERT_EQ(FocusName(), page.input) << "Ctrl+" << page.key - Qt::Key_0;
        const QStringList cycle = page.controls + links + bar + QStringList{page.input};
        QStringList forward;
        for (int i = 0; i < cycle.size(); ++i) {
            Press(Qt::Key_Tab);
            forward << FocusName();
        }
        EXPECT_EQ(Std(forward), Std(cycle));
        QStringList backward;
        for (int i = 0; i < cycle.size(); ++i) {
            Press(Qt::Key_Tab, Qt::ShiftModifier);
            backward.prepend(FocusName());
        }
        QStringList expectedBack = cycle;
        expectedBack.removeLast();
        expectedBack.prepend(page.input);
        EXPECT_EQ(Std(backward), Std(expectedBack)) << "Shift+Tab walks the same ring backwards";
        EXPECT_EQ(win.memInput->Text().find('\t'), std::string::npos);
    }
}

TEST(Keyboard, ShortcutsWorkFromTheInputOnTheShownPageAndShowInTheHints) {
    TestContext ctx;
    TfrmMain win(ctx.Make());
    ShowActive(win);
    WriteFile(ctx.Path("in.txt"), "red\r\nblue\r\n");
    struct Case {
        int pageKey;
        KeywordPage* page;
        QCheckBox* option;
        KeywordPane* other;  // the output of the page not shown
        QString outName;
    };
    const Case cases[] = {
        {Qt::Key_1, win.stsWelcomeActions, win.chkSkip, win.memAOutput, "typos"},
        {Qt::Key_2, win.bsSkinTabSheet1, win.chkBroad, win.memOutput, "formatted"},
    };
    for (const Case& c : cases) {
        Press(c.pageKey, Qt::ControlModifier);
        ASSERT_EQ(win.pgcMain->currentWidget(), c.page);
        ASSERT_EQ(QApplication::focusWidget(), c.page->Input()->Editor());
        ctx.dialogs->openAnswers.push_back(ctx.Path("in.txt"));
        Press(Qt::Key_O, Qt::ControlModifier);
        win.WaitForJob();
        EXPECT_EQ(c.page->Input()->Text(), "red\nblue\n");
        c.option->setChecked(true);
        Press(Qt::Key_Return, Qt::ControlModifier);
        win.WaitForJob();
        EXPECT_GE(c.page->Output()->LineCount(), 2u) << c.outName.toStdString();
        ctx.dialogs->saveAnswers.push_back(ctx.Path(c.outName));
        Press(Qt::Key_S, Qt::ControlModifier);
        win.WaitForJob();
        EXPECT_TRUE(QFile::exists(ctx.Path(c.outName + ".txt")));
        const std::string otherOutput = c.other->Text();
        Press(Qt::Key_L, Qt::ControlModifier);
        EXPECT_TRUE(c.page->Output()->IsEmpty());
        EXPECT_EQ(c.other->Text(), otherOutput) << "only the shown page's output is cleared";
        Press(Qt::Key_Enter, Qt::ControlModifier);  // the keypad's Enter as well
        win.WaitForJob();
        EXPECT_FALSE(c.page->Output()->IsEmpty());
        // Each key is in its button's hint.
        EXPECT_TRUE(c.page->LoadInput()->toolTip().endsWith("(Ctrl+O)"));
        EXPECT_TRUE(c.page->SaveOutput()->toolTip().endsWith("(Ctrl+S)"));
        EXPECT_TRUE(c.page->Action()->toolTip().endsWith("(Ctrl+Return)"));
        EXPECT_TRUE(c.page->ClearOutput()->toolTip().endsWith("(Ctrl+L)"));
        EXPECT_TRUE(win.pgcMain->tabToolTip(win.pgcMain->indexOf(c.page))
                        .endsWith(QStringLiteral("(Ctrl+%1)").arg(c.pageKey - Qt::Key_0)));
    }
    EXPECT_EQ(ctx.dialogs->openRequests.size(), 2u);
    EXPECT_EQ(ctx.dialogs->saveRequests.size(), 2u);
    QSignalSpy help(win.btnHelp, &QAbstractButton::clicked);
    Press(Qt::Key_F1);
    EXPECT_EQ(help.count(), 1);
    EXPECT_TRUE(win.btnHelp->toolTip().endsWith("(F1)"));
    // A disabled button ignores its keys.
    win.btnLoadAInput->setEnabled(false);
    Press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(ctx.dialogs->openRequests.size(), 2u);
    EXPECT_FALSE(win.btnLoadAInputRecent->isEnabled()) << "the recent files follow Load";
}

TEST(Keyboard, MnemonicsNeverClashOnScreenKeepTheCaptionsAndPressTheirControl) {
    // The rule itself: captions that share letters, a taken letter, a '&'.
    {
        QPushButton a("Clear"), b("Clear"), c("Load"), d("Save"), e("Tips & Tricks");
        const QList<QWidget*> group{&a, &b, &c, &d, &e};
        const QString used = AssignMnemonics(group, "ca");
        std::set<QChar> letters;
        for (QWidget* w : group) {
            const QString text = static_cast<QPushButton*>(w)->text();
            const QChar m = MnemonicOf(text);
            EXPECT_FALSE(m.isNull()) << text.toStdString();
            EXPECT_NE(m, QLatin1Char('c'));
            EXPECT_NE(m, QLatin1Char('a'));
            EXPECT_TRUE(letters.insert(m).second) << text.toStdString();
            EXPECT_TRUE(used.contains(m));
        }
        EXPECT_EQ(PlainCaption(e.text()), "Tips & Tricks");
        EXPECT_EQ(MnemonicOf(d.text()), QLatin1Char('s')) << "a word's first letter when free";
        EXPECT_EQ(MnemonicOf(c.text()), QLatin1Char('o')) << "the first Clear took the l";
        const QString before = a.text() + b.text() + c.text() + d.text() + e.text();
        AssignMnemonics(group, "ca");
        EXPECT_EQ(a.text() + b.text() + c.text() + d.text() + e.text(), before) << "stable";
    }
    TestContext ctx;
    TfrmMain win(ctx.Make());
    ShowActive(win);
    for (int key : {Qt::Key_1, Qt::Key_2}) {
        Press(key, Qt::ControlModifier);
        KeywordPage* page = win.ShownPage();
        std::set<QChar> letters;
        QList<QWidget*> shown{win.btnMakeMoney, win.btnAbout};
        for (QWidget* w : page->findChildren<QWidget*>()) {
            const auto* l = qobject_cast<QLabel*>(w);
            if (qobject_cast<QPushButton*>(w) || qobject_cast<QCheckBox*>(w) || (l && l->buddy())) {
                shown << w;
            }
        }
        for (QWidget* w : shown) {
            const auto* b = qobject_cast<QAbstractButton*>(w);
            const QString text = b ? b->text() : static_cast<QLabel*>(w)->text();
            const QChar m = MnemonicOf(text);
            ASSERT_FALSE(m.isNull()) << w->objectName().toStdString();
            EXPECT_TRUE(letters.insert(m).second) << "Alt+" << QString(m).toStdString() << " twice";
        }
        // Alt+letter from the input pane ticks each option and ticks it off.
        for (QCheckBox* option : page->Options()) {
            page->Input()->setFocus();
            const QChar m = MnemonicOf(option->text()).toUpper();
            // A mnemonic clicks with a short animation.
            QTest::keyClick(QApplication::focusWidget(), m.toLatin1(), Qt::AltModifier);
            EXPECT_TRUE(QTest::qWaitFor([&] { return option->isChecked(); }, 2000))
                << option->objectName().toStdString();
            QTest::keyClick(QApplication::focusWidget(), m.toLatin1(), Qt::AltModifier);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !option->isChecked(); }, 2000))
                << option->objectName().toStdString();
        }
        EXPECT_EQ(page->Input()->Text(), "") << "no letter was typed";
    }
}

TEST(RecentFiles, TheLastEightLoadsNewestFirstInTheConfigFolderAndChosenByKeyboard) {
    TestContext ctx;
    QStringList paths;
    for (int i = 0; i < 10; ++i) {
        paths << ctx.Path(QStringLiteral("list%1.txt").arg(i));
        WriteFile(paths.back(), QByteArray("keyword ") + QByteArray::number(i));
    }
    {
        RecentFiles recent(ctx.Path("cfg"));
        for (const QString& p : paths) {
            recent.Add(p);
        }
        recent.Add(paths[4]);  // again: to the top, once
        QStringList newest{paths[4], paths[9], paths[8], paths[7],
                           paths[6], paths[5], paths[3], paths[2]};
        EXPECT_EQ(Std(recent.Files()), Std(newest));
        EXPECT_TRUE(recent.SettingsPath().startsWith(ctx.Path("cfg") + "/"));
        QFile::remove(paths[9]);
        newest.removeAll(paths[9]);
        EXPECT_EQ(Std(RecentFiles(ctx.Path("cfg")).Files()), Std(newest))
            << "stored, and gone files drop out";
    }
    // In the window: a load adds the file; the menu beside Load offers it.
    TfrmMain win(ctx.Make());
    ShowActive(win);
    ASSERT_TRUE(win.RecentLoads->Files().isEmpty());
    ctx.dialogs->openAnswers.push_back(paths[1]);
    win.btnLoadInput->click();
    win.WaitForJob();
    ASSERT_EQ(Std(win.RecentLoads->Files()), Std({paths[1]}));
    win.btnClearInput->click();
    ASSERT_TRUE(win.memInput->IsEmpty());
    QStringList offered;
    win.btnLoadInputRecent->setFocus();
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions()) {
            offered << a->text();
        }
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::keyClick(win.btnLoadInputRecent, Qt::Key_Space);
    win.WaitForJob();
    ASSERT_EQ(offered.size(), 1);
    EXPECT_TRUE(offered[0].startsWith("&1")) << offered[0].toStdString();
    EXPECT_TRUE(offered[0].endsWith("list1.txt")) << offered[0].toStdString();
    EXPECT_EQ(win.memInput->Text(), "keyword 1");
    EXPECT_EQ(win.btnLoadAInputRecent->Menu()->actions().size(), 1) << "one list for both pages";
}

TEST(Fonts, TypeAndFixedSizesFollowABiggerDesktopFontAndTheCaptionsStillFit) {
    const QFont desktop = QApplication::font();
    ASSERT_GT(desktop.pointSizeF(), 0);
    for (double ratio : {1.5, 1.0}) {
        QFont f = desktop;
        f.setPointSizeF(desktop.pointSizeF() * ratio);
        QApplication::setFont(f);
        Skin::ApplyBuiltIn();
        const double scale = desktop.pointSizeF() * ratio / 9.0;
        auto px = [scale](int design) { return static_cast<int>(std::lround(design * scale)); };
        TestContext ctx;
        TfrmMain win(ctx.Make());
        win.Timer1->stop();
        ShowActive(win);
        EXPECT_NEAR(win.btnGenerate->font().pointSizeF(), 9 * scale, 0.05);
        EXPECT_NEAR(win.chkSkip->font().pointSizeF(), 9 * scale, 0.05);
        EXPECT_EQ(win.memInput->size(), QSize(px(279), win.memInput->height()));
        EXPECT_EQ(win.btnGenerate->size(), QSize(px(125), px(20)));
        EXPECT_EQ(win.bsSkinPanel1->height(), px(43));
        EXPECT_EQ(win.panLinks->height(), px(36));
        // The recent files button stays right beside its Load button.
        for (auto [load, recent] :
             {std::pair<QWidget*, QWidget*>{win.btnLoadInput, win.btnLoadInputRecent},
              {win.btnLoadAInput, win.btnLoadAInputRecent}}) {
            EXPECT_EQ(recent->pos(), QPoint(load->geometry().right() + 3, load->y())) << ratio;
            EXPECT_EQ(recent->height(), load->height()) << ratio;
        }
        for (int key : {Qt::Key_1, Qt::Key_2}) {
            Press(key, Qt::ControlModifier);
            QList<QWidget*> captioned{win.btnMakeMoney, win.btnAbout};
            for (QWidget* w : win.ShownPage()->findChildren<QWidget*>()) {
                if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) {
                    captioned << w;
                }
            }
            for (QWidget* w : captioned) {
                const std::string name =
                    w->objectName().toStdString() + " at " + std::to_string(ratio);
                EXPECT_GE(w->width(), w->sizeHint().width()) << name;
                EXPECT_GE(w->height(), w->sizeHint().height() - 2) << name;
                EXPECT_GE(w->x(), 0) << name;
                EXPECT_LE(w->geometry().right(), w->parentWidget()->width()) << name;
            }
        }
    }
    QApplication::setFont(desktop);
    Skin::ApplyBuiltIn();
}

TEST(Accessibility, EveryControlOfTheMainWindowAndTheMessageBoxesAreReadable) {
    TestContext ctx;
    TfrmMain win(ctx.Make());
    win.Timer1->stop();
    win.WelcomeText = QStringLiteral("<html><body>Welcome</body></html>");
    ShowActive(win);
    int checked = 0;
    for (QWidget* w : win.findChildren<QWidget*>()) {
        if (w->window() != &win) {
            continue;  // the balloon and the menus are windows of their own
        }
        const bool control = (w->focusPolicy() & Qt::TabFocus) ||
                             qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w) ||
                             qobject_cast<QScrollBar*>(w) ||
                             qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QComboBox*>(w);
        if (!control) {
            continue;
        }
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr) << w->objectName().toStdString();
        const std::string what =
            w->metaObject()->className() + std::string(" ") + w->objectName().toStdString();
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << what;
        if (auto* bar = qobject_cast<QTabBar*>(w)) {
            // A tab bar speaks through its tabs (the outer one never shows).
            for (int i = 0; bar->isVisible() && i < a->childCount(); ++i) {
                EXPECT_FALSE(a->child(i)->text(QAccessible::Name).isEmpty()) << what << i;
                EXPECT_FALSE(a->child(i)->text(QAccessible::Description).isEmpty()) << what << i;
            }
        } else if (w->focusPolicy() & Qt::TabFocus) {
            EXPECT_FALSE(a->text(QAccessible::Description).trimmed().isEmpty()) << what;
        }
        ++checked;
    }
    EXPECT_GT(checked, 60);
    // The two Clear buttons of a page tell the reader which pane they empty.
    EXPECT_EQ(win.btnClearInput->accessibleName(), "Clear input");
    EXPECT_EQ(win.btnClearOutput->accessibleName(), "Clear output");

    // A message box names itself and reads its message.
    const QString text = QStringLiteral("Please enter the input keywords to process.");
    QString name, description, labelName;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
        name = a->text(QAccessible::Name);
        description = box->accessibleDescription();
        if (auto* label = box->findChild<QLabel*>("qt_msgbox_label")) {
            labelName = QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        }
        box->accept();
    });
    QtMessageService().Show(&win, MsgKind::Warning, MsgButtons::Ok, text);
    EXPECT_EQ(name, "Varnolt: Warning");
    EXPECT_EQ(description, text);
    EXPECT_EQ(labelName, text);
}

}  // namespace
}  // namespace varnolt::testing
