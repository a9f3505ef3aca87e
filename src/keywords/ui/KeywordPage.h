#pragma once
// One keyword page of the main window: the input pane on the left, the output
// pane on the right, a column of option check boxes with the action button in
// between, captions above and the Clear/Load/Save buttons below the panes.
// The page is built from a description and lays itself out when resized.
#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace varnolt {

class KeywordPane;

// A widget's object name and caption.
struct NamedCaption {
    QString name;
    QString caption;
};

// Everything that tells one keyword page from the other.
struct KeywordPageDesign {
    QString objectName;  // the page itself
    NamedCaption title;
    NamedCaption inputCaption;
    NamedCaption outputCaption;
    QString inputName;  // the pane and its scroll bar
    QString inputScrollBarName;
    QString outputName;
    QString outputScrollBarName;
    // The option check boxes, top to bottom.
    std::vector<NamedCaption> options;
    // The design tops of the first options. Options beyond them continue
    // below with the spacing of the last two.
    std::vector<int> optionTops;
    // The rows below the options, each a row of the column: the "Remove
    // duplicates" check box, then on a page that has one the keyboard choice
    // (its label and the combo box).
    NamedCaption unique;
    NamedCaption keyboardLabel;  // no name: the page has no keyboard choice
    QString keyboardName;
    NamedCaption action;
    int actionBelowLastOption = 0;  // from the last row's top to the button's
    // A second button below the action button; no name: none.
    NamedCaption secondAction;
    // A button in the middle of the row of buttons below the panes; no name: none.
    NamedCaption outputAction;
    QString clearInputName;
    QString loadInputName;
    QString clearOutputName;
    QString saveOutputName;
    // The status line in the title row: the pane counts, the last save, and
    // while a job runs its progress and the Cancel button.
    QString inputCountName;
    QString outputCountName;
    QString savedName;
    QString progressName;
    QString cancelName;
};

// `n` with a comma between groups of three digits: "1,664,495".
QString GroupedNumber(std::uint64_t n);
// "12,345 keywords", "1 keyword"; "1,664,495 lines", "1 line".
QString KeywordCountText(std::uint64_t n);
QString LineCountText(std::uint64_t n);

// The "Typo Generator" page: one option per row of TypoKindTable().
KeywordPageDesign TypoPageDesign();
// The "Ad Words" page: one option per row of MatchOptionTable().
KeywordPageDesign AdWordsPageDesign();

// The top of each of `count` options of `design`.
std::vector<int> OptionTops(const KeywordPageDesign& design, std::size_t count);

class KeywordPage : public QWidget {
    Q_OBJECT
public:
    // Design size of a page.
    static constexpr int kDesignWidth = 792;
    static constexpr int kDesignHeight = 468;

    explicit KeywordPage(const KeywordPageDesign& design, QWidget* parent = nullptr);

    KeywordPane* Input() const { return input_; }
    KeywordPane* Output() const { return output_; }
    // The option check boxes in the order of the description.
    const std::vector<QCheckBox*>& Options() const { return options_; }
    // The option with object name `name`, or null.
    QCheckBox* Option(const QString& name) const;
    QCheckBox* Unique() const { return unique_; }
    QComboBox* Keyboard() const { return keyboard_; }  // null without one
    QPushButton* Action() const { return action_; }
    QPushButton* SecondAction() const { return secondAction_; }  // null without one
    QPushButton* OutputAction() const { return outputAction_; }  // null without one
    QPushButton* ClearInput() const { return clearInput_; }
    QPushButton* LoadInput() const { return loadInput_; }
    QPushButton* ClearOutput() const { return clearOutput_; }
    QPushButton* SaveOutput() const { return saveOutput_; }

    // The status line.
    QLabel* InputCount() const { return inputCount_; }
    QLabel* OutputCount() const { return outputCount_; }
    QLabel* Saved() const { return saved_; }
    QProgressBar* Progress() const { return progress_; }
    QPushButton* CancelButton() const { return cancel_; }
    // Shows the progress, and Cancel in place of the action button, while a job runs.
    void ShowJob(bool running);
    // Thousandths done, or -1 while unknown (a busy bar).
    void SetProgress(int permille);
    // "Saved list.txt: 1,664,495 lines" (a long name shortened to the room
    // left); cleared when the output changes.
    void ShowSaved(const QString& fileName, std::uint64_t lines);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    void ShowSavedText();

    QLabel* outputCaption_ = nullptr;
    KeywordPane* input_ = nullptr;
    KeywordPane* output_ = nullptr;
    std::vector<QCheckBox*> options_;
    QCheckBox* unique_ = nullptr;
    QLabel* keyboardLabel_ = nullptr;
    QComboBox* keyboard_ = nullptr;
    QPushButton* action_ = nullptr;
    QPushButton* secondAction_ = nullptr;
    QPushButton* outputAction_ = nullptr;
    QPushButton* clearInput_ = nullptr;
    QPushButton* loadInput_ = nullptr;
    QPushButton* clearOutput_ = nullptr;
    QPushButton* saveOutput_ = nullptr;
    QLabel* title_ = nullptr;
    QWidget* status_ = nullptr;
    QLabel* inputCount_ = nullptr;
    QLabel* outputCount_ = nullptr;
    QLabel* saved_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QString savedFile_;
    std::uint64_t savedLines_ = 0;
};

}  // namespace varnolt
