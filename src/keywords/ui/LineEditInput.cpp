// What the keyboard, the mouse, the input method and drag and drop do in the
// pane's editor.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextLine>
#include <QUrl>
#include <QWheelEvent>

#include "keywords/ui/LineEditView.h"

namespace varnolt {

namespace {

bool IsRedo(QKeyEvent* e) {
    const auto mods = e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    return e->matches(QKeySequence::Redo) ||
           (e->key() == Qt::Key_Y && mods == Qt::ControlModifier) ||
           (e->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier));
}

// Keys the editor handles itself, ahead of any shortcut of the window.
bool IsEditorKey(QKeyEvent* e) {
    static const QKeySequence::StandardKey kKeys[] = {QKeySequence::Undo,
                                                      QKeySequence::Cut,
                                                      QKeySequence::Copy,
                                                      QKeySequence::Paste,
                                                      QKeySequence::Delete,
                                                      QKeySequence::SelectAll,
                                                      QKeySequence::MoveToStartOfDocument,
                                                      QKeySequence::MoveToEndOfDocument};
    for (auto k : kKeys) {
        if (e->matches(k)) {
            return true;
        }
    }
    if (IsRedo(e)) {
        return true;
    }
    switch (e->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Ctrl+Return belongs to the window (Generate or Format).
            return !(e->modifiers() & Qt::ControlModifier);
        default:
            break;
    }
    const QString t = e->text();
    // Alt+letter is a mnemonic of the window, not a character.
    return !t.isEmpty() && t.at(0).isPrint() &&
           !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier));
}

}  // namespace

bool LineEditView::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (IsEditorKey(k)) {
            k->accept();
            return true;
        }
        k->ignore();
        return false;
    }
    return QPlainTextEdit::event(e);
}

bool LineEditView::focusNextPrevChild(bool next) {
    // Tab moves the focus on; it is never typed into the pane.
    return QWidget::focusNextPrevChild(next);
}

TextPos LineEditView::MoveByChar(TextPos from, bool forward, bool words) const {
    QTextLayout* layout = Layout(from.line);
    const int unit = Unit(from.line, from.col);
    const auto mode = words ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
    if (forward) {
        if (from.col >= text_->Line(from.line).size()) {
            return from.line + 1 < text_->LineCount() ? TextPos{from.line + 1, 0} : from;
        }
        return TextPos{from.line, ColAt(from.line, layout->nextCursorPosition(unit, mode))};
    }
    if (from.col == 0) {
        return from.line > 0 ? TextPos{from.line - 1, text_->Line(from.line - 1).size()} : from;
    }
    return TextPos{from.line, ColAt(from.line, layout->previousCursorPosition(unit, mode))};
}

TextPos LineEditView::MoveByRow(TextPos from, int rows) const {
    QTextLayout* layout = Layout(from.line);
    const int unit = Unit(from.line, from.col);
    QTextLine tl = layout->lineForTextPosition(unit);
    int row = tl.isValid() ? tl.lineNumber() : 0;
    const int x = preferredX_ >= 0 ? preferredX_ : (tl.isValid() ? int(tl.cursorToX(unit)) : 0);
    std::size_t line = from.line;
    const std::size_t n = text_->LineCount();
    while (rows > 0) {
        if (row + 1 < Rows(line)) {
            ++row;
        } else if (line + 1 < n) {
            ++line;
            row = 0;
        } else {
            return TextPos{line, text_->Line(line).size()};
        }
        --rows;
    }
    while (rows < 0) {
        if (row > 0) {
            --row;
        } else if (line > 0) {
            --line;
            row = Rows(line) - 1;
        } else {
            return TextPos{0, 0};
        }
        ++rows;
    }
    const QTextLine target = Layout(line)->lineAt(row);
    return TextPos{line, ColAt(line, target.isValid() ? target.xToCursor(x) : 0)};
}

TextPos LineEditView::RowEdge(TextPos from, bool end) const {
    QTextLayout* layout = Layout(from.line);
    const QTextLine tl = layout->lineForTextPosition(Unit(from.line, from.col));
    if (!tl.isValid()) {
        return TextPos{from.line, end ? text_->Line(from.line).size() : 0};
    }
    int unit = end ? tl.textStart() + tl.textLength() : tl.textStart();
    // A wrapped row ends before the space it broke at.
    if (end && tl.lineNumber() + 1 < layout->lineCount() && unit > tl.textStart()) {
        --unit;
    }
    return TextPos{from.line, ColAt(from.line, unit)};
}

