#include "app/ui/Skin.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

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
    return QString::fromUtf8(f.readAll());
}

void Skin::ApplyBuiltIn() {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
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
