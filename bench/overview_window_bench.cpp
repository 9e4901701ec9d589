// Times the overview window: a run over a log folder (the window's own worker
// thread, as a user starts it), the longest the GUI thread went without
// turning its event loop meanwhile, how soon 停止 ends a run, and the paint
// time of the agent table with 500 agents and of the day chart over 400 days.
//
//   trawlex-windowbench LOG_FOLDER      (QT_QPA_PLATFORM=offscreen for no screen)

#include "common/app_settings.h"
#include "overview/ui/chart_view.h"
#include "overview/ui/overview_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <cstdio>

namespace {

// Clicks 开始分析 and turns the event loop until the run has ended; the
// stop button is clicked after `stopAfterMs` when that is not negative.
struct RunTimes
{
    qint64 wallMs = 0;     // from the click, or from 停止 when it was clicked
    double cpuSeconds = 0;  // of every thread of the process
    qint64 longestGapMs = 0;  // between the ticks of a 10 ms timer on the GUI thread
};

RunTimes TimeRun(OverviewWindow &window, int stopAfterMs = -1)
{
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, &window,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    QEventLoop loop;
    QObject::connect(&window, &OverviewWindow::runFinished, &loop, &QEventLoop::quit);
    auto *stop = window.findChild<QPushButton *>(QStringLiteral("stopButton"));
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuAtStart = std::clock();
    sinceTick.start();
    ticker.start();
    window.findChild<QPushButton *>(QStringLiteral("startButton"))->click();
    qint64 stoppedAt = 0;
    if (stopAfterMs >= 0)
        QTimer::singleShot(stopAfterMs, &window, [&] {
            stoppedAt = clock.elapsed();
            stop->click();
        });
    loop.exec();
    return {clock.elapsed() - stoppedAt, double(std::clock() - cpuAtStart) / CLOCKS_PER_SEC, longestGap};
}

// 500 agents with 400 days each, as a long-lived busy site would give.
std::shared_ptr<OverviewResult> LargeResult()
{
    auto result = std::make_shared<OverviewResult>();
    const QDate firstDay(2024, 1, 1);
    for (int i = 0; i < 500; ++i) {
        AgentOverview agent;
        agent.id = QStringLiteral("agent-%1").arg(i, 3, 10, QLatin1Char('0'));
        agent.name = QStringLiteral("蜘蛛 %1").arg(i);
        agent.category = AgentCategory(i % 5);
        agent.catalogued = true;
        for (int day = 0; day < 400; ++day) {
            const qint64 requests = (i * 7 + day * 13) % 500 + 1000 - i;
            agent.days.insert(firstDay.addDays(day), requests);
            result->days[firstDay.addDays(day)] += requests;
            agent.requests += requests;
        }
        agent.classes[0] = agent.requests;
        agent.pages = agent.validPages = agent.requests / 10;
        agent.bytes = agent.requests * 2048;
        agent.clients = i + 1;
        result->records += agent.requests;
        result->agents.append(agent);
    }
    return result;
}

// Median of five timings of `work`, in ms.
template <typename Work>
double MedianMs(Work work)
{
    QList<double> times;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        work(i);
        times.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);  // the user's settings stay as they are
    // and the tests' are dropped: a sitemap a test left there would add the
    // site's figures to the run timed against a plain overview.
    OpenAppSettings().clear();
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: trawlex-windowbench LOG_FOLDER\n");
        return 2;
    }
    OverviewWindow window;
    window.resize(1100, 760);
    window.show();
    window.setFolder(app.arguments()[1]);

    const RunTimes run = TimeRun(window);
    std::printf("window run: %.3f s wall, %.3f s CPU\n", double(run.wallMs) / 1000, run.cpuSeconds);
    std::printf("GUI thread longest gap during the run: %lld ms\n", static_cast<long long>(run.longestGapMs));
    const RunTimes stopped = TimeRun(window, 300);
    std::printf("停止 300 ms into a run: ended %lld ms later\n", static_cast<long long>(stopped.wallMs));

    window.showResult(LargeResult());
    auto *table = window.findChild<QTableView *>(QStringLiteral("agentTable"));
    auto *chart = window.findChild<ChartView *>(QStringLiteral("dayChart"));
    std::printf("table paint, 500 agents: %.1f ms\n", MedianMs([&](int) { table->grab(); }));
    std::printf("day chart redraw and paint, 5 agents x 400 days: %.1f ms\n", MedianMs([&](int i) {
                    const QItemSelection five(table->model()->index(i, 0), table->model()->index(i + 4, 0));
                    table->selectionModel()->select(five, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                    chart->grab();
                }));
    return 0;
}
