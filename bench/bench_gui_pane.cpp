// The keyword pane with big lists, in one process on the offscreen platform:
// - load of 1,000,000 lines against QPlainTextEdit::setPlainText of the same
//   text, and the memory the pane takes for them;
// - the first keystroke in a 1,600,000-line pane, its time and memory;
// - Clear after a big fill, and the resident memory it gives back.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QThread>
#include <cstdio>
#include <fstream>
#include <string>

#include "keywords/ui/KeywordPane.h"
#include "keywords/ui/LineEditView.h"

namespace {

// Resident memory of the process in bytes.
long long Rss() {
    std::ifstream f("/proc/self/statm");
    long long pages = 0;
    long long resident = 0;
    f >> pages >> resident;
    return resident * 4096;
}

std::string MakeLines(int count) {
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 20);
    for (int i = 0; i < count; ++i) {
        text += "cheap flights ";
        text += std::to_string(i);
        text += '\n';
    }
    return text;
}

double Ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    // Load: 1,000,000 lines.
    {
        const std::string text = MakeLines(1000000);
        varnolt::LinePane pane(QStringLiteral("memInput"), QStringLiteral("bar"), true);
        pane.resize(279, 379);
        pane.show();
        QApplication::processEvents();
        const long long before = Rss();
        QElapsedTimer t;
        t.start();
        pane.SetText(text);
        pane.Editor()->repaint();
        const double paneMs = Ms(t);
        const long long paneBytes = Rss() - before;

        // As a Load in a worker hands it over: text and line starts made off the
        // window's thread, moved in on it.
        std::string moved = text;
        varnolt::PaneText::Index starts = varnolt::PaneText::IndexLines(moved);
        t.start();
        pane.SetLines(std::move(moved), std::move(starts));
        pane.Editor()->repaint();
        const double handOverMs = Ms(t);
        std::printf(
            "hand-over of a text and index made by a worker: %.3f ms on the window's "
            "thread\n",
            handOverMs);

        QPlainTextEdit edit;
        edit.resize(279, 379);
        edit.show();
        QApplication::processEvents();
        const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        t.start();
        edit.setPlainText(qtext);
        edit.repaint();
        const double editMs = Ms(t);
        std::printf(
            "load 1,000,000 lines (%zu bytes): pane %.1f ms, setPlainText %.1f ms, "
            "ratio %.3f\n",
            text.size(), paneMs, editMs, paneMs / editMs);
        std::printf("pane memory for them: %.1f MB, limit (bytes + 16 a line) %.1f MB\n",
                    paneBytes / 1e6, (text.size() + 16.0 * 1000000) / 1e6);
    }

    // First keystroke in 1,600,000 lines.
    {
        varnolt::LinePane pane(QStringLiteral("memOutput"), QStringLiteral("bar"), false);
        pane.resize(279, 379);
        pane.show();
        pane.AdoptText(MakeLines(1600000));
        QApplication::processEvents();
        auto* view = pane.findChild<varnolt::LineEditView*>();
        view->setFocus();
        view->SetCaret(varnolt::TextPos{800000, 5}, false);
        QApplication::processEvents();
        const long long before = Rss();
        QElapsedTimer t;
        t.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(view, &press);
        view->repaint();
        const double ms = Ms(t);
        std::printf(
            "first keystroke in 1,600,000 lines: %.3f ms, memory %+.3f MB, line now "
            "\"%.*s\"\n",
            ms, (Rss() - before) / 1e6, static_cast<int>(pane.Line(800000).size()),
            pane.Line(800000).data());
    }

    // Clear after a big fill.
    {
        varnolt::LinePane pane(QStringLiteral("memOutput"), QStringLiteral("bar"), false);
        pane.resize(279, 379);
        pane.show();
        QApplication::processEvents();
        const long long before = Rss();
        pane.AppendLines(MakeLines(8000000));
        QApplication::processEvents();
        const long long full = Rss();
        QElapsedTimer t;
        t.start();
        pane.Clear();
        const double ms = Ms(t);
        QApplication::processEvents();
        // The buffers are freed on a thread of their own: give it a moment.
        QThread::msleep(300);
        const long long after = Rss();
        std::printf(
            "clear after 8,000,000 lines: resident before %.1f MB, filled %.1f MB, "
            "after Clear %.1f MB (%+.1f%%), Clear took %.1f ms\n",
            before / 1e6, full / 1e6, after / 1e6,
            100.0 * static_cast<double>(after - before) / static_cast<double>(before), ms);
    }
    return 0;
}
