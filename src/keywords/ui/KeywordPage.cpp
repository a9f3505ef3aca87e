#include "keywords/ui/KeywordPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/ui/UiScale.h"
#include "keywords/Keywords.h"
#include "keywords/Layouts.h"
#include "keywords/ui/FastKeywordPane.h"
#include "keywords/ui/KeywordPane.h"

namespace varnolt {

namespace {

constexpr int kPaneTop = 53;
constexpr int kPaneWidth = 279;
constexpr int kPaneHeight = 379;
constexpr int kInputLeft = 16;
constexpr int kOutputLeft = 495;
constexpr int kPaneBottomGap = KeywordPage::kDesignHeight - (kPaneTop + kPaneHeight);
constexpr int kOutputRightGap = KeywordPage::kDesignWidth - kOutputLeft;
constexpr int kButtonRow = 438;
constexpr int kButtonRowGap = KeywordPage::kDesignHeight - kButtonRow;
constexpr int kCaptionTop = 30;
constexpr int kOptionLeft = 334;
constexpr int kOptionWidth = 150;
constexpr int kOptionCentre = 409;
constexpr int kActionLeft = 328;
constexpr int kActionWidth = 125;
constexpr int kActionCentre = 390;
constexpr int kClearOutputLeft = 496;
constexpr int kSaveOutputLeft = 608;

QString Latin1(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// The left edge that puts a control's centre at the same fraction of `width`
// as `designCentre` is of the design page width.
int CentredLeft(int width, int designCentre, int controlWidth) {
    double centre = static_cast<double>(designCentre) * width / KeywordPage::kDesignWidth;
    return static_cast<int>(std::lround(centre - controlWidth / 2.0));
}

QPushButton* MakeButton(QWidget* parent, const NamedCaption& named, int x, int y, int w) {
    auto* b = new QPushButton(named.caption, parent);
    b->setObjectName(named.name);
    b->setGeometry(x, y, w, 20);
    b->setAutoDefault(false);
    return b;
}

QLabel* MakeLabel(QWidget* parent, const NamedCaption& named, int x, int y, bool bold = false) {
    auto* l = new QLabel(named.caption, parent);
    l->setObjectName(named.name);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    l->adjustSize();
    l->move(x, y);
    return l;
}

const QString kInputCaption = QStringLiteral("Enter one word or phrase per line:");
const QString kClear = QStringLiteral("Clear");
const QString kRemoveDuplicates = QStringLiteral("Remove duplicates");
constexpr int kKeyboardComboLeft = 62;  // from the option column's left edge
constexpr int kSecondActionGap = 28;    // from the action button's top
constexpr int kStatusGap = 16;          // between the title and the status line
constexpr int kStatusSpacing = 14;
constexpr int kProgressGap = 8;  // below the lowest action button
constexpr int kProgressHeight = 12;

QLabel* StatusLabel(QWidget* parent, const QString& name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

}  // namespace

QString GroupedNumber(std::uint64_t n) {
    QString digits = QString::number(n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, QLatin1Char(','));
    }
    return digits;
}

QString KeywordCountText(std::uint64_t n) {
    return GroupedNumber(n) + (n == 1 ? QStringLiteral(" keyword") : QStringLiteral(" keywords"));
}

QString LineCountText(std::uint64_t n) {
    return GroupedNumber(n) + (n == 1 ? QStringLiteral(" line") : QStringLiteral(" lines"));
}

KeywordPageDesign TypoPageDesign() {
    KeywordPageDesign d;
    d.objectName = QStringLiteral("stsWelcomeActions");
    d.title = {QStringLiteral("lblTitle"), QStringLiteral("Generate Misspelled Keywords")};
    d.inputCaption = {QStringLiteral("lblInput"), kInputCaption};
    d.outputCaption = {QStringLiteral("lblOutput"), QStringLiteral("Misspelled Keywords:")};
    d.inputName = QStringLiteral("memInput");
    d.inputScrollBarName = QStringLiteral("bsSkinScrollBar1");
    d.outputName = QStringLiteral("memOutput");
    d.outputScrollBarName = QStringLiteral("scbResults");
    for (const TypoKindRow& row : TypoKindTable()) {
        d.options.push_back({Latin1(row.objectName), Latin1(row.caption)});
    }
    d.optionTops = {56, 84, 113, 142, 171, 200};
    d.action = {QStringLiteral("btnGenerate"), QStringLiteral("Generate")};
    d.unique = {QStringLiteral("chkUnique"), kRemoveDuplicates};
    d.keyboardLabel = {QStringLiteral("lblKeyboard"), QStringLiteral("Keyboard")};
    d.keyboardName = QStringLiteral("cboKeyboard");
    d.actionBelowLastOption = 246 - 200;
    d.outputAction = {QStringLiteral("btnToAdWords"), QStringLiteral("To Ad Words")};
    d.clearInputName = QStringLiteral("btnClearInput");
    d.loadInputName = QStringLiteral("btnLoadInput");
    d.clearOutputName = QStringLiteral("btnClearOutput");
    d.saveOutputName = QStringLiteral("btnSaveOutput");
    d.inputCountName = QStringLiteral("lblInputCount");
    d.outputCountName = QStringLiteral("lblOutputCount");
    d.savedName = QStringLiteral("lblSaved");
    d.progressName = QStringLiteral("prgJob");
    d.cancelName = QStringLiteral("btnCancel");
    return d;
}

KeywordPageDesign AdWordsPageDesign() {
    KeywordPageDesign d;
    d.objectName = QStringLiteral("bsSkinTabSheet1");
    d.title = {QStringLiteral("lblATitle"), QStringLiteral("Format AdWords")};
    d.inputCaption = {QStringLiteral("lblAInput"), kInputCaption};
    d.outputCaption = {QStringLiteral("lblAOutput"), QStringLiteral("Formatted keywords:")};
    d.inputName = QStringLiteral("memAInput");
    d.inputScrollBarName = QStringLiteral("bsSkinScrollBar2");
    d.outputName = QStringLiteral("memAOutput");
    d.outputScrollBarName = QStringLiteral("scbAResult");
    for (const MatchOptionRow& row : MatchOptionTable()) {
        d.options.push_back({Latin1(row.objectName), Latin1(row.caption)});
    }
    d.optionTops = {56, 84, 113, 142, 168};
    d.action = {QStringLiteral("btnFormat"), QStringLiteral("Format")};
    d.unique = {QStringLiteral("chkAUnique"), kRemoveDuplicates};
    d.actionBelowLastOption = 206 - 168;
    d.secondAction = {QStringLiteral("btnExport"), QStringLiteral("Export...")};
    d.clearInputName = QStringLiteral("btnClearAInput");
    d.loadInputName = QStringLiteral("btnLoadAInput");
    d.clearOutputName = QStringLiteral("btnClearAOutput");
    d.saveOutputName = QStringLiteral("btnSaveAOutput");
    d.inputCountName = QStringLiteral("lblAInputCount");
    d.outputCountName = QStringLiteral("lblAOutputCount");
    d.savedName = QStringLiteral("lblASaved");
    d.progressName = QStringLiteral("prgAJob");
    d.cancelName = QStringLiteral("btnACancel");
    return d;
}

std::vector<int> OptionTops(const KeywordPageDesign& design, std::size_t count) {
    const std::vector<int>& given = design.optionTops;
    std::vector<int> tops(given.begin(), given.begin() + std::min(count, given.size()));
    const int step = given.size() >= 2 ? given[given.size() - 1] - given[given.size() - 2] : 29;
    while (tops.size() < count) {
        tops.push_back(tops.empty() ? 0 : tops.back() + step);
    }
    return tops;
}

KeywordPage::KeywordPage(const KeywordPageDesign& design, QWidget* parent) : QWidget(parent) {
    setObjectName(design.objectName);
    title_ = MakeLabel(this, design.title, 14, 8, true);
    MakeLabel(this, design.inputCaption, 15, kCaptionTop);
    outputCaption_ = MakeLabel(this, design.outputCaption, kOutputLeft, kCaptionTop);

    input_ = new PlainKeywordPane(design.inputName, design.inputScrollBarName, true, this);
    // Output panes take whole tool runs at once, so they draw only what is on screen.
    output_ = new FastKeywordPane(design.outputName, design.outputScrollBarName, this);
    input_->setGeometry(kInputLeft, kPaneTop, kPaneWidth, kPaneHeight);
    output_->setGeometry(kOutputLeft, kPaneTop, kPaneWidth, kPaneHeight);

    // The option rows, the "Remove duplicates" row and the keyboard row.
    const bool hasKeyboard = !design.keyboardName.isEmpty();
    const std::size_t rowCount = design.options.size() + 1 + (hasKeyboard ? 1 : 0);
    const std::vector<int> tops = OptionTops(design, rowCount);
    for (std::size_t i = 0; i < design.options.size(); ++i) {
        auto* c = new QCheckBox(design.options[i].caption, this);
        c->setObjectName(design.options[i].name);
        c->setGeometry(kOptionLeft, tops[i], kOptionWidth, 23);
        c->setChecked(false);
        options_.push_back(c);
    }
    std::size_t row = design.options.size();
    unique_ = new QCheckBox(design.unique.caption, this);
    unique_->setObjectName(design.unique.name);
    unique_->setGeometry(kOptionLeft, tops[row++], kOptionWidth, 23);
    if (hasKeyboard) {
        keyboardLabel_ = MakeLabel(this, design.keyboardLabel, kOptionLeft, tops[row] + 3);
        keyboard_ = new QComboBox(this);
        keyboard_->setObjectName(design.keyboardName);
        for (const KeyboardLayout& layout : KeyboardLayouts()) {
            keyboard_->addItem(Latin1(layout.name));
        }
        keyboard_->setCurrentIndex(0);
        keyboard_->setGeometry(kOptionLeft + kKeyboardComboLeft, tops[row],
                               kOptionWidth - kKeyboardComboLeft, 22);
        keyboardLabel_->setBuddy(keyboard_);
        ++row;
    }
    const int actionTop = tops[row - 1] + design.actionBelowLastOption;
    action_ = MakeButton(this, design.action, kActionLeft, actionTop, kActionWidth);
    if (!design.secondAction.name.isEmpty()) {
        secondAction_ = MakeButton(this, design.secondAction, kActionLeft,
                                   actionTop + kSecondActionGap, kActionWidth);
    }
    clearInput_ = MakeButton(this, {design.clearInputName, kClear}, 16, kButtonRow, 105);
    loadInput_ =
        MakeButton(this, {design.loadInputName, QStringLiteral("Load")}, 128, kButtonRow, 105);
    clearOutput_ =
        MakeButton(this, {design.clearOutputName, kClear}, kClearOutputLeft, kButtonRow, 105);
    saveOutput_ = MakeButton(this, {design.saveOutputName, QStringLiteral("Save")}, kSaveOutputLeft,
                             kButtonRow, 105);
    if (!design.outputAction.name.isEmpty()) {
        outputAction_ =
            MakeButton(this, design.outputAction, kActionLeft, kButtonRow, kActionWidth);
    }

    // The status line: right-aligned in the title row, so the panes and the
    // column between them keep their design places.
    status_ = new QWidget(this);
    status_->setObjectName(design.objectName + QStringLiteral("Status"));
    auto* line = new QHBoxLayout(status_);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(kStatusSpacing);
    line->addStretch(1);
    inputCount_ = StatusLabel(status_, design.inputCountName);
    outputCount_ = StatusLabel(status_, design.outputCountName);
    saved_ = StatusLabel(status_, design.savedName);
    for (QLabel* l : {saved_, inputCount_, outputCount_}) {
        line->addWidget(l, 0, Qt::AlignVCenter);
    }
    // While a job runs, Cancel stands in for the action button that started
    // it, and the progress shows below the action buttons.
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(design.cancelName);
    cancel_->setAutoDefault(false);
    cancel_->setToolTip(QStringLiteral("Stop the work and keep the panes as they were (Esc)"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(design.progressName);
    progress_->setTextVisible(false);
    auto counts = [this] {
        inputCount_->setText(QStringLiteral("Input: ") + KeywordCountText(input_->LineCount()));
        outputCount_->setText(QStringLiteral("Output: ") + LineCountText(output_->LineCount()));
        ShowSavedText();
    };
    connect(input_, &KeywordPane::linesChanged, this, counts);
    connect(output_, &KeywordPane::linesChanged, this, counts);
    // What a save wrote is no longer what the pane holds.
    connect(output_, &KeywordPane::textChanged, this, [this] {
        savedFile_.clear();
        ShowSavedText();
    });
    counts();
    ShowJob(false);
    resize(ui_scale::Px(kDesignWidth), ui_scale::Px(kDesignHeight));
}

void KeywordPage::ShowJob(bool running) {
    progress_->setVisible(running);
    cancel_->setVisible(running);
    action_->setVisible(!running);
    if (running) {
        cancel_->raise();
        progress_->raise();
    }
}

void KeywordPage::SetProgress(int permille) {
    if (permille < 0) {
        progress_->setRange(0, 0);
        return;
    }
    progress_->setRange(0, 1000);
    progress_->setValue(permille);
}

void KeywordPage::ShowSaved(const QString& fileName, std::uint64_t lines) {
    savedFile_ = fileName;
    savedLines_ = lines;
    ShowSavedText();
}

void KeywordPage::ShowSavedText() {
    saved_->setToolTip(savedFile_);
    if (savedFile_.isEmpty()) {
        saved_->clear();
        saved_->hide();
        return;
    }
    // The counts always show whole; the file name takes what room is left.
    const QFontMetrics fm = saved_->fontMetrics();
    const QString count = LineCountText(savedLines_);
    const int room = status_->width() - inputCount_->sizeHint().width() -
                     outputCount_->sizeHint().width() - 2 * kStatusSpacing -
                     fm.horizontalAdvance(QStringLiteral("Saved : ") + count);
    const QString name = fm.elidedText(savedFile_, Qt::ElideMiddle, std::max(room, 0));
    saved_->setText(name.isEmpty() ? QStringLiteral("Saved: %1").arg(count)
                                   : QStringLiteral("Saved %1: %2").arg(name, count));
    saved_->show();
}

QCheckBox* KeywordPage::Option(const QString& name) const {
    for (QCheckBox* c : options_) {
        if (c->objectName() == name) {
            return c;
        }
    }
    return nullptr;
}

void KeywordPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The page is laid out in design pixels, then scaled to the desktop's type.
    ui_scale::ChildrenToDesign(this);
    Layout();
    ui_scale::ChildrenToScreen(this);
    // The file name takes the room the counts leave on screen.
    ShowSavedText();
}

void KeywordPage::Layout() {
    // Captions fit their text in whatever font the skin gives them.
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        label->adjustSize();
    }
    // The panes keep their edges, the option column and the action button
    // their centres, the buttons below the panes their distance to the bottom.
    const int w = ui_scale::DesignUnits(width());
    const int h = ui_scale::DesignUnits(height());
    const int paneHeight = std::max(40, h - kPaneTop - kPaneBottomGap);
    const int rightPane = w - kOutputRightGap;
    input_->setGeometry(kInputLeft, kPaneTop, kPaneWidth, paneHeight);
    output_->setGeometry(rightPane, kPaneTop, kPaneWidth, paneHeight);
    outputCaption_->move(rightPane, kCaptionTop);
    const int optionLeft = CentredLeft(w, kOptionCentre, kOptionWidth);
    for (QCheckBox* c : options_) {
        c->move(optionLeft, c->y());
    }
    unique_->move(optionLeft, unique_->y());
    if (keyboard_) {
        keyboardLabel_->move(optionLeft, keyboardLabel_->y());
        keyboard_->move(optionLeft + kKeyboardComboLeft, keyboard_->y());
    }
    const int actionLeft = CentredLeft(w, kActionCentre, kActionWidth);
    action_->move(actionLeft, action_->y());
    if (secondAction_) {
        secondAction_->move(actionLeft, secondAction_->y());
    }
    const int row = h - kButtonRowGap;
    if (outputAction_) {
        outputAction_->move(actionLeft, row);
    }
    clearInput_->move(16, row);
    loadInput_->move(128, row);
    clearOutput_->move(w - (kDesignWidth - kClearOutputLeft), row);
    saveOutput_->move(w - (kDesignWidth - kSaveOutputLeft), row);
    // Labels keep their text's size on screen while the rest is in design pixels.
    const int statusLeft = title_->x() + ui_scale::DesignUnits(title_->width()) + kStatusGap;
    status_->setGeometry(statusLeft, 4, std::max(0, rightPane + kPaneWidth - statusLeft), 22);
    cancel_->setGeometry(action_->geometry());
    const QPushButton* lowest = secondAction_ ? secondAction_ : action_;
    progress_->setGeometry(actionLeft, lowest->y() + lowest->height() + kProgressGap, kActionWidth,
                           kProgressHeight);
}

}  // namespace varnolt
