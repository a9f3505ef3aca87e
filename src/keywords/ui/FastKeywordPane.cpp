#include "keywords/ui/FastKeywordPane.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStackedLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

#include "util/KeywordFile.h"

namespace varnolt {

namespace {

constexpr int kMargin = 4;

QString LineText(std::string_view line) {
    return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

// Keys that change the text hand the pane over to the editor.
bool IsEditKey(QKeyEvent* e) {
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) ||
        e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo)) {
        return true;
    }
    switch (e->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
            return true;
        default:
            break;
    }
    const QString t = e->text();
    if (t.isEmpty() || (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        return false;
    }
    return t.at(0).isPrint();
}

}  // namespace

// --- LineView -------------------------------------------------------------------

LineView::LineView(FastKeywordPane* pane, QScrollBar* horizontal)
    : QPlainTextEdit(pane),
      pane_(pane),
      vbar_(new QScrollBar(Qt::Vertical, this)),
      hbar_(horizontal) {
    vbar_->hide();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    connect(vbar_, &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    connect(hbar_, &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
}

void LineView::wheelEvent(QWheelEvent* e) {
    const QPoint steps = e->angleDelta() / 40;  // three lines a notch
    if (e->modifiers() & Qt::ShiftModifier || steps.x() != 0) {
        const int dx = steps.x() != 0 ? steps.x() : steps.y();
        hbar_->setValue(hbar_->value() - dx * hbar_->singleStep());
    } else {
        vbar_->setValue(vbar_->value() - steps.y());
    }
    e->accept();
}

void LineView::inputMethodEvent(QInputMethodEvent* e) {
    if (!e->commitString().isEmpty()) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, e->commitString());
        emit editRequested(&key, static_cast<long long>(cursor_));
    }
    e->accept();
}

int LineView::LineHeight() const {
    return fontMetrics().lineSpacing();
}

void LineView::Reset() {
    cursor_ = anchor_ = 0;
    hasSelection_ = false;
    UpdateScrollRanges();
    viewport()->update();
}

void LineView::UpdateScrollRanges() {
    const int lh = LineHeight();
    const int visible = std::max(1, viewport()->height() / lh);
    const long long lines = static_cast<long long>(pane_->LineCount());
    vbar_->setPageStep(visible);
    vbar_->setSingleStep(1);
    vbar_->setRange(0, static_cast<int>(std::max(0LL, lines - visible)));
    const int width =
        static_cast<int>(pane_->LongestLine()) * fontMetrics().averageCharWidth() + 2 * kMargin;
    hbar_->setPageStep(viewport()->width());
    hbar_->setSingleStep(fontMetrics().averageCharWidth() * 2);
    hbar_->setRange(0, std::max(0, width - viewport()->width()));
}

int LineView::FirstVisibleLine() const {
    return vbar_->value();
}

std::size_t LineView::SelectionFirst() const {
    return std::min(cursor_, anchor_);
}
std::size_t LineView::SelectionLast() const {
    return std::max(cursor_, anchor_);
}

void LineView::SelectAll() {
    if (pane_->LineCount() == 0) {
        return;
    }
    anchor_ = 0;
    cursor_ = pane_->LineCount() - 1;
    hasSelection_ = true;
    viewport()->update();
}

void LineView::CopySelection() const {
    if (!hasSelection_ || pane_->LineCount() == 0) {
        return;
    }
    std::string out;
    for (std::size_t i = SelectionFirst(); i <= SelectionLast() && i < pane_->LineCount(); ++i) {
        out.append(pane_->Line(i));
        out.push_back('\n');
    }
    QApplication::clipboard()->setText(LineText(out));
}

void LineView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int lh = LineHeight();
    const int ascent = fontMetrics().ascent();
    const std::size_t first = static_cast<std::size_t>(FirstVisibleLine());
    const std::size_t count = pane_->LineCount();
    const int x = kMargin - hbar_->value();
    const QPalette pal = palette();
    for (int row = 0; row * lh < viewport()->height(); ++row) {
        const std::size_t i = first + static_cast<std::size_t>(row);
        if (i >= count) {
            break;
        }
        const int y = row * lh;
        const bool selected = hasSelection_ && i >= SelectionFirst() && i <= SelectionLast();
        if (selected) {
            p.fillRect(QRect(0, y, viewport()->width(), lh), pal.color(QPalette::Highlight));
            p.setPen(pal.color(QPalette::HighlightedText));
        } else {
            p.setPen(pal.color(QPalette::Text));
        }
        p.drawText(x, y + ascent, LineText(pane_->Line(i)));
        if (hasFocus() && i == cursor_) {
            p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
            p.drawRect(QRect(0, y, viewport()->width() - 1, lh - 1));
        }
    }
}

