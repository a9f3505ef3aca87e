#pragma once
// One keyword page of the main window: the input pane on the left, the output
// pane on the right, a column of option check boxes with the action button in
// between, captions above and the Clear/Load/Save buttons below the panes.
// The page is built from a description and lays itself out when resized.
#include <QString>
#include <QWidget>
#include <cstddef>
#include <vector>

class QCheckBox;
class QLabel;
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
    NamedCaption action;
    int actionBelowLastOption = 0;  // from the last option's top to the button's
    QString clearInputName;
    QString loadInputName;
    QString clearOutputName;
    QString saveOutputName;
};

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
    QPushButton* Action() const { return action_; }
    QPushButton* ClearInput() const { return clearInput_; }
    QPushButton* LoadInput() const { return loadInput_; }
    QPushButton* ClearOutput() const { return clearOutput_; }
    QPushButton* SaveOutput() const { return saveOutput_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();

    QLabel* outputCaption_ = nullptr;
    KeywordPane* input_ = nullptr;
    KeywordPane* output_ = nullptr;
    std::vector<QCheckBox*> options_;
    QPushButton* action_ = nullptr;
    QPushButton* clearInput_ = nullptr;
    QPushButton* loadInput_ = nullptr;
    QPushButton* clearOutput_ = nullptr;
    QPushButton* saveOutput_ = nullptr;
};

}  // namespace varnolt
