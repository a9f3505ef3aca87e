// Long keyword work off the window's thread: Cancel and a second click while
// a job runs, the status line, and files loaded by drop with Load's rules.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <memory>
#include <string>

#include "Scripted.h"
#include "app/ui/CrashReport.h"
#include "app/ui/FMain.h"
#include "keywords/Keywords.h"
#include "keywords/UniqueSink.h"
#include "keywords/ui/KeywordPane.h"
#include "keywords/ui/KeywordWork.h"
#include "support/Files.h"
#include "util/KeywordFile.h"

namespace varnolt::testing {
namespace {

// The bytes of the file at `path`, and a file of `bytes` there.
std::string ReadAll(const QString& path) {
    return test::ReadFile(path.toStdString());
}
void WriteAll(const QString& path, std::string_view bytes) {
    ASSERT_TRUE(test::WriteFile(path.toStdString(), bytes));
}

// `count` lines "keyword N", each ended by LF.
std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "keyword " + std::to_string(i) + "\n";
    }
    return text;
}

// Drags the file `path` onto `pane` and drops it there.
void DropFile(KeywordPane* pane, const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QWidget* view = static_cast<QAbstractScrollArea*>(pane->Editor())->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
}

// The window's outputs are built a buffer at a time straight into the pane's
// text: across many buffers, with a line longer than a buffer, with and
// without duplicates removed, they are the engine's lines, indexed right.
TEST(KeywordWork, PaneOutputsAreTheEngineLinesAcrossBuffers) {
    std::string input;
    for (int i = 0; i < 20000; ++i) {
        input += (i == 15000 ? "Café " : "Keyword ") + std::to_string(i % 7000) + "\n";
    }
    input += std::string(3u << 20, 'x') + "\n";  // one line of 3 MiB
    const std::vector<std::string_view> keywords = KeywordLines(input);
    const std::vector<std::string_view> shortOnes(keywords.begin(), keywords.end() - 1);
    JobControl job;
    for (bool unique : {false, true}) {
        SCOPED_TRACE(unique ? "unique" : "all lines");
        std::vector<std::pair<PaneLines, std::string>> made;
        {
            TextSink engine;
            std::unique_ptr<UniqueSink> dedupe;
            if (unique) {
                dedupe = std::make_unique<UniqueSink>(engine);
                for (std::string_view kw : shortOnes) {
                    dedupe->Exclude(kw);
                }
            }
            GenerateTypos(shortOnes, TypoKinds::All(),
                          dedupe ? static_cast<LineSink&>(*dedupe) : engine);
            if (dedupe) {
                dedupe->Finish();
            }
            made.emplace_back(GenerateForPane(shortOnes, TypoKinds::All(), unique, nullptr, job),
                              engine.TakeText());
        }
        {
            const MatchTypes types = MatchTypes::Of({"--broad", "--exact"});
            TextSink engine;
            std::unique_ptr<UniqueSink> dedupe;
            if (unique) {
                dedupe = std::make_unique<UniqueSink>(engine);
            }
            FormatMatchTypes(keywords, types, dedupe ? static_cast<LineSink&>(*dedupe) : engine);
            if (dedupe) {
                dedupe->Finish();
            }
            made.emplace_back(FormatForPane(keywords, types, unique, job), engine.TakeText());
        }
        for (auto& [pane, expected] : made) {
            ASSERT_GT(expected.size(), std::size_t{4} << 20);
            EXPECT_TRUE(pane.text == expected);
            EXPECT_EQ(pane.starts, PaneText::IndexLines(expected));
            EXPECT_EQ(pane.count, pane.starts.size());
            const PaneText::Facts facts = PaneText::Survey(expected, pane.starts);
            EXPECT_EQ(pane.facts.longest, facts.longest);
            EXPECT_EQ(pane.facts.ascii, facts.ascii);
        }
    }
}

class KeywordJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        win = std::make_unique<TfrmMain>(ctx.Make());
        win->Timer1->stop();
        win->show();
        QApplication::processEvents();
    }
    // Every control that a running job disables, and whether it is enabled.
    std::vector<bool> Enabled() const {
        std::vector<bool> on;
        for (QWidget* w : std::initializer_list<QWidget*>{
                 win->btnGenerate, win->btnFormat, win->btnExport, win->btnToAdWords,
                 win->btnLoadInput, win->btnLoadAInput, win->btnSaveOutput, win->btnSaveAOutput,
                 win->btnClearInput, win->btnClearOutput, win->btnClearAInput,
                 win->btnClearAOutput}) {
            on.push_back(w->isEnabled());
        }
        return on;
    }
    TestContext ctx;
    std::unique_ptr<TfrmMain> win;
};