void LineView::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    UpdateScrollRanges();
}

long long LineView::LineAt(int y) const {
    return FirstVisibleLine() + static_cast<long long>(y / LineHeight());
}

void LineView::EnsureVisible(std::size_t line) {
    const int first = FirstVisibleLine();
    const int page = vbar_->pageStep();
    const long long l = static_cast<long long>(line);
    if (l < first) {
        vbar_->setValue(static_cast<int>(l));
    } else if (l >= first + page) {
        vbar_->setValue(static_cast<int>(l - page + 1));
    }
}

void LineView::MoveCursor(long long line, bool extend) {
    const long long count = static_cast<long long>(pane_->LineCount());
    if (count == 0) {
        return;
    }
    line = std::clamp(line, 0LL, count - 1);
    cursor_ = static_cast<std::size_t>(line);
    if (!extend) {
        anchor_ = cursor_;
    }
    hasSelection_ = true;
    EnsureVisible(cursor_);
    viewport()->update();
}

void LineView::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    if (e->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    if (IsEditKey(e)) {
        emit editRequested(e, static_cast<long long>(cursor_));
        return;
    }
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const long long cur = static_cast<long long>(cursor_);
    const int page = vbar_->pageStep();
    switch (e->key()) {
        case Qt::Key_Up:
            MoveCursor(cur - 1, shift);
            return;
        case Qt::Key_Down:
            MoveCursor(cur + 1, shift);
            return;
        case Qt::Key_PageUp:
            MoveCursor(cur - page, shift);
            return;
        case Qt::Key_PageDown:
            MoveCursor(cur + page, shift);
            return;
        case Qt::Key_Home:
            if (e->modifiers() & Qt::ControlModifier) {
                MoveCursor(0, shift);
            } else {
                hbar_->setValue(0);
            }
            return;
        case Qt::Key_End:
            if (e->modifiers() & Qt::ControlModifier) {
                MoveCursor(static_cast<long long>(pane_->LineCount()) - 1, shift);
            }
            return;
        default:
            e->ignore();
    }
}

void LineView::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        setFocus();
        MoveCursor(LineAt(e->position().toPoint().y()), e->modifiers() & Qt::ShiftModifier);
    }
}

void LineView::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) {
        MoveCursor(LineAt(e->position().toPoint().y()), true);
    }
}

void LineView::mouseDoubleClickEvent(QMouseEvent* e) {
    emit editRequested(nullptr, LineAt(e->position().toPoint().y()));
}

void LineView::contextMenuEvent(QContextMenuEvent* e) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("Copy"));
    copy->setEnabled(hasSelection_);
    QAction* all = menu.addAction(QStringLiteral("Select All"));
    QAction* edit = menu.addAction(QStringLiteral("Edit"));
    QAction* chosen = menu.exec(e->globalPos());
    if (chosen == copy) {
        CopySelection();
    } else if (chosen == all) {
        SelectAll();
    } else if (chosen == edit) {
        emit editRequested(nullptr, static_cast<long long>(cursor_));
    }
}

// --- FastKeywordPane ------------------------------------------------------------

FastKeywordPane::FastKeywordPane(const QString& editName, const QString& scrollBarName,
                                 QWidget* parent)
    : KeywordPane(parent),
      scrollBar_(new QScrollBar(Qt::Vertical, this)),
      hScrollBar_(new QScrollBar(Qt::Horizontal, this)) {
    setObjectName(editName + QStringLiteral("Pane"));
    scrollBar_->setObjectName(scrollBarName);
    scrollBar_->setFixedWidth(19);
    inner_ = new QWidget(this);
    inner_->setObjectName(editName);
    stack_ = new QStackedLayout(inner_);
    stack_->setContentsMargins(0, 0, 0, 0);
    view_ = new LineView(this, hScrollBar_);
    view_->setObjectName(editName + QStringLiteral("View"));
    stack_->addWidget(view_);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(inner_, 0, 0);
    grid->addWidget(scrollBar_, 0, 1);
    grid->addWidget(hScrollBar_, 1, 0);
    connect(hScrollBar_, &QScrollBar::rangeChanged, this,
            [this](int, int max) { hScrollBar_->setVisible(!editing_ && max > 0); });

    QScrollBar* own = view_->VerticalBar();
    connect(own, &QScrollBar::rangeChanged, this, [this] { SyncScrollBar(); });
    connect(own, &QScrollBar::valueChanged, this, [this] { SyncScrollBar(); });
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int v) {
        QScrollBar* active = editing_ ? edit_->verticalScrollBar() : view_->VerticalBar();
        if (active->value() != v) {
            active->setValue(v);
        }
        if (!editing_) {
            view_->viewport()->update();
        }
    });
    connect(view_, &LineView::editRequested, this, [this](QKeyEvent* replay, long long line) {
        BeginEditing();
        QTextBlock block =
            edit_->document()->findBlockByNumber(static_cast<int>(std::max(0LL, line)));
        if (block.isValid()) {
            QTextCursor c(block);
            edit_->setTextCursor(c);
        }
        edit_->setFocus();
        if (replay) {
            QKeyEvent copy(replay->type(), replay->key(), replay->modifiers(), replay->text(),
                           replay->isAutoRepeat(), static_cast<ushort>(replay->count()));
            QApplication::sendEvent(edit_, &copy);
        }
    });
    starts_.clear();
}

