// The keyword pages of the main window: their controls and handlers.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <memory>
#include <vector>

#include "app/ui/FMain.h"
#include "app/ui/WindowText.h"
#include "keywords/Export.h"
#include "keywords/Keywords.h"
#include "keywords/Layouts.h"
#include "keywords/UniqueSink.h"
#include "keywords/ui/ExportDialog.h"
#include "keywords/ui/KeywordPane.h"
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
}

namespace {

// With "Remove duplicates" on, a UniqueSink in front of `sink`.
class MaybeUnique {
public:
    MaybeUnique(bool on, LineSink& sink) {
        if (on) {
            unique_ = std::make_unique<UniqueSink>(sink);
        }
        lines_ = unique_ ? static_cast<LineSink*>(unique_.get()) : &sink;
    }
    UniqueSink* Unique() const { return unique_.get(); }
    LineSink& Lines() const { return *lines_; }
    void Finish() {
        if (unique_) {
            unique_->Finish();
        }
    }

private:
    std::unique_ptr<UniqueSink> unique_;
    LineSink* lines_ = nullptr;
};

}  // namespace

void TfrmMain::btnGenerateClick() {
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
    memOutput->Clear();
    const std::string input = memInput->Text();
    TextSink sink("\n");
    sink.Reserve(input.size() * 16);
    const std::vector<std::string_view> keywords = KeywordLines(input);
    MaybeUnique lines(chkUnique->isChecked(), sink);
    if (lines.Unique()) {
        // The input keywords themselves are not typos of them.
        for (std::string_view kw : keywords) {
            lines.Unique()->Exclude(kw);
        }
    }
    // The first layout, qwerty, is the one the kinds use without a layout.
    const int layout = cboKeyboard->currentIndex();
    const KeyboardLayout* keyboard =
        layout > 0 ? &KeyboardLayouts()[static_cast<std::size_t>(layout)] : nullptr;
    GenerateTypos(keywords, kinds, lines.Lines(), keyboard);
    lines.Finish();
    memOutput->AppendLines(sink.Text());
    memOutput->ScrollToTop();
}

void TfrmMain::btnFormatClick() {
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
    memAOutput->Clear();
    const std::string input = memAInput->Text();
    TextSink sink("\n");
    MaybeUnique lines(chkAUnique->isChecked(), sink);
    FormatMatchTypes(KeywordLines(input), types, lines.Lines());
    lines.Finish();
    memAOutput->AppendLines(sink.Text());
    memAOutput->ScrollToTop();
}

void TfrmMain::btnClearInputClick() {
    memInput->Clear();
}
void TfrmMain::btnClearOutputClick() {
    memOutput->Clear();
}
void TfrmMain::btnClearAInputClick() {
    memAInput->Clear();
}
void TfrmMain::btnClearAOutputClick() {
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
    memAInput->SetText(memOutput->Text());
    pgcMain->setCurrentWidget(bsSkinTabSheet1);
}

void TfrmMain::btnExportClick() {
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
    // The whole file is made first, so it is replaced whole or not at all.
    const std::string input = memAInput->Text();
    TextSink csv("\r\n");
    const ExportResult result = WriteExport(KeywordLines(input), options, csv);
    SaveKeywordFile(ToBytes(*path), csv.Text());
    if (result.leftOut > 0) {
        msgMain(MsgKind::Information, MsgButtons::Ok, FromBytes(LeftOutMessage(result)));
    }
}

void TfrmMain::LoadInto(KeywordPane* pane) {
    std::optional<QString> path = bsSkinOpenDialog1.RunOpenDialog(
        *ctx_.dialogs, this, FirstDialogFolder(FromBytes(ctx_.appFolder)));
    if (!path) {
        return;
    }
    LoadFileInto(pane, *path);
}

void TfrmMain::LoadFileInto(KeywordPane* pane, const QString& path) {
    // Read first: a file that cannot be read leaves the pane as it was.
    std::string text = LoadKeywordFile(ToBytes(path));
    pane->SetText(text);
    RememberRecentFile(path);
}

void TfrmMain::SaveFrom(KeywordPane* pane) {
    std::optional<QString> path = bsSkinSaveDialog1.RunSaveDialog(
        *ctx_.dialogs, this, FirstDialogFolder(FromBytes(ctx_.appFolder)));
    if (!path) {
        return;
    }
    SaveKeywordFile(ToBytes(*path), ToCrLf(pane->Text()));
}

}  // namespace varnolt
