#include "app/ui/FMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

#include "app/ui/AccessibleText.h"
#include "app/ui/CrashReport.h"
#include "app/ui/ScreenFit.h"
#include "app/ui/WindowText.h"
#include "brand/BrandFile.h"
#include "common/ui/HtmlView.h"
#include "common/ui/UiScale.h"
#include "keywords/ui/KeywordJob.h"
#include "keywords/ui/KeywordPane.h"
#include "news/HttpClient.h"
#include "news/LiveUpdate.h"
#include "news/NewsMessages.h"
#include "news/NewsProtocol.h"
#include "news/ui/Balloon.h"
#include "news/ui/FNews.h"

namespace varnolt {

namespace {

// Design size of the window.
constexpr int kClientWidth = 796;
constexpr int kClientHeight = 656;

const char* const kFileFilter = "Text files(*.txt)|*.txt";

using window_text::Display;
using window_text::FromBytes;

}  // namespace

// ---------------------------------------------------------------------------

TfrmMain::TfrmMain(AppContext context, QWidget* parent)
    : QWidget(parent), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("frmMain"));
    if (!ctx_.http) {
        throw std::invalid_argument("the main window needs the HTTP client of its context");
    }
    IdHTTP1 = ctx_.http;
    BuildWindow();
    ConnectHandlers();
    RunHandler([this] { FormCreate(); });
    // After the brand settings: the mnemonics go on the brand's captions.
    BuildKeyboard();
    MakeMessageBoxesReadable();
}

TfrmMain::~TfrmMain() {
    if (IdHTTP1) {
        IdHTTP1->AbortAll();
    }
    // A job still running is cancelled and its thread joined while the panes
    // it reads are still there; the cursor is the application's again.
    job_.reset();
    UnlockAfterJob();
    FormDestroy();
}

