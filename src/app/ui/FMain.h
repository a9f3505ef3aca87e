#pragma once
// The main window: the welcome page, the two keyword pages, the top bar with
// the brand buttons, the banner strip and the link bar.
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ui/Services.h"
#include "brand/BrandSettings.h"

class QCheckBox;
class QFrame;
class QMovie;
class QPushButton;
class QTabWidget;
class QTextBrowser;
class QToolButton;

namespace varnolt {

class Balloon;
class HttpClient;
class KeywordPane;
struct NewsRequest;

// A label that reports clicks (banner pictures).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// An underlined link label with a hand cursor that turns blue under the mouse
// and opens its target through the desktop when clicked.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);
    void SetTarget(const QString& url) { target_ = url; }
    QString Target() const { return target_; }
signals:
    void linkClicked(const QString& target);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetHot(bool hot);
    QString target_;
};

// The file dialogs of the keyword pages: a title, a filter and the memory of
// the last file chosen with them.
struct KeywordFileDialog {
    QString title;
    QString filter;
    QString lastFile;  // empty until a file was chosen
};

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMain(AppContext context, QWidget* parent = nullptr);
    ~TfrmMain() override;

    const AppContext& Context() const { return ctx_; }

    // Text of the welcome page; set by the brand settings.
    QString WelcomeText;

    // --- Window events ---------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormResize();
    void FormClose();
    void FormDestroy();
    void CentreBanners();
    void bsSkinButton1Click();
    void LoadBrandSettings();
    void Timer1Timer();

    // --- Brand ------------------------------------------------------------
    // Opens `url` in the browser registered for "http" links; false when no
    // browser is registered.
    bool OpenUrlInBrowser(const std::string& url);
    void imgBannerClick();
    void gifBannerClick();
    void btnMakeMoneyClick();
    void btnHelpClick();
    void btnAboutClick();

    // The brand values read at start; empty without a settings file.
    BrandSettings Brand;

    // --- News and updates --------------------------------------------------
    void btnNewsClick();
    void btnUpdateClick();
    void CheckForUpdate(bool Quiet);
    bool DownloadFile(const std::string& url, const std::string& localPath);
    void ShowNewsHint(const QString& text);
    bool FetchNewsList(const NewsRequest& request);
    bool FetchLatestNews(const NewsRequest& request, std::string& id, std::string& title);
    std::string ReadLastNewsId();
    void WriteLastNewsId(const std::string& id);

    // The HTTP client of the news service and the update check. While a
    // request waits, the window keeps handling its events.
    std::unique_ptr<HttpClient> IdHTTP1;
    Balloon* LMDMessageHint1 = nullptr;

    // --- Keyword pages ---------------------------------------------------
    void btnGenerateClick();
    void btnFormatClick();
    void btnClearInputClick();
    void btnLoadInputClick();
    void btnClearOutputClick();
    void btnSaveOutputClick();
    void btnClearAInputClick();
    void btnLoadAInputClick();
    void btnClearAOutputClick();
    void btnSaveAOutputClick();

    // Shows the main window's message box.
    MsgResult msgMain(MsgKind kind, MsgButtons buttons, const QString& text);

    // Runs `action` as an event handler: whatever escapes it goes to the
    // crash reporting instead of unwinding through the toolkit.
    void RunHandler(const std::function<void()>& action);

    // --- Controls, named as in the window design -----------------------
    QTabWidget* pgcPrinc = nullptr;
    QWidget* stsWelcome = nullptr;
    QTextBrowser* prfWelcome = nullptr;
    QFrame* bsSkinPanel14 = nullptr;
    QPushButton* bsSkinButton1 = nullptr;
    QWidget* stsMain = nullptr;
    QFrame* bsSkinPanel1 = nullptr;
    QPushButton* btnMakeMoney = nullptr;
    QPushButton* btnAbout = nullptr;
    QToolButton* btnNews = nullptr;
    QToolButton* btnUpdate = nullptr;
    QToolButton* btnHelp = nullptr;
    QFrame* panBanner = nullptr;
    ClickLabel* imgBanner = nullptr;
    ClickLabel* gifBanner = nullptr;
    QFrame* panLinks = nullptr;
    LinkLabel* lblLink1URL = nullptr;
    LinkLabel* lblLink2URL = nullptr;
    QTabWidget* pgcMain = nullptr;

    // "Typo Generator"
    QWidget* stsWelcomeActions = nullptr;
    KeywordPane* memInput = nullptr;
    KeywordPane* memOutput = nullptr;
    QCheckBox* chkSkip = nullptr;
    QCheckBox* chkDouble = nullptr;
    QCheckBox* chkReverse = nullptr;
    QCheckBox* chkSpaces = nullptr;
    QCheckBox* chkMissed = nullptr;
    QCheckBox* chkInserted = nullptr;
    QPushButton* btnGenerate = nullptr;
    QPushButton* btnClearInput = nullptr;
    QPushButton* btnLoadInput = nullptr;
    QPushButton* btnClearOutput = nullptr;
    QPushButton* btnSaveOutput = nullptr;

    // "Ad Words"
    QWidget* bsSkinTabSheet1 = nullptr;
    KeywordPane* memAInput = nullptr;
    KeywordPane* memAOutput = nullptr;
    QCheckBox* chkBroad = nullptr;
    QCheckBox* chkPhraseMatch = nullptr;
    QCheckBox* chkExactMatch = nullptr;
    QCheckBox* chkLowercase = nullptr;
    QCheckBox* chkMinusSign = nullptr;
    QPushButton* btnFormat = nullptr;
    QPushButton* btnClearAInput = nullptr;
    QPushButton* btnLoadAInput = nullptr;
    QPushButton* btnClearAOutput = nullptr;
    QPushButton* btnSaveAOutput = nullptr;

    QTimer* Timer1 = nullptr;
    KeywordFileDialog bsSkinOpenDialog1;
    KeywordFileDialog bsSkinSaveDialog1;
    // The news records of the last news check, one per line; exists from
    // FormCreate to FormDestroy.
    std::unique_ptr<std::vector<std::string>> NewsList;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void ApplyBrand(const std::string& makeMoneyCaption);
    void ShowBanner();
    QWidget* BuildKeywordPage(bool typoPage);
    void LayoutKeywordPage(QWidget* page);
    void LayoutTopBar();
    void LayoutLinks();
    void ConnectHandlers();
    std::optional<QString> RunOpenDialog();
    std::optional<QString> RunSaveDialog();
    void LoadInto(KeywordPane* pane);
    void SaveFrom(KeywordPane* pane);
    FileDialogRequest DialogRequest(const KeywordFileDialog& dialog) const;

    AppContext ctx_;
    bool shown_ = false;
    QMovie* bannerMovie_ = nullptr;
};

}  // namespace varnolt
