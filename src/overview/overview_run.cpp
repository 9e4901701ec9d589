#include "overview/overview_run.h"

#include "common/stop_flag.h"

QString OverviewRequestProblem(const OverviewRequest &request)
{
    if (request.paths.isEmpty())
        return QStringLiteral("请给出日志文件或文件夹");
    if (request.jobs < 1)
        return QStringLiteral("--jobs 须为正整数");
    if (request.from.isValid() && request.to.isValid() && request.from > request.to)
        return QStringLiteral("开始日期晚于结束日期");
    return {};
}

OverviewResult RunOverview(const OverviewRequest &request, const AgentCatalogue &catalogue, OverviewProgress *progress,
                           const StopFlag *stop)
{
    // Reads the inputs once the log reader is merged.
    Q_UNUSED(request);
    Q_UNUSED(progress);
    OverviewResult result;
    result.problems = catalogue.problems;
    result.stopped = stop && stop->isSet();
    return result;
}
