#include "overview/overview_html.h"

#include "overview/agent_table.h"
#include "overview/overview_chart.h"
#include "overview/overview_format.h"
#include "overview/saved_file.h"
#include "overview/site_tables.h"

namespace {

constexpr int kNeverListed = 1000;  // never-requested URLs listed per crawler

// No scripts, nothing from elsewhere: the page is read offline, and the
// policy makes sure a browser asks no one for anything.
const char kHead[] = R"(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'">
<title>蜘蛛概览</title>
<style>
body { font-family: 'Noto Sans CJK SC', 'Microsoft YaHei', 'PingFang SC', sans-serif; margin: 24px; color: #222; }
h1 { font-size: 22px; margin: 0 0 8px; }
h2 { font-size: 17px; margin: 28px 0 8px; border-bottom: 1px solid #ddd; padding-bottom: 4px; }
p.summary { color: #555; margin: 4px 0; }
table { border-collapse: collapse; font-size: 13px; max-width: 100%; }
th, td { border: 1px solid #ddd; padding: 3px 6px; overflow-wrap: anywhere; }
td.n, th { white-space: nowrap; }
svg { max-width: 100%; height: auto; }
th { background: #f3f5f8; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
tr.total td { font-weight: bold; background: #fafafa; }
details { margin: 6px 0; }
summary { cursor: pointer; }
ul.notes { color: #a33; }
</style>
</head>
<body>
)";

QString Escaped(const QString &text) { return text.toHtmlEscaped(); }

QString Cell(const QString &text, bool numeric, const char *tag = "td")
{
    return QStringLiteral("<%1%2>%3</%1>").arg(QLatin1String(tag), numeric ? QStringLiteral(" class=\"n\"") : QString(),
                                              Escaped(text));
}

// A table of declared columns over some agents; with `totals`, its totals row under them.
QString ColumnsTable(const QList<AgentColumn> &columns, const QList<const AgentOverview *> &agents,
                     const OverviewResult *totals = nullptr)
{
    QString html = QStringLiteral("<table>\n<tr>");
    for (const AgentColumn &column : columns)
        html += Cell(column.header, false, "th");
    html += QStringLiteral("</tr>\n");
    for (const AgentOverview *agent : agents) {
        html += QStringLiteral("<tr>");
        for (const AgentColumn &column : columns)
            html += Cell(column.value(*agent, AgentColumn::Shown::ForPeople), column.numeric);
        html += QStringLiteral("</tr>\n");
    }
    if (totals) {
        html += QStringLiteral("<tr class=\"total\">");
        for (const AgentColumn &column : columns)
            html += Cell(column.total ? column.total(*totals, AgentColumn::Shown::ForPeople) : QString(), column.numeric);
        html += QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table>\n");
}

QString AgentsTable(const OverviewResult &result)
{
    QList<const AgentOverview *> agents;
    for (const AgentOverview &agent : result.agents)
        agents.append(&agent);
    return ColumnsTable(AgentTableColumns(result), agents, &result);
}

QString CategoriesTable(const OverviewResult &result)
{
    QString header;
    QString values;
    for (int i = 0; i < kAgentCategoryCount; ++i) {
        header += Cell(CategoryName(AgentCategory(i)), false, "th");
        values += Cell(CountText(result.categories[i]), true);
    }
    return QStringLiteral("<table>\n<tr>") + header + QStringLiteral("</tr>\n<tr>") + values
        + QStringLiteral("</tr>\n</table>\n");
}

QString SectionsTable(const AgentOverview &agent)
{
    const QStringList headers = SectionHeaders();
    QString html = QStringLiteral("<table>\n<tr>");
    for (const QString &header : headers)
        html += Cell(header, false, "th");
    html += QStringLiteral("</tr>\n");
    for (const SectionRequests &section : agent.sections) {
        const QStringList row = SectionRow(section, AgentColumn::Shown::ForPeople);
        html += QStringLiteral("<tr>");
        for (qsizetype i = 0; i < row.size(); ++i)
            html += Cell(row[i], i > 0);
        html += QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table>\n");
}

// What the site's files say of one crawler: its never-requested sitemap URLs
// (the first ones, with their count) and the rules it broke most.
QString AgentSiteDetails(const OverviewResult &result, const AgentOverview &agent)
{
    QString html;
    if (agent.coverage && agent.coverage->never > 0) {
        const QStringList never = NeverRequested(result, agent);
        html += QStringLiteral("<table>\n<tr><th>从未抓取的地图网址（共 %1 个%2）</th></tr>\n")
                    .arg(CountText(never.size()),
                         never.size() > kNeverListed ? QStringLiteral("，列出前 %1 个").arg(CountText(kNeverListed)) : QString());
        for (const QString &url : never.mid(0, kNeverListed))
            html += QStringLiteral("<tr>") + Cell(url, false) + QStringLiteral("</tr>\n");
        html += QStringLiteral("</table>\n");
    }
    if (agent.robots && !agent.robots->topRules.isEmpty()) {
        html += QStringLiteral("<table>\n<tr><th>违反最多的规则</th><th>请求数</th></tr>\n");
        for (const RuleRequests &rule : agent.robots->topRules)
            html += QStringLiteral("<tr>") + Cell(rule.rule, false) + Cell(CountText(rule.requests), true)
                + QStringLiteral("</tr>\n");
        html += QStringLiteral("</table>\n");
    }
    return html;
}

QString AgentDetails(const OverviewResult &result, const AgentOverview &agent)
{
    QString html = QStringLiteral("<details><summary>%1（%2）</summary>\n")
                       .arg(Escaped(agent.name), Escaped(agent.id));
    html += QStringLiteral("<table>\n<tr><th>请求最多的页面</th><th>请求数</th></tr>\n");
    for (const PageRequests &page : agent.topPages)
        html += QStringLiteral("<tr>") + Cell(result.pageText(page.page), false) + Cell(CountText(page.requests), true)
            + QStringLiteral("</tr>\n");
    html += QStringLiteral("</table>\n");
    if (!agent.topErrors.isEmpty()) {
        html += QStringLiteral("<table>\n<tr><th>出错最多的页面</th><th>状态码</th><th>请求数</th></tr>\n");
        for (const PageStatusRequests &error : agent.topErrors)
            html += QStringLiteral("<tr>") + Cell(result.pageText(error.page), false)
                + Cell(QString::number(error.status), true) + Cell(CountText(error.requests), true)
                + QStringLiteral("</tr>\n");
        html += QStringLiteral("</table>\n");
    }
    if (!agent.sections.isEmpty())
        html += SectionsTable(agent);
    html += AgentSiteDetails(result, agent);
    return html + QStringLiteral("</details>\n");
}

// The coverage and robots.txt tables, when the run had a sitemap or a robots.txt.
QString SiteSections(const OverviewResult &result)
{
    QString html;
    if (result.sitemap) {
        html += QStringLiteral("<h2>网站地图覆盖</h2>\n<p class=\"summary\">%1</p>\n").arg(Escaped(SitemapSummaryText(result)));
        if (!CoverageAgents(result).isEmpty())
            html += ColumnsTable(CoverageColumns(), CoverageAgents(result));
    }
    if (result.robotsTxt) {
        html += QStringLiteral("<h2>robots.txt 违规</h2>\n<p class=\"summary\">%1</p>\n").arg(Escaped(RobotsSummaryText(result)));
        if (!RobotsAgents(result).isEmpty())
            html += ColumnsTable(RobotsColumns(), RobotsAgents(result));
    }
    return html;
}

QString FakeClientsTable(const OverviewResult &result)
{
    const QList<FakeClientColumn> columns = FakeClientColumns();
    QString html = QStringLiteral("<table>\n<tr>");
    for (const FakeClientColumn &column : columns)
        html += Cell(column.header, false, "th");
    html += QStringLiteral("</tr>\n");
    for (const ClientVerdict &fake : result.verification->fakeClients) {
        html += QStringLiteral("<tr>");
        for (const FakeClientColumn &column : columns)
            html += Cell(column.value(fake, result, AgentColumn::Shown::ForPeople), column.numeric);
        html += QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table>\n");
}

QString OtherBotsTable(const QList<BotWordRequests> &bots)
{
    QString html = QStringLiteral("<table>\n<tr><th>标识</th><th>请求数</th></tr>\n");
    for (const BotWordRequests &bot : bots)
        html += QStringLiteral("<tr>") + Cell(bot.token, false) + Cell(CountText(bot.requests), true)
            + QStringLiteral("</tr>\n");
    return html + QStringLiteral("</table>\n");
}

QString Notes(const OverviewResult &result)
{
    const QStringList notes = RunNotes(result);
    if (notes.isEmpty())
        return {};
    QString html = QStringLiteral("<h2>提示</h2>\n<ul class=\"notes\">\n");
    for (const QString &note : notes)
        html += QStringLiteral("<li>") + Escaped(note) + QStringLiteral("</li>\n");
    return html + QStringLiteral("</ul>\n");
}

}  // namespace

QString OverviewHtml(const OverviewResult &result, const QDateTime &made)
{
    QString html = QString::fromUtf8(kHead);
    html += QStringLiteral("<h1>蜘蛛概览</h1>\n");
    html += QStringLiteral("<p class=\"summary\">%1</p>\n").arg(Escaped(ReportCaption(result, made)));
    if (const QString headline = VerificationHeadline(result); !headline.isEmpty())
        html += QStringLiteral("<ul class=\"notes\"><li>") + Escaped(headline) + QStringLiteral("</li></ul>\n");
    html += QStringLiteral("<p class=\"summary\">记录数 %1 · 无效行 %2 · 范围内请求 %3 · 日志文件 %4 个</p>\n")
                .arg(CountText(result.records), CountText(result.badLines), CountText(result.requests()),
                     CountText(result.logFileCount()));
    if (!result.days.isEmpty())
        html += QStringLiteral("<p class=\"summary\">日期：%1 至 %2</p>\n")
                    .arg(DayText(result.days.firstKey()), DayText(result.days.lastKey()));
    html += QStringLiteral("<h2>类别</h2>\n") + CategoriesTable(result);
    html += QStringLiteral("<h2>蜘蛛</h2>\n") + AgentsTable(result);
    html += QStringLiteral("<h2>每日请求（请求最多的蜘蛛）</h2>\n")
        + DrawDayChart(result, BusiestCrawlers(result, kDayChartCrawlers)).svg;
    html += QStringLiteral("<h2>状态码分类</h2>\n")
        + DrawStatusChart(result, BusiestCrawlers(result, kStatusChartCrawlers)).svg;
    html += QStringLiteral("<h2>各时段请求（请求最多的蜘蛛）</h2>\n")
        + DrawHourChart(result, BusiestCrawlers(result, kDayChartCrawlers)).svg;
    html += SiteSections(result);
    if (result.verification && !result.verification->fakeClients.isEmpty())
        html += QStringLiteral("<h2>仿冒的蜘蛛（请求最多的地址）</h2>\n") + FakeClientsTable(result);
    if (!result.otherBots.isEmpty())
        html += QStringLiteral("<h2>其他爬虫（按标识，可加入 crawlers.json）</h2>\n") + OtherBotsTable(result.otherBots);
    html += QStringLiteral("<h2>各蜘蛛的页面</h2>\n");
    for (const AgentOverview &agent : result.agents)
        html += AgentDetails(result, agent);
    html += Notes(result);
    return html + QStringLiteral("</body>\n</html>\n");
}

QString WriteOverviewHtml(const OverviewResult &result, const QString &fileName, const QDateTime &made)
{
    return SaveFileAtomically(fileName, OverviewHtml(result, made).toUtf8());
}
