#include "overview/overview_text.h"

#include "overview/agent_table.h"
#include "overview/overview_format.h"
#include "overview/site_tables.h"

namespace {

QString TableText(const QList<AgentColumn> &columns, const QList<QStringList> &rows)
{
    QStringList headers;
    QList<bool> numeric;
    for (const AgentColumn &column : columns) {
        headers.append(column.header);
        numeric.append(column.numeric);
    }
    return FixedWidthTable(headers, numeric, rows);
}

// The fake clients under the agents table.
QString FakeClientsText(const OverviewResult &result)
{
    QList<AgentColumn> columns;
    for (const FakeClientColumn &column : FakeClientColumns())
        columns.append({column.header, column.numeric, {}, {}});
    QList<QStringList> rows;
    for (const ClientVerdict &fake : result.verification->fakeClients) {
        QStringList row;
        for (const FakeClientColumn &column : FakeClientColumns())
            row.append(column.value(fake, result, AgentColumn::Shown::ForPeople));
        rows.append(row);
    }
    return TableText(columns, rows);
}

// A table of some agents by declared columns, as people read it.
QString AgentsText(const QList<AgentColumn> &columns, const QList<const AgentOverview *> &agents)
{
    QList<QStringList> rows;
    for (const AgentOverview *agent : agents) {
        QStringList row;
        for (const AgentColumn &column : columns)
            row.append(column.value(*agent, AgentColumn::Shown::ForPeople));
        rows.append(row);
    }
    return TableText(columns, rows);
}

// Coverage and robots.txt tables, with what was read.
QString SiteText(const OverviewResult &result)
{
    QString text;
    if (result.sitemap) {
        text += u'\n' + SitemapSummaryText(result) + u'\n';
        if (!CoverageAgents(result).isEmpty())
            text += AgentsText(CoverageColumns(), CoverageAgents(result));
    }
    if (result.robotsTxt) {
        text += u'\n' + RobotsSummaryText(result) + u'\n';
        if (!RobotsAgents(result).isEmpty())
            text += AgentsText(RobotsColumns(), RobotsAgents(result));
    }
    return text;
}

}  // namespace

QString FixedWidthTable(const QStringList &headers, const QList<bool> &alignRight, const QList<QStringList> &rows)
{
    auto padded = [](const QString &text, int width, bool right) -> QString {
        const QString padding(std::max(0, width - DisplayWidth(text)), u' ');
        return right ? padding + text : text + padding;
    };
    QList<int> widths;
    for (const QString &header : headers)
        widths.append(DisplayWidth(header));
    for (const QStringList &row : rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    QString text;
    auto appendRow = [&](const QStringList &cells, bool header) {
        QString line;
        for (qsizetype i = 0; i < cells.size(); ++i)
            line += (i > 0 ? QStringLiteral("  ") : QString()) + padded(cells[i], widths[i], !header && alignRight[i]);
        while (line.endsWith(u' '))
            line.chop(1);
        text += line + u'\n';
    };
    appendRow(headers, true);
    for (const QStringList &row : rows)
        appendRow(row, false);
    return text;
}

QString OverviewTextTable(const OverviewResult &result)
{
    const QList<AgentColumn> columns = AgentTableColumns(result);
    QList<QStringList> rows;
    for (const AgentOverview &agent : result.agents) {
        QStringList row;
        for (const AgentColumn &column : columns)
            row.append(column.value(agent, AgentColumn::Shown::ForPeople));
        rows.append(row);
    }
    QStringList totals;
    for (const AgentColumn &column : columns)
        totals.append(column.total ? column.total(result, AgentColumn::Shown::ForPeople) : QString());
    rows.append(totals);

    QString text = TableText(columns, rows);
    if (const QString headline = VerificationHeadline(result); !headline.isEmpty())
        text.prepend(headline + QStringLiteral("\n\n"));
    text += QStringLiteral("\n记录数：%1　无效行：%2　范围内请求：%3\n")
                .arg(CountText(result.records), CountText(result.badLines), CountText(result.requests()));
    QStringList categories;
    for (int i = 0; i < kAgentCategoryCount; ++i)
        categories.append(CategoryName(AgentCategory(i)) + u' ' + CountText(result.categories[i]));
    text += QStringLiteral("类别：") + categories.join(QStringLiteral("　")) + u'\n';
    if (result.from.isValid() || result.to.isValid())
        text += QStringLiteral("日期范围：%1 至 %2\n")
                    .arg(result.from.isValid() ? DayText(result.from) : QStringLiteral("最早"),
                         result.to.isValid() ? DayText(result.to) : QStringLiteral("最晚"));
    if (result.verification && !result.verification->fakeClients.isEmpty())
        text += u'\n' + FakeClientsText(result);
    text += SiteText(result);
    if (const QStringList notes = RunNotes(result); !notes.isEmpty())
        text += u'\n' + notes.join(u'\n') + u'\n';
    return text;
}
