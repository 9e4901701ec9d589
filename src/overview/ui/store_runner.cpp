#include "overview/ui/store_runner.h"

#include <QThread>

StoreRunner::StoreRunner(QObject *parent) : QObject(parent) {}

StoreRunner::~StoreRunner()
{
    if (!thread_)
        return;
    stop_.request();
    thread_->wait();
    delete thread_;
}

bool StoreRunner::start(std::optional<ImportRequest> import, StoreOverviewRequest read, AgentCatalogue catalogue)
{
    if (thread_)
        return false;
    stop_.clear();
    progress_ = std::make_unique<OverviewProgress>();
    result_.reset();
    report_.clear();
    importFailed_ = false;
    thread_ = QThread::create([this, import = std::move(import), read = std::move(read), catalogue = std::move(catalogue)] {
        if (import) {
            const ImportResult imported = RunImport(*import, catalogue, progress_.get(), &stop_);
            for (const ImportedInput &input : imported.inputs)
                report_.append(ImportedInputLine(input));
            report_ += imported.problems;
            report_.append(ImportSummaryLine(imported));
            importFailed_ = imported.failed();
            if (!imported.storeProblem.isEmpty()) {
                report_.append(imported.storeProblem);
                return;
            }
            if (imported.stopped)
                return;
        }
        QString problem;
        if (std::optional<OverviewResult> result = OverviewFromStore(read, catalogue, &problem))
            result_ = std::make_shared<OverviewResult>(std::move(*result));
        else
            report_.append(problem);
    });
    connect(thread_, &QThread::finished, this, &StoreRunner::collect);
    clock_.start();
    thread_->start();
    return true;
}

qint64 StoreRunner::recordsPerSecond() const
{
    const qint64 elapsed = clock_.isValid() ? clock_.elapsed() : 0;
    return progress_ && elapsed > 0 ? progress_->records.load() * 1000 / elapsed : 0;
}

void StoreRunner::collect()
{
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    std::shared_ptr<const OverviewResult> result = std::move(result_);
    emit finished(result, report_);
}
