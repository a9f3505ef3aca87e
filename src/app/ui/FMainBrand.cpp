// The brand part of the main window: the reseller's settings, the banner and
// the brand buttons.
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QIcon>
#include <QPushButton>
#include <QToolButton>

#include "app/ui/FMain.h"
#include "app/ui/Skin.h"
#include "app/ui/WindowText.h"
#include "brand/BrandFile.h"
#include "brand/ui/FAbout.h"
#include "util/Browser.h"

namespace varnolt {

using window_text::Display;
using window_text::FromBytes;

void TfrmMain::LoadBrandSettings() {
    // Without a settings file beside the program the window keeps its design
    // state and WelcomeText stays empty.
    const std::uint32_t seed =
        ctx_.randomSeed ? ctx_.randomSeed()
                        : static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch());
    std::optional<BrandRead> read = LoadBrandFile(ctx_.appFolder, seed);
    if (!read) {
        return;
    }
    Brand = read->settings;
    WelcomeText = Display(Brand.WelcomeText);
    ApplyBrand(MakeMoneyCaption(*read));
}

void TfrmMain::ApplyBrand(const std::string& makeMoneyCaption) {
    // A brand without a name keeps the designed caption rather than " v2.0".
    if (!Brand.ApplicationName.empty()) {
        setWindowTitle(Display(Brand.ApplicationName) + QStringLiteral(" v") +
                       QString::fromLatin1(AppVersion));
    }
    btnNews->setVisible(NewsButtonRule(Brand));
    btnMakeMoney->setText(Display(makeMoneyCaption));
    ShowBanner();
    panLinks->setVisible(!Brand.Link1Caption.empty());
    lblLink1URL->setText(Display(Brand.Link1Caption));
    lblLink1URL->SetTarget(Display(Brand.Link1URL));
    lblLink2URL->setText(Display(Brand.Link2Caption));
    lblLink2URL->SetTarget(Display(Brand.Link2URL));
    panLinks->Layout();
    const QString skin = FromBytes(ctx_.appFolder + "mainskin.dat");
    if (QFileInfo::exists(skin)) {
        Skin::ApplyFile(skin);
    }
    const QString icon = FromBytes(ctx_.appFolder + "main.ico");
    if (QFileInfo::exists(icon)) {
        QIcon appIcon(icon);
        if (!appIcon.isNull()) {
            QApplication::setWindowIcon(appIcon);
            setWindowIcon(appIcon);
        }
    }
}

void TfrmMain::ShowBanner() {
    if (!Brand.BannerURL.empty()) {
        panBanner->SetClickable();
    }
    // The picture is read from "banner"N".dat" in the format its BannerFile
    // names; a missing, unknown or damaged picture hides the strip.
    std::optional<BannerPicture> banner = FindBannerPicture(ctx_.appFolder, Brand);
    if (!banner || !panBanner->ShowPicture(FromBytes(banner->path),
                                           QByteArray::fromStdString(banner->format))) {
        panBanner->hide();
    }
}

bool TfrmMain::OpenUrlInBrowser(const std::string& url) {
    const BrowserLaunch plan = PlanBrowserLaunch(ctx_.registry->HttpOpenCommand(), url);
    switch (plan.kind) {
        case BrowserLaunch::Kind::None:
            return false;
        case BrowserLaunch::Kind::Desktop:
            ctx_.shell->OpenDocument(FromBytes(url));
            return true;
        case BrowserLaunch::Kind::Program: {
            QStringList args;
            for (const std::string& a : plan.arguments) {
                args << FromBytes(a);
            }
            ctx_.shell->StartProgram(FromBytes(plan.program), args);
            return true;
        }
    }
    return false;
}

void TfrmMain::imgBannerClick() {
    if (!Brand.BannerURL.empty()) {
        OpenUrlInBrowser(Brand.BannerURL);
    }
}

void TfrmMain::gifBannerClick() {
    imgBannerClick();
}

void TfrmMain::btnMakeMoneyClick() {
    OpenUrlInBrowser(Brand.AffiliateURL);
}

void TfrmMain::btnHelpClick() {
    OpenUrlInBrowser(Brand.AppHelpURL);
}

void TfrmMain::btnAboutClick() {
    TfrmAbout box(Brand, this);
    box.exec();
}

}  // namespace varnolt
