// The keyword pages of the main window: their controls and handlers.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/ui/FMain.h"
#include "app/ui/WindowText.h"
#include "keywords/Export.h"
#include "keywords/Keywords.h"
#include "keywords/Layouts.h"
#include "keywords/UniqueSink.h"
#include "keywords/ui/ExportDialog.h"
#include "keywords/ui/KeywordJob.h"
#include "keywords/ui/KeywordPane.h"
#include "keywords/ui/KeywordWork.h"
#include "util/KeywordFile.h"

namespace varnolt {

using window_text::FromBytes;
using window_text::ToBytes;

void TfrmMain::BuildKeywordPages() {
    stsWelcomeActions = new KeywordPage(TypoPageDesign());
    memInput = stsWelcomeActions->Input();
    memOutput = stsWelcomeActions->Output();
    chkSkip = stsWelcomeActions->Option(QStringLiteral("chkSkip"));
    chkDouble = stsWelcomeActions->Option(QStringLiteral("chkDouble"));
    chkReverse = stsWelcomeActions->Option(QStringLiteral("chkReverse"));
    chkSpaces = stsWelcomeActions->Option(QStringLiteral("chkSpaces"));
    chkMissed = stsWelcomeActions->Option(QStringLiteral("chkMissed"));
    chkInserted = stsWelcomeActions->Option(QStringLiteral("chkInserted"));
    chkVowelSwap = stsWelcomeActions->Option(QStringLiteral("chkVowelSwap"));
    chkUnique = stsWelcomeActions->Unique();
    cboKeyboard = stsWelcomeActions->Keyboard();
    btnGenerate = stsWelcomeActions->Action();
    btnToAdWords = stsWelcomeActions->OutputAction();
    btnClearInput = stsWelcomeActions->ClearInput();
    btnLoadInput = stsWelcomeActions->LoadInput();
    btnClearOutput = stsWelcomeActions->ClearOutput();
    btnSaveOutput = stsWelcomeActions->SaveOutput();

    bsSkinTabSheet1 = new KeywordPage(AdWordsPageDesign());
    memAInput = bsSkinTabSheet1->Input();
    memAOutput = bsSkinTabSheet1->Output();
    chkBroad = bsSkinTabSheet1->Option(QStringLiteral("chkBroad"));
    chkPhraseMatch = bsSkinTabSheet1->Option(QStringLiteral("chkPhraseMatch"));
    chkExactMatch = bsSkinTabSheet1->Option(QStringLiteral("chkExactMatch"));
    chkLowercase = bsSkinTabSheet1->Option(QStringLiteral("chkLowercase"));
    chkMinusSign = bsSkinTabSheet1->Option(QStringLiteral("chkMinusSign"));
    chkNegativePhrase = bsSkinTabSheet1->Option(QStringLiteral("chkNegativePhrase"));
    chkNegativeExact = bsSkinTabSheet1->Option(QStringLiteral("chkNegativeExact"));
    chkAUnique = bsSkinTabSheet1->Unique();
    btnFormat = bsSkinTabSheet1->Action();
    btnExport = bsSkinTabSheet1->SecondAction();
    btnClearAInput = bsSkinTabSheet1->ClearInput();
    btnLoadAInput = bsSkinTabSheet1->LoadInput();
    btnClearAOutput = bsSkinTabSheet1->ClearOutput();
    btnSaveAOutput = bsSkinTabSheet1->SaveOutput();

    dlgSaveExport.title = QStringLiteral("Export");
    dlgSaveExport.filter = QStringLiteral("CSV files(*.csv)|*.csv");
    dlgSaveExport.extension = QStringLiteral("csv");
    RunExportDialog = [](ExportDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
    auto on = [this](QPushButton* b, void (TfrmMain::*handler)()) {
        connect(b, &QAbstractButton::clicked, this,
                [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    };
    on(btnToAdWords, &TfrmMain::btnToAdWordsClick);
    on(btnExport, &TfrmMain::btnExportClick);
    // A file dropped on an input pane loads as Load would load it.
    for (KeywordPane* pane : {memInput, memAInput}) {
        connect(pane, &KeywordPane::fileDropped, this, [this, pane](const QString& path) {
            RunHandler([this, pane, path] { LoadFileInto(pane, path); });
        });
    }
    BuildJobs();
}

namespace {

// The keywords of a pane; the views point into the pane's own storage, so
// the pane takes no edits while they are in use (a job locks it).
std::vector<std::string_view> PaneKeywords(const KeywordPane& pane) {
    const std::size_t n = pane.LineCount();
    std::vector<std::string_view> lines;
    lines.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        lines.push_back(pane.Line(i));
    }
    return lines;
}

// Moves a text made by a job into `pane` and shows its top.
void HandOver(KeywordPane* pane, PaneLines& lines) {
    pane->SetLines(std::move(lines.text), std::move(lines.starts), &lines.facts);
    pane->ScrollToTop();
}

}  // namespace

void TfrmMain::btnGenerateClick() {
    if (JobRunning()) {
        return;
    }
    if (memInput->IsEmpty()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromLatin1(kMsgNoInput));
        return;
    }
    TypoKinds kinds;
    const auto kindRows = TypoKindTable();
    const std::vector<QCheckBox*>& checks = stsWelcomeActions->Options();
    for (std::size_t i = 0; i < kindRows.size() && i < checks.size(); ++i) {
        kinds.Set(i, checks[i]->isChecked());
    }
    if (!kinds.Any()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromLatin1(kMsgNoAction));
        return;
    }
    const bool unique = chkUnique->isChecked();
    // The first layout, qwerty, is the one the kinds use without a layout.
    const int layout = cboKeyboard->currentIndex();
    const KeyboardLayout* keyboard =
        layout > 0 ? &KeyboardLayouts()[static_cast<std::size_t>(layout)] : nullptr;
    KeywordPane* in = memInput;
    KeywordPane* out = memOutput;
    StartJob(stsWelcomeActions, {in, out}, [=](JobControl& job) -> KeywordJob::Finish {
        auto lines = std::make_shared<PaneLines>(
            GenerateForPane(PaneKeywords(*in), kinds, unique, keyboard, job));
        return [out, lines] { HandOver(out, *lines); };
    });
}

void TfrmMain::btnFormatClick() {
    if (JobRunning()) {
        return;
    }
    if (memAInput->IsEmpty()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromLatin1(kMsgNoInput));
        return;
    }
    MatchTypes types;
    const auto optionRows = MatchOptionTable();
    const std::vector<QCheckBox*>& checks = bsSkinTabSheet1->Options();
    for (std::size_t i = 0; i < optionRows.size() && i < checks.size(); ++i) {
        types.Set(i, checks[i]->isChecked());
    }
    if (!types.Any()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromLatin1(kMsgNoAction));
        return;
    }
    const bool unique = chkAUnique->isChecked();
    KeywordPane* in = memAInput;
    KeywordPane* out = memAOutput;
    StartJob(bsSkinTabSheet1, {in, out}, [=](JobControl& job) -> KeywordJob::Finish {
        auto lines =
            std::make_shared<PaneLines>(FormatForPane(PaneKeywords(*in), types, unique, job));
        return [out, lines] { HandOver(out, *lines); };
    });
}

