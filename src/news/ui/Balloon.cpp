#include "news/ui/Balloon.h"

#include <xcb/xcb.h>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
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

namespace {

// Whether windows with see-through parts are drawn as such: always on
// Wayland; on X11 only while a compositing manager runs. Without one, the
// balloon cuts its window to its own shape instead.
bool CompositorRuns() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return QGuiApplication::platformName() != QLatin1String("offscreen");
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) {
        return false;
    }
    const QByteArray name = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
    if (!atom) {
        return false;
    }
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    const bool runs = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return runs;
}

}  // namespace

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
    if (CompositorRuns()) {
        clearMask();
    } else {
        setMask(
            QRegion(Shape().toFillPolygon().toPolygon())
                .united(QRegion(Shape().translated(kShadow, kShadow).toFillPolygon().toPolygon())));
    }
    show();
}

QPainterPath Balloon::Shape() const {
    const QRectF body(0.5, kTail + 0.5, width() - kShadow - 1, height() - kTail - kShadow - 1);
    const QPointF tip = tipOffset() + QPointF(0.5, 0.5);
    QPainterPath shape;
    shape.addRoundedRect(body, kRadius, kRadius);
    QPainterPath tail;
    tail.moveTo(tip);
    tail.lineTo(tip.x() - 12, body.top() + 1);
    tail.lineTo(tip.x() + 2, body.top() + 1);
    tail.closeSubpath();
    return shape.united(tail);
}

void Balloon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Shape();

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
