#pragma once

#include "common/stop_flag.h"
#include "overview/overview_run.h"
#include "site/site_check.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>

class QThread;

// Runs the engine's overview, and the crawler check over it when asked, on a
// worker thread, one run at a time. The progress and the stop flag are the
// engines' own; the result is handed over on the owner's thread once the run
// has returned.
class OverviewRunner : public QObject
{
    Q_OBJECT

public:
    explicit OverviewRunner(QObject *parent = nullptr);
    ~OverviewRunner() override;  // stops a run and waits for it: the engine ends within a block

    bool running() const { return thread_ != nullptr; }
    // False when a run is still going. With `verify`, the check asks
    // `dnsServer` ("ADDRESS[:PORT]"; empty: the system's name servers).
    // `site`: sitemaps and robots.txt read and matched after the pass.
    bool start(OverviewRequest request, AgentCatalogue catalogue, bool verify = false, QString dnsServer = {},
               SiteRequest site = {});
    void stop() { stop_.request(); }

    // While running: stored bytes read, their total and records per second so far.
    qint64 bytesRead() const { return progress_ ? progress_->bytesRead.load() : 0; }
    qint64 totalBytes() const { return progress_ ? progress_->totalBytes.load() : 0; }
    qint64 recordsPerSecond() const;
    // Once the check has begun: client addresses settled, of how many.
    int addressesChecked() const { return addressesChecked_.load(); }
    int addressesToCheck() const { return addressesToCheck_.load(); }

signals:
    void finished(std::shared_ptr<const OverviewResult> result);

private:
    void run(const OverviewRequest &request, const AgentCatalogue &catalogue, bool verify, const QString &dnsServer);
    void collect();

    QThread *thread_ = nullptr;
    std::unique_ptr<OverviewProgress> progress_;
    StopFlag stop_;
    std::atomic<int> addressesChecked_{0};
    std::atomic<int> addressesToCheck_{0};
    QElapsedTimer clock_;
    std::shared_ptr<OverviewResult> result_;  // written by the worker, read after it has ended
};
