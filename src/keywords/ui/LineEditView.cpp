#include "keywords/ui/LineEditView.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTextLine>
#include <algorithm>

#include "keywords/ui/PaneAccessible.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

constexpr int kMargin = 4;
constexpr int kBarWidth = 19;
constexpr std::size_t kMaxCachedLayouts = 512;

// One line for display: a valid UTF-8 sequence is one character, any other
// byte shows as the Latin-1 character of its value.
QString Decode(std::string_view s) {
    QString out;
    out.reserve(static_cast<qsizetype>(s.size()));
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = Utf8SequenceLength(s, i);
        if (len == 0) {
            out.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(s[i]))));
            ++i;
            continue;
        }
        out.append(QString::fromUtf8(s.data() + i, static_cast<qsizetype>(len)));
        i += len;
    }
    return out;
}

}  // namespace

LineEditView::LineEditView(PaneText* text, bool wrap, QWidget* parent)
    : QPlainTextEdit(parent),
      text_(text),
      wrap_(wrap),
      vbar_(new QScrollBar(Qt::Vertical, this)),
      hbar_(new QScrollBar(Qt::Horizontal, this)) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    vbar_->setFixedWidth(kBarWidth);
    hbar_->hide();
    connect(vbar_, &QScrollBar::valueChanged, this, [this](int v) {
        top_ = v;
        viewport()->update();
    });
    connect(hbar_, &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    setViewportMargins(0, 0, kBarWidth, 0);
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&PaneAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
}

LineEditView::~LineEditView() = default;

int LineEditView::RowHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

int LineEditView::TextWidth() const {
    return std::max(20, viewport()->width() - 2 * kMargin);
}

void LineEditView::InvalidateLayouts() const {
    layouts_.clear();
}

QTextLayout* LineEditView::Layout(std::size_t line) const {
    if (layoutGeneration_ != text_->Generation() || layoutWidth_ != TextWidth() ||
        layouts_.size() > kMaxCachedLayouts) {
        layouts_.clear();
        layoutGeneration_ = text_->Generation();
        layoutWidth_ = TextWidth();
    }
    const bool withPreedit = !preedit_.isEmpty() && line == caret_.line;
    auto it = layouts_.find(line);
    if (it != layouts_.end() && !withPreedit) {
        return it->second.get();
    }
    auto layout = std::make_unique<QTextLayout>(Decode(text_->Line(line)), font());
    QTextOption option;
    option.setWrapMode(wrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    if (withPreedit) {
        layout->setPreeditArea(Unit(line, caret_.col), preedit_);
    }
    layout->beginLayout();
    int y = 0;
    for (QTextLine tl = layout->createLine(); tl.isValid(); tl = layout->createLine()) {
        tl.setLineWidth(wrap_ ? TextWidth() : 1e7);
        tl.setPosition(QPointF(0, y));
        y += RowHeight();
    }
    layout->endLayout();
    QTextLayout* raw = layout.get();
    layouts_[line] = std::move(layout);
    if (withPreedit) {
        layoutGeneration_ = ~std::uint64_t{0};  // drop it with the next change
    }
    return raw;
}

int LineEditView::Rows(std::size_t line) const {
    return wrap_ ? std::max(1, Layout(line)->lineCount()) : 1;
}

int LineEditView::Unit(std::size_t line, std::size_t col) const {
    const std::string_view l = text_->Line(line);
    return static_cast<int>(PaneText::Units(l.substr(0, std::min(col, l.size()))));
}

std::size_t LineEditView::ColAt(std::size_t line, int unit) const {
    return PaneText::ColOfUnit(text_->Line(line), static_cast<std::size_t>(std::max(0, unit)));
}

int LineEditView::VisibleRows() const {
    return std::max(1, viewport()->height() / RowHeight());
}

void LineEditView::PlaceScrollBars() {
    const QRect cr = contentsRect();
    const bool h = hbar_->isVisibleTo(this);
    const int hh = h ? hbar_->sizeHint().height() : 0;
    vbar_->setGeometry(cr.right() - kBarWidth + 1, cr.top(), kBarWidth, cr.height() - hh);
    hbar_->setGeometry(cr.left(), cr.bottom() - hh + 1, cr.width() - kBarWidth, hh);
}

void LineEditView::UpdateScrollBars() {
    const int lines = static_cast<int>(std::min<std::size_t>(text_->LineCount(), INT32_MAX));
    const int visible = VisibleRows();
    int maxTop = 0;
    if (!wrap_) {
        maxTop = std::max(0, lines - visible);
    } else {
        int rows = 0;
        int line = lines - 1;
        while (line >= 0 && rows + Rows(static_cast<std::size_t>(line)) <= visible) {
            rows += Rows(static_cast<std::size_t>(line));
            --line;
        }
        maxTop = std::max(0, line + 1);
    }
    vbar_->setPageStep(visible);
    vbar_->setSingleStep(1);
    vbar_->setRange(0, maxTop);
    if (!wrap_) {
        const int estimate =
            static_cast<int>(std::min<std::size_t>(text_->LongestLine(), 1 << 20)) *
            fontMetrics().averageCharWidth();
        const int width = std::max(estimate, widest_) + 2 * kMargin;
        const int max = std::max(0, width - viewport()->width());
        hbar_->setPageStep(viewport()->width());
        hbar_->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
        hbar_->setRange(0, max);
        const bool show = max > 0;
        if (show != hbar_->isVisibleTo(this) && !placing_) {
            placing_ = true;
            hbar_->setVisible(show);
            setViewportMargins(0, 0, kBarWidth, show ? hbar_->sizeHint().height() : 0);
            PlaceScrollBars();
            placing_ = false;
        }
    }
}

void LineEditView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    PlaceScrollBars();
    UpdateScrollBars();
}

