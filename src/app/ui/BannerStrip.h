#pragma once
// The banner strip of the main window: one still picture or one animated
// GIF, centred in the strip, that can be clicked.
#include <QByteArray>
#include <QFrame>
#include <QString>

class QMovie;

namespace varnolt {

class ClickLabel;

class BannerStrip : public QFrame {
    Q_OBJECT
public:
    explicit BannerStrip(QWidget* parent = nullptr);

    // A hand cursor over the pictures, for a banner that links somewhere.
    void SetClickable();
    // Shows the picture in `path`, read in `format` ("gif" animates), and fits
    // the strip's height to it; false when it cannot be read.
    bool ShowPicture(const QString& path, const QByteArray& format);
    // Centres both pictures; each half is taken by itself and rounded down.
    void CentreBanners();

    ClickLabel* imgBanner = nullptr;
    ClickLabel* gifBanner = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QMovie* movie_ = nullptr;
};

}  // namespace varnolt
