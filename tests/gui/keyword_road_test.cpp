// The window's road from typos to an upload file: duplicates removed, the
// keyboard choice, To Ad Words and the export dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <memory>
#include <string>
#include <vector>

#include "Scripted.h"
#include "app/ui/FMain.h"
#include "common/ui/Mnemonics.h"
#include "keywords/Export.h"
#include "keywords/Keywords.h"
#include "keywords/Layouts.h"
#include "keywords/ui/ExportDialog.h"
#include "keywords/ui/KeywordPane.h"
#include "util/KeywordFile.h"

namespace varnolt::testing {
namespace {

class KeywordRoadTest : public ::testing::Test {
protected:
    void SetUp() override { win = std::make_unique<TfrmMain>(ctx.Make()); }
    TestContext ctx;
    std::unique_ptr<TfrmMain> win;
};

std::string CoreTypos(const std::string& input, std::string_view kind, const char* layout) {
    TextSink sink("\n");
    GenerateTypos(KeywordLines(input), TypoKinds::Of({kind}), sink, FindKeyboardLayout(layout));
    return sink.Text();
}

TEST_F(KeywordRoadTest, RemoveDuplicatesAndKeyboardChangeTheOutputAsTheCoreSays) {
    // Off at start, qwerty first and chosen.
    EXPECT_FALSE(win->chkUnique->isChecked());
    EXPECT_FALSE(win->chkAUnique->isChecked());
    EXPECT_EQ(PlainCaption(win->chkUnique->text()), QStringLiteral("Remove duplicates"));
    EXPECT_EQ(PlainCaption(win->chkAUnique->text()), QStringLiteral("Remove duplicates"));
    ASSERT_EQ(static_cast<std::size_t>(win->cboKeyboard->count()), KeyboardLayouts().size());
    for (int i = 0; i < win->cboKeyboard->count(); ++i) {
        EXPECT_EQ(win->cboKeyboard->itemText(i).toStdString(),
                  KeyboardLayouts()[static_cast<std::size_t>(i)].name);
    }
    EXPECT_EQ(win->cboKeyboard->currentText(), QStringLiteral("qwerty"));

    struct Case {
        bool typos;
        std::string input;
        QCheckBox* option;
        bool unique;
        std::string expected;
    };
    const Case cases[] = {
        // The input keyword itself is left out on the typos page...
        {true, "book", win->chkReverse, false, "obok\nbook\nboko\n"},
        {true, "book", win->chkReverse, true, "obok\nboko\n"},
        // ...and repeats are dropped with letter case ignored, the first kept.
        {true, "Book\nbook", win->chkDouble, true, "BBook\nBoook\nBookk\n"},
        {false, "Shoes\nBoots\nshoes\nSHOES", win->chkBroad, false, "Shoes\nBoots\nshoes\nSHOES\n"},
        {false, "Shoes\nBoots\nshoes\nSHOES", win->chkBroad, true, "Shoes\nBoots\n"},
    };
    for (const Case& c : cases) {
        for (QCheckBox* box : win->stsWelcomeActions->Options())
            box->setChecked(false);
        for (QCheckBox* box : win->bsSkinTabSheet1->Options())
            box->setChecked(false);
        c.option->setChecked(true);
        (c.typos ? win->chkUnique : win->chkAUnique)->setChecked(c.unique);
        (c.typos ? win->memInput : win->memAInput)->SetText(c.input);
        c.typos ? win->btnGenerateClick() : win->btnFormatClick();
        win->WaitForJob();
        EXPECT_EQ((c.typos ? win->memOutput : win->memAOutput)->Text(), c.expected) << c.input;
    }

    // The keyboard of Missed keys and Inserted keys.
    win->chkUnique->setChecked(false);
    for (QCheckBox* box : win->stsWelcomeActions->Options())
        box->setChecked(box == win->chkMissed);
    win->memInput->SetText("lazy");
    for (const char* layout : {"qwerty", "qwertz", "qwerty-mobile"}) {
        win->cboKeyboard->setCurrentText(QString::fromLatin1(layout));
        win->btnGenerateClick();
        win->WaitForJob();
        EXPECT_EQ(win->memOutput->Text(), CoreTypos("lazy", "--missed-keys", layout)) << layout;
    }
    EXPECT_NE(CoreTypos("lazy", "--missed-keys", "qwertz"),
              CoreTypos("lazy", "--missed-keys", "qwerty"));
    EXPECT_TRUE(ctx.messages->shown.empty());
}

TEST_F(KeywordRoadTest, ToAdWordsReplacesTheAdWordsInputAndShowsThatPage) {
    EXPECT_EQ(PlainCaption(win->btnToAdWords->text()), QStringLiteral("To Ad Words"));
    win->memInput->SetText("cat");
    win->chkVowelSwap->setChecked(true);
    win->btnGenerateClick();
    win->WaitForJob();
    win->memAInput->SetText("old\nlines\n");
    win->pgcMain->setCurrentWidget(win->stsWelcomeActions);
    win->btnToAdWords->click();
    win->WaitForJob();
    EXPECT_EQ(win->memAInput->Text(), "cet\ncit\ncot\ncut\n");
    EXPECT_EQ(win->pgcMain->currentWidget(), win->bsSkinTabSheet1);
}

// What the test's export dialog fills in.
struct Fill {
    int format;  // 0 Google Ads Editor, 1 Microsoft Advertising
    QString campaign, adGroup;
    std::vector<int> types;  // rows of ExportTypeTable()
    int negativeLevel;       // 0 ad group, 1 campaign
};

TEST_F(KeywordRoadTest, ExportWritesTheCoreFormatterBytesAndSaysWhatVarnoltKwSays) {
    EXPECT_EQ(PlainCaption(win->btnExport->text()), QStringLiteral("Export..."));
    int dialogs = 0;
    Fill fill;
    ExportOptions shown;
    win->RunExportDialog = [&](ExportDialog& d) {
        ++dialogs;
        shown = d.Values();
        d.Format()->setCurrentIndex(fill.format);
        d.Campaign()->setText(fill.campaign);
        d.AdGroup()->setText(fill.adGroup);
        for (std::size_t i = 0; i < d.Types().size(); ++i)
            d.Types()[i]->setChecked(false);
        for (int t : fill.types)
            d.Types()[static_cast<std::size_t>(t)]->setChecked(true);
        d.NegativeLevel()->setCurrentIndex(fill.negativeLevel);
        return true;
    };
    win->btnExportClick();  // no input: the dialog does not open
    win->WaitForJob();
    EXPECT_EQ(ctx.messages->Texts(), QStringList{QString::fromLatin1(kMsgNoInput)});
    EXPECT_EQ(dialogs, 0);

    const std::string input = "red shoes\n  A, B  \nsay \"hi\"\n\n" + std::string(81, 'x') + "\n";
    win->memAInput->SetText(input);
    struct Case {
        Fill fill;
        QString file;     // answered to the save dialog; empty: none is asked for
        QString message;  // the message shown, if any
    };
    const QString leftOut =
        QStringLiteral("1 keyword was left out: longer than the platform allows (first: line 5).");
    const Case cases[] = {
        {{0, "Camp, 1", "Group", {2, 4}, 0}, "up", leftOut},
        {{1, "Camp", "Group", {0, 3}, 0}, "", QString::fromLatin1(kMsgMicrosoftNegativeBroad)},
        {{1, "Camp", "", {4, 5}, 1}, "ms.CSV", ""},
        {{0, "Camp", "", {0}, 0}, "", "--ad-group NAME is needed for --broad"},
    };
    ExportOptions last;
    for (const Case& c : cases) {
        ctx.messages->shown.clear();
        fill = c.fill;
        const std::size_t requests = ctx.dialogs->saveRequests.size();
        if (!c.file.isEmpty())
            ctx.dialogs->saveAnswers.push_back(ctx.Path(c.file));
        win->btnExport->click();
        win->WaitForJob();
        // The dialog opened with the values of the last export of the session.
        EXPECT_EQ(shown.campaign, last.campaign);
        EXPECT_EQ(shown.types, last.types);
        last = win->ExportValues;
        EXPECT_EQ(last.campaign, c.fill.campaign.toStdString());
        EXPECT_EQ(last.campaignNegatives, c.fill.negativeLevel == 1);
        EXPECT_EQ(ctx.messages->Texts(),
                  c.message.isEmpty() ? QStringList() : QStringList{c.message});
        if (c.file.isEmpty()) {
            EXPECT_EQ(ctx.dialogs->saveRequests.size(), requests) << "refused before the dialog";
            continue;
        }
        ASSERT_EQ(ctx.dialogs->saveRequests.size(), requests + 1);
        EXPECT_EQ(ctx.dialogs->saveRequests.back().filter,
                  QStringLiteral("CSV files(*.csv)|*.csv"));
        TextSink csv("\r\n");
        WriteExport(KeywordLines(input), last, csv);
        const QString path = ctx.Path(c.file.endsWith(".CSV") ? c.file : c.file + ".csv");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        EXPECT_EQ(f.readAll().toStdString(), csv.Text());
    }
    // The first file byte for byte.
    QFile up(ctx.Path("up.csv"));
    ASSERT_TRUE(up.open(QIODevice::ReadOnly));
    EXPECT_EQ(up.readAll().toStdString(),
              "Campaign,Ad group,Keyword,Criterion Type\r\n"
              "\"Camp, 1\",Group,red shoes,Exact\r\n\"Camp, 1\",Group,\"A, B\",Exact\r\n"
              "\"Camp, 1\",Group,\"say \"\"hi\"\"\",Exact\r\n"
              "\"Camp, 1\",Group,red shoes,Negative Phrase\r\n"
              "\"Camp, 1\",Group,\"A, B\",Negative Phrase\r\n"
              "\"Camp, 1\",Group,\"say \"\"hi\"\"\",Negative Phrase\r\n");
}

TEST_F(KeywordRoadTest, NewControlsFitThePageWithoutOverlapAndTakeTabFocus) {
    win->resize(796, 656);
    win->show();
    for (KeywordPage* page : {win->stsWelcomeActions, win->bsSkinTabSheet1}) {
        win->pgcMain->setCurrentWidget(page);
        QApplication::processEvents();
        const QRect inside(0, 0, page->width(), page->height());
        std::vector<QWidget*> children;
        for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isHidden())
                children.push_back(w);
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            EXPECT_TRUE(inside.contains(children[i]->geometry()))
                << children[i]->objectName().toStdString();
            for (std::size_t j = i + 1; j < children.size(); ++j) {
                EXPECT_FALSE(children[i]->geometry().intersects(children[j]->geometry()))
                    << children[i]->objectName().toStdString() << " and "
                    << children[j]->objectName().toStdString();
            }
        }
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{win->chkUnique, win->cboKeyboard, win->btnToAdWords,
                                         win->chkAUnique, win->btnExport}) {
        EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << w->objectName().toStdString();
    }
}

}  // namespace
}  // namespace varnolt::testing
