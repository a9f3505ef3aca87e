#include "keywords/ui/KeywordPane.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "util/KeywordFile.h"

namespace varnolt {

namespace {

// Qt keeps line breaks as '\n' only; a lone CR or CR LF from outside becomes one.
QString ToWidgetText(std::string_view text) {
    const std::string s = ToLf(text);
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

std::string EditorText(const QPlainTextEdit& edit) {
    // The raw text keeps every character; blocks are separated by U+2029.
    QString raw = edit.document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    const QByteArray utf8 = raw.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

PlainKeywordPane::PlainKeywordPane(const QString& editName, const QString& scrollBarName, bool wrap,
                                   QWidget* parent)
    : KeywordPane(parent),
      edit_(new QPlainTextEdit(this)),
      scrollBar_(new QScrollBar(Qt::Vertical)) {
    setObjectName(editName + QStringLiteral("Pane"));
    edit_->setObjectName(editName);
    scrollBar_->setObjectName(scrollBarName);
    edit_->setVerticalScrollBar(scrollBar_);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit_->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    edit_->setUndoRedoEnabled(true);
    edit_->setTabChangesFocus(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
}

std::string PlainKeywordPane::Text() const {
    return EditorText(*edit_);
}

void PlainKeywordPane::SetText(std::string_view text) {
    edit_->setPlainText(ToWidgetText(text));
}

bool PlainKeywordPane::IsEmpty() const {
    return edit_->document()->isEmpty();
}

void PlainKeywordPane::Clear() {
    edit_->clear();
}

void PlainKeywordPane::AppendLines(std::string_view lines) {
    if (lines.empty()) {
        return;
    }
    if (IsEmpty()) {
        edit_->setPlainText(ToWidgetText(lines));
        return;
    }
    // Keep "every line followed by a line break": add after the current text.
    QTextCursor cursor(edit_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(ToWidgetText(lines));
}

void PlainKeywordPane::ScrollToTop() {
    scrollBar_->setValue(scrollBar_->minimum());
}

QWidget* PlainKeywordPane::Editor() const {
    return edit_;
}

}  // namespace varnolt
