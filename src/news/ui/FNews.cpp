#include "news/ui/FNews.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSplitter>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "common/ui/HtmlView.h"
#include "common/ui/Mnemonics.h"
#include "util/TextCodec.h"
#include "util/UUtils.h"

namespace varnolt {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;

QString Display(std::string_view bytes) {
    return QString::fromStdString(DecodeForDisplay(bytes));
}

// Refuses every selection change that the window does not allow.
class GuardedSelectionModel : public QItemSelectionModel {
public:
    GuardedSelectionModel(QAbstractItemModel* model, std::function<bool()> allow, QObject* parent)
        : QItemSelectionModel(model, parent), allow_(std::move(allow)) {}

    void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        if (allow_())
            QItemSelectionModel::select(index, command);
    }
    void select(const QItemSelection& selection,
                QItemSelectionModel::SelectionFlags command) override {
        if (allow_())
            QItemSelectionModel::select(selection, command);
    }

private:
    std::function<bool()> allow_;
};

}  // namespace

TfrmNews::TfrmNews(std::vector<std::string> newsList, HttpClient& http, NewsRequest request,
                   MessageService& messages, ShellService& shell, WriteLastNewsIdFn writeLastNewsId,
                   QWidget* parent)
    : QDialog(parent),
      newsList_(std::move(newsList)),
      http_(http),
      request_(std::move(request)),
      messages_(messages),
      shell_(shell),
      writeLastNewsId_(std::move(writeLastNewsId)) {
    setObjectName("frmNews");
    setWindowTitle("News");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setModal(true);
    resize(682, 411);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    bsSkinSplitter1 = new QSplitter(Qt::Vertical, this);
    bsSkinSplitter1->setObjectName("bsSkinSplitter1");
    bsSkinSplitter1->setHandleWidth(10);
    bsSkinSplitter1->setChildrenCollapsible(false);
    layout->addWidget(bsSkinSplitter1, 1);

    bsSkinPanel1 = new QFrame(bsSkinSplitter1);
    bsSkinPanel1->setObjectName("bsSkinPanel1");
    bsSkinPanel1->setMinimumHeight(10);
    auto* listLayout = new QVBoxLayout(bsSkinPanel1);
    listLayout->setContentsMargins(0, 0, 0, 0);

    lvwItems = new QTreeWidget(bsSkinPanel1);
    lvwItems->setObjectName("lvwItems");
    lvwItems->setColumnCount(2);
    lvwItems->setHeaderLabels({"News Title", "Published"});
    lvwItems->setRootIsDecorated(false);
    lvwItems->setItemsExpandable(false);
    lvwItems->setUniformRowHeights(true);
    lvwItems->setSortingEnabled(false);
    lvwItems->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwItems->setMinimumHeight(0);
    lvwItems->header()->setStretchLastSection(false);
    lvwItems->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvwItems->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    lvwItems->header()->resizeSection(1, 160);
    lvwItems->verticalScrollBar()->setObjectName("bsSkinScrollBar1");
    lvwItems->horizontalScrollBar()->setObjectName("bsSkinScrollBar2");
    lvwItems->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lvwItems->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The selection stays visible when the list loses the focus.
    QPalette pal = lvwItems->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    lvwItems->setPalette(pal);
    QItemSelectionModel* oldModel = lvwItems->selectionModel();
    lvwItems->setSelectionModel(new GuardedSelectionModel(
        lvwItems->model(), [this] { return lvwItemsChanging(); }, lvwItems));
    delete oldModel;
    listLayout->addWidget(lvwItems);

    prfEditorNews = new HtmlView(bsSkinSplitter1);
    prfEditorNews->setObjectName("prfEditorNews");
    prfEditorNews->setReadOnly(true);
    prfEditorNews->setOpenLinks(false);
    prfEditorNews->setOpenExternalLinks(false);

    bsSkinSplitter1->addWidget(bsSkinPanel1);
    bsSkinSplitter1->addWidget(prfEditorNews);
    bsSkinSplitter1->setStretchFactor(0, 0);
    bsSkinSplitter1->setStretchFactor(1, 1);
    bsSkinSplitter1->setSizes({105, 411 - 105 - 10 - 41});

    bsSkinPanel3 = new QFrame(this);
    bsSkinPanel3->setObjectName("bsSkinPanel3");
    bsSkinPanel3->setFixedHeight(41);
    layout->addWidget(bsSkinPanel3);

    btnExit = new QPushButton("Close", bsSkinPanel3);
    btnExit->setObjectName("btnExit");
    btnExit->setGeometry(304, 7, 97, 20);

    // What a screen reader says about the window's parts.
    lvwItems->setAccessibleName("News messages");
    lvwItems->setAccessibleDescription(
        "The publisher's news; the text of the selected message shows below");
    lvwItems->verticalScrollBar()->setAccessibleName("News messages scroll bar");
    lvwItems->horizontalScrollBar()->setAccessibleName("News messages scroll bar");
    prfEditorNews->setAccessibleName("News message");
    prfEditorNews->setAccessibleDescription("The text of the selected news message");
    btnExit->setAccessibleName("Close");
    btnExit->setAccessibleDescription("Closes the news window");
    AssignMnemonics({btnExit});

    connect(btnExit, &QPushButton::clicked, this, &TfrmNews::btnExitClick);
    connect(lvwItems->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmNews::lvwItemsChange);
    connect(prfEditorNews, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { shell_.OpenDocument(url.toString()); });
}