void TfrmMain::BuildWindow() {
    setWindowTitle(QStringLiteral("Varnolt"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(ui_scale::Px(kClientWidth), ui_scale::Px(kClientHeight));
    // Narrower than the design, the option column would run into the panes.
    setMinimumSize(ui_scale::Px(kClientWidth), ui_scale::Px(520));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    pgcPrinc = new QTabWidget(this);
    pgcPrinc->installEventFilter(this);
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
    bsSkinPanel14->setFixedHeight(ui_scale::Px(39));
    wl->addWidget(bsSkinPanel14);
    bsSkinButton1 =
        new QPushButton(QStringLiteral("Thanks, just show me the main application"), bsSkinPanel14);
    bsSkinButton1->setObjectName(QStringLiteral("bsSkinButton1"));
    bsSkinButton1->setGeometry(ui_scale::Px(256), ui_scale::Px(8), ui_scale::Px(265),
                               ui_scale::Px(20));
    bsSkinButton1->setDefault(true);
    bsSkinPanel14->installEventFilter(this);
    bsSkinButton1->installEventFilter(this);
    // Enter anywhere on the welcome page presses its button.
    for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), stsWelcome);
        enter->setContext(Qt::WidgetWithChildrenShortcut);
        connect(enter, &QShortcut::activated, this, [this] {
            if (bsSkinButton1)
                bsSkinButton1->click();
        });
    }
    pgcPrinc->addTab(stsWelcome, QStringLiteral("Welcome"));

    // Main page: top bar, banner strip, keyword pages, link bar.
    stsMain = new QWidget;
    stsMain->setObjectName(QStringLiteral("stsMain"));
    auto* ml = new QVBoxLayout(stsMain);
    ml->setContentsMargins(0, 0, 0, 0);
    ml->setSpacing(0);

    bsSkinPanel1 = new TopBar(stsMain);
    ml->addWidget(bsSkinPanel1);
    btnMakeMoney = bsSkinPanel1->btnMakeMoney;
    btnAbout = bsSkinPanel1->btnAbout;
    btnNews = bsSkinPanel1->btnNews;
    btnUpdate = bsSkinPanel1->btnUpdate;
    btnHelp = bsSkinPanel1->btnHelp;

    panBanner = new BannerStrip(stsMain);
    ml->addWidget(panBanner);
    imgBanner = panBanner->imgBanner;
    gifBanner = panBanner->gifBanner;

    pgcMain = new QTabWidget(stsMain);
    pgcMain->setObjectName(QStringLiteral("pgcMain"));
    ml->addWidget(pgcMain, 1);
    BuildKeywordPages();
    pgcMain->addTab(stsWelcomeActions, QStringLiteral("Typo Generator"));
    pgcMain->addTab(bsSkinTabSheet1, QStringLiteral("Ad Words"));

    panLinks = new LinkBar(stsMain);
    ml->addWidget(panLinks);
    lblLink1URL = panLinks->lblLink1URL;
    lblLink2URL = panLinks->lblLink2URL;
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

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (watched == pgcPrinc && t == QEvent::KeyPress) {
        // The outer pages never switch by keyboard: Ctrl+Tab switches the
        // keyword pages only (their own tab control takes it first).
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (ctrl && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                     key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
            return true;
        }
    }
    const bool panelResized = watched == bsSkinPanel14 && t == QEvent::Resize;
    // A skin's style sheet or font changes the caption's width.
    const bool captionChanged =
        watched == bsSkinButton1 &&
        (t == QEvent::StyleChange || t == QEvent::FontChange || t == QEvent::Polish);
    if (bsSkinButton1 && bsSkinPanel14 && (panelResized || captionChanged)) {
        // The whole caption shows; the design size is the smallest.
        const QSize hint = bsSkinButton1->sizeHint();
        const int designW = ui_scale::Px(265);
        const int w =
            std::min(std::max(designW, hint.width()), std::max(designW, bsSkinPanel14->width()));
        const int h = std::min(std::max(ui_scale::Px(20), hint.height()), bsSkinPanel14->height());
        bsSkinButton1->setGeometry((bsSkinPanel14->width() - w) / 2,
                                   (bsSkinPanel14->height() - h) / 2, w, h);
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
    // The keyboard works from the start: on the welcome button while the
    // welcome page shows, else in the input pane of the shown page.
    if (bsSkinButton1 && pgcPrinc->currentWidget() == stsWelcome) {
        bsSkinButton1->setFocus(Qt::OtherFocusReason);
    } else {
        FocusShownInput();
    }
}

void TfrmMain::FocusShownInput() {
    KeywordPane* input = pgcMain->currentWidget() == bsSkinTabSheet1 ? memAInput : memInput;
    if (input) {
        input->setFocus(Qt::OtherFocusReason);
    }
}

void TfrmMain::bsSkinButton1Click() {
    if (welcomeLeft_) {
        return;
    }
    welcomeLeft_ = true;
    pgcPrinc->setCurrentWidget(stsMain);
    // Once left, the welcome page is gone: Ctrl+Tab on the outer pages finds
    // only the main page, and the news timer starts this once.
    if (stsWelcome) {
        pgcPrinc->removeTab(pgcPrinc->indexOf(stsWelcome));
    }
    FocusShownInput();
    if (!WelcomeText.isEmpty()) {
        Timer1->start();
    }
}

void TfrmMain::FormResize() {
    CentreBanners();
}

void TfrmMain::CentreBanners() {
    panBanner->CentreBanners();
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
            // Before the window manager frames the window its frame is not
            // known: a title bar of the style's height and thin borders then.
            QMargins frame(geometry().left() - frameGeometry().left(),
                           geometry().top() - frameGeometry().top(),
                           frameGeometry().right() - geometry().right(),
                           frameGeometry().bottom() - geometry().bottom());
            if (frame.isNull()) {
                const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
                frame = QMargins(4, std::max(title, 24) + 4, 4, 4);
            }
            const QRect fit =
                FitWindowRect(QSize(ui_scale::Px(kClientWidth), ui_scale::Px(kClientHeight)), frame,
                              screen->availableGeometry());
            setMinimumSize(minimumSize().boundedTo(fit.size()));
            setGeometry(fit);
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

}  // namespace varnolt