TEST_F(KeywordJobTest, CancelLeavesEverythingAsItWasAndClicksDuringAJobDoNothing) {
    const QString saved = ctx.Path("kept.txt");
    WriteAll(saved, "old file\r\n");
    const QString other = ctx.Path("other.txt");
    WriteAll(other, "dropped\n");
    struct Case {
        const char* job;
        KeywordPage* page;
        std::function<void()> start;
        KeywordPane* changed;  // the pane the job would replace
        bool esc;              // cancelled by Esc, else by the page's button
    };
    const Case cases[] = {
        {"generate", win->stsWelcomeActions, [&] { win->btnGenerateClick(); }, win->memOutput,
         true},
        {"format", win->bsSkinTabSheet1, [&] { win->btnFormatClick(); }, win->memAOutput, false},
        {"save", win->stsWelcomeActions,
         [&] {
             ctx.dialogs->saveAnswers.push_back(saved);
             win->btnSaveOutputClick();
         },
         nullptr, false},
    };
    for (QCheckBox* c : win->stsWelcomeActions->Options()) {
        c->setChecked(true);
    }
    win->chkBroad->setChecked(true);
    win->chkPhraseMatch->setChecked(true);
    win->chkNegativeExact->setChecked(true);
    win->chkAUnique->setChecked(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.job);
        // Big enough that no job ends before the test cancels it.
        win->memInput->SetText(Lines(200000));
        win->memAInput->SetText(Lines(2000000));
        win->memOutput->AdoptText(c.changed ? "before\n" : Lines(3000000));
        win->memAOutput->SetText("before\n");
        const std::vector<bool> before = Enabled();
        const std::string outputBefore = win->memOutput->Text();
        c.start();
        ASSERT_TRUE(win->JobRunning());
        EXPECT_EQ(Enabled(), std::vector<bool>(before.size(), false));
        EXPECT_FALSE((c.changed ? c.changed : win->memOutput)->isEnabled());
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        EXPECT_FALSE(c.page->Progress()->isHidden());
        EXPECT_FALSE(c.page->CancelButton()->isHidden());
        EXPECT_TRUE(c.page->CancelButton()->hasFocus());

        // A second click of any kind while the job runs does nothing, now or later.
        QTest::mouseClick(win->btnClearAOutput, Qt::LeftButton);
        win->btnClearAOutputClick();
        win->btnGenerateClick();
        win->btnFormatClick();
        win->btnToAdWordsClick();
        win->LoadFileInto(win->memAOutput, other);
        ctx.dialogs->saveAnswers.push_back(ctx.Path("second.txt"));
        win->btnSaveAOutputClick();
        EXPECT_EQ(ctx.dialogs->saveAnswers.size(), 1u) << "no dialog opens";
        ctx.dialogs->saveAnswers.clear();

        if (c.esc) {
            QTest::keyClick(win.get(), Qt::Key_Escape);
        } else {
            QTest::mouseClick(c.page->CancelButton(), Qt::LeftButton);
        }
        win->WaitForJob();
        QApplication::processEvents();
        EXPECT_FALSE(win->JobRunning());
        EXPECT_EQ(Enabled(), before);
        EXPECT_TRUE(win->memOutput->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(c.page->Progress()->isHidden());
        EXPECT_TRUE(c.page->CancelButton()->isHidden());
        EXPECT_EQ(win->memOutput->Text(), outputBefore);
        EXPECT_EQ(win->memAOutput->Text(), "before\n");
        EXPECT_TRUE(c.page->Saved()->text().isEmpty());
        EXPECT_EQ(ReadAll(saved), "old file\r\n");
        EXPECT_EQ(QDir(ctx.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2)
            << "no temporary and no second file left";
        EXPECT_TRUE(ctx.messages->shown.empty());
    }
    // After the cancelled jobs the buttons work as before.
    win->memInput->SetText("ab");
    for (QCheckBox* c : win->stsWelcomeActions->Options()) {
        c->setChecked(c == win->chkReverse);
    }
    QTest::mouseClick(win->btnGenerate, Qt::LeftButton);
    win->WaitForJob();
    EXPECT_EQ(win->memOutput->Text(), "ba\n");

    // Closing the window in the middle of a job stops it first.
    win->memInput->SetText(Lines(200000));
    for (QCheckBox* c : win->stsWelcomeActions->Options()) {
        c->setChecked(true);
    }
    win->btnGenerateClick();
    ASSERT_TRUE(win->JobRunning());
    win.reset();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(KeywordJobTest, StatusLineCountsBothPanesAndSaysWhatSaveWrote) {
    const std::pair<std::uint64_t, const char*> numbers[] = {
        {0, "0"},          {999, "999"},           {1000, "1,000"},
        {12345, "12,345"}, {1664495, "1,664,495"}, {1000000, "1,000,000"}};
    for (const auto& [n, text] : numbers) {
        EXPECT_EQ(GroupedNumber(n), QString::fromLatin1(text));
    }
    KeywordPage* page = win->stsWelcomeActions;
    EXPECT_EQ(page->InputCount()->text(), QStringLiteral("Input: 0 keywords"));
    EXPECT_EQ(page->OutputCount()->text(), QStringLiteral("Output: 0 lines"));
    win->memInput->SetText("one");
    EXPECT_EQ(page->InputCount()->text(), QStringLiteral("Input: 1 keyword"));
    win->memInput->SetText("a\nb\n\nd\n");  // a final line break ends the last line
    EXPECT_EQ(page->InputCount()->text(), QStringLiteral("Input: 4 keywords"));
    std::string many;
    for (int i = 0; i < 1664495; ++i) {
        many += "x\n";
    }
    win->memOutput->AdoptText(std::move(many));
    EXPECT_EQ(page->OutputCount()->text(), QStringLiteral("Output: 1,664,495 lines"));
    EXPECT_EQ(win->bsSkinTabSheet1->OutputCount()->text(), QStringLiteral("Output: 0 lines"));

    ctx.dialogs->saveAnswers.push_back(ctx.Path("typos"));
    win->btnSaveOutputClick();
    win->WaitForJob();
    EXPECT_EQ(ReadAll(ctx.Path("typos.txt")).size(), std::size_t{1664495} * 3);
    EXPECT_EQ(page->Saved()->text(), QStringLiteral("Saved typos.txt: 1,664,495 lines"));
    EXPECT_FALSE(page->Saved()->isHidden());
    // A generated output is counted as it arrives, and is not what was saved.
    win->memInput->SetText("book\ncats");
    win->chkReverse->setChecked(true);
    win->btnGenerateClick();
    win->WaitForJob();
    EXPECT_EQ(page->OutputCount()->text(), QStringLiteral("Output: 6 lines"));
    EXPECT_TRUE(page->Saved()->text().isEmpty());
    QTest::mouseClick(win->btnClearInput, Qt::LeftButton);
    EXPECT_EQ(page->InputCount()->text(), QStringLiteral("Input: 0 keywords"));
}

TEST_F(KeywordJobTest, DroppedAndChosenFilesLoadByTheLoadRules) {
    CrashReporter& reporter = CrashReporter::Instance();
    const QString text = ctx.Path("list.txt");
    WriteAll(text, "\xEF\xBB\xBFred shoes\r\nblue\rgreen\ncaf\xC3\xA9");
    const QString cp1252 = ctx.Path("old.txt");
    WriteAll(cp1252, "caf\xE9\r\n");
    const QString binary = ctx.Path("picture.txt");
    WriteAll(binary, std::string_view("GIF89a\0\0\x01", 9));
    const QString huge = ctx.Path("huge.txt");
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(static_cast<qint64>(kMaxKeywordFileBytes) + 1));  // sparse
    }
    const QString gone = ctx.Path("gone.txt");
    struct Case {
        QString path;
        bool drop;  // dropped on the pane, else chosen in the Load dialog
        KeywordPane* pane;
        std::string text;  // the pane afterwards
        QString message;   // the warning shown, if any
        QString crash;     // what the crash reporting got, if anything
    };
    const Case cases[] = {
        {text, true, win->memInput, "red shoes\nblue\ngreen\ncaf\xC3\xA9", {}, {}},
        {cp1252, true, win->memAInput, "caf\xC3\xA9\n", {}, {}},
        {binary,
         true,
         win->memInput,
         "kept",
         QStringLiteral("\"%1\" is not a text file.").arg(binary),
         {}},
        {binary,
         false,
         win->memAInput,
         "kept",
         QStringLiteral("\"%1\" is not a text file.").arg(binary),
         {}},
        {huge, false, win->memInput, "kept", {}, QStringLiteral("Text exceeds memo capacity")},
        // Gone between the dialog and the read.
        {gone,
         false,
         win->memInput,
         "kept",
         {},
         QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(gone)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        c.pane->SetText("kept");
        ctx.messages->shown.clear();
        const int crashes = reporter.Count();
        if (c.drop) {
            DropFile(c.pane, c.path);
        } else {
            ctx.dialogs->openAnswers.push_back(c.path);
            c.pane == win->memInput ? win->btnLoadInputClick() : win->btnLoadAInputClick();
        }
        win->WaitForJob();
        EXPECT_EQ(c.pane->Text(), c.text);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(ctx.messages->shown.empty());
        } else {
            ASSERT_EQ(ctx.messages->shown.size(), 1u);
            EXPECT_EQ(ctx.messages->shown[0].kind, MsgKind::Warning);
            EXPECT_EQ(ctx.messages->shown[0].buttons, MsgButtons::Ok);
            EXPECT_EQ(ctx.messages->shown[0].text, c.message);
        }
        EXPECT_EQ(reporter.Count(), crashes + (c.crash.isEmpty() ? 0 : 1));
        if (!c.crash.isEmpty()) {
            EXPECT_EQ(reporter.LastMessage(), c.crash);
        }
    }
    // A drop on an output pane types nothing and loads nothing.
    win->memOutput->SetText("out");
    DropFile(win->memOutput, text);
    win->WaitForJob();
    EXPECT_EQ(win->memOutput->Text(), "out");
}

}  // namespace
}  // namespace varnolt::testing