void LineEditView::changeEvent(QEvent* e) {
    QPlainTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) {
        InvalidateLayouts();
        layoutWidth_ = -1;
        UpdateScrollBars();
        viewport()->update();
    }
}

void LineEditView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QPalette pal = palette();
    const int rowH = RowHeight();
    const int x0 = kMargin - (wrap_ ? 0 : hbar_->value());
    const TextPos s = SelectionStart();
    const TextPos e = SelectionEnd();
    const std::size_t n = text_->LineCount();
    int y = 0;
    for (std::size_t line = static_cast<std::size_t>(top_); line < n && y < viewport()->height();
         ++line) {
        QTextLayout* layout = Layout(line);
        QList<QTextLayout::FormatRange> selections;
        if (HasSelection() && line >= s.line && line <= e.line) {
            QTextLayout::FormatRange range;
            range.start = line == s.line ? Unit(line, s.col) : 0;
            const int end =
                line == e.line ? Unit(line, e.col) : static_cast<int>(layout->text().size());
            range.length = end - range.start;
            range.format.setBackground(pal.brush(QPalette::Highlight));
            range.format.setForeground(pal.brush(QPalette::HighlightedText));
            if (range.length > 0) {
                selections.append(range);
            }
            if (line < e.line) {  // the selected line break
                const qreal w = layout->lineAt(layout->lineCount() - 1).naturalTextWidth();
                const int rows = std::max(1, layout->lineCount());
                p.fillRect(
                    QRectF(x0 + w, y + (rows - 1) * rowH, fontMetrics().averageCharWidth(), rowH),
                    pal.brush(QPalette::Highlight));
            }
        }
        p.setPen(pal.color(QPalette::Text));
        layout->draw(&p, QPointF(x0, y), selections);
        widest_ = std::max(widest_, static_cast<int>(layout->maximumWidth()));
        if (line == caret_.line && hasFocus() && blinkOn_) {
            layout->drawCursor(&p, QPointF(x0, y), Unit(line, caret_.col) + preedit_.size(), 1);
        }
        y += Rows(line) * rowH;
    }
}

