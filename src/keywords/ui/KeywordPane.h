#pragma once
// One keyword pane: a multi-line text box with its own vertical scroll bar.
// The keyword pages talk to a pane only through this interface, so the text
// widget behind it can be exchanged.
#include <QScrollBar>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

class QPlainTextEdit;

namespace varnolt {

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
};

// The whole text of a text editor as UTF-8 with '\n' breaks, every character
// kept as typed (toPlainText would turn a no-break space into a space).
std::string EditorText(const QPlainTextEdit& edit);

// The pane on a QPlainTextEdit; `wrap` chooses whether long lines wrap.
class PlainKeywordPane : public KeywordPane {
    Q_OBJECT
public:
    PlainKeywordPane(const QString& editName, const QString& scrollBarName, bool wrap,
                     QWidget* parent = nullptr);

    std::string Text() const override;
    void SetText(std::string_view text) override;
    bool IsEmpty() const override;
    void Clear() override;
    void AppendLines(std::string_view lines) override;
    void ScrollToTop() override;
    QScrollBar* ScrollBar() const override { return scrollBar_; }
    QWidget* Editor() const override;

private:
    QPlainTextEdit* edit_;
    QScrollBar* scrollBar_;
};

}  // namespace varnolt
