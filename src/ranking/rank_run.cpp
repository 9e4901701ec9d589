#include "ranking/rank_run.h"

#include "indexing/net/http_page_fetcher.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QThread>

#include <algorithm>

bool RankResults::anyFailed() const
{
    for (const QList<RankCell> &row : cells)
        for (const RankCell &cell : row)
            if (cell.state == RankCell::State::Failed)
                return true;
    return false;
}

bool PauseUnlessStopped(int ms, const StopFlag &stop)
{
    // Ctrl+C sets the flag from a signal handler, which cannot wake a
    // waiting thread: the pause looks at the flag every 50 ms instead.
    const QDeadlineTimer deadline(ms);
    while (!stop.isSet()) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return true;
        QThread::msleep(std::min<qint64>(left, 50));
    }
    return false;
}

RankRun::RankRun(RankRequest request, RankEnvironment environment, StopFlag &stop, QObject *parent)
    : QObject(parent), environment_(std::move(environment)), stop_(stop), site_(request.site, request.subdomains)
{
    results_.request = std::move(request);
    results_.cells = QList<QList<RankCell>>(results_.request.keywords.size(),
                                            QList<RankCell>(results_.request.engines.size()));
}

RankRun::~RankRun()
{
    stop_.request();
    for (QThread *thread : std::as_const(threads_)) {
        thread->wait();
        delete thread;
    }
}

void RankRun::start()
{
    stop_.clear();
    if (queryCount() == 0) {
        QMetaObject::invokeMethod(this, &RankRun::finished, Qt::QueuedConnection);
        return;
    }
    for (int engine = 0; engine < results_.request.engines.size(); ++engine) {
        QThread *thread = QThread::create([this, engine] { askEngine(engine); });
        connect(thread, &QThread::finished, this, &RankRun::threadEnded);
        threads_.append(thread);
    }
    running_ = int(threads_.size());
    for (QThread *thread : std::as_const(threads_))
        thread->start();
}

// On the engine's own thread, with a network access of its own.
void RankRun::askEngine(int engine)
{
    const RankRequest &request = results_.request;
    const SerpService &service = request.engines[engine];
    QNetworkAccessManager network;
    DownloadLimits limits = environment_.limits;
    limits.stop = &stop_;
    const SerpPageFetch fetch = [&](const QString &url, bool utf8) { return FetchResultPage(network, url, utf8, limits); };
    const QUrl base(service.defaultBase);
    for (int keyword = 0; keyword < request.keywords.size(); ++keyword) {
        if (keyword > 0 && request.delaySeconds > 0) {
            const double factor = 0.5 + environment_.random();  // 0.5 to 1.5 times the delay
            if (!environment_.pause(int(request.delaySeconds * factor * 1000), stop_))
                return;
        }
        const std::optional<RankAnswer> answer = AskRank(
            {service, base, request.keywords[keyword], site_, request.depth, request.keepPages}, fetch, stop_);
        if (!answer)
            return;
        QMetaObject::invokeMethod(
            this, [this, keyword, engine, answer = *answer] { deliver(keyword, engine, answer); }, Qt::QueuedConnection);
    }
}

void RankRun::deliver(int keyword, int engine, const RankAnswer &answer)
{
    results_.cells[keyword][engine] = answer.cell;
    ++answered_;
    emit answered(keyword, engine, answer);
}

// A thread's answers were queued before its end, so all are in by now.
void RankRun::threadEnded()
{
    if (--running_ > 0)
        return;
    for (QThread *thread : std::as_const(threads_)) {
        thread->wait();
        delete thread;
    }
    threads_.clear();
    results_.stopped = answered_ < queryCount();
    emit finished();
}

RankResults RunRanking(RankRequest request, RankEnvironment environment, StopFlag &stop,
                       const std::function<void(int, int, const RankAnswer &)> &answered)
{
    RankRun run(std::move(request), std::move(environment), stop);
    QEventLoop loop;
    QObject::connect(&run, &RankRun::finished, &loop, &QEventLoop::quit);
    if (answered)
        QObject::connect(&run, &RankRun::answered, &loop, answered);
    run.start();
    loop.exec();
    return run.results();
}
