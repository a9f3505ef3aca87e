// The main window's keyboard: shortcuts shown in the button hints, the Tab
// order, the mnemonics, and the recent files of Load.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <functional>

#include "app/ui/AccessibleText.h"
#include "app/ui/FMain.h"
#include "app/ui/WindowText.h"
#include "common/ui/Mnemonics.h"
#include "keywords/ui/KeywordPane.h"
#include "keywords/ui/RecentFiles.h"

namespace varnolt {

namespace {

// A hint with the keys that do the same, as the hints show them.
QString WithKeys(const QString& hint, const QKeySequence& keys) {
    return QStringLiteral("%1 (%2)").arg(hint, keys.toString(QKeySequence::NativeText));
}

}  // namespace

KeywordPage* TfrmMain::ShownPage() const {
    return pgcMain->currentWidget() == bsSkinTabSheet1 ? bsSkinTabSheet1 : stsWelcomeActions;
}

void TfrmMain::BuildKeyboard() {
    RecentLoads = std::make_shared<RecentFiles>(window_text::FromBytes(ctx_.configFolder));
    auto recent = [this](QPushButton* load, KeywordPane* pane) {
        auto* b = new RecentFilesButton(RecentLoads, load);
        b->setToolTip(QStringLiteral("Recent files"));
        connect(b, &RecentFilesButton::fileChosen, this, [this, pane](const QString& path) {
            RunHandler([this, pane, path] { LoadFileInto(pane, path); });
        });
        return b;
    };
    btnLoadInputRecent = recent(btnLoadInput, memInput);
    btnLoadAInputRecent = recent(btnLoadAInput, memAInput);
    // A link label without a text is not a link: nothing to tab to.
    for (LinkLabel* link : {lblLink1URL, lblLink2URL}) {
        link->setFocusPolicy(link->text().isEmpty() ? Qt::NoFocus : Qt::TabFocus);
    }
    AddShortcuts();
    SetTabOrder();
    AssignWindowMnemonics();
    DescribeControls(this);
}

void TfrmMain::AddShortcuts() {
    // Each works while the main page shows, on the keyword page on show; a
    // button that is disabled (a job running) ignores its keys.
    auto add = [this](const QKeySequence& keys, std::function<QAbstractButton*()> target) {
        auto* s = new QShortcut(keys, stsMain);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [target] {
            if (QAbstractButton* b = target()) {
                if (b->isEnabled()) {
                    b->click();
                }
            }
        });
    };
    const QKeySequence load(Qt::CTRL | Qt::Key_O);
    const QKeySequence save(Qt::CTRL | Qt::Key_S);
    const QKeySequence run(Qt::CTRL | Qt::Key_Return);
    const QKeySequence clear(Qt::CTRL | Qt::Key_L);
    const QKeySequence help(Qt::Key_F1);
    add(load, [this] { return ShownPage()->LoadInput(); });
    add(save, [this] { return ShownPage()->SaveOutput(); });
    add(run, [this] { return ShownPage()->Action(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { return ShownPage()->Action(); });
    add(clear, [this] { return ShownPage()->ClearOutput(); });
    add(help, [this] { return btnHelp; });
    for (int page = 0; page < pgcMain->count(); ++page) {
        const QKeySequence keys(Qt::CTRL | (Qt::Key_1 + page));
        auto* s = new QShortcut(keys, stsMain);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, page] {
            pgcMain->setCurrentIndex(page);
            FocusShownInput();
        });
        pgcMain->setTabToolTip(page, WithKeys(pgcMain->tabText(page), keys));
    }
    for (KeywordPage* page : {stsWelcomeActions, bsSkinTabSheet1}) {
        page->LoadInput()->setToolTip(WithKeys(QStringLiteral("Load keywords from a file"), load));
        page->SaveOutput()->setToolTip(WithKeys(QStringLiteral("Save the output to a file"), save));
        page->ClearOutput()->setToolTip(WithKeys(QStringLiteral("Clear the output"), clear));
    }
    btnGenerate->setToolTip(WithKeys(QStringLiteral("Generate the misspelled keywords"), run));
    btnFormat->setToolTip(WithKeys(QStringLiteral("Format the keywords"), run));
    btnHelp->setToolTip(WithKeys(btnHelp->toolTip(), help));
}

