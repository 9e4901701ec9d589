#include "overview/ui/overview_figures.h"

#include "overview/agent_table.h"
#include "overview/overview_format.h"

namespace {

using Shown = AgentColumn::Shown;

ReportCell countCell(qint64 count) { return {CountText(count), count}; }

ReportCell timeCell(const QDateTime &at) { return {at.isValid() ? TimeText(at) : QStringLiteral("—"), at}; }

QString statusText(int status) { return status == 0 ? QStringLiteral("无") : QString::number(status); }

}  // namespace

QStringList AgentColumnHeaders(const OverviewResult &result) { return ColumnHeaders(AgentTableColumns(result)); }

QList<ReportRow> AgentRows(const OverviewResult &result)
{
    QList<const AgentOverview *> agents;
    for (const AgentOverview &agent : result.agents)
        agents.append(&agent);
    return ColumnRows(AgentTableColumns(result), agents);
}

QStringList ColumnHeaders(const QList<AgentColumn> &columns)
{
    QStringList headers;
    for (const AgentColumn &column : columns)
        headers.append(column.header);
    return headers;
}

QList<ReportRow> ColumnRows(const QList<AgentColumn> &columns, const QList<const AgentOverview *> &agents)
{
    QList<ReportRow> rows;
    rows.reserve(agents.size());
    for (const AgentOverview *each : agents) {
        const AgentOverview &agent = *each;
        ReportRow row{{}, agent.id, int(agent.category)};
        for (const AgentColumn &column : columns) {
            // Numbers sort by their raw value, not by "1.5 MB".
            bool isNumber = false;
            const double raw = column.numeric ? column.value(agent, Shown::Raw).toDouble(&isNumber) : 0;
            row.cells.append({column.value(agent, Shown::ForPeople), isNumber ? QVariant(raw) : QVariant()});
        }
        rows.append(std::move(row));
    }
    return rows;
}

QString TotalsText(const OverviewResult &result)
{
    QStringList totals;
    for (const AgentColumn &column : AgentTableColumns(result))
        if (column.total && column.numeric)
            totals.append(column.header + u' ' + column.total(result, Shown::ForPeople));
    return QStringLiteral("合计：%1 个蜘蛛，%2；日志共 %3 条记录，无效行 %4 行")
        .arg(CountText(result.agents.size()), totals.join(QStringLiteral("，")), CountText(result.records),
             CountText(result.badLines));
}

QStringList FakeClientHeaders() { return {"地址", "蜘蛛", "请求数", "反向域名", "原因"}; }

QList<ReportRow> FakeClientRows(const OverviewResult &result)
{
    QList<ReportRow> rows;
    if (!result.verification)
        return rows;
    for (const ClientVerdict &fake : result.verification->fakeClients) {
        const AgentOverview *agent = result.agent(fake.agentId);
        rows.append({{{fake.address, {}}, {agent ? agent->name : fake.agentId, {}}, countCell(fake.requests),
                      {fake.ptr.isEmpty() ? QStringLiteral("—") : fake.ptr, {}}, {fake.reason, {}}},
                     fake.address,
                     0});
    }
    return rows;
}

QStringList PageColumnHeaders() { return {"页面", "请求数", "状态码", "最后访问"}; }

QList<ReportRow> PageRows(const OverviewResult &result, const AgentOverview &agent)
{
    QList<ReportRow> rows;
    for (const AgentPage &page : agent.pageList()) {
        QStringList statuses;
        for (int status : page.statuses)
            statuses.append(statusText(status));
        const QString text = result.pageText(page.page);
        rows.append({{{text, {}}, countCell(page.requests), {statuses.join(QStringLiteral(", ")), {}},
                      timeCell(page.lastSeen)},
                     text,
                     0});
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
