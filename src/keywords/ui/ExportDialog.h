#pragma once
// The export dialog of the Ad Words page: the format, the campaign, the ad
// group, the match types and the level of negatives of an upload file.
#include <QDialog>
#include <vector>

#include "keywords/Export.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace varnolt {

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // Shows `values` (the choices of the last export of the session).
    explicit ExportDialog(const ExportOptions& values, QWidget* parent = nullptr);

    // The choices as the dialog shows them now.
    ExportOptions Values() const;

    QComboBox* Format() const { return format_; }
    QLineEdit* Campaign() const { return campaign_; }
    QLineEdit* AdGroup() const { return adGroup_; }
    // One check box per row of ExportTypeTable(), in table order.
    const std::vector<QCheckBox*>& Types() const { return types_; }
    QCheckBox* Lowercase() const { return lowercase_; }
    // "Ad group" (index 0) or "Campaign" (index 1).
    QComboBox* NegativeLevel() const { return negativeLevel_; }

private:
    QComboBox* format_ = nullptr;
    QLineEdit* campaign_ = nullptr;
    QLineEdit* adGroup_ = nullptr;
    std::vector<QCheckBox*> types_;
    QCheckBox* lowercase_ = nullptr;
    QComboBox* negativeLevel_ = nullptr;
};

}  // namespace varnolt
