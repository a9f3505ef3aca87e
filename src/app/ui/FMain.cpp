#include "app/ui/FMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/ui/CrashReport.h"
#include "app/ui/Skin.h"
#include "brand/BrandFile.h"
#include "brand/ui/FAbout.h"
#include "common/ui/HtmlView.h"
#include "keywords/Keywords.h"
#include "keywords/ui/FastKeywordPane.h"
#include "keywords/ui/KeywordPane.h"
#include "news/HttpClient.h"
#include "news/LiveUpdate.h"
#include "news/NewsMessages.h"
#include "news/NewsProtocol.h"
#include "news/ui/Balloon.h"
#include "news/ui/FNews.h"
#include "util/Browser.h"
#include "util/KeywordFile.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

// Design sizes of the window and its pages.
constexpr int kClientWidth = 796;
constexpr int kClientHeight = 656;
constexpr int kPageWidth = 792;
constexpr int kPageHeight = 468;
constexpr int kPaneTop = 53;
constexpr int kPaneWidth = 279;
constexpr int kPaneBottomGap = kPageHeight - (53 + 379);
constexpr int kOutputRightGap = kPageWidth - 495;
constexpr int kButtonRowGap = kPageHeight - 438;
constexpr int kOptionCentre = 409;
constexpr int kActionCentre = 390;
constexpr int kTopBarHeight = 43;
constexpr int kBannerHeight = 65;
constexpr int kLinksHeight = 36;

const char* const kFileFilter = "Text files(*.txt)|*.txt";

QString FromBytes(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Text from the settings file, for display.
QString Display(const std::string& bytes) {
    return FromBytes(DecodeForDisplay(bytes));
}

std::string ToBytes(const QString& s) {
    QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// The left edge that puts a control's centre at the same fraction of `width`
// as `designCentre` is of the design page width.
int CentredLeft(int width, int designCentre, int controlWidth) {
    double centre = static_cast<double>(designCentre) * width / kPageWidth;
    return static_cast<int>(std::lround(centre - controlWidth / 2.0));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int x, int y,
                        int w, int h) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, w, h);
    b->setAutoDefault(false);
    return b;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& caption, int y) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(334, y, 150, 23);
    c->setChecked(false);
    return c;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int x, int y,
                  bool bold = false) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    l->adjustSize();
    l->move(x, y);
    return l;
}

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& hint,
                            QStyle::StandardPixmap icon, int x) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAccessibleName(hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setIconSize(QSize(24, 24));
    b->setAutoRaise(true);
    b->setGeometry(x, 1, 41, 34);
    return b;
}

}  // namespace

// ---------------------------------------------------------------------------

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    SetHot(false);
}

void LinkLabel::SetHot(bool hot) {
    setStyleSheet(hot ? QStringLiteral("color: #1a56c8;") : QString());
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetHot(true);
}

void LinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetHot(false);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit linkClicked(target_);
    }
}

// ---------------------------------------------------------------------------

TfrmMain::TfrmMain(AppContext context, QWidget* parent)
    : QWidget(parent), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("frmMain"));
    IdHTTP1 = std::make_unique<HttpClient>();
    IdHTTP1->SetPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    BuildWindow();
    ConnectHandlers();
    RunHandler([this] { FormCreate(); });
}

TfrmMain::~TfrmMain() {
    if (IdHTTP1) {
        IdHTTP1->AbortAll();
    }
    FormDestroy();
}

