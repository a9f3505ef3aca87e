#include "keywords/ui/PaneAccessible.h"

#include <QAccessibleWidget>
#include <QTextBoundaryFinder>

#include "keywords/ui/LineEditView.h"

namespace varnolt {

namespace {

QString ToQString(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

class PaneAccessible : public QAccessibleWidget,
                       public QAccessibleTextInterface,
                       public QAccessibleEditableTextInterface {
public:
    explicit PaneAccessible(LineEditView* view)
        : QAccessibleWidget(view, QAccessible::EditableText), view_(view) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        if (t == QAccessible::EditableTextInterface) {
            return static_cast<QAccessibleEditableTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return ToQString(Model().Text());
        }
        return QAccessibleWidget::text(t);
    }

    // QAccessibleTextInterface
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index == 0 && view_->HasSelection()) {
            *start = Offset(view_->SelectionStart());
            *end = Offset(view_->SelectionEnd());
        }
    }
    int selectionCount() const override { return view_->HasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { view_->SetCaret(view_->Caret(), false); }
    void setSelection(int, int start, int end) override {
        view_->SetSelection(Pos(start), Pos(end));
    }
    int cursorPosition() const override { return Offset(view_->Caret()); }
    void setCursorPosition(int position) override { view_->SetCaret(Pos(position), false); }
    QString text(int start, int end) const override {
        const TextPos a = Pos(start);
        const TextPos b = Pos(end);
        QString out;
        for (std::size_t line = a.line; line <= b.line; ++line) {
            const std::string_view l = Model().Line(line);
            const std::size_t from = line == a.line ? a.col : 0;
            const std::size_t to = line == b.line ? b.col : l.size();
            out += ToQString(l.substr(from, to - from));
            if (line < b.line) {
                out += QLatin1Char('\n');
            }
        }
        return out;
    }
    int characterCount() const override { return static_cast<int>(Model().UnitCount()); }
    QRect characterRect(int offset) const override {
        // The caret's box stands for the character at the caret.
        (void)offset;
        const QRect r = view_->CaretRect();
        return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return Offset(view_->PosAt(view_->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int start, int) override { view_->SetCaret(Pos(start), false); }
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }
    // Lines are the unit assistive technology reads by; a whole text would
    // be millions of lines.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                         int* end) const override {
        const TextPos p = Pos(offset);
        const int lineStart = Offset(TextPos{p.line, 0});
        const QString line = ToQString(Model().Line(p.line));
        if (type == QAccessible::CharBoundary || type == QAccessible::WordBoundary) {
            QTextBoundaryFinder finder(type == QAccessible::CharBoundary
                                           ? QTextBoundaryFinder::Grapheme
                                           : QTextBoundaryFinder::Word,
                                       line);
            finder.setPosition(offset - lineStart);
            const int from =
                finder.isAtBoundary() ? finder.position() : finder.toPreviousBoundary();
            finder.setPosition(from);
            const int to = std::max(from, static_cast<int>(finder.toNextBoundary()));
            *start = lineStart + std::max(0, from);
            *end = lineStart + (to < 0 ? static_cast<int>(line.size()) : to);
            return line.mid(std::max(0, from), *end - *start);
        }
        *start = lineStart;
        *end = lineStart + static_cast<int>(line.size());
        return line;
    }

    // QAccessibleEditableTextInterface
    void deleteText(int start, int end) override {
        view_->SetSelection(Pos(start), Pos(end));
        view_->DeleteSelection();
    }
    void insertText(int offset, const QString& text) override {
        view_->SetCaret(Pos(offset), false);
        view_->InsertText(LineEditView::UserText(text));
    }
    void replaceText(int start, int end, const QString& text) override {
        view_->SetSelection(Pos(start), Pos(end));
        view_->InsertText(LineEditView::UserText(text));
    }

private:
    const PaneText& Model() const { return view_->Model(); }
    int Offset(TextPos p) const { return static_cast<int>(Model().UnitOffset(p)); }
    TextPos Pos(int offset) const {
        return Model().PosAtUnit(static_cast<std::size_t>(std::max(0, offset)));
    }

    LineEditView* view_;
};

}  // namespace

QAccessibleInterface* PaneAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(LineEditView::staticMetaObject.className())) {
        if (auto* view = qobject_cast<LineEditView*>(object)) {
            return new PaneAccessible(view);
        }
    }
    return nullptr;
}

}  // namespace varnolt
