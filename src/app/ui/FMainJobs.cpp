// The long work of the keyword pages: one job at a time on a worker thread,
// with the controls that would race with it disabled, a wait cursor, and the
// progress and Cancel on the page.
#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QShortcut>

#include "app/ui/FMain.h"
#include "keywords/ui/KeywordJob.h"
#include "keywords/ui/KeywordPane.h"

namespace varnolt {

void TfrmMain::BuildJobs() {
    job_ = std::make_unique<KeywordJob>();
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape_->setContext(Qt::WindowShortcut);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, &TfrmMain::CancelJob);
    for (KeywordPage* page : {stsWelcomeActions, bsSkinTabSheet1}) {
        connect(page->CancelButton(), &QAbstractButton::clicked, this, &TfrmMain::CancelJob);
    }
    connect(job_.get(), &KeywordJob::progressChanged, this, [this](int permille) {
        if (jobPage_) {
            jobPage_->SetProgress(permille);
        }
    });
    connect(job_.get(), &KeywordJob::finished, this, &TfrmMain::UnlockAfterJob);
}

bool TfrmMain::JobRunning() const {
    return job_ && job_->Running();
}

void TfrmMain::CancelJob() {
    if (JobRunning()) {
        job_->Cancel();
    }
}

void TfrmMain::WaitForJob() {
    if (job_) {
        job_->Wait();
    }
}

KeywordPage* TfrmMain::PageOf(const KeywordPane* pane) const {
    return pane == memAInput || pane == memAOutput ? bsSkinTabSheet1 : stsWelcomeActions;
}

bool TfrmMain::StartJob(KeywordPage* page, std::vector<KeywordPane*> panes,
                        std::function<std::function<void()>(JobControl&)> work) {
    if (JobRunning()) {
        return false;
    }
    LockForJob(page, panes);
    job_->Start(std::move(work),
                [this](const KeywordJob::Finish& finish, std::exception_ptr error) {
                    // The window is whole again before any message about the result.
                    UnlockAfterJob();
                    RunHandler([&] {
                        if (error) {
                            std::rethrow_exception(error);
                        }
                        if (finish) {
                            finish();
                        }
                    });
                });
    return true;
}

void TfrmMain::LockForJob(KeywordPage* page, const std::vector<KeywordPane*>& panes) {
    focusBeforeJob_ = QApplication::focusWidget();
    locked_.clear();
    // Every button that starts work or changes a pane, on both pages.
    for (KeywordPage* p : {stsWelcomeActions, bsSkinTabSheet1}) {
        for (QWidget* w : std::initializer_list<QWidget*>{
                 p->Action(), p->SecondAction(), p->OutputAction(), p->ClearInput(), p->LoadInput(),
                 p->ClearOutput(), p->SaveOutput()}) {
            if (w && w->isEnabled()) {
                locked_.push_back(w);
            }
        }
    }
    // The panes the worker reads or the result replaces take no edits.
    for (KeywordPane* pane : panes) {
        if (pane->isEnabled()) {
            locked_.push_back(pane);
        }
    }
    for (QWidget* w : locked_) {
        w->setEnabled(false);
    }
    jobPage_ = page;
    page->ShowJob(true);
    page->SetProgress(-1);
    page->CancelButton()->setFocus(Qt::OtherFocusReason);
    escape_->setEnabled(true);
    // The busy cursor: the pointer still shows that Cancel can be clicked.
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
}

void TfrmMain::UnlockAfterJob() {
    if (!jobPage_) {
        return;
    }
    QGuiApplication::restoreOverrideCursor();
    escape_->setEnabled(false);
    const bool cancelHadFocus = jobPage_->CancelButton()->hasFocus();
    jobPage_->ShowJob(false);
    jobPage_ = nullptr;
    for (QWidget* w : locked_) {
        w->setEnabled(true);
    }
    locked_.clear();
    if (focusBeforeJob_ && (cancelHadFocus || !QApplication::focusWidget())) {
        focusBeforeJob_->setFocus(Qt::OtherFocusReason);
    }
    focusBeforeJob_ = nullptr;
}

}  // namespace varnolt
