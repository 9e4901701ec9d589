#include "overview/ui/overview_figures.h"

#include <QLocale>

namespace {

ReportCell countCell(qint64 count) { return {CountText(count), count}; }

ReportCell timeCell(const QDateTime &at) { return {TimeText(at), at}; }

QString statusText(int status) { return status == 0 ? QStringLiteral("无") : QString::number(status); }

}  // namespace

QStringList AgentColumnHeaders()
{
    return {"蜘蛛", "类别", "请求数", "占比", "页面数", "有效页面数", "2xx", "3xx", "4xx", "5xx",
            "流量", "访问IP数", "首次", "最后"};
}

QString CountText(qint64 count) { return QLocale(QLocale::Chinese, QLocale::China).toString(count); }

QString TrafficText(qint64 bytes)
{
    constexpr double kKilo = 1024.0;
    if (bytes < kKilo * kKilo)
        return QString::number(double(bytes) / kKilo, 'f', 1) + QStringLiteral(" KB");
    if (bytes < kKilo * kKilo * kKilo)
        return QString::number(double(bytes) / (kKilo * kKilo), 'f', 1) + QStringLiteral(" MB");
    return QString::number(double(bytes) / (kKilo * kKilo * kKilo), 'f', 2) + QStringLiteral(" GB");
}

QString TimeText(const QDateTime &at)
{
    return at.isValid() ? at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("—");
}

QList<ReportRow> AgentRows(const OverviewResult &result)
{
    const qint64 all = result.requests();
    QList<ReportRow> rows;
    rows.reserve(result.agents.size());
    for (const AgentOverview &agent : result.agents) {
        const double share = all > 0 ? 100.0 * double(agent.requests) / double(all) : 0.0;
        ReportRow row;
        row.key = agent.id;
        row.tag = int(agent.category);
        row.cells = {{agent.name, {}},
                     {CategoryName(agent.category), int(agent.category)},
                     countCell(agent.requests),
                     {QString::number(share, 'f', 1) + u'%', share},
                     countCell(agent.pages),
                     countCell(agent.validPages),
                     countCell(agent.classRequests(StatusClass::Success)),
                     countCell(agent.classRequests(StatusClass::Redirect)),
                     countCell(agent.classRequests(StatusClass::ClientError)),
                     countCell(agent.classRequests(StatusClass::ServerError)),
                     {TrafficText(agent.bytes), agent.bytes},
                     countCell(agent.clients),
                     timeCell(agent.first),
                     timeCell(agent.last)};
        rows.append(std::move(row));
    }
    return rows;
}

QStringList PageColumnHeaders() { return {"页面", "请求数", "状态码", "最后访问"}; }

QList<ReportRow> PageRows(const OverviewResult &result, const AgentOverview &agent)
{
    // pageStatuses come by page, then status: one row gathers a page's pairs.
    QList<ReportRow> rows;
    const QList<PageStatusRequests> &pairs = agent.pageStatuses;
    for (qsizetype first = 0; first < pairs.size();) {
        qsizetype end = first;
        qint64 requests = 0;
        QStringList statuses;
        QDateTime lastSeen;
        for (; end < pairs.size() && pairs[end].page == pairs[first].page; ++end) {
            requests += pairs[end].requests;
            statuses.append(statusText(pairs[end].status));
            if (pairs[end].lastSeen.isValid() && (!lastSeen.isValid() || pairs[end].lastSeen > lastSeen))
                lastSeen = pairs[end].lastSeen;
        }
        const QString page = result.pageText(pairs[first].page);
        rows.append({{{page, {}}, countCell(requests), {statuses.join(QStringLiteral(", ")), {}}, timeCell(lastSeen)},
                     page,
                     0});
        first = end;
    }
    return rows;
}

QStringList ErrorColumnHeaders() { return {"页面", "状态码", "请求数", "最后访问"}; }

QList<ReportRow> ErrorRows(const OverviewResult &result, const AgentOverview &agent)
{
    QList<ReportRow> rows;
    for (const PageStatusRequests &pair : agent.pageStatuses) {
        const StatusClass statusClass = ClassOfStatus(pair.status);
        if (statusClass != StatusClass::ClientError && statusClass != StatusClass::ServerError)
            continue;
        const QString page = result.pageText(pair.page);
        rows.append({{{page, {}}, {QString::number(pair.status), pair.status}, countCell(pair.requests),
                      timeCell(pair.lastSeen)},
                     page,
                     0});
    }
    return rows;
}

QString TotalsText(const OverviewResult &result, const QStringList &shownAgentIds)
{
    qint64 requests = 0;
    qint64 bytes = 0;
    for (const QString &id : shownAgentIds)
        if (const AgentOverview *agent = result.agent(id)) {
            requests += agent->requests;
            bytes += agent->bytes;
        }
    return QStringLiteral("合计：%1 个蜘蛛，请求 %2 次，流量 %3；日志共 %4 条记录，坏行 %5 行")
        .arg(CountText(shownAgentIds.size()), CountText(requests), TrafficText(bytes), CountText(result.records),
             CountText(result.badLines));
}