void FastKeywordPane::SyncScrollBar() {
    QScrollBar* active = editing_ ? edit_->verticalScrollBar() : view_->VerticalBar();
    const QSignalBlocker block(scrollBar_);
    scrollBar_->setRange(active->minimum(), active->maximum());
    scrollBar_->setPageStep(active->pageStep());
    scrollBar_->setSingleStep(active->singleStep());
    scrollBar_->setValue(active->value());
}

void FastKeywordPane::IndexFrom(std::size_t offset) {
    std::size_t lineStart = offset;
    const char* data = text_.data();
    const std::size_t n = text_.size();
    while (lineStart < n) {
        starts_.push_back(lineStart);
        const void* nl = std::memchr(data + lineStart, '\n', n - lineStart);
        const std::size_t end =
            nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - data) : n;
        longest_ = std::max(longest_, end - lineStart);
        lineStart = end + 1;
    }
}

std::size_t FastKeywordPane::LineCount() const {
    return starts_.size();
}

std::string_view FastKeywordPane::Line(std::size_t i) const {
    const std::size_t start = starts_[i];
    std::size_t end = i + 1 < starts_.size() ? starts_[i + 1] - 1 : text_.size();
    if (end > start && end == text_.size() && text_.back() == '\n') {
        --end;
    }
    return std::string_view(text_).substr(start, end - start);
}

void FastKeywordPane::ShowFast() {
    if (editing_) {
        editing_ = false;
        edit_->clear();
        stack_->setCurrentWidget(view_);
    }
    hScrollBar_->setVisible(hScrollBar_->maximum() > 0);
    view_->Reset();
    SyncScrollBar();
}

std::string FastKeywordPane::Text() const {
    if (!editing_) {
        return text_;
    }
    return EditorText(*edit_);
}

void FastKeywordPane::SetText(std::string_view text) {
    text_ = ToLf(text);
    starts_.clear();
    longest_ = 0;
    IndexFrom(0);
    ShowFast();
}

bool FastKeywordPane::IsEmpty() const {
    return editing_ ? edit_->document()->isEmpty() : text_.empty();
}

void FastKeywordPane::Clear() {
    SetText(std::string_view());
}

void FastKeywordPane::AppendLines(std::string_view lines) {
    if (editing_) {
        std::string all = Text();
        all.append(lines);
        SetText(all);
        return;
    }
    const std::size_t from = text_.size();
    text_.append(ToLf(lines));
    IndexFrom(from);
    ShowFast();
}

void FastKeywordPane::ScrollToTop() {
    scrollBar_->setValue(scrollBar_->minimum());
    QScrollBar* active = editing_ ? edit_->verticalScrollBar() : view_->VerticalBar();
    active->setValue(active->minimum());
}

QWidget* FastKeywordPane::Editor() const {
    return inner_;
}

void FastKeywordPane::BeginEditing() {
    if (editing_) {
        return;
    }
    if (!edit_) {
        edit_ = new QPlainTextEdit(inner_);
        edit_->setObjectName(inner_->objectName() + QStringLiteral("Edit"));
        edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        stack_->addWidget(edit_);
        QScrollBar* own = edit_->verticalScrollBar();
        connect(own, &QScrollBar::rangeChanged, this, [this] { SyncScrollBar(); });
        connect(own, &QScrollBar::valueChanged, this, [this] { SyncScrollBar(); });
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    edit_->setPlainText(LineText(text_));
    QApplication::restoreOverrideCursor();
    text_.clear();
    text_.shrink_to_fit();
    starts_.clear();
    starts_.shrink_to_fit();
    longest_ = 0;
    editing_ = true;
    hScrollBar_->hide();
    stack_->setCurrentWidget(edit_);
    SyncScrollBar();
}

}  // namespace varnolt
