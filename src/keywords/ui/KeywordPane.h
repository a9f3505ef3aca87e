#pragma once
// One keyword pane: a multi-line text box with its own vertical scroll bar.
// The keyword pages talk to a pane only through this interface, so the text
// widget behind it can be exchanged.
#include <QScrollBar>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "keywords/ui/PaneText.h"

class QPlainTextEdit;

namespace varnolt {

class LineEditView;

class KeywordPane : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The whole text as UTF-8, lines separated by '\n'.
    virtual std::string Text() const = 0;
    // Replaces the whole text; `text` is UTF-8 with '\n', CR LF or CR breaks.
    virtual void SetText(std::string_view text) = 0;
    virtual bool IsEmpty() const = 0;
    virtual void Clear() = 0;
    // Appends lines in one batch. `lines` holds every line followed by '\n'.
    virtual void AppendLines(std::string_view lines) = 0;
    virtual void ScrollToTop() = 0;
    virtual QScrollBar* ScrollBar() const = 0;
    // The text widget itself (for focus, fonts and tests).
    virtual QWidget* Editor() const = 0;

    // Takes a whole text (LF breaks; CR LF and CR are turned into LF) into the
    // pane's own storage without copying it.
    virtual void AdoptText(std::string&& text) = 0;
    // As AdoptText, with the line starts already made (PaneText::IndexLines),
    // for instance by a worker thread, and what it knows of the lines.
    virtual void SetLines(std::string&& textWithLf, PaneText::Index&& starts,
                          const PaneText::Facts* facts = nullptr) = 0;
    // The number of keywords: lines, without an empty last line.
    virtual std::size_t LineCount() const = 0;
    virtual std::string_view Line(std::size_t i) const = 0;
    // The whole text in order, in the pieces it is stored in (for Save).
    virtual void ForEachChunk(const std::function<void(std::string_view)>& sink) const = 0;

signals:
    // Every change of the text, by the user or by the program.
    void textChanged();
    // The number of keywords changed.
    void linesChanged(qint64 lines);
    // A file was dropped on the pane; the page loads it.
    void fileDropped(const QString& path);
};

// The whole text of a text editor as UTF-8 with '\n' breaks, every character
// kept as typed (toPlainText would turn a no-break space into a space).
std::string EditorText(const QPlainTextEdit& edit);

// The pane of all four boxes: any number of lines, edited in place.
class LinePane : public KeywordPane {
    Q_OBJECT
public:
    // `editName` names the editor, `scrollBarName` its vertical scroll bar;
    // `wrap` chooses whether long lines wrap on screen.
    LinePane(const QString& editName, const QString& scrollBarName, bool wrap,
             QWidget* parent = nullptr);
    ~LinePane() override;

    std::string Text() const override;
    void SetText(std::string_view text) override;
    bool IsEmpty() const override;
    // Undoable while the text is small (PaneText::kUndoableClearBytes); a
    // larger text gives its memory back at once.
    void Clear() override;
    void AppendLines(std::string_view lines) override;
    void ScrollToTop() override;
    QScrollBar* ScrollBar() const override;
    QWidget* Editor() const override;
    void AdoptText(std::string&& text) override;
    void SetLines(std::string&& textWithLf, PaneText::Index&& starts,
                  const PaneText::Facts* facts = nullptr) override;
    std::size_t LineCount() const override { return text_.KeywordCount(); }
    std::string_view Line(std::size_t i) const override { return text_.Line(i); }
    void ForEachChunk(const std::function<void(std::string_view)>& sink) const override {
        text_.ForEachChunk(sink);
    }

    LineEditView* View() const { return view_; }
    const PaneText& Model() const { return text_; }

private:
    void Changed();

    PaneText text_;
    LineEditView* view_;
    std::size_t lastCount_ = 0;
};

// The names the window builds its panes by: one pane, wrapping for input.
class PlainKeywordPane : public LinePane {
    Q_OBJECT
public:
    using LinePane::LinePane;
};

class FastKeywordPane : public LinePane {
    Q_OBJECT
public:
    FastKeywordPane(const QString& editName, const QString& scrollBarName,
                    QWidget* parent = nullptr)
        : LinePane(editName, scrollBarName, false, parent) {}
};

}  // namespace varnolt
