#include "overview/ui/overview_runner.h"

#include <QThread>

OverviewRunner::OverviewRunner(QObject *parent) : QObject(parent) {}

OverviewRunner::~OverviewRunner()
{
    if (!thread_)
        return;
    stop_.request();
    thread_->wait();
    delete thread_;
}

bool OverviewRunner::start(OverviewRequest request, AgentCatalogue catalogue)
{
    if (thread_)
        return false;
    stop_.clear();
    progress_ = std::make_unique<OverviewProgress>();
    result_ = std::make_shared<OverviewResult>();
    thread_ = QThread::create([this, request = std::move(request), catalogue = std::move(catalogue)] {
        *result_ = RunOverview(request, catalogue, progress_.get(), &stop_);
    });
    connect(thread_, &QThread::finished, this, &OverviewRunner::collect);
    clock_.start();
    thread_->start();
    return true;
}

qint64 OverviewRunner::recordsPerSecond() const
{
    const qint64 elapsed = clock_.isValid() ? clock_.elapsed() : 0;
    return progress_ && elapsed > 0 ? progress_->records.load() * 1000 / elapsed : 0;
}

void OverviewRunner::collect()
{
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    std::shared_ptr<const OverviewResult> result = std::move(result_);
    emit finished(result);
}
