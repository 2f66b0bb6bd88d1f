// How long the interface's event loop is kept from running while the widget refreshes against
// a server that answers after a delay (sample-service --delay-ms; 10 s by default). A probe timer
// ticks every millisecond on the interface thread; the longest gap between two ticks, less the
// 1 ms the timer waits on purpose, is the longest stall: the start-up refresh (from the end of
// start-up to the forecast on screen) and a refresh from the menu command, each measured until
// its forecast is drawn.
//
// On a busy machine a gap also holds time the thread waited for a processor; the interface
// thread's own processor time within the longest gap tells the program's share (`_cpu_ms`),
// and the most processor time the thread spent between two ticks (`busy_`) is the longest
// stretch the program itself kept the loop busy: what an idle machine would show as the stall.
//
// BM_WarningsFloodStall does the same for the warnings of the agency's source when its answer
// puts 28,500 unknown codes in force for the place (about 1 MB, sample-service
// --warning-flood), for one real 警報 and for none: the start-up (forecast and warnings on screen)
// and the next poll, with the warnings shown, the balloons of each and the balloon's length in
// bytes.
//
// Offscreen by default; QT_QPA_PLATFORM=xcb measures on a real X display (Xvfb).
#include "app/MainForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <time.h>

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "refresh_stall_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// sample-service on a free port, answering every page after `delayMs`.
class SlowService {
public:
    explicit SlowService(int delayMs, const QStringList& more = {}) {
        process_.start(QStringLiteral(PELUMI_BIN_DIR "/sample-service"),
                       QStringList{"--port", "0", "--delay-ms", QString::number(delayMs)} + more);
        if (!process_.waitForReadyRead(10000))
            throw std::runtime_error("sample-service did not start");
        url_ = process_.readLine().trimmed().toStdString();
    }
    ~SlowService() {
        process_.kill();
        process_.waitForFinished();
    }
    const std::string& Url() const { return url_; }

private:
    QProcess process_;
    std::string url_;
};

qint64 ThreadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Ticks every millisecond and keeps the longest gap between two ticks.
class StallProbe {
public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            const qint64 cpu = ThreadCpuNs();
            if (now - last_ > longest_) {
                longest_ = now - last_;
                longestCpu_ = cpu - lastCpu_;
            }
            busiest_ = std::max(busiest_, cpu - lastCpu_);
            last_ = now;
            lastCpu_ = cpu;
            ++ticks_;
        });
    }
    void Start() {
        longest_ = 0;
        longestCpu_ = 0;
        busiest_ = 0;
        ticks_ = 0;
        clock_.start();
        last_ = 0;
        lastCpu_ = ThreadCpuNs();
        timer_.start();
    }
    void Stop() { timer_.stop(); }
    double LongestStallMs() const { return std::max<double>(0.0, longest_ / 1e6 - 1.0); }
    double LongestStallCpuMs() const { return longestCpu_ / 1e6; }
    double BusiestMs() const { return busiest_ / 1e6; }
    long Ticks() const { return ticks_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 lastCpu_ = 0;
    qint64 longest_ = 0;
    qint64 longestCpu_ = 0;
    qint64 busiest_ = 0;
    long ticks_ = 0;
};