TfrmNews::~TfrmNews() = default;

void TfrmNews::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || shownOnce_)
        return;
    shownOnce_ = true;
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
    FormShow();
}

void TfrmNews::FormShow() {
    std::vector<std::string> fields;
    for (const std::string& line : newsList_) {
        SplitByChar('^', line, fields);
        // A record may lack its later fields; they show as empty.
        fields.resize(std::max<std::size_t>(fields.size(), 3));
        auto* item = new QTreeWidgetItem(lvwItems);
        item->setText(0, Display(fields[1]));
        item->setText(1, Display(fields[2]));
        item->setData(0, kIdRole, QByteArray::fromStdString(fields[0]));
    }
}

std::string TfrmNews::NewsIdOf(const QTreeWidgetItem* item) {
    return item == nullptr ? std::string() : item->data(0, kIdRole).toByteArray().toStdString();
}

void TfrmNews::SetBusyCursor(bool busy) {
    QWidget* widgets[] = {this, lvwItems, lvwItems->viewport(), prfEditorNews,
                          prfEditorNews->viewport()};
    for (QWidget* w : widgets) {
        if (busy) {
            w->setCursor(Qt::WaitCursor);
        } else {
            w->unsetCursor();
        }
    }
}

void TfrmNews::lvwItemsChange() {
    const QList<QTreeWidgetItem*> selected = lvwItems->selectedItems();
    if (selected.isEmpty() || LoadingNews)
        return;
    const std::string newsId = NewsIdOf(selected.first());

    LoadingNews = true;
    SetBusyCursor(true);
    QPointer<TfrmNews> self(this);
    std::string body;
    std::string warning;
    // The flag lives here, so the request can read it even if the window is
    // destroyed while it waits.
    auto cancel = std::make_shared<bool>(false);
    auto watch = connect(this, &TfrmNews::destroyed, [cancel] { *cancel = true; });
    cancelFlag_ = cancel.get();
    const bool ok = FetchNewsDetails(newsId, body, &warning, cancel.get());
    if (!self)
        return;
    disconnect(watch);
    cancelFlag_ = nullptr;

    if (ok) {
        prfEditorNews->setHtml(Display(body));
        if (writeLastNewsId_)
            writeLastNewsId_(newsId);
    } else if (!*cancel && !warning.empty() && !http_.IsShutDown()) {
        // The main window's message box, with the application's caption, as
        // every other message of the program.
        QWidget* owner = parentWidget() ? parentWidget()->window() : this;
        messages_.Show(owner, MsgKind::Warning, MsgButtons::Ok, QString::fromStdString(warning));
    }
    SetBusyCursor(false);
    LoadingNews = false;
    if (pendingResult_) {
        const int result = *pendingResult_;
        pendingResult_.reset();
        QDialog::done(result);
    }
}

void TfrmNews::btnExitClick() {
    accept();
}

void TfrmNews::done(int result) {
    if (LoadingNews) {
        pendingResult_ = result;
        if (cancelFlag_ != nullptr)
            *cancelFlag_ = true;
        return;
    }
    QDialog::done(result);
}

bool TfrmNews::FetchNewsDetails(const std::string& newsId, std::string& body, std::string* warning,
                                const bool* cancel) {
    return varnolt::FetchNewsDetails(http_, request_, newsId, body, warning, cancel);
}

}  // namespace varnolt