void TfrmMain::btnClearInputClick() {
    if (JobRunning()) {
        return;
    }
    memInput->Clear();
}
void TfrmMain::btnClearOutputClick() {
    if (JobRunning()) {
        return;
    }
    memOutput->Clear();
}
void TfrmMain::btnClearAInputClick() {
    if (JobRunning()) {
        return;
    }
    memAInput->Clear();
}
void TfrmMain::btnClearAOutputClick() {
    if (JobRunning()) {
        return;
    }
    memAOutput->Clear();
}
void TfrmMain::btnLoadInputClick() {
    LoadInto(memInput);
}
void TfrmMain::btnLoadAInputClick() {
    LoadInto(memAInput);
}
void TfrmMain::btnSaveOutputClick() {
    SaveFrom(memOutput);
}
void TfrmMain::btnSaveAOutputClick() {
    SaveFrom(memAOutput);
}

void TfrmMain::btnToAdWordsClick() {
    if (JobRunning()) {
        return;
    }
    KeywordPane* from = memOutput;
    KeywordPane* to = memAInput;
    StartJob(stsWelcomeActions, {from, to}, [this, from, to](JobControl& job) {
        auto lines = std::make_shared<PaneLines>(MakePaneLines(from->Text()));
        job.ThrowIfCancelled();
        return KeywordJob::Finish([this, to, lines] {
            HandOver(to, *lines);
            pgcMain->setCurrentWidget(bsSkinTabSheet1);
        });
    });
}