void TfrmMain::BuildWindow() {
    setWindowTitle(QStringLiteral("Varnolt"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(kClientWidth, kClientHeight);
    // Narrower than the design, the option column would run into the panes.
    setMinimumSize(kClientWidth, 520);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    pgcPrinc = new QTabWidget(this);
    pgcPrinc->setObjectName(QStringLiteral("pgcPrinc"));
    pgcPrinc->setDocumentMode(true);
    outer->addWidget(pgcPrinc);

    // Welcome page: the HTML view above a bar with the "go on" button.
    stsWelcome = new QWidget;
    stsWelcome->setObjectName(QStringLiteral("stsWelcome"));
    auto* wl = new QVBoxLayout(stsWelcome);
    wl->setContentsMargins(0, 0, 0, 0);
    wl->setSpacing(0);
    prfWelcome = new HtmlView(FromBytes(ctx_.appFolder), stsWelcome);
    prfWelcome->setObjectName(QStringLiteral("prfWelcome"));
    prfWelcome->setReadOnly(true);
    prfWelcome->setOpenLinks(false);
    wl->addWidget(prfWelcome, 1);
    bsSkinPanel14 = new QFrame(stsWelcome);
    bsSkinPanel14->setObjectName(QStringLiteral("bsSkinPanel14"));
    bsSkinPanel14->setFixedHeight(39);
    wl->addWidget(bsSkinPanel14);
    bsSkinButton1 =
        new QPushButton(QStringLiteral("Thanks, just show me the main application"), bsSkinPanel14);
    bsSkinButton1->setObjectName(QStringLiteral("bsSkinButton1"));
    bsSkinButton1->setGeometry(256, 8, 265, 20);
    bsSkinButton1->setDefault(true);
    bsSkinPanel14->installEventFilter(this);
    pgcPrinc->addTab(stsWelcome, QStringLiteral("Welcome"));

    // Main page: top bar, banner strip, keyword pages, link bar.
    stsMain = new QWidget;
    stsMain->setObjectName(QStringLiteral("stsMain"));
    auto* ml = new QVBoxLayout(stsMain);
    ml->setContentsMargins(0, 0, 0, 0);
    ml->setSpacing(0);

    bsSkinPanel1 = new QFrame(stsMain);
    bsSkinPanel1->setObjectName(QStringLiteral("bsSkinPanel1"));
    bsSkinPanel1->setFrameShape(QFrame::NoFrame);
    bsSkinPanel1->setFixedHeight(kTopBarHeight);
    bsSkinPanel1->installEventFilter(this);
    ml->addWidget(bsSkinPanel1);
    btnMakeMoney =
        MakeButton(bsSkinPanel1, "btnMakeMoney", QStringLiteral("Make Money"), 8, 6, 125, 20);
    btnAbout = MakeButton(bsSkinPanel1, "btnAbout", QStringLiteral("About"), 140, 6, 125, 20);
    btnNews = MakeToolButton(bsSkinPanel1, "btnNews", QStringLiteral("Check News"),
                             QStyle::SP_MessageBoxInformation, 657);
    btnUpdate = MakeToolButton(bsSkinPanel1, "btnUpdate", QStringLiteral("Check Updates"),
                               QStyle::SP_BrowserReload, 700);
    btnHelp = MakeToolButton(bsSkinPanel1, "btnHelp", QStringLiteral("Help"),
                             QStyle::SP_DialogHelpButton, 743);

    panBanner = new QFrame(stsMain);
    panBanner->setObjectName(QStringLiteral("panBanner"));
    panBanner->setFixedHeight(kBannerHeight);
    panBanner->installEventFilter(this);
    ml->addWidget(panBanner);
    imgBanner = new ClickLabel(panBanner);
    imgBanner->setObjectName(QStringLiteral("imgBanner"));
    imgBanner->setGeometry(164, 2, 468, 60);
    imgBanner->setCursor(Qt::ArrowCursor);
    gifBanner = new ClickLabel(panBanner);
    gifBanner->setObjectName(QStringLiteral("gifBanner"));
    gifBanner->setCursor(Qt::ArrowCursor);

    pgcMain = new QTabWidget(stsMain);
    pgcMain->setObjectName(QStringLiteral("pgcMain"));
    ml->addWidget(pgcMain, 1);
    stsWelcomeActions = BuildKeywordPage(true);
    bsSkinTabSheet1 = BuildKeywordPage(false);
    pgcMain->addTab(stsWelcomeActions, QStringLiteral("Typo Generator"));
    pgcMain->addTab(bsSkinTabSheet1, QStringLiteral("Ad Words"));

    panLinks = new QFrame(stsMain);
    panLinks->setObjectName(QStringLiteral("panLinks"));
    panLinks->setFixedHeight(kLinksHeight);
    panLinks->installEventFilter(this);
    ml->addWidget(panLinks);
    lblLink1URL = new LinkLabel(panLinks);
    lblLink1URL->setObjectName(QStringLiteral("lblLink1URL"));
    lblLink1URL->setText(QStringLiteral("Search advertising tips"));
    lblLink1URL->SetTarget(QStringLiteral("https://www.varnolt.example/tips/"));
    lblLink1URL->adjustSize();
    lblLink1URL->move(13, 9);
    lblLink2URL = new LinkLabel(panLinks);
    lblLink2URL->setObjectName(QStringLiteral("lblLink2URL"));
    lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblLink2URL->setText(QStringLiteral("www.varnolt.example"));
    lblLink2URL->SetTarget(QStringLiteral("https://www.varnolt.example/"));
    pgcPrinc->addTab(stsMain, QStringLiteral("Main"));

    LMDMessageHint1 = new Balloon(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2000);

    bsSkinOpenDialog1.title = QStringLiteral("Open file");
    bsSkinOpenDialog1.filter = QString::fromLatin1(kFileFilter);
    bsSkinSaveDialog1.title = QStringLiteral("Save file");
    bsSkinSaveDialog1.filter = QString::fromLatin1(kFileFilter);
}

QWidget* TfrmMain::BuildKeywordPage(bool typoPage) {
    auto* page = new QWidget;
    page->setObjectName(typoPage ? QStringLiteral("stsWelcomeActions")
                                 : QStringLiteral("bsSkinTabSheet1"));
    page->installEventFilter(this);
    MakeLabel(page, typoPage ? "lblTitle" : "lblATitle",
              typoPage ? QStringLiteral("Generate Misspelled Keywords")
                       : QStringLiteral("Format AdWords"),
              14, 8, true);
    MakeLabel(page, typoPage ? "lblInput" : "lblAInput",
              QStringLiteral("Enter one word or phrase per line:"), 15, 30);
    MakeLabel(
        page, typoPage ? "lblOutput" : "lblAOutput",
        typoPage ? QStringLiteral("Misspelled Keywords:") : QStringLiteral("Formatted keywords:"),
        495, 30);

    auto* in = new PlainKeywordPane(
        typoPage ? QStringLiteral("memInput") : QStringLiteral("memAInput"),
        typoPage ? QStringLiteral("bsSkinScrollBar1") : QStringLiteral("bsSkinScrollBar2"), true,
        page);
    // Output panes take whole tool runs at once, so they draw only what is on screen.
    auto* out = new FastKeywordPane(
        typoPage ? QStringLiteral("memOutput") : QStringLiteral("memAOutput"),
        typoPage ? QStringLiteral("scbResults") : QStringLiteral("scbAResult"), page);
    in->setGeometry(16, kPaneTop, kPaneWidth, 379);
    out->setGeometry(495, kPaneTop, kPaneWidth, 379);

    if (typoPage) {
        memInput = in;
        memOutput = out;
        chkSkip = MakeCheck(page, "chkSkip", QStringLiteral("Skip letter"), 56);
        chkDouble = MakeCheck(page, "chkDouble", QStringLiteral("Double letters"), 84);
        chkReverse = MakeCheck(page, "chkReverse", QStringLiteral("Reverse letters"), 113);
        chkSpaces = MakeCheck(page, "chkSpaces", QStringLiteral("Skip spaces"), 142);
        chkMissed = MakeCheck(page, "chkMissed", QStringLiteral("Missed keys"), 171);
        chkInserted = MakeCheck(page, "chkInserted", QStringLiteral("Inserted keys"), 200);
        btnGenerate =
            MakeButton(page, "btnGenerate", QStringLiteral("Generate"), 328, 246, 125, 20);
        btnClearInput =
            MakeButton(page, "btnClearInput", QStringLiteral("Clear"), 16, 438, 105, 20);
        btnLoadInput = MakeButton(page, "btnLoadInput", QStringLiteral("Load"), 128, 438, 105, 20);
        btnClearOutput =
            MakeButton(page, "btnClearOutput", QStringLiteral("Clear"), 496, 438, 105, 20);
        btnSaveOutput =
            MakeButton(page, "btnSaveOutput", QStringLiteral("Save"), 608, 438, 105, 20);
    } else {
        memAInput = in;
        memAOutput = out;
        chkBroad = MakeCheck(page, "chkBroad", QStringLiteral("Broad"), 56);
        chkPhraseMatch = MakeCheck(page, "chkPhraseMatch", QStringLiteral("Phrase Match"), 84);
        chkExactMatch = MakeCheck(page, "chkExactMatch", QStringLiteral("Exact Match"), 113);
        chkLowercase = MakeCheck(page, "chkLowercase", QStringLiteral("Lowercase"), 142);
        chkMinusSign = MakeCheck(page, "chkMinusSign", QStringLiteral("Minus Sign"), 168);
        btnFormat = MakeButton(page, "btnFormat", QStringLiteral("Format"), 328, 206, 125, 20);
        btnClearAInput =
            MakeButton(page, "btnClearAInput", QStringLiteral("Clear"), 16, 438, 105, 20);
        btnLoadAInput =
            MakeButton(page, "btnLoadAInput", QStringLiteral("Load"), 128, 438, 105, 20);
        btnClearAOutput =
            MakeButton(page, "btnClearAOutput", QStringLiteral("Clear"), 496, 438, 105, 20);
        btnSaveAOutput =
            MakeButton(page, "btnSaveAOutput", QStringLiteral("Save"), 608, 438, 105, 20);
    }
    page->resize(kPageWidth, kPageHeight);
    return page;
}

void TfrmMain::LayoutKeywordPage(QWidget* page) {
    // Captions fit their text in whatever font the skin gives them.
    for (QLabel* label : page->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        label->adjustSize();
    }
    const int w = page->width();
    const int h = page->height();
    const bool typo = page == stsWelcomeActions;
    const int paneHeight = std::max(40, h - kPaneTop - kPaneBottomGap);
    const int rightPane = w - kOutputRightGap;
    (typo ? memInput : memAInput)->setGeometry(16, kPaneTop, kPaneWidth, paneHeight);
    (typo ? memOutput : memAOutput)->setGeometry(rightPane, kPaneTop, kPaneWidth, paneHeight);
    if (auto* l = page->findChild<QLabel*>(typo ? QStringLiteral("lblOutput")
                                                : QStringLiteral("lblAOutput"))) {
        l->move(rightPane, 30);
    }
    const int optionLeft = CentredLeft(w, kOptionCentre, 150);
    const QList<QCheckBox*> checks =
        typo ? QList<QCheckBox*>{chkSkip, chkDouble, chkReverse, chkSpaces, chkMissed, chkInserted}
             : QList<QCheckBox*>{chkBroad, chkPhraseMatch, chkExactMatch, chkLowercase,
                                 chkMinusSign};
    for (QCheckBox* c : checks) {
        c->move(optionLeft, c->y());
    }
    QPushButton* action = typo ? btnGenerate : btnFormat;
    action->move(CentredLeft(w, kActionCentre, 125), action->y());
    const int row = h - kButtonRowGap;
    (typo ? btnClearInput : btnClearAInput)->move(16, row);
    (typo ? btnLoadInput : btnLoadAInput)->move(128, row);
    (typo ? btnClearOutput : btnClearAOutput)->move(w - (kPageWidth - 496), row);
    (typo ? btnSaveOutput : btnSaveAOutput)->move(w - (kPageWidth - 608), row);
}

void TfrmMain::LayoutTopBar() {
    const int w = bsSkinPanel1->width();
    btnNews->move(w - (kClientWidth - 657), 1);
    btnUpdate->move(w - (kClientWidth - 700), 1);
    btnHelp->move(w - (kClientWidth - 743), 1);
}

void TfrmMain::LayoutLinks() {
    const int w = panLinks->width();
    lblLink1URL->adjustSize();
    lblLink1URL->move(13, 9);
    lblLink2URL->adjustSize();
    lblLink2URL->move(w - 13 - lblLink2URL->width(), 9);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == stsWelcomeActions || watched == bsSkinTabSheet1) {
            LayoutKeywordPage(static_cast<QWidget*>(watched));
        } else if (watched == bsSkinPanel1) {
            LayoutTopBar();
        } else if (watched == panLinks) {
            LayoutLinks();
        } else if (watched == panBanner) {
            CentreBanners();
        } else if (bsSkinPanel14 && watched == bsSkinPanel14) {
            bsSkinButton1->move((bsSkinPanel14->width() - bsSkinButton1->width()) / 2, 8);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::ConnectHandlers() {
    auto on = [this](QAbstractButton* b, void (TfrmMain::*handler)()) {
        connect(b, &QAbstractButton::clicked, this,
                [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    };
    on(bsSkinButton1, &TfrmMain::bsSkinButton1Click);
    on(btnMakeMoney, &TfrmMain::btnMakeMoneyClick);
    on(btnHelp, &TfrmMain::btnHelpClick);
    on(btnAbout, &TfrmMain::btnAboutClick);
    on(btnNews, &TfrmMain::btnNewsClick);
    on(btnUpdate, &TfrmMain::btnUpdateClick);
    connect(imgBanner, &ClickLabel::clicked, this,
            [this] { RunHandler([this] { imgBannerClick(); }); });
    connect(gifBanner, &ClickLabel::clicked, this,
            [this] { RunHandler([this] { gifBannerClick(); }); });
    on(btnGenerate, &TfrmMain::btnGenerateClick);
    on(btnFormat, &TfrmMain::btnFormatClick);
    on(btnClearInput, &TfrmMain::btnClearInputClick);
    on(btnLoadInput, &TfrmMain::btnLoadInputClick);
    on(btnClearOutput, &TfrmMain::btnClearOutputClick);
    on(btnSaveOutput, &TfrmMain::btnSaveOutputClick);
    on(btnClearAInput, &TfrmMain::btnClearAInputClick);
    on(btnLoadAInput, &TfrmMain::btnLoadAInputClick);
    on(btnClearAOutput, &TfrmMain::btnClearAOutputClick);
    on(btnSaveAOutput, &TfrmMain::btnSaveAOutputClick);
    connect(Timer1, &QTimer::timeout, this, [this] { RunHandler([this] { Timer1Timer(); }); });
    auto openLink = [this](const QString& target) {
        RunHandler([this, target] { ctx_.shell->OpenDocument(target); });
    };
    connect(lblLink1URL, &LinkLabel::linkClicked, this, openLink);
    connect(lblLink2URL, &LinkLabel::linkClicked, this, openLink);
    connect(prfWelcome, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        RunHandler([this, url] { ctx_.shell->OpenDocument(url.toString()); });
    });
}

void TfrmMain::RunHandler(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        CrashReporter::Instance().Report(QString::fromUtf8(e.what()));
    } catch (...) {
        CrashReporter::Instance().Report(QStringLiteral("Unknown error"));
    }
}

MsgResult TfrmMain::msgMain(MsgKind kind, MsgButtons buttons, const QString& text) {
    // Once the window has closed, a handler still unwinding asks nothing.
    if (IdHTTP1->IsShutDown()) {
        return MsgResult::Cancel;
    }
    return ctx_.messages->Show(this, kind, buttons, text);
}

// --- Window events -----------------------------------------------------------

void TfrmMain::FormCreate() {
    gifBanner->setGeometry(imgBanner->x(), imgBanner->y(), imgBanner->width(), imgBanner->height());
    LoadBrandSettings();
    pgcMain->setCurrentIndex(0);
    if (WelcomeText.isEmpty()) {
        Timer1->start();
    }
    NewsList = std::make_unique<std::vector<std::string>>();
}

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
    LayoutLinks();
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
        imgBanner->setCursor(Qt::PointingHandCursor);
        gifBanner->setCursor(Qt::PointingHandCursor);
    }
    // The picture is read from "banner"N".dat" in the format its BannerFile
    // names; a missing, unknown or damaged picture hides the strip.
    std::optional<BannerPicture> banner = FindBannerPicture(ctx_.appFolder, Brand);
    if (!banner) {
        panBanner->hide();
        return;
    }
    const QString path = FromBytes(banner->path);
    const QByteArray format =
        QByteArray::fromStdString(banner->format == "jpeg" ? "jpg" : banner->format);
    if (banner->format == "gif") {
        auto* movie = new QMovie(path, "gif", gifBanner);
        if (!movie->isValid() || !movie->jumpToFrame(0) || movie->currentImage().isNull()) {
            delete movie;
            panBanner->hide();
            return;
        }
        delete bannerMovie_;
        bannerMovie_ = movie;
        gifBanner->show();
        imgBanner->hide();
        gifBanner->setMovie(movie);
        gifBanner->resize(movie->currentImage().size());
        movie->start();
        panBanner->setFixedHeight(gifBanner->height() + 10);
    } else {
        QImageReader reader(path, format);
        QImage image = reader.read();
        if (image.isNull()) {
            panBanner->hide();
            return;
        }
        gifBanner->hide();
        imgBanner->show();
        imgBanner->setPixmap(QPixmap::fromImage(image));
        imgBanner->resize(image.size());
        panBanner->setFixedHeight(imgBanner->height() + 10);
    }
    CentreBanners();
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

void TfrmMain::FormShow() {
    pgcMain->setCurrentIndex(0);
    for (int i = 0; i < pgcPrinc->count(); ++i) {
        pgcPrinc->setCurrentIndex(i);
        QCoreApplication::processEvents();
    }
    pgcPrinc->setCurrentIndex(0);
    // The outer page control never shows its tabs once the window is up.
    pgcPrinc->tabBar()->hide();
    if (!WelcomeText.isEmpty()) {
        pgcPrinc->setCurrentIndex(0);
        prfWelcome->setHtml(WelcomeText);
    } else if (stsWelcome) {
        pgcPrinc->removeTab(pgcPrinc->indexOf(stsWelcome));
        delete stsWelcome;
        stsWelcome = nullptr;
        prfWelcome = nullptr;
        bsSkinPanel14 = nullptr;
        bsSkinButton1 = nullptr;
    }
    pgcPrinc->setCurrentIndex(0);
    CentreBanners();
}

void TfrmMain::bsSkinButton1Click() {
    pgcPrinc->setCurrentWidget(stsMain);
    if (!WelcomeText.isEmpty()) {
        Timer1->start();
    }
}

void TfrmMain::FormResize() {
    CentreBanners();
}

void TfrmMain::CentreBanners() {
    // Each half is taken by itself and rounded down.
    auto half = [](int v) { return static_cast<int>(std::floor(v / 2.0)); };
    const int pw = panBanner->width();
    const int ph = panBanner->height();
    imgBanner->move(half(pw) - half(imgBanner->width()), imgBanner->y());
    imgBanner->move(imgBanner->x(), half(ph) - half(imgBanner->height()));
    gifBanner->move(half(pw) - half(gifBanner->width()), gifBanner->y());
    gifBanner->move(gifBanner->x(), half(ph) - half(gifBanner->height()));
}

void TfrmMain::FormClose() {
    // Ends every request still waiting and refuses new ones; the handlers
    // that waited then finish as failed, without a word.
    Timer1->stop();
    IdHTTP1->Shutdown();
    LMDMessageHint1->close();
    QCoreApplication::processEvents();
}

void TfrmMain::FormDestroy() {
    NewsList.reset();
}

// --- News and updates ------------------------------------------------------------

void TfrmMain::Timer1Timer() {
    Timer1->stop();
    if (std::optional<NewsRequest> request = ChooseNewsTier(Brand)) {
        std::string id;
        std::string title;
        if (FetchLatestNews(*request, id, title)) {
            if (std::optional<std::string> hint = NewsHintText(id, title, ReadLastNewsId())) {
                ShowNewsHint(Display(*hint));
            }
        }
    }
    if (IdHTTP1->IsShutDown()) {
        return;  // the window closed during the news check
    }
    CheckForUpdate(true);
}

bool TfrmMain::FetchLatestNews(const NewsRequest& request, std::string& id, std::string& title) {
    return varnolt::FetchLatestNews(*IdHTTP1, request, id, title);
}

bool TfrmMain::FetchNewsList(const NewsRequest& request) {
    std::string warning;
    const bool ok = varnolt::FetchNewsList(*IdHTTP1, request, *NewsList, &warning);
    if (!warning.empty()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, Display(warning));
    }
    return ok;
}

std::string TfrmMain::ReadLastNewsId() {
    return varnolt::ReadLastNewsId(ctx_.appFolder);
}

void TfrmMain::WriteLastNewsId(const std::string& id) {
    varnolt::WriteLastNewsId(ctx_.appFolder, id);
}

void TfrmMain::ShowNewsHint(const QString& text) {
    if (IdHTTP1->IsShutDown()) {
        return;
    }
    // The centre of the news button, in the top bar's coordinates, taken as a
    // point of the window.
    const QPoint centre(btnNews->x() + btnNews->width() / 2, btnNews->y() + btnNews->height() / 2);
    LMDMessageHint1->ShowAt(mapToGlobal(centre), text);
}

void TfrmMain::btnNewsClick() {
    NewsList->clear();
    std::optional<NewsRequest> request = ChooseNewsTier(Brand);
    const bool ok = request && FetchNewsList(*request);
    if (ok && !NewsList->empty()) {
        TfrmNews news(
            *NewsList, *IdHTTP1, *request, *ctx_.messages, *ctx_.shell,
            [this](const std::string& id) { WriteLastNewsId(id); }, this);
        news.exec();
        return;
    }
    msgMain(MsgKind::Information, MsgButtons::Ok, QString::fromUtf8(kMsgNoNews));
}

void TfrmMain::btnUpdateClick() {
    CheckForUpdate(false);
}

bool TfrmMain::DownloadFile(const std::string& url, const std::string& localPath) {
    return varnolt::DownloadFile(*IdHTTP1, url, localPath);
}

void TfrmMain::CheckForUpdate(bool Quiet) {
    if (IdHTTP1->IsShutDown()) {
        return;
    }
    const UpdateCheck check = CheckUpdateAvailable(*IdHTTP1, ctx_.liveUpdateURL, ctx_.appFolder);
    if (!check.available) {
        if (!Quiet) {
            msgMain(MsgKind::Information, MsgButtons::Ok, QString::fromUtf8(kMsgNoUpdates));
        }
        return;
    }
    // The first question goes on only on OK; the second stops only on Cancel.
    if (msgMain(MsgKind::Information, MsgButtons::OkCancel,
                Display(NewUpdateQuestion(check.versionText))) != MsgResult::Ok) {
        return;
    }
    if (!UpdaterExists(ctx_.appFolder)) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromUtf8(kMsgUpdaterMissing));
        return;
    }
    if (msgMain(MsgKind::Information, MsgButtons::OkCancel,
                QString::fromUtf8(kMsgUpdateWillClose)) == MsgResult::Cancel) {
        return;
    }
    QStringList args;
    for (const std::string& a : UpdaterArguments(ctx_.liveUpdateURL)) {
        args << FromBytes(a);
    }
    ctx_.shell->StartProgram(FromBytes(UpdaterPath(ctx_.appFolder)), args);
    close();
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        if (QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        RunHandler([this] { FormShow(); });
    }
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RunHandler([this] { FormResize(); });
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    RunHandler([this] { FormClose(); });
    event->accept();
}

