#include "app/ui/BannerStrip.h"

#include <QImage>
#include <QImageReader>
#include <QMovie>
#include <QPixmap>
#include <QResizeEvent>
#include <cmath>

#include "app/ui/Labels.h"

namespace varnolt {

namespace {
constexpr int kDesignHeight = 65;
}  // namespace

BannerStrip::BannerStrip(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("panBanner"));
    setFixedHeight(kDesignHeight);
    imgBanner = new ClickLabel(this);
    imgBanner->setObjectName(QStringLiteral("imgBanner"));
    imgBanner->setGeometry(164, 2, 468, 60);
    imgBanner->setCursor(Qt::ArrowCursor);
    gifBanner = new ClickLabel(this);
    gifBanner->setObjectName(QStringLiteral("gifBanner"));
    gifBanner->setCursor(Qt::ArrowCursor);
}

void BannerStrip::SetClickable() {
    imgBanner->setCursor(Qt::PointingHandCursor);
    gifBanner->setCursor(Qt::PointingHandCursor);
}

bool BannerStrip::ShowPicture(const QString& path, const QByteArray& format) {
    if (format == "gif") {
        auto* movie = new QMovie(path, "gif", gifBanner);
        if (!movie->isValid() || !movie->jumpToFrame(0) || movie->currentImage().isNull()) {
            delete movie;
            return false;
        }
        delete movie_;
        movie_ = movie;
        gifBanner->show();
        imgBanner->hide();
        gifBanner->setMovie(movie);
        gifBanner->resize(movie->currentImage().size());
        // The banner plays in a loop, whatever loop count the file holds
        // (a GIF without one would play once).
        connect(movie, &QMovie::finished, movie, &QMovie::start);
        movie->start();
        setFixedHeight(gifBanner->height() + 10);
    } else {
        QImageReader reader(path, format == "jpeg" ? QByteArray("jpg") : format);
        QImage image = reader.read();
        if (image.isNull()) {
            return false;
        }
        gifBanner->hide();
        imgBanner->show();
        imgBanner->setPixmap(QPixmap::fromImage(image));
        imgBanner->resize(image.size());
        setFixedHeight(imgBanner->height() + 10);
    }
    CentreBanners();
    return true;
}

void BannerStrip::CentreBanners() {
    auto half = [](int v) { return static_cast<int>(std::floor(v / 2.0)); };
    const int pw = width();
    const int ph = height();
    imgBanner->move(half(pw) - half(imgBanner->width()), imgBanner->y());
    imgBanner->move(imgBanner->x(), half(ph) - half(imgBanner->height()));
    gifBanner->move(half(pw) - half(gifBanner->width()), gifBanner->y());
    gifBanner->move(gifBanner->x(), half(ph) - half(gifBanner->height()));
}

void BannerStrip::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    CentreBanners();
}

}  // namespace varnolt