bool LineEditView::HandleEditKey(QKeyEvent* e) {
    if (e->matches(QKeySequence::Undo)) {
        Undo();
    } else if (IsRedo(e)) {
        Redo();
    } else if (e->matches(QKeySequence::Cut)) {
        Cut();
    } else if (e->matches(QKeySequence::Copy)) {
        Copy();
    } else if (e->matches(QKeySequence::Paste)) {
        Paste();
    } else if (e->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete) {
        if (!HasSelection()) {
            const bool words = e->modifiers() & Qt::ControlModifier;
            anchor_ = MoveByChar(caret_, e->key() == Qt::Key_Delete, words);
        }
        DeleteSelection();
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        // Shift+Enter as well: one stored line is one keyword.
        InsertText("\n");
    } else {
        return false;
    }
    return true;
}

void LineEditView::keyPressEvent(QKeyEvent* e) {
    if (HandleEditKey(e)) {
        e->accept();
        return;
    }
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    TextPos to = caret_;
    bool vertical = false;
    switch (e->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const bool forward = e->key() == Qt::Key_Right;
            if (HasSelection() && !shift && !ctrl) {
                to = forward ? SelectionEnd() : SelectionStart();
            } else {
                to = MoveByChar(caret_, forward, ctrl);
            }
            break;
        }
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            const int step = e->key() == Qt::Key_Up || e->key() == Qt::Key_Down ? 1 : VisibleRows();
            const bool down = e->key() == Qt::Key_Down || e->key() == Qt::Key_PageDown;
            if (preferredX_ < 0) {
                QTextLayout* layout = Layout(caret_.line);
                const int unit = Unit(caret_.line, caret_.col);
                const QTextLine tl = layout->lineForTextPosition(unit);
                preferredX_ = tl.isValid() ? int(tl.cursorToX(unit)) : 0;
            }
            to = MoveByRow(caret_, down ? step : -step);
            if (step > 1) {
                vbar_->setValue(vbar_->value() + (down ? step : -step));
            }
            vertical = true;
            break;
        }
        case Qt::Key_Home:
            to = ctrl ? TextPos{} : RowEdge(caret_, false);
            break;
        case Qt::Key_End:
            to = ctrl ? text_->End() : RowEdge(caret_, true);
            break;
        default: {
            const QString t = e->text();
            if (!t.isEmpty() && t.at(0).isPrint() &&
                !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
                InsertText(UserText(t), true);
                e->accept();
                return;
            }
            e->ignore();  // Tab, Esc and shortcuts go on to the window
            return;
        }
    }
    const int keep = preferredX_;
    SetCaret(to, shift);
    preferredX_ = vertical ? keep : -1;
    e->accept();
}

void LineEditView::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        SetCaret(PosAt(e->position().toPoint()), false);
        InsertText(UserText(QApplication::clipboard()->text(QClipboard::Selection)));
        return;
    }
    if (e->button() != Qt::LeftButton) {
        return;
    }
    setFocus(Qt::MouseFocusReason);
    preferredX_ = -1;
    SetCaret(PosAt(e->position().toPoint()), e->modifiers() & Qt::ShiftModifier);
    dragging_ = true;
}

void LineEditView::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_ || !(e->buttons() & Qt::LeftButton)) {
        return;
    }
    QPoint p = e->position().toPoint();
    if (p.y() >= viewport()->height()) {
        vbar_->setValue(vbar_->value() + 1);
        p.setY(viewport()->height() - 1);
    }
    SetCaret(PosAt(p), true);
}

void LineEditView::mouseReleaseEvent(QMouseEvent* e) {
    dragging_ = false;
    if (e->button() == Qt::LeftButton && HasSelection() &&
        QApplication::clipboard()->supportsSelection()) {
        const std::string s = SelectedText();
        QApplication::clipboard()->setText(
            QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())), QClipboard::Selection);
    }
}

void LineEditView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        return;
    }
    // Selects the word under the mouse.
    const TextPos at = PosAt(e->position().toPoint());
    QTextLayout* layout = Layout(at.line);
    const int unit = Unit(at.line, at.col);
    const int from = layout->previousCursorPosition(unit + 1, QTextLayout::SkipWords);
    const int to = layout->nextCursorPosition(from, QTextLayout::SkipWords);
    SetSelection(TextPos{at.line, ColAt(at.line, from)}, TextPos{at.line, ColAt(at.line, to)});
}

