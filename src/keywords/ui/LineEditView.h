#pragma once
// The editor of a keyword pane. To the skin and to the keyboard it is a text
// box (a QPlainTextEdit whose own document stays empty); it draws only the
// lines on screen from the pane's text, lays them out one at a time and edits
// the text in place, so a pane of millions of lines scrolls, types and undoes
// as quickly as a short one.
#include <QBasicTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextLayout>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "keywords/ui/PaneText.h"

namespace varnolt {

class LineEditView : public QPlainTextEdit {
    Q_OBJECT
public:
    LineEditView(PaneText* text, bool wrap, QWidget* parent);
    ~LineEditView() override;

    QScrollBar* VerticalBar() const { return vbar_; }
    QScrollBar* HorizontalBar() const { return hbar_; }
    PaneText& Model() const { return *text_; }

    TextPos Caret() const { return caret_; }
    TextPos Anchor() const { return anchor_; }
    bool HasSelection() const { return caret_ != anchor_; }
    TextPos SelectionStart() const { return std::min(caret_, anchor_); }
    TextPos SelectionEnd() const { return std::max(caret_, anchor_); }
    std::string SelectedText() const;
    void SetCaret(TextPos pos, bool extend);
    void SetSelection(TextPos anchor, TextPos caret);
    void SelectAll();

    // User edits: each acts at the caret and on the selection.
    void InsertText(std::string_view lfText, bool typing = false);
    void DeleteSelection();
    void Cut();
    void Copy() const;
    void Paste();
    void Undo();
    void Redo();
    // The text was replaced by the program: caret to the start, ranges anew.
    void TextReset();
    // The text grew or shrank by the program: keeps the caret where it can.
    void TextChangedByProgram();

    // Where a point of the viewport falls in the text.
    TextPos PosAt(QPoint point) const;
    // The caret in viewport coordinates.
    QRect CaretRect() const;
    int FirstVisibleLine() const { return top_; }
    int RowHeight() const;

    // User text (typed, pasted, dropped) with every kind of line break as LF.
    static std::string UserText(const QString& text);

signals:
    void edited();
    void caretMoved();
    void fileDropped(const QString& path);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    QTextLayout* Layout(std::size_t line) const;
    int Rows(std::size_t line) const;
    int TextWidth() const;
    int Unit(std::size_t line, std::size_t col) const;
    std::size_t ColAt(std::size_t line, int unit) const;
    void UpdateScrollBars();
    void PlaceScrollBars();
    void EnsureCaretVisible();
    void AfterCaretMove();
    void AfterEdit();
    int VisibleRows() const;
    int CaretRow() const;
    TextPos MoveByRow(TextPos from, int rows) const;
    TextPos MoveByChar(TextPos from, bool forward, bool words) const;
    TextPos RowEdge(TextPos from, bool end) const;
    void InvalidateLayouts() const;
    void RestartBlink();
    bool HandleEditKey(QKeyEvent* e);

    PaneText* text_;
    bool wrap_;
    QScrollBar* vbar_;
    QScrollBar* hbar_;
    TextPos caret_;
    TextPos anchor_;
    int top_ = 0;          // first line on screen
    int preferredX_ = -1;  // kept by Up, Down, PgUp and PgDn
    int widest_ = 0;       // widest line drawn so far
    bool dragging_ = false;
    bool blinkOn_ = true;
    bool placing_ = false;
    QString preedit_;
    QBasicTimer blink_;
    mutable std::unordered_map<std::size_t, std::unique_ptr<QTextLayout>> layouts_;
    mutable std::uint64_t layoutGeneration_ = ~std::uint64_t{0};
    mutable int layoutWidth_ = -1;
};

}  // namespace varnolt
