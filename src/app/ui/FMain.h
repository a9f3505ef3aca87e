#pragma once
// The main window: the welcome page, the two keyword pages, the top bar with
// the brand buttons, the banner strip and the link bar. The window is a shell
// over those widgets; it keeps the controls of its design as members that
// point into them, and its handlers read the controls and call the core.
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

#include "app/ui/BannerStrip.h"
#include "app/ui/Labels.h"
#include "app/ui/LinkBar.h"
#include "app/ui/TopBar.h"
#include "brand/BrandSettings.h"
#include "common/ui/Services.h"
#include "keywords/Export.h"
#include "keywords/ui/KeywordFileDialog.h"
#include "keywords/ui/KeywordPage.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QPushButton;
class QShortcut;
class QTabWidget;
class QTextBrowser;
class QToolButton;

namespace varnolt {

class Balloon;
class ExportDialog;
class RecentFiles;
class RecentFilesButton;
class HttpClient;
class JobControl;
class KeywordJob;
class KeywordPane;
struct NewsRequest;

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    // `context` must carry every service, the HTTP client included.
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

    // The HTTP client of the news service and the update check, from the
    // construction argument. While a request waits, the window keeps
    // handling its events.
    std::shared_ptr<HttpClient> IdHTTP1;
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
    // Puts the Typo Generator's output into the Ad Words input and shows that page.
    void btnToAdWordsClick();
    // Asks for the upload file's choices, then for its name, and writes it.
    void btnExportClick();
    // Reads the keyword file `path` into `pane` as Load does, messages
    // included (the Load buttons, the recent files, a file dropped on an
    // input pane), and remembers it among the recent files.
    void LoadFileInto(KeywordPane* pane, const QString& path);

    // Load, Generate, Format, Save, Export and To Ad Words work on a thread
    // of their own, one at a time; while one runs, a second click does nothing.
    bool JobRunning() const;
    // Stops the running job (the page's Cancel button, Esc); the panes stay
    // as they were before it.
    void CancelJob();
    // Runs the window's events until no job runs (for tests and scripts).
    void WaitForJob();

    // Runs the export dialog; true when the user accepted it. Tests replace
    // it to fill the dialog in without waiting for a person.
    std::function<bool(ExportDialog&)> RunExportDialog;
    // The export dialog's choices, remembered for the session.
    ExportOptions ExportValues;

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
    TopBar* bsSkinPanel1 = nullptr;
    QPushButton* btnMakeMoney = nullptr;
    QPushButton* btnAbout = nullptr;
    QToolButton* btnNews = nullptr;
    QToolButton* btnUpdate = nullptr;
    QToolButton* btnHelp = nullptr;
    BannerStrip* panBanner = nullptr;
    ClickLabel* imgBanner = nullptr;
    ClickLabel* gifBanner = nullptr;
    LinkBar* panLinks = nullptr;
    LinkLabel* lblLink1URL = nullptr;
    LinkLabel* lblLink2URL = nullptr;
    QTabWidget* pgcMain = nullptr;

    // "Typo Generator"
    KeywordPage* stsWelcomeActions = nullptr;
    KeywordPane* memInput = nullptr;
    KeywordPane* memOutput = nullptr;
    QCheckBox* chkSkip = nullptr;
    QCheckBox* chkDouble = nullptr;
    QCheckBox* chkReverse = nullptr;
    QCheckBox* chkSpaces = nullptr;
    QCheckBox* chkMissed = nullptr;
    QCheckBox* chkInserted = nullptr;
    QCheckBox* chkVowelSwap = nullptr;
    QCheckBox* chkUnique = nullptr;
    QComboBox* cboKeyboard = nullptr;
    QPushButton* btnGenerate = nullptr;
    QPushButton* btnToAdWords = nullptr;
    QPushButton* btnClearInput = nullptr;
    QPushButton* btnLoadInput = nullptr;
    QPushButton* btnClearOutput = nullptr;
    QPushButton* btnSaveOutput = nullptr;

    // "Ad Words"
    KeywordPage* bsSkinTabSheet1 = nullptr;
    KeywordPane* memAInput = nullptr;
    KeywordPane* memAOutput = nullptr;
    QCheckBox* chkBroad = nullptr;
    QCheckBox* chkPhraseMatch = nullptr;
    QCheckBox* chkExactMatch = nullptr;
    QCheckBox* chkLowercase = nullptr;
    QCheckBox* chkMinusSign = nullptr;
    QCheckBox* chkNegativePhrase = nullptr;
    QCheckBox* chkNegativeExact = nullptr;
    QCheckBox* chkAUnique = nullptr;
    QPushButton* btnFormat = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnClearAInput = nullptr;
    QPushButton* btnLoadAInput = nullptr;
    QPushButton* btnClearAOutput = nullptr;
    QPushButton* btnSaveAOutput = nullptr;

    // The recent files of Load, shared by both pages, and the menu button
    // beside each Load button.
    std::shared_ptr<RecentFiles> RecentLoads;
    RecentFilesButton* btnLoadInputRecent = nullptr;
    RecentFilesButton* btnLoadAInputRecent = nullptr;
    // The keyword page on show.
    KeywordPage* ShownPage() const;

    QTimer* Timer1 = nullptr;
    KeywordFileDialog bsSkinOpenDialog1;
    KeywordFileDialog bsSkinSaveDialog1;
    KeywordFileDialog dlgSaveExport;  // the upload files of the export dialog
    // The news records of the last news check, one per line; exists from
    // FormCreate to FormDestroy.
    std::unique_ptr<std::vector<std::string>> NewsList;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void BuildWindow();
    void FocusShownInput();
    void BuildKeywordPages();
    void BuildJobs();
    void ApplyBrand(const std::string& makeMoneyCaption);
    void ShowBanner();
    void ConnectHandlers();
    void LoadInto(KeywordPane* pane);
    // The keyboard of the main page: shortcuts and their hints, the recent
    // files, the Tab order, the mnemonics and the texts a screen reader reads.
    void BuildKeyboard();
    void AddShortcuts();
    void SetTabOrder();
    void AssignWindowMnemonics();
    void RememberRecentFile(const QString& path);
    void SaveFrom(KeywordPane* pane);
    KeywordPage* PageOf(const KeywordPane* pane) const;
    // Starts `work` with the controls that would race with it disabled and
    // `panes` (what it reads and what it replaces) locked; progress and
    // Cancel show on `page`. False when a job runs already.
    bool StartJob(KeywordPage* page, std::vector<KeywordPane*> panes,
                  std::function<std::function<void()>(JobControl&)> work);
    void LockForJob(KeywordPage* page, const std::vector<KeywordPane*>& panes);
    void UnlockAfterJob();

    AppContext ctx_;
    // The controls of the main page in Tab order.
    QList<QWidget*> tabRing_;
    // Destroyed before the panes: a running job is cancelled and joined first.
    std::unique_ptr<KeywordJob> job_;
    QShortcut* escape_ = nullptr;
    KeywordPage* jobPage_ = nullptr;
    std::vector<QWidget*> locked_;
    QPointer<QWidget> focusBeforeJob_;
    bool shown_ = false;
    bool welcomeLeft_ = false;
};

}  // namespace varnolt