void TfrmMain::btnExportClick() {
    if (JobRunning()) {
        return;
    }
    if (memAInput->IsEmpty()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromLatin1(kMsgNoInput));
        return;
    }
    ExportOptions options;
    {
        ExportDialog dialog(ExportValues, this);
        if (!RunExportDialog(dialog)) {
            return;
        }
        options = dialog.Values();
    }
    ExportValues = options;
    // The same words as varnolt-kw export: a refusal writes nothing.
    if (const std::string problem = CheckExportOptions(options); !problem.empty()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, FromBytes(problem));
        return;
    }
    std::optional<QString> path = dlgSaveExport.RunSaveDialog(
        *ctx_.dialogs, this, FirstDialogFolder(FromBytes(ctx_.appFolder)));
    if (!path) {
        return;
    }
    KeywordPane* in = memAInput;
    const std::string target = ToBytes(*path);
    StartJob(bsSkinTabSheet1, {in}, [this, in, options, target](JobControl& job) {
        // The whole file is made first, so it is replaced whole or not at all.
        const std::vector<std::string_view> keywords = PaneKeywords(*in);
        TextSink csv("\r\n");
        const auto types =
            static_cast<std::size_t>(std::count(options.types.begin(), options.types.end(), true));
        JobSink lines(csv, job, keywords.size() * std::max<std::size_t>(types, 1));
        const ExportResult result = WriteExport(keywords, options, lines);
        if (!job.Commit()) {
            throw JobCancelled{};
        }
        SaveKeywordFile(target, csv.Text());
        return KeywordJob::Finish([this, result] {
            if (result.leftOut > 0) {
                msgMain(MsgKind::Information, MsgButtons::Ok, FromBytes(LeftOutMessage(result)));
            }
        });
    });
}

void TfrmMain::LoadInto(KeywordPane* pane) {
    if (JobRunning()) {
        return;
    }
    std::optional<QString> path = bsSkinOpenDialog1.RunOpenDialog(
        *ctx_.dialogs, this, FirstDialogFolder(FromBytes(ctx_.appFolder)));
    if (!path) {
        return;
    }
    LoadFileInto(pane, *path);
}

void TfrmMain::LoadFileInto(KeywordPane* pane, const QString& path) {
    if (JobRunning()) {
        return;
    }
    const std::string file = ToBytes(path);
    StartJob(PageOf(pane), {pane}, [this, pane, file, path](JobControl& job) {
        // Read first: a file that cannot be read leaves the pane as it was.
        auto loaded = std::make_shared<LoadedKeywords>(ReadKeywordsForPane(file, job));
        return KeywordJob::Finish([this, pane, loaded, path] {
            if (loaded->notText) {
                msgMain(MsgKind::Warning, MsgButtons::Ok,
                        QStringLiteral("\"%1\" is not a text file.").arg(path));
                return;
            }
            HandOver(pane, loaded->lines);
            RememberRecentFile(path);
        });
    });
}

void TfrmMain::SaveFrom(KeywordPane* pane) {
    if (JobRunning()) {
        return;
    }
    std::optional<QString> path = bsSkinSaveDialog1.RunSaveDialog(
        *ctx_.dialogs, this, FirstDialogFolder(FromBytes(ctx_.appFolder)));
    if (!path) {
        return;
    }
    const std::string target = ToBytes(*path);
    // Every line but an open last one gains a CR.
    const std::size_t lines = pane->LineCount();
    std::uint64_t bytes = lines;
    pane->ForEachChunk([&bytes](std::string_view chunk) { bytes += chunk.size(); });
    const QString name = QFileInfo(*path).fileName();
    KeywordPage* page = PageOf(pane);
    StartJob(page, {pane}, [pane, target, bytes, page, name, lines](JobControl& job) {
        WriteKeywordsFromPane(
            target, [pane](const auto& sink) { pane->ForEachChunk(sink); }, bytes, job);
        return KeywordJob::Finish([page, name, lines] { page->ShowSaved(name, lines); });
    });
}

}  // namespace varnolt
