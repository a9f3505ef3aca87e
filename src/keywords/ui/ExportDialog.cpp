#include "keywords/ui/ExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <string_view>

namespace varnolt {

namespace {

QString Utf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

ExportDialog::ExportDialog(const ExportOptions& values, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgExport"));
    setWindowTitle(QStringLiteral("Export"));
    auto* form = new QFormLayout;

    format_ = new QComboBox(this);
    format_->setObjectName(QStringLiteral("cboFormat"));
    format_->addItem(QStringLiteral("Google Ads Editor"));
    format_->addItem(QStringLiteral("Microsoft Advertising"));
    format_->setCurrentIndex(values.format == ExportFormat::MicrosoftAds ? 1 : 0);
    form->addRow(QStringLiteral("&Format:"), format_);

    campaign_ = new QLineEdit(Utf8(values.campaign), this);
    campaign_->setObjectName(QStringLiteral("edtCampaign"));
    form->addRow(QStringLiteral("&Campaign:"), campaign_);
    adGroup_ = new QLineEdit(Utf8(values.adGroup), this);
    adGroup_->setObjectName(QStringLiteral("edtAdGroup"));
    form->addRow(QStringLiteral("&Ad group:"), adGroup_);

    // The match types, positive ones in the left column, negatives in the right.
    auto* grid = new QGridLayout;
    const auto rows = ExportTypeTable();
    int positives = 0;
    for (const ExportTypeRow& row : rows) {
        positives += row.negative ? 0 : 1;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* c = new QCheckBox(Utf8(rows[i].googleType), this);
        c->setObjectName(QStringLiteral("chkExport") +
                         Utf8(rows[i].option).remove(QLatin1Char('-')));
        c->setChecked(i < values.types.size() && values.types[i]);
        const int at = static_cast<int>(i);
        grid->addWidget(c, rows[i].negative ? at - positives : at, rows[i].negative ? 1 : 0);
        types_.push_back(c);
    }
    form->addRow(QStringLiteral("Match types:"), grid);

    lowercase_ = new QCheckBox(QStringLiteral("Lowercase"), this);
    lowercase_->setObjectName(QStringLiteral("chkExportLowercase"));
    lowercase_->setChecked(values.lowercase);
    form->addRow(QString(), lowercase_);

    negativeLevel_ = new QComboBox(this);
    negativeLevel_->setObjectName(QStringLiteral("cboNegativeLevel"));
    negativeLevel_->addItem(QStringLiteral("Ad group"));
    negativeLevel_->addItem(QStringLiteral("Campaign"));
    negativeLevel_->setCurrentIndex(values.campaignNegatives ? 1 : 0);
    form->addRow(QStringLiteral("&Negatives for:"), negativeLevel_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnsExport"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(buttons);
}

ExportOptions ExportDialog::Values() const {
    ExportOptions o;
    o.format = format_->currentIndex() == 1 ? ExportFormat::MicrosoftAds : ExportFormat::GoogleAds;
    o.campaign = campaign_->text().toStdString();
    o.adGroup = adGroup_->text().toStdString();
    for (std::size_t i = 0; i < types_.size() && i < o.types.size(); ++i) {
        o.types[i] = types_[i]->isChecked();
    }
    o.lowercase = lowercase_->isChecked();
    o.campaignNegatives = negativeLevel_->currentIndex() == 1;
    return o;
}

}  // namespace varnolt