TextPos LineEditView::PosAt(QPoint point) const {
    const int rowH = RowHeight();
    const int x0 = kMargin - (wrap_ ? 0 : hbar_->value());
    const std::size_t n = text_->LineCount();
    std::size_t line = static_cast<std::size_t>(top_);
    int y = 0;
    if (point.y() < 0) {
        line = line > 0 ? line - 1 : 0;
        point.setY(0);
    } else {
        while (line + 1 < n && y + Rows(line) * rowH <= point.y()) {
            y += Rows(line) * rowH;
            ++line;
        }
    }
    QTextLayout* layout = Layout(line);
    const int row = std::clamp((point.y() - y) / rowH, 0, std::max(0, layout->lineCount() - 1));
    const QTextLine tl = layout->lineAt(row);
    const int unit = tl.isValid() ? tl.xToCursor(point.x() - x0) : 0;
    return TextPos{line, ColAt(line, unit)};
}

int LineEditView::CaretRow() const {
    QTextLayout* layout = Layout(caret_.line);
    const QTextLine tl = layout->lineForTextPosition(Unit(caret_.line, caret_.col));
    return tl.isValid() ? tl.lineNumber() : 0;
}

QRect LineEditView::CaretRect() const {
    const int rowH = RowHeight();
    const int x0 = kMargin - (wrap_ ? 0 : hbar_->value());
    int y = 0;
    if (caret_.line < static_cast<std::size_t>(top_)) {
        y = -rowH;
    } else {
        for (std::size_t l = static_cast<std::size_t>(top_);
             l < caret_.line && y < viewport()->height() + rowH; ++l) {
            y += Rows(l) * rowH;
        }
    }
    QTextLayout* layout = Layout(caret_.line);
    const int unit = Unit(caret_.line, caret_.col);
    const QTextLine tl = layout->lineForTextPosition(unit);
    const int x = tl.isValid() ? static_cast<int>(tl.cursorToX(unit)) : 0;
    return QRect(x0 + x, y + CaretRow() * rowH, 1, rowH);
}

void LineEditView::EnsureCaretVisible() {
    const int visible = VisibleRows();
    const int line = static_cast<int>(caret_.line);
    if (line < top_) {
        vbar_->setValue(line);
    } else {
        int rows = CaretRow() + 1;
        int top = line;
        while (top > top_ && rows + Rows(static_cast<std::size_t>(top - 1)) <= visible) {
            rows += Rows(static_cast<std::size_t>(top - 1));
            --top;
        }
        if (rows > visible || top > top_) {
            // The caret is below the screen: show it on the last row.
            int first = line;
            int r = CaretRow() + 1;
            while (first > 0 && r + Rows(static_cast<std::size_t>(first - 1)) <= visible) {
                r += Rows(static_cast<std::size_t>(--first));
            }
            if (first > top_) {
                vbar_->setMaximum(std::max(vbar_->maximum(), first));
                vbar_->setValue(first);
            }
        }
    }
    if (!wrap_) {
        const QRect c = CaretRect();
        const int x = c.x() + hbar_->value() - kMargin;
        if (x < hbar_->value()) {
            hbar_->setValue(std::max(0, x - viewport()->width() / 3));
        } else if (x > hbar_->value() + viewport()->width() - 2 * kMargin) {
            hbar_->setMaximum(std::max(hbar_->maximum(), x));
            hbar_->setValue(x - viewport()->width() + 3 * kMargin);
        }
    }
}

void LineEditView::RestartBlink() {
    blinkOn_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0 && hasFocus()) {
        blink_.start(flash / 2, this);
    } else {
        blink_.stop();
    }
}

void LineEditView::timerEvent(QTimerEvent* e) {
    if (e->timerId() == blink_.timerId()) {
        blinkOn_ = !blinkOn_;
        viewport()->update();
        return;
    }
    QPlainTextEdit::timerEvent(e);
}