// Runs the event loop until `done` or `timeoutMs`.
template <class F> bool RunUntil(F done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

void BM_RefreshStall(benchmark::State& state) {
    App();
    const int delayMs = static_cast<int>(state.range(0));
    SlowService service(delayMs);
    QTemporaryDir folder;
    const std::filesystem::path dir = folder.path().toStdString();
    std::filesystem::copy(PELUMI_BIN_DIR "/urls.list", dir / "urls.list");
    std::filesystem::copy(PELUMI_BIN_DIR "/Skin", dir / "Skin",
                          std::filesystem::copy_options::recursive);
    std::ofstream(dir / "zomika2.ini")
        << "[URL]\nPrefixTenkiLite=" << service.Url() << "lite/\nPrefixYahoo=" << service.Url()
        << "weather/jp/\n[Option]\nServer=0\nLocation=0\n";
    double startUp = 0;
    double startUpCpu = 0;
    double startUpBusy = 0;
    double command = 0;
    double commandCpu = 0;
    double commandBusy = 0;
    long ticks = 0;
    bool forecast = true;
    for (auto _ : state) {
        StallProbe probe;
        TMainForm form(dir.string() + "/");
        probe.Start();
        forecast = RunUntil([&] { return !form.Refreshing(); }, delayMs * 8 + 10000) &&
                   form.Weather.Information.empty();
        probe.Stop();
        startUp = probe.LongestStallMs();
        startUpCpu = probe.LongestStallCpuMs();
        startUpBusy = probe.BusiestMs();
        ticks = probe.Ticks();

        probe.Start();
        // As from the menu: the command runs inside the loop, so its own time counts too.
        QTimer::singleShot(50, &form, [&form] { form.ActRefresh.trigger(); });
        RunUntil([&] { return form.Refreshing(); }, 5000);
        forecast = RunUntil([&] { return !form.Refreshing(); }, delayMs * 8 + 10000) &&
                   form.Weather.Information.empty() && forecast;
        probe.Stop();
        command = probe.LongestStallMs();
        commandCpu = probe.LongestStallCpuMs();
        commandBusy = probe.BusiestMs();
        ticks += probe.Ticks();
        form.close();
    }
    if (!forecast)
        state.SkipWithError("the refresh did not end with a forecast on screen");
    state.counters["stall_start_ms"] = startUp;
    state.counters["stall_start_cpu_ms"] = startUpCpu;
    state.counters["stall_command_ms"] = command;
    state.counters["stall_command_cpu_ms"] = commandCpu;
    state.counters["busy_start_ms"] = startUpBusy;
    state.counters["busy_command_ms"] = commandBusy;
    state.counters["probe_ticks"] = static_cast<double>(ticks);
}

void BM_WarningsFloodStall(benchmark::State& state) {
    App();
    const int codes = static_cast<int>(state.range(0));
    QStringList options = {"--today", "2026-12-09", "--locations",
                           PELUMI_TEST_DATA_DIR "/locations/sample.list"};
    if (codes == 1)
        options << "--warning"
                << "1310100:03";
    else if (codes > 1)
        options << "--warning-flood"
                << "1310100:" + QString::number(codes);
    SlowService service(0, options);
    QTemporaryDir folder;
    const std::filesystem::path dir = folder.path().toStdString();
    std::filesystem::copy(PELUMI_TEST_DATA_DIR "/locations/sample.list", dir / "urls.list");
    std::filesystem::copy(PELUMI_BIN_DIR "/Skin", dir / "Skin",
                          std::filesystem::copy_options::recursive);
    // The agency's source for 千代田区, the list's first place, whose agency place is known.
    std::ofstream(dir / "zomika2.ini")
        << "[URL]\nPrefixJma=" << service.Url() << "bosai/\nPrefixOpenMeteo=" << service.Url()
        << "\n[JmaPlaces]\n東京,千代田区=130000,130010,1310100,44132,35.69167,139.75"
        << "\n[Option]\nServer=3\nLocation=0\n";
    double startUp = 0, startUpBusy = 0, poll = 0, pollBusy = 0;
    std::size_t shown = 0, balloons = 0, pollBalloons = 0, balloonLength = 0;
    bool done = true;
    for (auto _ : state) {
        StallProbe probe;
        TMainForm form(dir.string() + "/");
        const auto idle = [&form] { return !form.Refreshing() && !form.RefreshingWarnings(); };
        probe.Start();
        done = RunUntil(idle, 60000) && form.Weather.WarningsKnown;
        probe.Stop();
        startUp = probe.LongestStallMs();
        startUpBusy = probe.BusiestMs();
        shown = form.Weather.Warnings.size();
        balloons = static_cast<std::size_t>(form.WarningBalloons());
        balloonLength = form.BalloonText().size();

        probe.Start();
        // As the 10-minute timer asks: inside the loop.
        QTimer::singleShot(50, &form, [&form] { form.RefreshWarnings(); });
        RunUntil([&form] { return form.RefreshingWarnings(); }, 5000);
        done = RunUntil(idle, 60000) && form.Weather.WarningsKnown && done;
        probe.Stop();
        poll = probe.LongestStallMs();
        pollBusy = probe.BusiestMs();
        pollBalloons = static_cast<std::size_t>(form.WarningBalloons()) - balloons;
        form.close();
    }
    if (!done)
        state.SkipWithError("the warnings did not come");
    state.counters["stall_start_ms"] = startUp;
    state.counters["busy_start_ms"] = startUpBusy;
    state.counters["stall_poll_ms"] = poll;
    state.counters["busy_poll_ms"] = pollBusy;
    state.counters["warnings_shown"] = static_cast<double>(shown);
    state.counters["balloons_start"] = static_cast<double>(balloons);
    state.counters["balloons_poll"] = static_cast<double>(pollBalloons);
    state.counters["balloon_bytes"] = static_cast<double>(balloonLength);
}

} // namespace

BENCHMARK(BM_RefreshStall)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);
// The same with a server that answers at once: the interface's share without waiting.
BENCHMARK(BM_RefreshStall)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond);
// The warnings of one place flooded with unknown codes.
BENCHMARK(BM_WarningsFloodStall)->Arg(28500)->Iterations(1)->Unit(benchmark::kSecond);
// The same place with one real 警報, and without any warning: what a balloon, and the start-up
// and a poll, cost anyway.
BENCHMARK(BM_WarningsFloodStall)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_WarningsFloodStall)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond);
