#include "brand/ui/FAbout.h"

#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QWindow>
#include <string>
#include <string_view>

#include "util/TextCodec.h"

namespace varnolt {

namespace {

constexpr int ClientWidth = 368;
constexpr int ClientHeight = 211;
// The outline the box draws around itself, caption and client area.
constexpr int Border = 1;

QString Display(std::string_view bytes) {
    return QString::fromStdString(DecodeForDisplay(bytes));
}

// The lines of a text whose lines end at CR LF, a lone CR or a lone LF; a
// final line end does not start another line.
QStringList LinesOf(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int top) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Brand texts are shown as written, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(10, top, ClientWidth - 20, 18);
    return label;
}

}  // namespace

TfrmAbout::TfrmAbout(const BrandSettings& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);

    panCaption = new QFrame(this);
    panCaption->setObjectName(QStringLiteral("panCaption"));
    panCaption->installEventFilter(this);
    lblCaption = new QLabel(panCaption);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setTextFormat(Qt::PlainText);
    lblCaption->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont captionFont = lblCaption->font();
    captionFont.setBold(true);
    lblCaption->setFont(captionFont);
    // Measured with the skin's font, which polishing applies.
    lblCaption->ensurePolished();
    const int captionHeight = QFontMetrics(lblCaption->font()).height() + 8;
    panCaption->setGeometry(Border, Border, ClientWidth, captionHeight);
    lblCaption->setGeometry(8, 0, ClientWidth - 16, captionHeight);

    panClient = new QWidget(this);
    panClient->setObjectName(QStringLiteral("panClient"));
    // One pixel of outline below the caption, then the client area.
    panClient->setGeometry(Border, Border + captionHeight + 1, ClientWidth, ClientHeight);
    setFixedSize(ClientWidth + 2 * Border, captionHeight + 1 + ClientHeight + 2 * Border);

    lblProductName = MakeLabel(panClient, "lblProductName", 8);
    QFont bold = lblProductName->font();
    bold.setBold(true);
    lblProductName->setFont(bold);
    lblProductVersion = MakeLabel(panClient, "lblProductVersion", 28);
    lblCopyright1 = MakeLabel(panClient, "lblCopyright1", 48);

    memAbout = new QPlainTextEdit(panClient);
    memAbout->setObjectName(QStringLiteral("memAbout"));
    memAbout->setGeometry(10, 72, 348, 71);
    memAbout->setReadOnly(true);
    memAbout->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memAbout->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memAbout->setFont(QFont(QStringLiteral("Arial")));
    QPalette palette = memAbout->palette();
    palette.setColor(QPalette::Text, Qt::black);
    memAbout->setPalette(palette);
    // The skin may colour text boxes; the about text stays black Arial.
    memAbout->setStyleSheet(QStringLiteral("color: #000000; font-family: Arial;"));

    editAbout = new QPushButton(QStringLiteral("Ok"), panClient);
    editAbout->setObjectName(QStringLiteral("editAbout"));
    editAbout->setDefault(true);
    const int buttonWidth = 75, buttonHeight = 25;
    editAbout->setGeometry((ClientWidth - buttonWidth) / 2, ClientHeight - buttonHeight - 14,
                           buttonWidth, buttonHeight);
    connect(editAbout, &QPushButton::clicked, this, &TfrmAbout::editAboutClick);
    editAbout->setFocus();

    FormCreate(settings);

    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TfrmAbout::FormCreate(const BrandSettings& settings) {
    const QString name = Display(settings.ApplicationName);
    setWindowTitle(QStringLiteral("About ") + name + QStringLiteral("..."));
    lblProductName->setText(name);
    lblProductVersion->setText(QStringLiteral("Product Version: ") +
                               QString::fromLatin1(AppVersion));
    lblCopyright1->setText(QStringLiteral("Copyright (c) ") + Display(settings.CopyrightYears) +
                           QStringLiteral(" ") + Display(settings.CopyrightCompany));
    memAbout->setPlainText(LinesOf(Display(settings.AboutText)).join(u'\n'));
}

void TfrmAbout::editAboutClick() {
    accept();
}

void TfrmAbout::ShowCaption() {
    const QFontMetrics metrics(lblCaption->font());
    lblCaption->setText(metrics.elidedText(windowTitle(), Qt::ElideRight, lblCaption->width()));
}

void TfrmAbout::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange)
        ShowCaption();
    QDialog::changeEvent(event);
}

// Dragging the caption moves the box: the window system moves it where it
// can (it then also keeps it on the screen), else the box follows the mouse.
bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched != panCaption)
        return QDialog::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse->button() != Qt::LeftButton)
                break;
            if (windowHandle() && windowHandle()->startSystemMove())
                return true;
            dragging = true;
            dragOffset = mouse->globalPosition().toPoint() - pos();
            return true;
        case QEvent::MouseMove:
            if (!dragging)
                break;
            move(mouse->globalPosition().toPoint() - dragOffset);
            return true;
        case QEvent::MouseButtonRelease:
            if (!dragging || mouse->button() != Qt::LeftButton)
                break;
            dragging = false;
            return true;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    // A skin that leaves the caption uncoloured still shows where it ends.
    const int below = panCaption->geometry().bottom() + 1;
    painter.drawLine(Border, below, width() - 1 - Border, below);
}

}  // namespace varnolt
