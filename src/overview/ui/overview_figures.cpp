#include "overview/ui/overview_figures.h"

#include "overview/agent_table.h"
#include "logs/log_input.h"
#include "logs/log_reader.h"
#include "overview/overview_format.h"

#include <algorithm>

namespace {

using Shown = AgentColumn::Shown;

ReportCell countCell(qint64 count) { return {CountText(count), count}; }

ReportCell timeCell(const QDateTime &at) { return {at.isValid() ? TimeText(at) : QStringLiteral("—"), at}; }

QString statusText(int status) { return status == 0 ? QStringLiteral("无") : QString::number(status); }

// "N 个文件WHAT（first…）": the count, the kind, and the first file as an example.
QString filesLine(const QStringList &paths, const QString &what)
{
    const QString example = paths.front() + (paths.size() > 1 ? QStringLiteral("…") : QString());
    return QStringLiteral("%1 个文件%2（%3）").arg(CountText(paths.size()), what, example);
}

bool readSomething(const OverviewInput &input) { return input.skipReason.isEmpty() && input.records > 0; }

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

QStringList FakeClientHeaders()
{
    QStringList headers;
    for (const FakeClientColumn &column : FakeClientColumns())
        headers.append(column.header);
    return headers;
}

QList<ReportRow> FakeClientRows(const OverviewResult &result)
{
    QList<ReportRow> rows;
    if (!result.verification)
        return rows;
    const QList<FakeClientColumn> columns = FakeClientColumns();
    for (const ClientVerdict &fake : result.verification->fakeClients) {
        ReportRow row{{}, fake.address, 0};
        for (const FakeClientColumn &column : columns)
            row.cells.append({column.value(fake, result, Shown::ForPeople),
                              column.numeric ? QVariant(column.value(fake, result, Shown::Raw).toLongLong()) : QVariant()});
        rows.append(std::move(row));
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

QStringList ProblemSummary(const OverviewResult &result)
{
    QMap<QString, QStringList> skippedByReason;
    QStringList failed, badLines, longLines, noPageColumn;
    qint64 bad = 0, tooLong = 0;
    for (const OverviewInput &input : result.inputs) {
        if (!input.skipReason.isEmpty())
            skippedByReason[input.skipReason].append(input.path);
        if (input.failed())
            failed.append(input.path);
        if (input.noPageColumn)
            noPageColumn.append(input.path);
        if (input.badLines > 0)
            badLines.append(input.path);
        if (input.skippedLongLines > 0)
            longLines.append(input.path);
        bad += input.badLines;
        tooLong += input.skippedLongLines;
    }
    QStringList lines = result.problems;
    if (!failed.isEmpty())
        lines.append(filesLine(failed, QStringLiteral("未能读完，已读的部分照常计入")));
    for (auto reason = skippedByReason.cbegin(); reason != skippedByReason.cend(); ++reason)
        lines.append(filesLine(reason.value(), QStringLiteral("已跳过：") + reason.key()));
    if (!noPageColumn.isEmpty())
        lines.append(filesLine(noPageColumn, QStringLiteral("没有 cs-uri-stem 列")));
    if (!badLines.isEmpty())
        lines.append(filesLine(badLines, QStringLiteral("有无效行，共 %1 行").arg(CountText(bad))));
    if (!longLines.isEmpty())
        lines.append(filesLine(longLines, QStringLiteral("有过长的行，共 %1 行已跳过").arg(CountText(tooLong))));
    return lines;
}

QStringList ProblemList(const OverviewResult &result)
{
    QStringList lines = result.problems;
    for (const OverviewInput &input : result.inputs)
        lines += InputNotes(input);
    return lines;
}

QString EmptyRunReason(const OverviewResult &result, bool recursive)
{
    if (std::any_of(result.inputs.cbegin(), result.inputs.cend(), readSomething))
        return {};
    // The engine says so among the run's problems when it scanned a folder.
    if (result.inputs.isEmpty())
        return result.problems.contains(NoLogFilesText(recursive)) ? QString() : NoLogFilesText(recursive);
    if (result.problems.contains(AllUnrecognisedText()))
        return {};
    return QStringLiteral("没有一个文件读出了访问记录；如果日志是自定义的格式，请在“日志格式”中填入 nginx 的 "
                          "log_format 或 Apache 的 LogFormat 格式串");
}

std::shared_ptr<const OverviewResult> ShownPart(const std::shared_ptr<const OverviewResult> &result,
                                                const QSet<int> &categories)
{
    if (categories.size() == kAgentCategoryCount)
        return result;
    auto part = std::make_shared<OverviewResult>(*result);
    part->agents.removeIf([&](const AgentOverview &agent) { return !categories.contains(int(agent.category)); });
    for (int category = 0; category < kAgentCategoryCount; ++category)
        if (!categories.contains(category))
            part->categories[category] = 0;
    part->days.clear();
    for (const AgentOverview &agent : std::as_const(part->agents))
        for (auto day = agent.days.cbegin(); day != agent.days.cend(); ++day)
            part->days[day.key()] += day.value();
    if (part->verification) {
        VerificationSummary &check = *part->verification;
        check.agents.removeIf([&](const auto &agent) { return !part->agent(agent.key()); });
        check.fakeClients.removeIf([&](const ClientVerdict &fake) { return !part->agent(fake.agentId); });
    }
    return part;
}
