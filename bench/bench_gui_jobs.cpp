// The keyword pages' long work in the real window, in one process, each
// against its reference measured in the same run:
// - Generate, all kinds, 100,000 keywords, from the click to the painted
//   output, against the engine writing the same lines the way varnolt-kw
//   does (its FdSink into a temporary file) and into a sink that only counts;
// - Save of 1,500,000 lines against writing the same bytes at once, through
//   the program's file layer (replaced whole, synced) and with a plain write;
// - during Load of 1,000,000 lines, Generate and Save, the longest gap
//   between two ticks of a 10 ms timer on the window's thread;
// - resident memory after Clear that follows the Generate, against before.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "../tools/varnolt-kw/FdSink.h"
#include "BenchKeywords.h"
#include "app/ui/FMain.h"
#include "app/ui/Skin.h"
#include "common/ui/WindowHttpClient.h"
#include "keywords/ChunkSink.h"
#include "keywords/Keywords.h"
#include "keywords/ui/KeywordPane.h"
#include "keywords/ui/KeywordWork.h"
#include "util/KeywordFile.h"
#include "util/OutputFile.h"

namespace {

class NoMessages : public varnolt::MessageService {
public:
    varnolt::MsgResult Show(QWidget*, varnolt::MsgKind, varnolt::MsgButtons,
                            const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return varnolt::MsgResult::Ok;
    }
};

// Answers every file dialog with `path`.
class FixedDialogs : public varnolt::FileDialogService {
public:
    std::optional<QString> OpenFile(QWidget*, const varnolt::FileDialogRequest&) override {
        return path;
    }
    std::optional<QString> SaveFile(QWidget*, const varnolt::FileDialogRequest&) override {
        return path;
    }
    QString path;
};

// What varnolt-kw does writing to a null device: its buffers are dropped.
class DroppingSink : public varnolt::ChunkSink {
public:
    std::size_t bytes = 0;

protected:
    void Drain(const char*, std::size_t size) override { bytes += size; }
};

using varnolt::bench::MakeKeywords;

long long Rss() {
    std::ifstream f("/proc/self/statm");
    long long pages = 0;
    long long resident = 0;
    f >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double Ms(qint64 ns) {
    return static_cast<double>(ns) / 1e6;
}

// The longest gap between two ticks of a 10 ms timer since Reset().
class TickGaps {
public:
    TickGaps() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, clock_.nsecsElapsed());
            clock_.restart();
        });
        timer_.start();
    }
    void Reset() {
        QApplication::processEvents();
        clock_.restart();
        longest_ = 0;
    }
    // The gap so far, the one still open included.
    double LongestMs() const { return Ms(std::max(longest_, clock_.nsecsElapsed())); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

// Runs `start`, waits for the window's job and paints; the time in ms.
template <typename Start>
double Timed(varnolt::TfrmMain& win, varnolt::KeywordPane* painted, Start start) {
    QElapsedTimer t;
    t.start();
    start();
    win.WaitForJob();
    painted->Editor()->repaint();
    return Ms(t.nsecsElapsed());
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // The benchmark's loads stay out of the user's recent files.
    QStandardPaths::setTestModeEnabled(true);
    varnolt::Skin::ApplyBuiltIn();
    QTemporaryDir dir;
    auto dialogs = std::make_shared<FixedDialogs>();
    varnolt::AppContext ctx;
    ctx.appFolder = dir.path().toStdString() + "/";
    ctx.messages = std::make_shared<NoMessages>();
    ctx.dialogs = dialogs;
    ctx.http = varnolt::MakeWindowHttpClient();
    varnolt::TfrmMain win(ctx);
    win.Timer1->stop();
    win.show();
    QApplication::processEvents();
    TickGaps gaps;

    // Load of 1,000,000 lines.
    {
        const QString file = dir.filePath(QStringLiteral("million.txt"));
        const std::string text = MakeKeywords(1000000);
        varnolt::SaveKeywordFile(file.toStdString(), varnolt::ToCrLf(text));
        gaps.Reset();
        const double ms = Timed(win, win.memInput, [&] { win.LoadFileInto(win.memInput, file); });
        const double gap = gaps.LongestMs();
        QPlainTextEdit edit;
        edit.resize(279, 379);
        edit.show();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        edit.setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        edit.repaint();
        const double editMs = Ms(t.nsecsElapsed());
        std::printf(
            "load 1,000,000 lines from a file: window %.1f ms, %zu keywords; setPlainText of "
            "the same text %.1f ms (ratio %.3f); longest tick gap %.1f ms\n",
            ms, win.memInput->LineCount(), editMs, ms / editMs, gap);
        win.memInput->Clear();
    }

    // Generate, all kinds, 100,000 keywords.
    const std::string keywords = MakeKeywords(100000);
    win.memInput->SetText(keywords);
    for (QCheckBox* c : win.stsWelcomeActions->Options()) {
        c->setChecked(true);
    }
    QApplication::processEvents();
    QThread::msleep(300);
    const long long rssBefore = Rss();
    double windowMs = 0;
    double gapMs = 0;
    std::size_t lines = 0;
    for (int run = 0; run < 3; ++run) {
        win.memOutput->Clear();
        QThread::msleep(200);
        gaps.Reset();
        const double ms = Timed(win, win.memOutput, [&] { win.btnGenerateClick(); });
        gapMs = std::max(gapMs, gaps.LongestMs());
        windowMs = run == 0 ? ms : std::min(windowMs, ms);
        lines = win.memOutput->LineCount();
    }
    double fileMs = 0;
    double nullMs = 0;
    const std::vector<std::string_view> list = varnolt::KeywordLines(keywords);
    const std::string kwFile = dir.filePath(QStringLiteral("kw-out.txt")).toStdString();
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        {
            const int fd = ::open(kwFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            varnolt::FdSink sink(fd);
            varnolt::GenerateTypos(list, varnolt::TypoKinds::All(), sink);
            sink.Flush();
            ::close(fd);
        }
        const double f = Ms(t.nsecsElapsed());
        t.restart();
        DroppingSink dropped;
        varnolt::GenerateTypos(list, varnolt::TypoKinds::All(), dropped);
        dropped.Flush();
        const double n = Ms(t.nsecsElapsed());
        fileMs = run == 0 ? f : std::min(fileMs, f);
        nullMs = run == 0 ? n : std::min(nullMs, n);
    }
    std::printf(
        "generate all kinds, 100,000 keywords (%zu lines): window %.1f ms; engine to a file "
        "as varnolt-kw %.1f ms (ratio %.2f); engine as varnolt-kw to a null device %.1f ms (ratio "
        "%.2f); "
        "longest tick gap %.1f ms\n",
        lines, windowMs, fileMs, windowMs / fileMs, nullMs, windowMs / nullMs, gapMs);
    ::unlink(kwFile.c_str());

    // What of it runs on the window's thread: the hand-over of the result.
    {
        varnolt::JobControl job;
        varnolt::PaneLines made =
            varnolt::GenerateForPane(list, varnolt::TypoKinds::All(), false, nullptr, job);
        win.memOutput->Clear();
        QThread::msleep(300);
        QElapsedTimer t;
        t.start();
        win.memOutput->SetLines(std::move(made.text), std::move(made.starts), &made.facts);
        win.memOutput->ScrollToTop();
        const double handOver = Ms(t.nsecsElapsed());
        win.memOutput->Editor()->repaint();
        std::printf(
            "hand-over of those lines on the window's thread: %.1f ms, with the paint "
            "%.1f ms\n",
            handOver, Ms(t.nsecsElapsed()));
    }

    win.memOutput->Clear();
    QApplication::processEvents();
    QThread::msleep(500);
    const long long rssAfter = Rss();
    std::printf(
        "resident memory before Generate %.1f MB, after Clear %.1f MB (%+.1f%%, target within "
        "20%%)\n",
        rssBefore / 1e6, rssAfter / 1e6, 100.0 * (rssAfter - rssBefore) / rssBefore);

    // Save of 1,500,000 lines.
    {
        std::string text;
        for (int i = 0; i < 1500000; ++i) {
            text += "cheap flights to new york ";
            text += std::to_string(i);
            text += '\n';
        }
        const std::string crlf = varnolt::ToCrLf(text);
        win.memOutput->AdoptText(std::move(text));
        QApplication::processEvents();
        const QString target = dir.filePath(QStringLiteral("saved.txt"));
        dialogs->path = target;
        double saveMs = 0;
        double layerMs = 0;
        double plainMs = 0;
        gapMs = 0;
        for (int run = 0; run < 3; ++run) {
            gaps.Reset();
            const double ms = Timed(win, win.memOutput, [&] { win.btnSaveOutputClick(); });
            gapMs = std::max(gapMs, gaps.LongestMs());
            QElapsedTimer t;
            t.start();
            std::string error;
            varnolt::WriteWholeFile(target.toStdString() + ".ref", crlf, "ref", &error);
            const double layer = Ms(t.nsecsElapsed());
            t.restart();
            const int fd = ::open((target.toStdString() + ".plain").c_str(),
                                  O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            varnolt::WriteAll(fd, crlf.data(), crlf.size());
            ::close(fd);
            const double plain = Ms(t.nsecsElapsed());
            saveMs = run == 0 ? ms : std::min(saveMs, ms);
            layerMs = run == 0 ? layer : std::min(layerMs, layer);
            plainMs = run == 0 ? plain : std::min(plainMs, plain);
        }
        std::printf(
            "save 1,500,000 lines (%zu bytes): window %.1f ms; the same bytes replaced whole "
            "by the file layer %.1f ms (ratio %.2f), plain write %.1f ms (ratio %.2f); longest "
            "tick gap %.1f ms\n",
            crlf.size(), saveMs, layerMs, saveMs / layerMs, plainMs, saveMs / plainMs, gapMs);
    }
    return 0;
}
