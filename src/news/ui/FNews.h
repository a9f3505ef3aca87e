#pragma once
// The news window: lists the news records of the last "Check News" and shows
// the body of the selected message, fetched from the news service on demand.
#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/ui/Services.h"
#include "news/HttpClient.h"
#include "news/NewsProtocol.h"

class QFrame;
class QPushButton;
class QSplitter;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace varnolt {

class TfrmNews : public QDialog {
    Q_OBJECT

public:
    // Stores the id of the message just opened (the brand settings'
    // WriteLastNewsId for the program's folder).
    using WriteLastNewsIdFn = std::function<void(const std::string& id)>;

    TfrmNews(std::vector<std::string> newsList, HttpClient& http, NewsRequest request,
             MessageService& messages, ShellService& shell, WriteLastNewsIdFn writeLastNewsId,
             QWidget* parent = nullptr);
    ~TfrmNews() override;

    // Fills the list from the news records (done when the window is shown).
    void FormShow();
    // Fetches and shows the selected message, if an item is selected.
    void lvwItemsChange();
    // Whether the list may change its selection now: not while loading.
    bool lvwItemsChanging() const { return !LoadingNews; }
    void btnExitClick();
    // Asks the news service for the body of message `newsId`; on failure
    // `*warning` is the message to show (empty for none).
    bool FetchNewsDetails(const std::string& newsId, std::string& body, std::string* warning,
                          const bool* cancel = nullptr);

    // The news id an item stands for (not shown in any column).
    static std::string NewsIdOf(const QTreeWidgetItem* item);

    QFrame* bsSkinPanel1 = nullptr;
    QTreeWidget* lvwItems = nullptr;
    QSplitter* bsSkinSplitter1 = nullptr;
    QTextBrowser* prfEditorNews = nullptr;
    QFrame* bsSkinPanel3 = nullptr;
    QPushButton* btnExit = nullptr;

    bool LoadingNews = false;

protected:
    void showEvent(QShowEvent* event) override;
    // Closing while a body is being fetched ends that request first.
    void done(int result) override;

private:
    void SetBusyCursor(bool busy);

    std::vector<std::string> newsList_;
    HttpClient& http_;
    NewsRequest request_;
    MessageService& messages_;
    ShellService& shell_;
    WriteLastNewsIdFn writeLastNewsId_;
    bool shownOnce_ = false;
    bool* cancelFlag_ = nullptr;  // ends the body request in flight
    std::optional<int> pendingResult_;
};

}  // namespace varnolt