// --- Keyword pages -------------------------------------------------------------

void TfrmMain::btnGenerateClick() {
    if (memInput->IsEmpty()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromLatin1(kMsgNoInput));
        return;
    }
    TypoKinds kinds;
    const auto kindRows = TypoKindTable();
    for (std::size_t i = 0; i < kindRows.size(); ++i) {
        const auto* check = stsWelcomeActions->findChild<QCheckBox*>(
            QString::fromLatin1(kindRows[i].objectName.data(), kindRows[i].objectName.size()));
        kinds.Set(i, check && check->isChecked());
    }
    if (!kinds.Any()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromLatin1(kMsgNoAction));
        return;
    }
    memOutput->Clear();
    const std::string input = memInput->Text();
    TextSink sink("\n");
    sink.Reserve(input.size() * 16);
    GenerateTypos(KeywordLines(input), kinds, sink);
    memOutput->AppendLines(sink.Text());
    memOutput->ScrollToTop();
}

void TfrmMain::btnFormatClick() {
    if (memAInput->IsEmpty()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromLatin1(kMsgNoInput));
        return;
    }
    MatchTypes types;
    const auto optionRows = MatchOptionTable();
    for (std::size_t i = 0; i < optionRows.size(); ++i) {
        const auto* check = bsSkinTabSheet1->findChild<QCheckBox*>(
            QString::fromLatin1(optionRows[i].objectName.data(), optionRows[i].objectName.size()));
        types.Set(i, check && check->isChecked());
    }
    if (!types.Any()) {
        msgMain(MsgKind::Warning, MsgButtons::Ok, QString::fromLatin1(kMsgNoAction));
        return;
    }
    memAOutput->Clear();
    const std::string input = memAInput->Text();
    TextSink sink("\n");
    FormatMatchTypes(KeywordLines(input), types, sink);
    memAOutput->AppendLines(sink.Text());
    memAOutput->ScrollToTop();
}

