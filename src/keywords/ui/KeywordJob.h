#pragma once
// Long keyword work (Load, Generate, Format, Save, Export) on a thread of its
// own, so that the window keeps painting and answering while it runs.
//
// The work runs on the worker thread and returns what the window does with
// its result; that runs back on the window's thread, unless the job was
// cancelled first. A cancelled job hands nothing over: the panes stay as they
// were. Work that must not be undone halfway (the rename that replaces a
// saved file) asks Commit() first; after that the job no longer cancels.
#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>

namespace varnolt {

// Thrown by the work when it sees the job cancelled.
struct JobCancelled {};

// What the worker knows of its job: cancelled or not, and its progress.
class JobControl {
public:
    bool Cancelled() const { return state_.load(std::memory_order_relaxed) == kCancelled; }
    void ThrowIfCancelled() const {
        if (Cancelled()) {
            throw JobCancelled{};
        }
    }
    // `done` of `total` units; a total of 0 leaves the progress unknown.
    void SetProgress(std::uint64_t done, std::uint64_t total);
    // Thousandths done, or -1 while unknown.
    int Permille() const { return permille_.load(std::memory_order_relaxed); }
    // From running to cancelled; false when the job already committed.
    bool Cancel();
    // From running to committed; false when the job was cancelled.
    bool Commit();

private:
    static constexpr int kRunning = 0;
    static constexpr int kCancelled = 1;
    static constexpr int kCommitted = 2;
    std::atomic<int> state_{kRunning};
    std::atomic<int> permille_{-1};
};

class KeywordJob : public QObject {
    Q_OBJECT
public:
    // What the window does with a result, on its own thread.
    using Finish = std::function<void()>;
    // The work itself, on the worker thread.
    using Work = std::function<Finish(JobControl&)>;
    // On the window's thread when the job ends: `finish` when it completed,
    // `error` when the work threw; both empty when it was cancelled.
    using Done = std::function<void(const Finish& finish, std::exception_ptr error)>;

    explicit KeywordJob(QObject* parent = nullptr);
    // Cancels a running job and waits for its thread.
    ~KeywordJob() override;

    bool Running() const { return running_; }
    // Starts `work`; false (and nothing happens) while another job runs.
    bool Start(Work work, Done done);
    // Asks the running job to stop; it ends (finished) when the worker has.
    void Cancel();
    bool CancelRequested() const { return cancelRequested_; }
    // Thousandths done, or -1 while unknown.
    int Permille() const;
    // Runs the window's events until no job runs.
    void Wait();

signals:
    void started();
    void progressChanged(int permille);
    // After Done has run.
    void finished();

private:
    void Ended(Finish finish, std::exception_ptr error);

    std::thread worker_;
    std::shared_ptr<JobControl> control_;
    Done done_;
    QTimer poll_;
    int lastPermille_ = -2;
    bool running_ = false;
    bool cancelRequested_ = false;
};

}  // namespace varnolt
