#pragma once

#include "common/stop_flag.h"
#include "overview/overview_run.h"
#include "store/store_import.h"
#include "store/store_overview.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class QThread;

// Imports a site's logs into its store (when asked) and reads the overview
// back from the store, on a worker thread, one run at a time; the progress
// and the stop flag are the engine's own.
class StoreRunner : public QObject
{
    Q_OBJECT

public:
    explicit StoreRunner(QObject *parent = nullptr);
    ~StoreRunner() override;  // stops a run and waits for it

    bool running() const { return thread_ != nullptr; }
    // False when a run is still going.
    bool start(std::optional<ImportRequest> import, StoreOverviewRequest read, AgentCatalogue catalogue);
    void stop() { stop_.request(); }

    qint64 bytesRead() const { return progress_ ? progress_->bytesRead.load() : 0; }
    qint64 totalBytes() const { return progress_ ? progress_->totalBytes.load() : 0; }
    qint64 recordsPerSecond() const;
    // After `finished`: whether the import (if any) left an input or the store failed.
    bool importFailed() const { return importFailed_; }

signals:
    // `result` is null when the store could not be read; `report` holds the
    // import's lines and its summary, then what went wrong.
    void finished(std::shared_ptr<const OverviewResult> result, QStringList report);

private:
    void collect();

    QThread *thread_ = nullptr;
    std::unique_ptr<OverviewProgress> progress_;
    StopFlag stop_;
    QElapsedTimer clock_;
    std::shared_ptr<OverviewResult> result_;  // written by the worker, read after it has ended
    QStringList report_;
    bool importFailed_ = false;
};
