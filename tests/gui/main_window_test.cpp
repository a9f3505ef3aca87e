// The main window: start-up, pages, resize rules and the keyword pages.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <memory>

#include "Scripted.h"
#include "app/ui/CrashReport.h"
#include "app/ui/FMain.h"
#include "common/ui/Mnemonics.h"
#include "keywords/ui/KeywordPane.h"

namespace varnolt::testing {
namespace {

const QString kNoInput = QStringLiteral("Please enter the input keywords to process.");
const QString kNoAction =
    QStringLiteral("Please select at least one action to do with your input keywords.");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { win = std::make_unique<TfrmMain>(ctx.Make()); }
    void Show() {
        win->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
    }
    TestContext ctx;
    std::unique_ptr<TfrmMain> win;
};

TEST_F(MainWindowTest, StartsWithoutSettingsOnTheMainPageWithoutTabs) {
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Varnolt"));
    EXPECT_TRUE(win->Timer1->isActive()) << "no welcome page: the news timer runs from creation";
    EXPECT_EQ(win->Timer1->interval(), 2000);
    ASSERT_NE(win->NewsList, nullptr);
    EXPECT_TRUE(win->NewsList->empty());
    Show();
    EXPECT_EQ(win->stsWelcome, nullptr) << "the welcome page is destroyed";
    EXPECT_EQ(win->pgcPrinc->count(), 1);
    EXPECT_EQ(win->pgcPrinc->currentWidget(), win->stsMain);
    EXPECT_FALSE(win->pgcPrinc->tabBar()->isVisible());
    EXPECT_TRUE(win->pgcMain->tabBar()->isVisible());
    EXPECT_EQ(win->pgcMain->currentWidget(), win->stsWelcomeActions);
    EXPECT_EQ(win->pgcMain->tabText(0), QStringLiteral("Typo Generator"));
    EXPECT_EQ(win->pgcMain->tabText(1), QStringLiteral("Ad Words"));
}

TEST_F(MainWindowTest, ControlsCarryTheirNamesCaptionsAndHints) {
    struct Named {
        const char* name;
        QString caption;
    };
    const Named buttons[] = {
        {"btnMakeMoney", "Make Money"},
        {"btnAbout", "About"},
        {"btnGenerate", "Generate"},
        {"btnFormat", "Format"},
        {"btnClearInput", "Clear"},
        {"btnLoadInput", "Load"},
        {"btnClearOutput", "Clear"},
        {"btnSaveOutput", "Save"},
        {"btnClearAInput", "Clear"},
        {"btnLoadAInput", "Load"},
        {"btnClearAOutput", "Clear"},
        {"btnSaveAOutput", "Save"},
        {"bsSkinButton1", "Thanks, just show me the main application"},
    };
    for (const auto& b : buttons) {
        auto* w = win->findChild<QPushButton*>(QString::fromLatin1(b.name));
        ASSERT_NE(w, nullptr) << b.name;
        EXPECT_EQ(PlainCaption(w->text()), b.caption) << b.name;
    }
    const Named checks[] = {
        {"chkSkip", "Skip letter"},
        {"chkDouble", "Double letters"},
        {"chkReverse", "Reverse letters"},
        {"chkSpaces", "Skip spaces"},
        {"chkMissed", "Missed keys"},
        {"chkInserted", "Inserted keys"},
        {"chkBroad", "Broad"},
        {"chkPhraseMatch", "Phrase Match"},
        {"chkExactMatch", "Exact Match"},
        {"chkLowercase", "Lowercase"},
        {"chkMinusSign", "Minus Sign"},
    };
    for (const auto& c : checks) {
        auto* w = win->findChild<QCheckBox*>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(PlainCaption(w->text()), c.caption) << c.name;
        EXPECT_FALSE(w->isChecked()) << c.name;
    }
    EXPECT_EQ(win->btnNews->toolTip(), QStringLiteral("Check News"));
    EXPECT_EQ(win->btnUpdate->toolTip(), QStringLiteral("Check Updates"));
    EXPECT_EQ(win->btnHelp->accessibleName(), QStringLiteral("Help"));
    EXPECT_EQ(win->btnHelp->toolTip(), QStringLiteral("Help (F1)"));
    for (const char* name : {"memInput",         "memOutput",   "memAInput",        "memAOutput",
                             "bsSkinScrollBar1", "scbResults",  "bsSkinScrollBar2", "scbAResult",
                             "pgcPrinc",         "pgcMain",     "stsMain",          "stsWelcome",
                             "prfWelcome",       "panBanner",   "imgBanner",        "gifBanner",
                             "panLinks",         "lblLink1URL", "lblLink2URL",      "bsSkinPanel1",
                             "bsSkinPanel14",    "Timer1"}) {
        EXPECT_NE(win->findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    }
    EXPECT_TRUE(win->bsSkinButton1->isDefault());
    EXPECT_EQ(win->bsSkinOpenDialog1.title, QStringLiteral("Open file"));
    EXPECT_EQ(win->bsSkinSaveDialog1.title, QStringLiteral("Save file"));
    EXPECT_EQ(win->bsSkinOpenDialog1.filter, QStringLiteral("Text files(*.txt)|*.txt"));
    EXPECT_EQ(win->bsSkinSaveDialog1.filter, QStringLiteral("Text files(*.txt)|*.txt"));
    // Input panes wrap, output panes do not.
    auto wraps = [](KeywordPane* p) {
        auto* edit = qobject_cast<QPlainTextEdit*>(p->Editor());
        return edit && edit->lineWrapMode() != QPlainTextEdit::NoWrap;
    };
    EXPECT_TRUE(wraps(win->memInput));
    EXPECT_TRUE(wraps(win->memAInput));
    EXPECT_FALSE(wraps(win->memOutput));
    EXPECT_FALSE(wraps(win->memAOutput));
}

TEST_F(MainWindowTest, WelcomePageFillsTheWindowUntilTheUserGoesOn) {
    // A brand with a welcome page: the timer waits for the user.
    win->Timer1->stop();
    win->WelcomeText = QStringLiteral("<html><body><h1>Hello reseller</h1></body></html>");
    Show();
    ASSERT_NE(win->stsWelcome, nullptr);
    EXPECT_EQ(win->pgcPrinc->currentWidget(), win->stsWelcome);
    EXPECT_FALSE(win->pgcPrinc->tabBar()->isVisible());
    EXPECT_TRUE(win->prfWelcome->isReadOnly());
    EXPECT_TRUE(win->prfWelcome->toPlainText().contains(QStringLiteral("Hello reseller")));
    EXPECT_FALSE(win->Timer1->isActive());
    QTest::mouseClick(win->bsSkinButton1, Qt::LeftButton);
    EXPECT_EQ(win->pgcPrinc->currentWidget(), win->stsMain);
    EXPECT_TRUE(win->Timer1->isActive());
}

TEST_F(MainWindowTest, TimerTickStopsTheTimer) {
    ASSERT_TRUE(win->Timer1->isActive());
    win->Timer1Timer();
    EXPECT_FALSE(win->Timer1->isActive());
}

TEST_F(MainWindowTest, BannersAreCentredWithEachHalfRoundedDown) {
    Show();
    win->panBanner->setFixedHeight(65);
    win->imgBanner->resize(101, 31);
    win->gifBanner->resize(101, 31);
    win->panBanner->setFixedWidth(794);
    win->CentreBanners();
    EXPECT_EQ(win->imgBanner->x(), 347);
    EXPECT_EQ(win->imgBanner->y(), 32 - 15);
    EXPECT_EQ(win->gifBanner->x(), 347);
    // A banner wider than its strip is cut off evenly on both sides.
    win->imgBanner->resize(900, 80);
    win->CentreBanners();
    EXPECT_EQ(win->imgBanner->x(), 397 - 450);
    EXPECT_EQ(win->imgBanner->y(), 32 - 40);
}

TEST_F(MainWindowTest, KeywordPagesKeepTheirEdgesAndCentresOnResize) {
    Show();
    for (int width : {900, 1200}) {
        win->resize(width, 800);
        QApplication::processEvents();
        for (QWidget* page : {win->stsWelcomeActions, win->bsSkinTabSheet1}) {
            const bool typo = page == win->stsWelcomeActions;
            // A page lays itself out when it is shown.
            win->pgcMain->setCurrentWidget(page);
            QApplication::processEvents();
            const int w = page->width();
            const int h = page->height();
            KeywordPane* in = typo ? win->memInput : win->memAInput;
            KeywordPane* out = typo ? win->memOutput : win->memAOutput;
            EXPECT_EQ(in->geometry(), QRect(16, 53, 279, h - 53 - 36));
            EXPECT_EQ(out->x() + out->width(), w - (792 - 774));
            EXPECT_EQ(out->height(), in->height());
            QCheckBox* first = typo ? win->chkSkip : win->chkBroad;
            const double optionCentre = first->x() + first->width() / 2.0;
            EXPECT_NEAR(optionCentre / w, 409.0 / 792.0, 1.0 / w);
            QPushButton* action = typo ? win->btnGenerate : win->btnFormat;
            EXPECT_NEAR((action->x() + action->width() / 2.0) / w, 390.0 / 792.0, 1.0 / w);
            EXPECT_EQ(first->y(), 56);
            QPushButton* save = typo ? win->btnSaveOutput : win->btnSaveAOutput;
            EXPECT_EQ(save->y(), h - 30);
            EXPECT_EQ(w - save->x(), 792 - 608);
        }
        EXPECT_EQ(win->bsSkinPanel1->width() - win->btnHelp->x(), 796 - 743);
    }
}

// --- Typo Generator ------------------------------------------------------------

TEST_F(MainWindowTest, GenerateAsksForInputFirstThenForAnAction) {
    win->memOutput->SetText("keep me\n");
    win->btnGenerateClick();
    win->WaitForJob();
    EXPECT_EQ(ctx.messages->Texts(), QStringList{kNoInput}) << "only the first message";
    ASSERT_EQ(ctx.messages->shown.size(), 1u);
    EXPECT_EQ(ctx.messages->shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(ctx.messages->shown[0].buttons, MsgButtons::Ok);

    win->memInput->SetText("\n");  // a blank line is input
    win->btnGenerateClick();
    win->WaitForJob();
    EXPECT_EQ(ctx.messages->Texts(), (QStringList{kNoInput, kNoAction}));
    EXPECT_EQ(win->memOutput->Text(), "keep me\n") << "a message leaves the output alone";
}

TEST_F(MainWindowTest, GenerateGroupsVariantsByKeywordInKindOrder) {
    win->memInput->SetText("book\nnew york");
    for (QCheckBox* c : {win->chkSkip, win->chkDouble, win->chkReverse, win->chkSpaces}) {
        c->setChecked(true);
    }
    QTest::mouseClick(win->btnGenerate, Qt::LeftButton);
    win->WaitForJob();
    EXPECT_TRUE(ctx.messages->shown.empty());
    const std::string out = win->memOutput->Text();
    EXPECT_EQ(out.substr(0, 24), "ook\nbok\nbok\nboo\nbbook\nbo");
    int lines = 0;
    for (char c : out) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 35);
    EXPECT_NE(out.find("new yokr\nnewyork\n"), std::string::npos);
    EXPECT_EQ(win->memOutput->ScrollBar()->value(), win->memOutput->ScrollBar()->minimum());
}

TEST_F(MainWindowTest, GenerateWithOnlySkipSpacesAndNoSpaceEmptiesTheOutput) {
    win->memOutput->SetText("old\n");
    win->memInput->SetText("book\ncat");
    win->chkSpaces->setChecked(true);
    win->btnGenerateClick();
    win->WaitForJob();
    EXPECT_TRUE(ctx.messages->shown.empty());
    EXPECT_TRUE(win->memOutput->IsEmpty());
}

TEST_F(MainWindowTest, GenerateScrollsALongOutputToTheTop) {
    std::string input;
    for (int i = 0; i < 200; ++i) {
        input += "keyword number " + std::to_string(i) + "\n";
    }
    win->memInput->SetText(input);
    win->chkMissed->setChecked(true);
    win->chkInserted->setChecked(true);
    Show();
    win->memOutput->ScrollBar()->setValue(50);
    win->btnGenerateClick();
    win->WaitForJob();
    QApplication::processEvents();
    EXPECT_GT(win->memOutput->ScrollBar()->maximum(), 0);
    EXPECT_EQ(win->memOutput->ScrollBar()->value(), 0);
    EXPECT_EQ(win->memOutput->Text().substr(0, 16), "jeyword number 0");
}

// --- Ad Words -------------------------------------------------------------------

TEST_F(MainWindowTest, FormatGroupsByNotation) {
    win->memAInput->SetText("Red Shoes\nBoots\n");
    win->chkBroad->setChecked(true);
    win->chkExactMatch->setChecked(true);
    win->chkMinusSign->setChecked(true);
    win->btnFormatClick();
    win->WaitForJob();
    EXPECT_EQ(win->memAOutput->Text(),
              "Red Shoes\nBoots\n[Red Shoes]\n[Boots]\n-Red Shoes\n-Boots\n");
    win->chkLowercase->setChecked(true);
    win->btnFormatClick();
    win->WaitForJob();
    EXPECT_EQ(win->memAOutput->Text(),
              "red shoes\nboots\n[red shoes]\n[boots]\n-red shoes\n-boots\n");
    EXPECT_TRUE(ctx.messages->shown.empty());
}

TEST_F(MainWindowTest, FormatMessagesAndLowercaseAlone) {
    win->memAOutput->SetText("before\n");
    win->chkBroad->setChecked(true);
    win->btnFormatClick();
    win->WaitForJob();
    EXPECT_EQ(ctx.messages->Texts(), QStringList{kNoInput});
    win->chkBroad->setChecked(false);
    win->memAInput->SetText(" ");
    win->btnFormatClick();
    win->WaitForJob();
    EXPECT_EQ(ctx.messages->Texts(), (QStringList{kNoInput, kNoAction}));
    EXPECT_EQ(win->memAOutput->Text(), "before\n");
    // Lowercase alone is a choice: the output is emptied and stays empty.
    win->chkLowercase->setChecked(true);
    win->btnFormatClick();
    win->WaitForJob();
    EXPECT_EQ(ctx.messages->shown.size(), 2u);
    EXPECT_TRUE(win->memAOutput->IsEmpty());
}

TEST_F(MainWindowTest, FormatKeepsCharactersOutsideAsciiWhole) {
    win->memAInput->SetText("Café Crème\n\xC2\xA0nbsp");
    win->chkPhraseMatch->setChecked(true);
    win->chkLowercase->setChecked(true);
    win->btnFormatClick();
    win->WaitForJob();
    EXPECT_EQ(win->memAOutput->Text(), "\"café crème\"\n\"\xC2\xA0nbsp\"\n");
}

// --- Load, Save, Clear --------------------------------------------------------------

TEST_F(MainWindowTest, SaveThenLoadGivesBackTheSameLines) {
    win->memInput->SetText("book\nnew york");
    win->chkReverse->setChecked(true);
    win->btnGenerateClick();
    win->WaitForJob();
    ctx.dialogs->saveAnswers.push_back(ctx.Path("typos"));
    win->btnSaveOutputClick();
    win->WaitForJob();
    const QByteArray saved = ReadAll(ctx.Path("typos.txt"));
    EXPECT_EQ(saved, QByteArray("obok\r\nbook\r\nboko\r\nenw york\r\nnwe york\r\nne wyork\r\n"
                                "newy ork\r\nnew oyrk\r\nnew yrok\r\nnew yokr\r\n"));
    ctx.dialogs->openAnswers.push_back(ctx.Path("typos.txt"));
    win->btnLoadAInputClick();
    win->WaitForJob();
    EXPECT_EQ(win->memAInput->Text(), win->memOutput->Text());
}

TEST_F(MainWindowTest, SavingAnEmptyPaneWritesAnEmptyFile) {
    ctx.dialogs->saveAnswers.push_back(ctx.Path("empty.TXT"));
    win->btnSaveAOutputClick();
    win->WaitForJob();
    EXPECT_TRUE(QFile::exists(ctx.Path("empty.TXT")));
    EXPECT_EQ(ReadAll(ctx.Path("empty.TXT")).size(), 0);
}

TEST_F(MainWindowTest, SaveAddsTxtUnlessTheNameEndsInIt) {
    win->memOutput->SetText("x\n");
    const std::pair<QString, QString> cases[] = {
        {"list.csv", "list.csv.txt"},
        {"plain", "plain.txt"},
        {"upper.TXT", "upper.TXT"},
        {"mixed.Txt", "mixed.Txt"},
    };
    for (const auto& [typed, stored] : cases) {
        ctx.dialogs->saveAnswers.push_back(ctx.Path(typed));
        win->btnSaveOutputClick();
        win->WaitForJob();
        EXPECT_TRUE(QFile::exists(ctx.Path(stored))) << stored.toStdString();
    }
    EXPECT_FALSE(QFile::exists(ctx.Path("list.csv")));
}

TEST_F(MainWindowTest, DialogsRememberTheLastFileAcrossPages) {
    // The first time both dialogs open in the program folder.
    win->btnLoadInputClick();
    win->WaitForJob();
    ASSERT_EQ(ctx.dialogs->openRequests.size(), 1u);
    EXPECT_EQ(QDir(ctx.dialogs->openRequests[0].directory), QDir(ctx.dir.path()));
    EXPECT_TRUE(ctx.dialogs->openRequests[0].fileName.isEmpty());
    EXPECT_EQ(ctx.dialogs->openRequests[0].title, QStringLiteral("Open file"));

    QDir(ctx.dir.path()).mkdir(QStringLiteral("lists"));
    const QString file = ctx.Path("lists/shoes.txt");
    WriteAll(file, "red shoes\r\nblue shoes\r\n");
    ctx.dialogs->openAnswers.push_back(file);
    win->btnLoadInputClick();
    win->WaitForJob();
    EXPECT_EQ(win->memInput->Text(), "red shoes\nblue shoes\n");

    // The Ad Words page's Load opens where the other page's Load left off.
    win->btnLoadAInputClick();
    win->WaitForJob();
    ASSERT_EQ(ctx.dialogs->openRequests.size(), 3u);
    EXPECT_EQ(QDir(ctx.dialogs->openRequests[2].directory), QDir(ctx.Path("lists")));
    EXPECT_EQ(ctx.dialogs->openRequests[2].fileName, QStringLiteral("shoes.txt"));
    EXPECT_TRUE(win->memAInput->IsEmpty()) << "a cancelled dialog changes nothing";

    // The save dialog keeps its own memory.
    win->btnSaveAOutputClick();
    win->WaitForJob();
    ASSERT_EQ(ctx.dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(QDir(ctx.dialogs->saveRequests[0].directory), QDir(ctx.dir.path()));
    EXPECT_EQ(ctx.dialogs->saveRequests[0].title, QStringLiteral("Save file"));
}

TEST_F(MainWindowTest, LoadAcceptsEveryLineBreak) {
    const QString file = ctx.Path("mixed.txt");
    WriteAll(file, "one\ntwo\rthree\r\nfour");
    ctx.dialogs->openAnswers.push_back(file);
    win->btnLoadInputClick();
    win->WaitForJob();
    EXPECT_EQ(win->memInput->Text(), "one\ntwo\nthree\nfour");
    win->chkDouble->setChecked(true);
    win->btnGenerateClick();
    win->WaitForJob();
    EXPECT_EQ(win->memOutput->Text().substr(0, 9), "oone\nonne");
}

TEST_F(MainWindowTest, ClearEmptiesOnlyItsOwnPane) {
    win->memInput->SetText("a");
    win->memOutput->SetText("b");
    win->memAInput->SetText("c");
    win->memAOutput->SetText("d");
    QTest::mouseClick(win->btnClearInput, Qt::LeftButton);
    EXPECT_TRUE(win->memInput->IsEmpty());
    QTest::mouseClick(win->btnClearAOutput, Qt::LeftButton);
    EXPECT_TRUE(win->memAOutput->IsEmpty());
    EXPECT_EQ(win->memOutput->Text(), "b");
    EXPECT_EQ(win->memAInput->Text(), "c");
    win->btnClearOutputClick();
    win->btnClearAInputClick();
    EXPECT_TRUE(win->memOutput->IsEmpty());
    EXPECT_TRUE(win->memAInput->IsEmpty());
}

TEST_F(MainWindowTest, FileErrorsGoToTheCrashReportAndLeaveThePanes) {
    CrashReporter& reporter = CrashReporter::Instance();
    const int before = reporter.Count();
    win->memInput->SetText("kept");
    const QString missing = ctx.Path("missing.txt");
    ctx.dialogs->openAnswers.push_back(missing);
    QTest::mouseClick(win->btnLoadInput, Qt::LeftButton);
    win->WaitForJob();
    EXPECT_EQ(reporter.Count(), before + 1);
    EXPECT_EQ(reporter.LastMessage(),
              QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    EXPECT_EQ(win->memInput->Text(), "kept");

    win->memOutput->SetText("result\n");
    const QString bad = ctx.Path("no/such/folder/out.txt");
    ctx.dialogs->saveAnswers.push_back(bad);
    QTest::mouseClick(win->btnSaveOutput, Qt::LeftButton);
    win->WaitForJob();
    EXPECT_EQ(reporter.Count(), before + 2);
    EXPECT_TRUE(
        reporter.LastMessage().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(bad)));
    EXPECT_EQ(win->memOutput->Text(), "result\n");
    QFile log(reporter.LogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Cannot create file"));
}

}  // namespace
}  // namespace varnolt::testing