void LineEditView::wheelEvent(QWheelEvent* e) {
    const QPoint steps = e->angleDelta() / 40;  // three lines a notch
    if (!wrap_ && (e->modifiers() & Qt::ShiftModifier || steps.x() != 0)) {
        const int dx = steps.x() != 0 ? steps.x() : steps.y();
        hbar_->setValue(hbar_->value() - dx * hbar_->singleStep());
    } else {
        vbar_->setValue(vbar_->value() - steps.y());
    }
    e->accept();
}

void LineEditView::inputMethodEvent(QInputMethodEvent* e) {
    if (e->replacementLength() > 0 && !HasSelection()) {
        const int unit = Unit(caret_.line, caret_.col) + e->replacementStart();
        anchor_ = TextPos{caret_.line, ColAt(caret_.line, unit)};
        caret_ = TextPos{caret_.line, ColAt(caret_.line, unit + e->replacementLength())};
    }
    if (!e->commitString().isEmpty()) {
        InsertText(UserText(e->commitString()), true);
    }
    preedit_ = e->preeditString();
    if (!preedit_.isEmpty() && HasSelection()) {
        DeleteSelection();
    }
    InvalidateLayouts();
    viewport()->update();
    e->accept();
}

QVariant LineEditView::inputMethodQuery(Qt::InputMethodQuery query) const {
    const std::string_view line = text_->Line(caret_.line);
    switch (query) {
        case Qt::ImEnabled:
            return true;
        case Qt::ImCursorRectangle:
            return CaretRect().translated(viewport()->pos());
        case Qt::ImFont:
            return font();
        case Qt::ImCursorPosition:
            return Unit(caret_.line, caret_.col);
        case Qt::ImAnchorPosition:
            return anchor_.line == caret_.line ? Unit(anchor_.line, anchor_.col)
                                               : Unit(caret_.line, caret_.col);
        case Qt::ImSurroundingText:
            return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
        case Qt::ImCurrentSelection: {
            if (anchor_.line != caret_.line) {
                return QString();
            }
            const std::string s = SelectedText();
            return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
        }
        case Qt::ImHints:
            return static_cast<int>(Qt::ImhMultiLine);
        default:
            return QWidget::inputMethodQuery(query);
    }
}

void LineEditView::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    RestartBlink();
    update();
    viewport()->update();
}

void LineEditView::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    blink_.stop();
    update();
    viewport()->update();
}

void LineEditView::contextMenuEvent(QContextMenuEvent* e) {
    QMenu menu(this);
    QAction* undo = menu.addAction(QStringLiteral("&Undo"), this, &LineEditView::Undo);
    undo->setEnabled(text_->CanUndo());
    QAction* redo = menu.addAction(QStringLiteral("&Redo"), this, &LineEditView::Redo);
    redo->setEnabled(text_->CanRedo());
    menu.addSeparator();
    menu.addAction(QStringLiteral("Cu&t"), this, &LineEditView::Cut)->setEnabled(HasSelection());
    menu.addAction(QStringLiteral("&Copy"), this, &LineEditView::Copy)->setEnabled(HasSelection());
    menu.addAction(QStringLiteral("&Paste"), this, &LineEditView::Paste)
        ->setEnabled(!QApplication::clipboard()->text().isEmpty());
    menu.addAction(QStringLiteral("Delete"), this, &LineEditView::DeleteSelection)
        ->setEnabled(HasSelection());
    menu.addSeparator();
    menu.addAction(QStringLiteral("Select All"), this, &LineEditView::SelectAll);
    menu.exec(e->globalPos());
}

namespace {

// The local file a drop carries, if it carries one.
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

}  // namespace

void LineEditView::dragEnterEvent(QDragEnterEvent* e) {
    if (!DroppedFile(e->mimeData()).isEmpty() || e->mimeData()->hasText()) {
        e->acceptProposedAction();
    } else {
        e->ignore();
    }
}

void LineEditView::dragMoveEvent(QDragMoveEvent* e) {
    dragEnterEvent(reinterpret_cast<QDragEnterEvent*>(e));
}

void LineEditView::dropEvent(QDropEvent* e) {
    const QString file = DroppedFile(e->mimeData());
    if (!file.isEmpty()) {
        e->acceptProposedAction();
        emit fileDropped(file);  // the page loads it; its address is never typed
        return;
    }
    if (e->mimeData()->hasText()) {
        e->acceptProposedAction();
        SetCaret(PosAt(e->position().toPoint()), false);
        InsertText(UserText(e->mimeData()->text()));
        setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace varnolt
