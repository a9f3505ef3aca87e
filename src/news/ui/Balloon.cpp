#include "news/ui/Balloon.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace varnolt {

namespace {
constexpr int kTipFromRight = 24;  // the tip's distance from the body's right edge
constexpr int kRadius = 6;
}  // namespace

Balloon::Balloon(QWidget* parent) : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
    setObjectName("LMDMessageHint1");
    setAttribute(Qt::WA_TranslucentBackground);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, kTail + 8, 10 + kShadow, 8 + kShadow);
    layout->setSpacing(4);
    lblHeading_ = new QLabel(this);
    lblHeading_->setObjectName("lblHeading");
    QFont bold = lblHeading_->font();
    bold.setBold(true);
    lblHeading_->setFont(bold);
    lblTitle_ = new QLabel(this);
    lblTitle_->setObjectName("lblTitle");
    lblTitle_->setWordWrap(true);
    for (QLabel* l : {lblHeading_, lblTitle_}) {
        l->setTextFormat(Qt::PlainText);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(l);
    }

    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    close();
            });
}

QPoint Balloon::tipOffset() const {
    return {width() - kShadow - kTipFromRight, 0};
}

void Balloon::ShowAt(const QPoint& screenAnchor, const QString& text) {
    close();  // one balloon at a time
    text_ = text;
    anchor_ = screenAnchor;

    QString heading = text;
    QString title;
    const int lineEnd = text.indexOf('\n');
    if (lineEnd >= 0) {
        heading = text.left(lineEnd);
        title = text.mid(lineEnd + 1);
        if (heading.endsWith('\r'))
            heading.chop(1);
    }
    lblHeading_->setText(heading);
    lblTitle_->setText(title);
    lblTitle_->setVisible(!title.isEmpty());
    adjustSize();
    resize(std::max(width(), 2 * kTipFromRight + 40), height());

    // Below and to the left of the anchor: the tail's tip touches it.
    QPoint topLeft = screenAnchor - tipOffset();
    if (QScreen* s = QGuiApplication::screenAt(screenAnchor)) {
        const QRect area = s->availableGeometry();
        topLeft.setX(std::max(topLeft.x(), area.left()));
    }
    move(topLeft);
    show();
}

void Balloon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, kTail + 0.5, width() - kShadow - 1, height() - kTail - kShadow - 1);
    const QPointF tip = tipOffset() + QPointF(0.5, 0.5);

    QPainterPath shape;
    shape.addRoundedRect(body, kRadius, kRadius);
    QPainterPath tail;
    tail.moveTo(tip);
    tail.lineTo(tip.x() - 12, body.top() + 1);
    tail.lineTo(tip.x() + 2, body.top() + 1);
    tail.closeSubpath();
    shape = shape.united(tail);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPath(shape.translated(kShadow, kShadow));

    p.setPen(palette().color(QPalette::ToolTipText));
    p.setBrush(palette().color(QPalette::ToolTipBase));
    p.drawPath(shape);
}

void Balloon::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

void Balloon::keyPressEvent(QKeyEvent* event) {
    event->accept();
    close();
}

bool Balloon::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && isVisible())
        close();
    return QWidget::event(event);
}

}  // namespace varnolt
