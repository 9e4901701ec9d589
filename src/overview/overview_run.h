#pragma once

#include "overview/agent_catalogue.h"
#include "overview/overview_result.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <atomic>

class StopFlag;

struct OverviewRequest
{
    QStringList paths;       // folders, files, "-" for standard input
    bool recursive = false;  // folders' sub-folders too
    QString logFormat;       // empty: detect per file; "combined", "common", nginx log_format, Apache LogFormat
    QDate from;              // records outside [from, to] (their own date, inclusive) are left out of the
    QDate to;                // figures; an invalid date leaves that side open
    int jobs = 1;            // inputs read side by side; the result does not depend on it
    bool clientRequests = false;  // count each catalogued agent's requests per client (crawler check)
    bool targets = false;  // keep requests with a query apart from the page's (sitemap and robots.txt)
};

// Empty when the request can run, else why not, in Chinese (no paths, an
// unusable log format, from after to, jobs below 1).
QString OverviewRequestProblem(const OverviewRequest &request);

// How far a run has come, written by the run and readable from any thread.
struct OverviewProgress
{
    std::atomic<qint64> totalBytes{0};  // stored size of the inputs, known once they are listed
                                        // (standard input adds nothing)
    std::atomic<qint64> bytesRead{0};   // stored (compressed) bytes read so far
    std::atomic<qint64> records{0};     // records read so far
};

// Reads every record of the inputs once and gives the overview. Safe to call
// on a worker thread; `progress` and `stop` may be watched and set from
// another. The run does not clear `stop`: it ends within a block of each
// input once the flag is set, and the result is marked stopped.
OverviewResult RunOverview(const OverviewRequest &request, const AgentCatalogue &catalogue,
                           OverviewProgress *progress = nullptr, const StopFlag *stop = nullptr);