void TfrmMain::SetTabOrder() {
    // Reading order: the top bar left to right, the page tabs, then on each
    // page its columns from left to right, each from top to bottom (the
    // input with its buttons, the options with the page's actions, the
    // output with its buttons), and the links at the bottom.
    QList<QWidget*> chain{btnMakeMoney, btnAbout, btnNews, btnUpdate, btnHelp, pgcMain->tabBar()};
    auto page = [&chain](KeywordPage* p, QWidget* recent) {
        // A pane takes the focus in its text widget.
        chain << p->Input()->Editor() << p->ClearInput() << p->LoadInput() << recent;
        for (QCheckBox* c : p->Options()) {
            chain << c;
        }
        chain << p->Unique();
        if (p->Keyboard()) {
            chain << p->Keyboard();
        }
        chain << p->Action();
        if (p->SecondAction()) {
            chain << p->SecondAction();
        }
        if (p->OutputAction()) {
            chain << p->OutputAction();
        }
        chain << p->Output()->Editor() << p->ClearOutput() << p->SaveOutput();
    };
    page(stsWelcomeActions, btnLoadInputRecent);
    page(bsSkinTabSheet1, btnLoadAInputRecent);
    chain << lblLink1URL << lblLink2URL;
    for (int i = 0; i + 1 < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    }
    // The window closes the ring itself (focusNextPrevChild).
    tabRing_ = chain;
}

bool TfrmMain::focusNextPrevChild(bool next) {
    // From the last control of the main page Tab goes on to the first, and
    // Shift+Tab from the first to the last, without leaving the window.
    auto takes = [](QWidget* w) {
        return w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
    };
    QWidget* first = nullptr;
    QWidget* last = nullptr;
    for (QWidget* w : tabRing_) {
        if (takes(w)) {
            first = first ? first : w;
            last = w;
        }
    }
    QWidget* focus = QApplication::focusWidget();
    if (first && focus == (next ? last : first)) {
        (next ? first : last)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void TfrmMain::AssignWindowMnemonics() {
    // The top bar shows with either keyword page, so its letters are kept
    // off both; the two pages never show together and may share letters.
    const QString bar = AssignMnemonics({btnMakeMoney, btnAbout});
    for (KeywordPage* page : {stsWelcomeActions, bsSkinTabSheet1}) {
        QList<QWidget*> group;
        // In Tab order, so the first controls get the first letters.
        for (QWidget* w = page->Input()->Editor(); w; w = w->nextInFocusChain()) {
            if (w->parentWidget() == page &&
                (qobject_cast<QPushButton*>(w) || qobject_cast<QCheckBox*>(w)) &&
                !group.contains(w)) {
                group << w;
            }
            if (w == page->SaveOutput()) {
                break;
            }
        }
        // Anything of the page the Tab order left out still gets one.
        for (QAbstractButton* b : page->findChildren<QAbstractButton*>()) {
            if ((qobject_cast<QPushButton*>(b) || qobject_cast<QCheckBox*>(b)) &&
                !group.contains(b)) {
                group << b;
            }
        }
        for (QLabel* l : page->findChildren<QLabel*>()) {
            if (l->buddy()) {
                group << l;
            }
        }
        AssignMnemonics(group, bar);
    }
    if (bsSkinButton1) {
        AssignMnemonics({bsSkinButton1});
    }
}

void TfrmMain::RememberRecentFile(const QString& path) {
    if (RecentLoads) {
        RecentLoads->Add(path);
    }
}

}  // namespace varnolt
