#include "keywords/ui/KeywordJob.h"

#include <QEventLoop>
#include <QMetaObject>
#include <algorithm>

namespace varnolt {

void JobControl::SetProgress(std::uint64_t done, std::uint64_t total) {
    if (total == 0) {
        return;
    }
    const auto p = static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total);
    permille_.store(p, std::memory_order_relaxed);
}

bool JobControl::Cancel() {
    int expected = kRunning;
    return state_.compare_exchange_strong(expected, kCancelled) || expected == kCancelled;
}

bool JobControl::Commit() {
    int expected = kRunning;
    return state_.compare_exchange_strong(expected, kCommitted) || expected == kCommitted;
}

KeywordJob::KeywordJob(QObject* parent) : QObject(parent) {
    // The progress is read, not sent: the worker never waits for the window.
    poll_.setInterval(50);
    connect(&poll_, &QTimer::timeout, this, [this] {
        const int p = Permille();
        if (p != lastPermille_) {
            lastPermille_ = p;
            emit progressChanged(p);
        }
    });
}

KeywordJob::~KeywordJob() {
    if (control_) {
        control_->Cancel();
    }
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool KeywordJob::Start(Work work, Done done) {
    if (running_) {
        return false;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    running_ = true;
    cancelRequested_ = false;
    done_ = std::move(done);
    control_ = std::make_shared<JobControl>();
    lastPermille_ = -2;
    emit started();
    poll_.start();
    worker_ = std::thread([this, control = control_, work = std::move(work)]() mutable {
        Finish finish;
        std::exception_ptr error;
        try {
            finish = work(*control);
        } catch (const JobCancelled&) {
        } catch (...) {
            error = std::current_exception();
        }
        // The work's own buffers are gone by now; only the result travels,
        // and a result nobody wants any more is freed here, not by the window.
        work = nullptr;
        if (control->Cancelled()) {
            finish = nullptr;
        }
        QMetaObject::invokeMethod(
            this,
            [this, finish = std::move(finish), error]() mutable {
                Ended(std::move(finish), error);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void KeywordJob::Cancel() {
    if (running_ && control_) {
        cancelRequested_ = control_->Cancel();
    }
}

int KeywordJob::Permille() const {
    return control_ ? control_->Permille() : -1;
}

void KeywordJob::Ended(Finish finish, std::exception_ptr error) {
    if (worker_.joinable()) {
        worker_.join();
    }
    poll_.stop();
    // A result that arrives after Cancel is dropped, unless the work had
    // committed to it (a file already replaced stays replaced).
    const bool keep = control_->Commit();
    Done done = std::move(done_);
    done_ = nullptr;
    running_ = false;
    if (keep && done) {
        done(finish, error);
    } else if (finish) {
        // Cancelled as the result arrived: a big text leaves on a thread of its own.
        std::thread([gone = std::move(finish)]() mutable { gone = nullptr; }).detach();
    }
    emit finished();
}

void KeywordJob::Wait() {
    if (!running_) {
        return;
    }
    QEventLoop loop;
    connect(this, &KeywordJob::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace varnolt
