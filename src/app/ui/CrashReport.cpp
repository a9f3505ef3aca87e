#include "app/ui/CrashReport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTextStream>
#include <QUrl>
#include <QUrlQuery>
#include <exception>

#include "app/ui/WindowText.h"

namespace varnolt {

namespace {
const char* const kSupportAddress = "support@varnolt.example";

// The address of a mailto: link ("mailto:help@shop.example?subject=Hi"), or
// nothing when the link is not one to a single plausible address.
QString MailtoAddress(const QString& link) {
    const QString t = link.trimmed();
    if (!t.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive)) {
        return QString();
    }
    QString address = t.mid(7);
    address = address.left(address.indexOf(QLatin1Char('?')));
    address = QUrl::fromPercentEncoding(address.toUtf8()).trimmed();
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    if (at <= 0 || at != address.lastIndexOf(QLatin1Char('@')) || at == address.size() - 1 ||
        address.contains(QLatin1Char(',')) || address.contains(QLatin1Char(' '))) {
        return QString();
    }
    return address;
}
}  // namespace

ReportBrand MakeReportBrand(const QString& caption, const BrandSettings& brand) {
    ReportBrand r;
    if (!caption.trimmed().isEmpty()) {
        r.caption = caption;
    }
    r.address = MailtoAddress(window_text::Display(brand.AppHelpURL));
    if (r.address.isEmpty()) {
        r.address = QLatin1String(kSupportAddress);
    }
    return r;
}

QString CrashReporter::MailtoUrl(const QString& details) const {
    QUrl url(QStringLiteral("mailto:") + brand_.address);
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("subject"), brand_.Subject());
    q.addQueryItem(QStringLiteral("body"), details);
    url.setQuery(q);
    return url.toString(QUrl::FullyEncoded);
}

CrashReporter& CrashReporter::Instance() {
    static CrashReporter reporter;
    return reporter;
}

CrashReporter::CrashReporter() {
    presenter_ = [this](const QString& message, const QString& details) {
        QMessageBox box(QMessageBox::Critical, brand_.caption, message, QMessageBox::NoButton,
                        QApplication::activeWindow());
        box.setInformativeText(QStringLiteral(
            "The details were written to the error log. You can send them to us by e-mail."));
        box.setDetailedText(details);
        QPushButton* send =
            box.addButton(QStringLiteral("Send report..."), QMessageBox::ActionRole);
        box.addButton(QMessageBox::Close);
        box.setDefaultButton(QMessageBox::Close);
        box.exec();
        return box.clickedButton() == reinterpret_cast<QAbstractButton*>(send);
    };
}

QString CrashReporter::LogPath() const {
    QString folder = logFolder_;
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    }
    if (folder.isEmpty()) {
        folder = QDir::homePath() + QStringLiteral("/.local/share/varnolt");
    }
    return folder + QStringLiteral("/error.log");
}

QString CrashReporter::BuildDetails(const QString& message) const {
    QString d;
    QTextStream s(&d);
    s << "Time: " << QDateTime::currentDateTime().toString(Qt::ISODateWithMs) << '\n';
    s << "Program: ";
    if (brand_.caption != QLatin1String("Varnolt")) {
        s << brand_.caption << " (Varnolt " << AppVersion << ")\n";
    } else {
        s << "Varnolt " << AppVersion << '\n';
    }
    s << "System: " << QSysInfo::prettyProductName() << " (" << QSysInfo::currentCpuArchitecture()
      << ")\n";
    s << "Qt: " << qVersion() << '\n';
    s << "Error: " << message << '\n';
    return d;
}

void CrashReporter::Report(const QString& message) {
    ++count_;
    last_ = message;
    if (reporting_) {
        return;  // an error while showing an error: it is counted and logged only once
    }
    reporting_ = true;
    const QString details = BuildDetails(message);
    const QString path = LogPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile log(path);
    if (log.open(QIODevice::Append | QIODevice::Text)) {
        log.write(details.toUtf8());
        log.write("\n");
    }
    bool send = false;
    try {
        send = presenter_ ? presenter_(message, details) : false;
    } catch (...) {
        send = false;
    }
    if (send) {
        if (mailer_) {
            mailer_(MailtoUrl(details));
        }
    }
    reporting_ = false;
}

VarnoltApplication::VarnoltApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VarnoltApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        CrashReporter::Instance().Report(QString::fromUtf8(e.what()));
    } catch (...) {
        CrashReporter::Instance().Report(QStringLiteral("Unknown error"));
    }
    return false;
}

}  // namespace varnolt
