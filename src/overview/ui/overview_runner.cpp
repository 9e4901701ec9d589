#include "overview/ui/overview_runner.h"

#include "verification/cares_resolver.h"
#include "verification/catalogue_rules.h"
#include "verification/overview_verification.h"

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

bool OverviewRunner::start(OverviewRequest request, AgentCatalogue catalogue, bool verify, QString dnsServer,
                           SiteRequest site)
{
    if (thread_)
        return false;
    stop_.clear();
    progress_ = std::make_unique<OverviewProgress>();
    addressesChecked_ = 0;
    addressesToCheck_ = 0;
    result_ = std::make_shared<OverviewResult>();
    request.clientRequests = verify;
    request.targets = site.any();
    thread_ = QThread::create([this, request = std::move(request), catalogue = std::move(catalogue), verify,
                               dnsServer = std::move(dnsServer), site = std::move(site)] {
        std::optional<SiteFilesReader> siteFiles;  // read, and fetched, while the logs are
        if (site.any())
            siteFiles.emplace(site, &stop_);
        run(request, catalogue, verify, dnsServer);
        if (siteFiles && !result_->stopped)
            AddSiteFigures(*result_, siteFiles->take(), site, catalogue, request.jobs);
    });
    connect(thread_, &QThread::finished, this, &OverviewRunner::collect);
    clock_.start();
    thread_->start();
    return true;
}

// On the worker thread. The resolver is made here: it answers on this
// thread's event loop, which the check turns.
void OverviewRunner::run(const OverviewRequest &request, const AgentCatalogue &catalogue, bool verify,
                         const QString &dnsServer)
{
    *result_ = RunOverview(request, catalogue, progress_.get(), &stop_);
    if (!verify || result_->stopped)
        return;
    CaresResolver resolver(dnsServer);
    if (!resolver.ok()) {
        result_->problems.append(resolver.problem());
        return;
    }
    VerificationOptions options;
    options.stop = &stop_;
    options.progress = [this](int done, int total) {
        addressesChecked_ = done;
        addressesToCheck_ = total;
    };
    result_->stopped = VerifyOverview(*result_, VerificationRulesOf(catalogue), resolver, options).stopped;
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
