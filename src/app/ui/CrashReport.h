#pragma once
// Crash reporting: whatever escapes an event handler ends up here. The user
// sees what happened, the report is appended to an error log in the user's
// data folder, and the user may send it by e-mail.
#include <QApplication>
#include <QString>
#include <functional>

#include "brand/BrandSettings.h"

namespace varnolt {

// Whom a report names and goes to. A reseller's copy names itself by its
// caption and sends the report to the reseller's support address: the
// mailto: address of the brand's Help link (AppHelpURL) when it is one;
// every other copy goes to the program's own address.
struct ReportBrand {
    QString caption = QStringLiteral("Varnolt");
    QString address;  // the program's own address unless the brand gives one
    QString Subject() const { return caption + QStringLiteral(" error report"); }
};
// `caption` is the main window's caption, `brand` the settings it shows.
ReportBrand MakeReportBrand(const QString& caption, const BrandSettings& brand);

class CrashReporter {
public:
    static CrashReporter& Instance();

    // Shows the error, logs it and offers to mail it. `message` is the text of
    // the error as the user should read it.
    void Report(const QString& message);

    // How the report reaches the user: return true to send it by e-mail. The
    // program shows a dialog; tests install a recorder.
    using Presenter = std::function<bool(const QString& message, const QString& details)>;
    void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }
    // Opens a mailto: link (the program hands it to the desktop).
    using Mailer = std::function<void(const QString& mailtoUrl)>;
    void SetMailer(Mailer mailer) { mailer_ = std::move(mailer); }
    // The brand of the copy that reports; the program's own until set.
    void SetBrand(ReportBrand brand) { brand_ = std::move(brand); }
    const ReportBrand& Brand() const { return brand_; }
    // The mailto: link that sends `details` as the current brand's report.
    QString MailtoUrl(const QString& details) const;
    // Folder of the error log; the user's data folder unless set.
    void SetLogFolder(const QString& folder) { logFolder_ = folder; }
    QString LogPath() const;

    QString LastMessage() const { return last_; }
    int Count() const { return count_; }

private:
    CrashReporter();
    QString BuildDetails(const QString& message) const;
    ReportBrand brand_ = MakeReportBrand(QStringLiteral("Varnolt"), BrandSettings());
    Presenter presenter_;
    Mailer mailer_;
    QString logFolder_;
    QString last_;
    int count_ = 0;
    bool reporting_ = false;
};

// The application object: sends whatever escapes an event to the crash
// reporting instead of ending the program.
class VarnoltApplication : public QApplication {
public:
    VarnoltApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace varnolt
