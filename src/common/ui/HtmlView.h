#pragma once
// A read-only HTML view (the welcome page, the news bodies) that shows its
// page's pictures as a browser would, without ever holding up the text:
//
// - a relative address or a file: address is read from the program folder,
//   an http or https address is fetched with the program's HTTP client (its
//   redirect, protocol and time limits), both in worker threads, a few at a
//   time; the page shows at once and each picture takes its place when it
//   arrives;
// - any other address is ignored; a picture that is missing, larger than
//   kMaxPictureBytes or that does not decode stays a blank box of its size;
// - style sheets come from <style> and from <link rel="stylesheet"> files in
//   the program folder; nothing else a page names is ever fetched, and links
//   are left to the owner (anchorClicked);
// - fetching ends when the window that shows the view closes.
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <cstddef>
#include <memory>

#include "news/HttpClient.h"

namespace varnolt {

class HtmlView : public QTextBrowser {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxPictureBytes = 8u << 20;
    static constexpr std::size_t kMaxStyleSheetBytes = 1u << 20;
    // Pictures fetched at the same time.
    static constexpr int kMaxFetches = 4;

    // `folder` is the program folder; empty means the running program's own.
    explicit HtmlView(const QString& folder, QWidget* parent = nullptr);
    explicit HtmlView(QWidget* parent = nullptr) : HtmlView(QString(), parent) {}
    ~HtmlView() override;

    QString Folder() const { return folder_; }
    // The limits of the picture requests started from now on.
    void SetHttpLimits(const HttpClient::Limits& limits);

    // Ends every picture fetch, queued or in flight, until the view is
    // shown again.
    void StopFetching();
    // Pictures asked for whose fetch has not ended yet.
    int PendingPictures() const { return static_cast<int>(pending_.size()); }

    // Where a picture address leads: a local file, a web address, or nowhere.
    struct Source {
        QString file;        // a path on this machine, or
        std::string remote;  // an http or https address
        bool Ignored() const { return file.isEmpty() && remote.empty(); }
    };
    static Source Resolve(const QUrl& address, const QString& folder);

signals:
    // A picture's fetch ended; `shown` is false when it stays blank.
    void pictureDone(const QUrl& address, bool shown);

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Fetcher;
    void Deliver(quint64 generation, const QUrl& address, const QImage& picture);

    QString folder_;
    std::unique_ptr<Fetcher> fetcher_;
    QHash<QUrl, QImage> pictures_;  // arrived, or blank for good
    QSet<QUrl> pending_;
    bool stopped_ = false;
    QPointer<QWidget> watchedWindow_;
    QTimer relayout_;
};

}  // namespace varnolt
