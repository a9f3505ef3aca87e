#include "keywords/ui/KeywordPane.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "keywords/ui/LineEditView.h"
#include "util/KeywordFile.h"

namespace varnolt {

std::string EditorText(const QPlainTextEdit& edit) {
    // The raw text keeps every character; blocks are separated by U+2029.
    QString raw = edit.document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    const QByteArray utf8 = raw.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

LinePane::LinePane(const QString& editName, const QString& scrollBarName, bool wrap,
                   QWidget* parent)
    : KeywordPane(parent), view_(new LineEditView(&text_, wrap, this)) {
    setObjectName(editName + QStringLiteral("Pane"));
    view_->setObjectName(editName);
    view_->VerticalBar()->setObjectName(scrollBarName);
    view_->HorizontalBar()->setObjectName(editName + QStringLiteral("HScroll"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);
    connect(view_, &LineEditView::edited, this, &LinePane::Changed);
    connect(view_, &LineEditView::fileDropped, this, &KeywordPane::fileDropped);
}

LinePane::~LinePane() = default;

void LinePane::Changed() {
    emit textChanged();
    const std::size_t count = text_.KeywordCount();
    if (count != lastCount_) {
        lastCount_ = count;
        emit linesChanged(static_cast<qint64>(count));
    }
}

std::string LinePane::Text() const {
    return text_.Text();
}

void LinePane::SetText(std::string_view text) {
    AdoptText(ToLf(text));
}

void LinePane::AdoptText(std::string&& text) {
    if (text.find('\r') != std::string::npos) {
        text = ToLf(text);
    }
    PaneText::Index starts = PaneText::IndexLines(text);
    SetLines(std::move(text), std::move(starts));
}

void LinePane::SetLines(std::string&& textWithLf, PaneText::Index&& starts,
                        const PaneText::Facts* facts) {
    text_.Adopt(std::move(textWithLf), std::move(starts), facts);
    view_->TextReset();
    Changed();
}

bool LinePane::IsEmpty() const {
    return text_.IsEmpty();
}

void LinePane::Clear() {
    text_.Clear(view_->Caret());
    view_->TextReset();
    Changed();
}

void LinePane::AppendLines(std::string_view lines) {
    if (lines.empty()) {
        return;
    }
    const bool wasEmpty = text_.IsEmpty();
    if (lines.find('\r') != std::string_view::npos) {
        text_.Append(ToLf(lines));
    } else {
        text_.Append(lines);
    }
    if (wasEmpty) {
        view_->TextReset();
    } else {
        view_->TextChangedByProgram();
    }
    Changed();
}

void LinePane::ScrollToTop() {
    QScrollBar* bar = view_->VerticalBar();
    bar->setValue(bar->minimum());
}

QScrollBar* LinePane::ScrollBar() const {
    return view_->VerticalBar();
}

QWidget* LinePane::Editor() const {
    return view_;
}

}  // namespace varnolt
