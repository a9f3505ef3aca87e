#include "common/ui/HtmlView.h"

#include <sys/stat.h>

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QShowEvent>
#include <QTextDocument>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "util/UUtils.h"

namespace varnolt {

namespace {

// What a picture that is not (yet) there shows: nothing, scaled to the size
// the page gives it.
QImage Blank() {
    QImage blank(1, 1, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    return blank;
}

// A regular file of at most `limit` bytes, whole; nothing otherwise.
bool ReadSmallFile(const QString& path, std::size_t limit, QByteArray& data) {
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::size_t>(st.st_size) > limit) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    data = file.read(static_cast<qint64>(limit) + 1);
    return static_cast<std::size_t>(data.size()) <= limit;
}

}  // namespace

// Worker threads, started as pictures are asked for, each with an HTTP
// client of its own. A fetch belongs to a generation; starting a new one
// (StopFetching) drops the queue and ends the fetches in flight.
struct HtmlView::Fetcher {
    struct Job {
        QUrl address;
        HtmlView::Source source;
        quint64 generation = 0;
    };

    explicit Fetcher(HtmlView* view) : view(view) {}

    ~Fetcher() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            quit = true;
            queue.clear();
        }
        cv.notify_all();
        for (std::thread& t : threads)
            t.join();
    }

    void Add(Job job) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            queue.push_back(std::move(job));
            if (idle == 0 && static_cast<int>(threads.size()) < kMaxFetches)
                threads.emplace_back([this] { Work(); });
        }
        cv.notify_one();
    }

    void NewGeneration() {
        std::lock_guard<std::mutex> lock(mutex);
        ++generation;
        queue.clear();
    }

    void Work() {
        HttpClient http;
        quint64 current = 0;
        // Runs every 20 ms at most while a request waits.
        http.SetPump([&] {
            if (quit || generation != current)
                http.AbortAll();
        });
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(mutex);
                ++idle;
                cv.wait(lock, [&] { return quit || !queue.empty(); });
                --idle;
                if (quit)
                    return;
                job = std::move(queue.front());
                queue.pop_front();
                current = job.generation;
                http.SetLimits(limits);
            }
            QByteArray data;
            bool ok = false;
            if (!job.source.file.isEmpty()) {
                ok = ReadSmallFile(job.source.file, kMaxPictureBytes, data);
            } else {
                std::string reply;
                ok = http.Get(job.source.remote, reply, kMaxPictureBytes);
                data = QByteArray::fromStdString(reply);
            }
            QImage picture;
            if (ok && generation == current)
                picture = QImage::fromData(data);
            // Posted to the view's thread; the view waits for this thread
            // before it goes, so it is still there.
            QMetaObject::invokeMethod(
                view,
                [v = view, g = job.generation, a = job.address, picture] {
                    v->Deliver(g, a, picture);
                },
                Qt::QueuedConnection);
        }
    }

    HtmlView* view;
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<Job> queue;
    std::vector<std::thread> threads;
    int idle = 0;
    HttpClient::Limits limits;
    std::atomic<bool> quit{false};
    std::atomic<quint64> generation{1};
};

HtmlView::HtmlView(const QString& folder, QWidget* parent)
    : QTextBrowser(parent),
      folder_(folder.isEmpty() ? QString::fromStdString(AppFolder()) : folder),
      fetcher_(std::make_unique<Fetcher>(this)) {
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    // Pictures arriving together are laid out once.
    relayout_.setSingleShot(true);
    relayout_.setInterval(0);
    connect(&relayout_, &QTimer::timeout, this, [this] {
        document()->markContentsDirty(0, document()->characterCount());
        viewport()->update();
    });
}

HtmlView::~HtmlView() {
    fetcher_->NewGeneration();
    fetcher_.reset();  // ends and waits for the worker threads
}

void HtmlView::SetHttpLimits(const HttpClient::Limits& limits) {
    std::lock_guard<std::mutex> lock(fetcher_->mutex);
    fetcher_->limits = limits;
}

void HtmlView::StopFetching() {
    stopped_ = true;
    fetcher_->NewGeneration();
    pending_.clear();
}

HtmlView::Source HtmlView::Resolve(const QUrl& address, const QString& folder) {
    Source source;
    const QString scheme = address.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        if (!address.host().isEmpty())
            source.remote = address.toString(QUrl::FullyEncoded).toStdString();
        return source;
    }
    if (!scheme.isEmpty() && scheme != QLatin1String("file"))
        return source;
    // A file on another machine is not read.
    const QString host = address.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return source;
    const QString path = address.path(QUrl::FullyDecoded);
    if (path.isEmpty())
        return source;
    source.file =
        QDir::cleanPath(QDir::isAbsolutePath(path) ? path : folder + QLatin1Char('/') + path);
    return source;
}

QVariant HtmlView::loadResource(int type, const QUrl& name) {
    if (type == QTextDocument::StyleSheetResource) {
        const Source source = Resolve(name, folder_);
        QByteArray css;
        if (!source.file.isEmpty() && ReadSmallFile(source.file, kMaxStyleSheetBytes, css))
            return QString::fromUtf8(css);
        return QString();
    }
    if (type != QTextDocument::ImageResource)
        return QString();  // a page never loads another page
    if (auto it = pictures_.constFind(name); it != pictures_.constEnd())
        return *it;
    if (!stopped_ && !pending_.contains(name)) {
        const Source source = Resolve(name, folder_);
        if (source.Ignored()) {
            pictures_.insert(name, Blank());
        } else {
            pending_.insert(name);
            fetcher_->Add({name, source, fetcher_->generation});
        }
    }
    return Blank();
}

void HtmlView::Deliver(quint64 generation, const QUrl& address, const QImage& picture) {
    if (generation != fetcher_->generation || !pending_.remove(address))
        return;
    const QImage shown = picture.isNull() ? Blank() : picture;
    pictures_.insert(address, shown);
    document()->addResource(QTextDocument::ImageResource, address, shown);
    relayout_.start();
    emit pictureDone(address, !picture.isNull());
}

void HtmlView::showEvent(QShowEvent* event) {
    QTextBrowser::showEvent(event);
    stopped_ = false;
    QWidget* top = window();
    if (top != watchedWindow_) {
        if (watchedWindow_)
            watchedWindow_->removeEventFilter(this);
        watchedWindow_ = top;
        top->installEventFilter(this);
    }
}

bool HtmlView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && (event->type() == QEvent::Close ||
                                      (event->type() == QEvent::Hide && !event->spontaneous()))) {
        StopFetching();
    }
    return QTextBrowser::eventFilter(watched, event);
}

}  // namespace varnolt