void TfrmMain::btnClearInputClick() {
    memInput->Clear();
}
void TfrmMain::btnClearOutputClick() {
    memOutput->Clear();
}
void TfrmMain::btnClearAInputClick() {
    memAInput->Clear();
}
void TfrmMain::btnClearAOutputClick() {
    memAOutput->Clear();
}
void TfrmMain::btnLoadInputClick() {
    LoadInto(memInput);
}
void TfrmMain::btnLoadAInputClick() {
    LoadInto(memAInput);
}
void TfrmMain::btnSaveOutputClick() {
    SaveFrom(memOutput);
}
void TfrmMain::btnSaveAOutputClick() {
    SaveFrom(memAOutput);
}

FileDialogRequest TfrmMain::DialogRequest(const KeywordFileDialog& dialog) const {
    // The first time a dialog opens in the program folder; afterwards in the
    // folder of its last file, with that file's name filled in.
    if (dialog.lastFile.isEmpty()) {
        return {dialog.title, dialog.filter, FromBytes(ctx_.appFolder), QString()};
    }
    const QFileInfo last(dialog.lastFile);
    return {dialog.title, dialog.filter, last.absolutePath(), last.fileName()};
}

std::optional<QString> TfrmMain::RunOpenDialog() {
    const FileDialogRequest req = DialogRequest(bsSkinOpenDialog1);
    std::optional<QString> chosen = ctx_.dialogs->OpenFile(this, req);
    if (chosen && !chosen->isEmpty()) {
        bsSkinOpenDialog1.lastFile = QFileInfo(QDir(req.directory), *chosen).absoluteFilePath();
        return bsSkinOpenDialog1.lastFile;
    }
    return std::nullopt;
}

std::optional<QString> TfrmMain::RunSaveDialog() {
    const FileDialogRequest req = DialogRequest(bsSkinSaveDialog1);
    std::optional<QString> chosen = ctx_.dialogs->SaveFile(this, req);
    if (!chosen || chosen->isEmpty()) {
        return std::nullopt;
    }
    QString path = QFileInfo(QDir(req.directory), *chosen).absoluteFilePath();
    // A name whose extension is not ".txt" (in any case) gets ".txt" added.
    if (QFileInfo(path).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) != 0) {
        path += QStringLiteral(".txt");
    }
    bsSkinSaveDialog1.lastFile = path;
    return path;
}

void TfrmMain::LoadInto(KeywordPane* pane) {
    std::optional<QString> path = RunOpenDialog();
    if (!path) {
        return;
    }
    // Read first: a file that cannot be read leaves the pane as it was.
    std::string text = LoadKeywordFile(ToBytes(*path));
    pane->SetText(text);
}

void TfrmMain::SaveFrom(KeywordPane* pane) {
    std::optional<QString> path = RunSaveDialog();
    if (!path) {
        return;
    }
    SaveKeywordFile(ToBytes(*path), ToCrLf(pane->Text()));
}

}  // namespace varnolt
