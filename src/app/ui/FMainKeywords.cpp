// The keyword pages of the main window: their controls and handlers.
#include <QCheckBox>
#include <vector>

#include "app/ui/FMain.h"
#include "app/ui/WindowText.h"
#include "keywords/Keywords.h"
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
    btnGenerate = stsWelcomeActions->Action();
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
    btnFormat = bsSkinTabSheet1->Action();
    btnClearAInput = bsSkinTabSheet1->ClearInput();
    btnLoadAInput = bsSkinTabSheet1->LoadInput();
    btnClearAOutput = bsSkinTabSheet1->ClearOutput();
    btnSaveAOutput = bsSkinTabSheet1->SaveOutput();
}

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
    GenerateTypos(KeywordLines(input), kinds, sink);
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
    FormatMatchTypes(KeywordLines(input), types, sink);
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

void TfrmMain::LoadInto(KeywordPane* pane) {
    std::optional<QString> path =
        bsSkinOpenDialog1.RunOpenDialog(*ctx_.dialogs, this, FromBytes(ctx_.appFolder));
    if (!path) {
        return;
    }
    // Read first: a file that cannot be read leaves the pane as it was.
    std::string text = LoadKeywordFile(ToBytes(*path));
    pane->SetText(text);
}

void TfrmMain::SaveFrom(KeywordPane* pane) {
    std::optional<QString> path =
        bsSkinSaveDialog1.RunSaveDialog(*ctx_.dialogs, this, FromBytes(ctx_.appFolder));
    if (!path) {
        return;
    }
    SaveKeywordFile(ToBytes(*path), ToCrLf(pane->Text()));
}

}  // namespace varnolt
