// The keyword pages take their option rows from the tables of typo kinds and
// match-type options.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>
#include <string_view>

#include "Scripted.h"
#include "app/ui/FMain.h"
#include "common/ui/Mnemonics.h"
#include "keywords/Keywords.h"

namespace varnolt::testing {
namespace {

QString Latin1(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// The check boxes of `page` for `rows` (each with objectName and caption):
// one per row, with its caption, in table order and top to bottom.
template <typename Rows>
void ExpectRowsOnPage(KeywordPage* page, const Rows& rows) {
    ASSERT_EQ(page->Options().size(), rows.size());
    int lastTop = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QString name = Latin1(rows[i].objectName);
        auto* check = page->findChild<QCheckBox*>(name);
        ASSERT_NE(check, nullptr) << name.toStdString();
        EXPECT_EQ(check, page->Options()[i]) << name.toStdString();
        EXPECT_EQ(PlainCaption(check->text()), Latin1(rows[i].caption)) << name.toStdString();
        EXPECT_GT(check->y(), lastTop) << name.toStdString();
        lastTop = check->y();
    }
}

TEST(KeywordPageTest, EveryTableRowHasItsCheckBoxInOrderAndExtraRowsContinueBelow) {
    // The pages need no service but the message box.
    QTemporaryDir folder;
    AppContext ctx;
    ctx.appFolder = QDir(folder.path()).absolutePath().toStdString() + "/";
    ctx.messages = std::make_shared<ScriptedMessages>();
    ctx.http = MakeWindowHttpClient();
    TfrmMain win(ctx);
    win.Timer1->stop();
    ExpectRowsOnPage(win.stsWelcomeActions, TypoKindTable());
    ExpectRowsOnPage(win.bsSkinTabSheet1, MatchOptionTable());

    // Design tops of today's rows and of the action buttons.
    const std::vector<int> typoTops = {56, 84, 113, 142, 171, 200};
    const std::vector<int> adTops = {56, 84, 113, 142, 168};
    for (std::size_t i = 0; i < typoTops.size(); ++i) {
        EXPECT_EQ(win.stsWelcomeActions->Options()[i]->y(), typoTops[i]) << i;
    }
    for (std::size_t i = 0; i < adTops.size(); ++i) {
        EXPECT_EQ(win.bsSkinTabSheet1->Options()[i]->y(), adTops[i]) << i;
    }
    // "Remove duplicates" and the keyboard choice are rows of the column below
    // the options; the action buttons keep the design's distance below the
    // last row (246 and 206 with the six kinds and five options of the first
    // design).
    EXPECT_EQ(win.chkUnique->y(), win.stsWelcomeActions->Options().back()->y() + 29);
    EXPECT_EQ(win.cboKeyboard->y(), win.chkUnique->y() + 29);
    EXPECT_EQ(win.chkAUnique->y(), win.bsSkinTabSheet1->Options().back()->y() + 26);
    EXPECT_EQ(win.btnGenerate->y(), win.cboKeyboard->y() + 46);
    EXPECT_EQ(win.btnFormat->y(), win.chkAUnique->y() + 38);

    // Two rows more: they continue with the spacing of the last two rows, and
    // the action button keeps its distance below the last one.
    struct Extra {
        KeywordPageDesign design;
        int step;
        int actionGap;
        std::size_t rowsBelow;  // rows of the column below the options
    };
    for (Extra extra :
         {Extra{TypoPageDesign(), 29, 46, 2}, Extra{AdWordsPageDesign(), 26, 38, 1}}) {
        const std::vector<int> tops = extra.design.optionTops;
        extra.design.options.push_back({QStringLiteral("chkExtra1"), QStringLiteral("Extra 1")});
        extra.design.options.push_back({QStringLiteral("chkExtra2"), QStringLiteral("Extra 2")});
        KeywordPage page(extra.design);
        const std::size_t n = page.Options().size();
        ASSERT_EQ(n, extra.design.options.size());
        ASSERT_GT(n, tops.size());
        auto expectedTop = [&](std::size_t i) {
            return i < tops.size()
                       ? tops[i]
                       : tops.back() + static_cast<int>(i - tops.size() + 1) * extra.step;
        };
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_EQ(page.Options()[i]->y(), expectedTop(i)) << i;
        }
        EXPECT_EQ(page.Option(QStringLiteral("chkExtra2")), page.Options()[n - 1]);
        EXPECT_EQ(page.Option(QStringLiteral("chkExtra2"))->text(), QStringLiteral("Extra 2"));
        EXPECT_EQ(page.Unique()->y(), expectedTop(n));
        EXPECT_EQ(page.Action()->y(), expectedTop(n + extra.rowsBelow - 1) + extra.actionGap);
    }
}

}  // namespace
}  // namespace varnolt::testing
