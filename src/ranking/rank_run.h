#pragma once

#include "common/stop_flag.h"
#include "indexing/indexing_run.h"
#include "net/http_download.h"
#include "ranking/rank_query.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QThread;

inline constexpr int kDefaultRankDepth = 50;
inline constexpr int kLargestRankDepth = 100;

struct RankRequest
{
    QString site;  // as the user gave it
    bool subdomains = false;
    QStringList keywords;
    QList<SerpService> engines;  // in the order of the report's columns
    int depth = kDefaultRankDepth;
    double delaySeconds = 3;  // between two queries to one engine, varied by up to half
    bool keepPages = false;   // answers carry the pages' bodies
};

// A run's results: a cell per keyword and engine.
struct RankResults
{
    RankRequest request;
    QList<QList<RankCell>> cells;  // [keyword][engine]
    bool stopped = false;          // the stop came before every query had answered
    // When the run is kept in a site's store: the answers of the runs
    // before it, [keyword][engine] (Unasked where none answered); else empty.
    QList<QList<RankCell>> previous;

    bool anyFailed() const;
};

// Waits `ms`, but no longer than until `stop` is set; false when it was.
using RankPause = std::function<bool(int ms, const StopFlag &stop)>;
bool PauseUnlessStopped(int ms, const StopFlag &stop);

struct RankEnvironment
{
    RandomSource random = DefaultRandomSource();  // asked on the engines' threads
    RankPause pause = PauseUnlessStopped;         // called on the engines' threads
    DownloadLimits limits;
};

// Asks every engine about every keyword: one thread per engine, one query in
// flight per engine, the engines side by side. Answers reach the owner's
// thread as they come; the stop flag ends the run within a download's look
// at it (50 ms), dropping the queries in hand.
class RankRun : public QObject
{
    Q_OBJECT

public:
    RankRun(RankRequest request, RankEnvironment environment, StopFlag &stop, QObject *parent = nullptr);
    ~RankRun() override;  // stops a run and waits for its threads

    void start();
    bool running() const { return !threads_.isEmpty(); }
    const RankResults &results() const { return results_; }
    void setPrevious(QList<QList<RankCell>> previous) { results_.previous = std::move(previous); }
    int answeredCount() const { return answered_; }
    int queryCount() const { return int(results_.request.keywords.size() * results_.request.engines.size()); }

signals:
    void answered(int keyword, int engine, const RankAnswer &answer);
    void finished();

private:
    void askEngine(int engine);
    void deliver(int keyword, int engine, const RankAnswer &answer);
    void threadEnded();

    RankResults results_;
    RankEnvironment environment_;
    StopFlag &stop_;
    SiteMatcher site_;
    QList<QThread *> threads_;
    int running_ = 0;
    int answered_ = 0;
};

// The whole run, waited for in a local event loop (so that a server on this
// thread can answer); `answered` sees every answer as it comes.
RankResults RunRanking(RankRequest request, RankEnvironment environment, StopFlag &stop,
                       const std::function<void(int keyword, int engine, const RankAnswer &)> &answered = {});
