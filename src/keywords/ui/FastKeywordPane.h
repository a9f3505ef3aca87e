#pragma once
// An output pane that takes hundreds of thousands of lines at once. The text
// is kept as one UTF-8 buffer with an index of line starts, and only the lines
// on screen are drawn. The user can scroll, select whole lines and copy them;
// the first edit (typing, pasting, deleting, a double click) hands the text to
// an ordinary text editor, which stays in charge until the next tool run.
#include <QPlainTextEdit>
#include <QScrollBar>
#include <cstddef>
#include <string>
#include <vector>

#include "keywords/ui/KeywordPane.h"

class QPlainTextEdit;
class QStackedLayout;

namespace varnolt {

class FastKeywordPane;

// The drawing surface of the fast pane. It is a text box to the skin, so it
// looks like every other one, but it draws the pane's lines itself and keeps
// its document empty.
class LineView : public QPlainTextEdit {
    Q_OBJECT
public:
    LineView(FastKeywordPane* pane, QScrollBar* horizontal);
    QScrollBar* VerticalBar() const { return vbar_; }
    QScrollBar* HorizontalBar() const { return hbar_; }
    void Reset();
    int FirstVisibleLine() const;
    std::size_t SelectionFirst() const;
    std::size_t SelectionLast() const;
    bool HasSelection() const { return hasSelection_; }
    void SelectAll();
    void CopySelection() const;

signals:
    void editRequested(QKeyEvent* replay, long long line);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void UpdateScrollRanges();
    long long LineAt(int y) const;
    void MoveCursor(long long line, bool extend);
    void EnsureVisible(std::size_t line);
    int LineHeight() const;

    FastKeywordPane* pane_;
    QScrollBar* vbar_;  // position in lines; mirrored by the pane's own bar
    QScrollBar* hbar_;  // shown below the view
    std::size_t cursor_ = 0;
    std::size_t anchor_ = 0;
    bool hasSelection_ = false;
};

class FastKeywordPane : public KeywordPane {
    Q_OBJECT
public:
    FastKeywordPane(const QString& editName, const QString& scrollBarName,
                    QWidget* parent = nullptr);

    std::string Text() const override;
    void SetText(std::string_view text) override;
    bool IsEmpty() const override;
    void Clear() override;
    void AppendLines(std::string_view lines) override;
    void ScrollToTop() override;
    QScrollBar* ScrollBar() const override { return scrollBar_; }
    QWidget* Editor() const override;

    // Lines held while the fast view is in charge.
    std::size_t LineCount() const;
    std::string_view Line(std::size_t i) const;
    std::size_t LongestLine() const { return longest_; }
    bool Editing() const { return editing_; }
    // Hands the text to the text editor (as the first edit does).
    void BeginEditing();

private:
    void IndexFrom(std::size_t offset);
    void ShowFast();
    void SyncScrollBar();

    std::string text_;
    std::vector<std::size_t> starts_;  // start of every line in text_
    std::size_t longest_ = 0;          // bytes of the longest line
    bool editing_ = false;
    LineView* view_;
    QPlainTextEdit* edit_ = nullptr;
    QStackedLayout* stack_;
    QScrollBar* scrollBar_;
    QScrollBar* hScrollBar_;
    QWidget* inner_;
    friend class LineView;
};

}  // namespace varnolt