void LineEditView::AfterCaretMove() {
    if (QAccessible::isActive()) {
        const int caret = static_cast<int>(text_->UnitOffset(caret_));
        QAccessibleTextCursorEvent moved(this, caret);
        QAccessible::updateAccessibility(&moved);
        QAccessibleTextSelectionEvent selected(
            this, static_cast<int>(text_->UnitOffset(SelectionStart())),
            static_cast<int>(text_->UnitOffset(SelectionEnd())));
        QAccessible::updateAccessibility(&selected);
    }
    EnsureCaretVisible();
    RestartBlink();
    viewport()->update();
    emit caretMoved();
}

void LineEditView::AfterEdit() {
    preferredX_ = -1;
    UpdateScrollBars();
    AfterCaretMove();
    emit edited();
}

void LineEditView::TextReset() {
    caret_ = anchor_ = TextPos{};
    top_ = 0;
    widest_ = 0;
    preedit_.clear();
    InvalidateLayouts();
    UpdateScrollBars();
    vbar_->setValue(0);
    hbar_->setValue(0);
    viewport()->update();
}

void LineEditView::TextChangedByProgram() {
    const TextPos end = text_->End();
    caret_ = std::min(caret_, end);
    anchor_ = std::min(anchor_, end);
    caret_.col = std::min(caret_.col, text_->Line(caret_.line).size());
    anchor_.col = std::min(anchor_.col, text_->Line(anchor_.line).size());
    InvalidateLayouts();
    UpdateScrollBars();
    viewport()->update();
}

std::string LineEditView::SelectedText() const {
    const TextPos s = SelectionStart();
    const TextPos e = SelectionEnd();
    std::string out;
    for (std::size_t line = s.line; line <= e.line; ++line) {
        std::string_view l = text_->Line(line);
        const std::size_t from = line == s.line ? std::min(s.col, l.size()) : 0;
        const std::size_t to = line == e.line ? std::min(e.col, l.size()) : l.size();
        out.append(l.substr(from, to - from));
        if (line < e.line) {
            out.push_back('\n');
        }
    }
    return out;
}

void LineEditView::SetCaret(TextPos pos, bool extend) {
    pos.line = std::min(pos.line, text_->LineCount() - 1);
    pos.col = std::min(pos.col, text_->Line(pos.line).size());
    caret_ = pos;
    if (!extend) {
        anchor_ = pos;
    }
    AfterCaretMove();
}

void LineEditView::SetSelection(TextPos anchor, TextPos caret) {
    SetCaret(anchor, false);
    SetCaret(caret, true);
}

void LineEditView::SelectAll() {
    anchor_ = TextPos{};
    caret_ = text_->End();
    AfterCaretMove();
}

void LineEditView::InsertText(std::string_view lfText, bool typing) {
    const TextPos end = text_->Replace(SelectionStart(), SelectionEnd(), lfText, typing);
    caret_ = anchor_ = end;
    AfterEdit();
}

void LineEditView::DeleteSelection() {
    if (HasSelection()) {
        InsertText({});
    }
}

void LineEditView::Copy() const {
    if (HasSelection()) {
        const std::string s = SelectedText();
        QApplication::clipboard()->setText(
            QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())));
    }
}

void LineEditView::Cut() {
    Copy();
    DeleteSelection();
}

std::string LineEditView::UserText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string s(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    PaneText::NormaliseBreaks(s);
    return s;
}

void LineEditView::Paste() {
    const QString t = QApplication::clipboard()->text();
    if (!t.isEmpty()) {
        InsertText(UserText(t));
    }
}

void LineEditView::Undo() {
    if (text_->CanUndo()) {
        caret_ = anchor_ = text_->Undo();
        SetCaret(caret_, false);
        AfterEdit();
    }
}

void LineEditView::Redo() {
    if (text_->CanRedo()) {
        caret_ = anchor_ = text_->Redo();
        SetCaret(caret_, false);
        AfterEdit();
    }
}

}  // namespace varnolt
