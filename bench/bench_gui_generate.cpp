// "Generate" in the real window: from the click to the painted output pane,
// with all six typo kinds over 1,000 and 10,000 keywords.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <random>
#include <string>

#include "BenchKeywords.h"
#include "app/ui/FMain.h"
#include "app/ui/Skin.h"
#include "common/ui/WindowHttpClient.h"
#include "keywords/ui/KeywordPane.h"

namespace {

class NoMessages : public varnolt::MessageService {
public:
    varnolt::MsgResult Show(QWidget*, varnolt::MsgKind, varnolt::MsgButtons,
                            const QString&) override {
        return varnolt::MsgResult::Ok;
    }
};

using varnolt::bench::MakeKeywords;

void BM_GenerateAllKinds(benchmark::State& state) {
    QTemporaryDir dir;
    varnolt::AppContext ctx;
    ctx.appFolder = dir.path().toStdString() + "/";
    ctx.messages = std::make_shared<NoMessages>();
    ctx.http = varnolt::MakeWindowHttpClient();
    varnolt::TfrmMain win(ctx);
    win.Timer1->stop();
    win.show();
    QApplication::processEvents();
    win.memInput->SetText(MakeKeywords(static_cast<int>(state.range(0))));
    for (QCheckBox* c : {win.chkSkip, win.chkDouble, win.chkReverse, win.chkSpaces, win.chkMissed,
                         win.chkInserted}) {
        c->setChecked(true);
    }
    std::size_t lines = 0;
    for (auto _ : state) {
        win.memOutput->Clear();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        win.btnGenerateClick();
        win.WaitForJob();  // Generate runs on a worker thread
        win.memOutput->Editor()->repaint();
        QApplication::processEvents();
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        lines = 0;
        for (char c : win.memOutput->Text())
            lines += c == '\n';
    }
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_GenerateAllKinds)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The benchmark's loads stay out of the user's recent files.
    QStandardPaths::setTestModeEnabled(true);
    varnolt::Skin::ApplyBuiltIn();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
