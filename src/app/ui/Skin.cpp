#include "app/ui/Skin.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QPalette>
#include <QStyleFactory>

#include "common/ui/UiScale.h"

// Resources of a static library must be registered by hand.
static void InitSkinResources() {
    Q_INIT_RESOURCE(varnolt);
}

namespace varnolt {

QString Skin::BuiltIn() {
    InitSkinResources();
    QFile f(QStringLiteral(":/varnolt/skin.qss"));
    if (!f.open(QIODevice::ReadOnly)) {
        return QString();
    }
    // The sheet is written in the design's 9 pt; the type follows the desktop's.
    QString sheet = QString::fromUtf8(f.readAll());
    sheet.replace(QStringLiteral("font-size: 9pt;"),
                  QStringLiteral("font-size: %1pt;").arg(ui_scale::PointSize(), 0, 'g', 4));
    return sheet;
}

QPalette Skin::BuiltInPalette() {
    // Every role of every group is set, so nothing of a dark desktop theme
    // mixes into the light skin (check boxes, combo boxes, menus, dialogs).
    const QColor text(0x1f, 0x29, 0x33);
    const QColor window(0xee, 0xf1, 0xf5);
    const QColor base(0xff, 0xff, 0xff);
    const QColor button(0xe9, 0xed, 0xf2);
    const QColor highlight(0x3d, 0x6b, 0x99);
    const QColor grey(0x8a, 0x96, 0xa3);
    QPalette p;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = g == QPalette::Disabled;
        p.setColor(g, QPalette::WindowText, off ? grey : text);
        p.setColor(g, QPalette::Button, button);
        p.setColor(g, QPalette::Light, QColor(0xff, 0xff, 0xff));
        p.setColor(g, QPalette::Midlight, QColor(0xf4, 0xf6, 0xf9));
        p.setColor(g, QPalette::Dark, QColor(0x9f, 0xb0, 0xc3));
        p.setColor(g, QPalette::Mid, QColor(0xc5, 0xce, 0xda));
        p.setColor(g, QPalette::Text, off ? grey : text);
        p.setColor(g, QPalette::BrightText, QColor(0xff, 0xff, 0xff));
        p.setColor(g, QPalette::ButtonText, off ? grey : text);
        p.setColor(g, QPalette::Base, off ? window : base);
        p.setColor(g, QPalette::Window, window);
        p.setColor(g, QPalette::Shadow, QColor(0x5a, 0x66, 0x73));
        p.setColor(g, QPalette::Highlight, off ? QColor(0xb3, 0xc0, 0xce) : highlight);
        p.setColor(g, QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
        p.setColor(g, QPalette::Link, highlight);
        p.setColor(g, QPalette::LinkVisited, QColor(0x6a, 0x4c, 0x93));
        p.setColor(g, QPalette::AlternateBase, QColor(0xf7, 0xf9, 0xfb));
        p.setColor(g, QPalette::ToolTipBase, QColor(0xff, 0xfb, 0xe6));
        p.setColor(g, QPalette::ToolTipText, text);
        p.setColor(g, QPalette::PlaceholderText, grey);
    }
    return p;
}

void Skin::ApplyBuiltIn() {
    // The style sheet sets the type of every widget; the application font
    // keeps the desktop's size, the measure for the sheet and the layouts.
    ui_scale::SetDesktopPointSize(QApplication::font().pointSizeF());
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    QApplication::setPalette(BuiltInPalette());
    qApp->setStyleSheet(BuiltIn());
}

QString Skin::ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return QString();
    }
    // A skin file is small; anything claiming more than 16 MiB is damaged.
    const QByteArray packed = f.read(16 * 1024 * 1024 + 1);
    if (packed.size() < 4 || packed.size() > 16 * 1024 * 1024) {
        return QString();
    }
    const auto* p = reinterpret_cast<const unsigned char*>(packed.constData());
    const quint32 claimed =
        (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
    if (claimed > 64u * 1024 * 1024) {
        return QString();
    }
    const QByteArray sheet = qUncompress(packed);
    if (sheet.isNull() || sheet.isEmpty()) {
        return QString();
    }
    return QString::fromUtf8(sheet);
}

bool Skin::ApplyFile(const QString& path) {
    const QString sheet = ReadFile(path);
    if (sheet.isNull()) {
        return false;
    }
    qApp->setStyleSheet(sheet);
    return true;
}

}  // namespace varnolt
