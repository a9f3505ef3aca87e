#include "brand/ui/FAbout.h"

#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <string>
#include <string_view>

#include "util/TextCodec.h"

namespace varnolt {

namespace {

constexpr int ClientWidth = 368;
constexpr int ClientHeight = 211;

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
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);
    setWindowIcon(QIcon());

    lblProductName = MakeLabel(this, "lblProductName", 8);
    QFont bold = lblProductName->font();
    bold.setBold(true);
    lblProductName->setFont(bold);
    lblProductVersion = MakeLabel(this, "lblProductVersion", 28);
    lblCopyright1 = MakeLabel(this, "lblCopyright1", 48);

    memAbout = new QPlainTextEdit(this);
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

    editAbout = new QPushButton(QStringLiteral("Ok"), this);
    editAbout->setObjectName(QStringLiteral("editAbout"));
    editAbout->setDefault(true);
    const int buttonWidth = 75, buttonHeight = 25;
    editAbout->setGeometry((ClientWidth - buttonWidth) / 2, ClientHeight - buttonHeight - 14,
                           buttonWidth, buttonHeight);
    connect(editAbout, &QPushButton::clicked, this, &TfrmAbout::editAboutClick);

    FormCreate(settings);

    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(ClientWidth / 2, ClientHeight / 2));
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

}  // namespace varnolt
