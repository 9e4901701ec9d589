#include "overview/site_tables.h"

#include "overview/overview_format.h"

namespace {

using Shown = AgentColumn::Shown;

QString CountValue(qint64 count, Shown shown) { return shown == Shown::ForPeople ? CountText(count) : QString::number(count); }

template <typename Figures>
AgentColumn FigureColumn(const QString &header, std::optional<Figures> AgentOverview::*figures, qint64 Figures::*figure)
{
    return {header, true,
            [figures, figure](const AgentOverview &agent, Shown shown) {
                return (agent.*figures) ? CountValue((*(agent.*figures)).*figure, shown) : QString();
            },
            {}};
}

QList<AgentColumn> NameColumns()
{
    return {{QStringLiteral("蜘蛛"), false, [](const AgentOverview &agent, Shown) { return agent.name; }, {}},
            {QStringLiteral("ID"), false, [](const AgentOverview &agent, Shown) { return agent.id; }, {}}};
}

template <typename Has>
QList<const AgentOverview *> AgentsWith(const OverviewResult &result, Has has)
{
    QList<const AgentOverview *> agents;
    for (const AgentOverview &agent : result.agents)
        if (has(agent))
            agents.append(&agent);
    return agents;
}

}  // namespace

QList<AgentColumn> CoverageColumns()
{
    QList<AgentColumn> columns = NameColumns();
    columns += {FigureColumn(QStringLiteral("地图中已抓"), &AgentOverview::coverage, &AgentCoverage::inSitemap),
                FigureColumn(QStringLiteral("其中成功"), &AgentOverview::coverage, &AgentCoverage::inSitemapOk),
                FigureColumn(QStringLiteral("从未抓取"), &AgentOverview::coverage, &AgentCoverage::never),
                FigureColumn(QStringLiteral("过期"), &AgentOverview::coverage, &AgentCoverage::stale),
                FigureColumn(QStringLiteral("地图外页面"), &AgentOverview::coverage, &AgentCoverage::outside)};
    return columns;
}

QList<AgentColumn> RobotsColumns()
{
    QList<AgentColumn> columns = NameColumns();
    columns.append({QStringLiteral("适用组"), false,
                    [](const AgentOverview &agent, Shown) -> QString {
                        return agent.robots && agent.robots->group ? *agent.robots->group : QStringLiteral("（无）");
                    },
                    {}});
    columns += {FigureColumn(QStringLiteral("违规请求"), &AgentOverview::robots, &AgentRobots::disallowed),
                FigureColumn(QStringLiteral("违规页面"), &AgentOverview::robots, &AgentRobots::disallowedPages),
                FigureColumn(QStringLiteral("robots.txt 请求"), &AgentOverview::robots, &AgentRobots::robotsFetches)};
    columns.append({QStringLiteral("违反最多的规则"), false,
                    [](const AgentOverview &agent, Shown shown) -> QString {
                        if (!agent.robots || agent.robots->topRules.isEmpty())
                            return QString();
                        const RuleRequests &rule = agent.robots->topRules.front();
                        return rule.rule + QStringLiteral("（") + CountValue(rule.requests, shown) + QStringLiteral("）");
                    },
                    {}});
    return columns;
}

QList<const AgentOverview *> CoverageAgents(const OverviewResult &result)
{
    return AgentsWith(result, [](const AgentOverview &agent) { return agent.coverage.has_value(); });
}

QList<const AgentOverview *> RobotsAgents(const OverviewResult &result)
{
    return AgentsWith(result, [](const AgentOverview &agent) { return agent.robots.has_value(); });
}

QStringList CoverageUrlHeaders()
{
    return {QStringLiteral("蜘蛛ID"), QStringLiteral("网址"), QStringLiteral("请求数"), QStringLiteral("最后状态码"),
            QStringLiteral("最后抓取")};
}

QStringList CoverageUrlRow(const OverviewResult &result, const AgentOverview &agent, int url)
{
    const SitemapUrlVisits &visits = agent.coverage->urls[std::size_t(url)];
    return {agent.id, result.sitemap->urls[url], QString::number(visits.requests),
            visits.requests > 0 && visits.latestStatus != 0 ? QString::number(visits.latestStatus) : QString(),
            TimeText(visits.latest)};
}

QStringList RobotsKeyHeaders()
{
    return {QStringLiteral("蜘蛛ID"), QStringLiteral("网址键"), QStringLiteral("规则"), QStringLiteral("请求数")};
}

QStringList RobotsKeyRow(const AgentOverview &agent, const DisallowedKey &key)
{
    return {agent.id, key.key, key.rule, QString::number(key.requests)};
}

QStringList NeverRequested(const OverviewResult &result, const AgentOverview &agent)
{
    QStringList urls;
    if (!agent.coverage || !result.sitemap)
        return urls;
    for (std::size_t url = 0; url < agent.coverage->urls.size(); ++url)
        if (agent.coverage->urls[url].requests == 0)
            urls.append(result.sitemap->urls[qsizetype(url)]);
    return urls;
}

QStringList SectionHeaders()
{
    return {QStringLiteral("目录"), QStringLiteral("请求数"), QStringLiteral("页面数"), QStringLiteral("4xx/5xx 请求")};
}

QStringList SectionRow(const SectionRequests &section, Shown shown)
{
    return {section.section, CountValue(section.requests, shown), CountValue(section.pages, shown),
            CountValue(section.errors, shown)};
}

QStringList SiteNotes(const OverviewResult &result)
{
    QStringList notes;
    if (result.sitemap)
        for (const SitemapFileSummary &file : result.sitemap->files)
            if (!file.problem.isEmpty())
                notes.append(QStringLiteral("网站地图 %1：%2").arg(file.source, file.problem));
    if (result.robotsTxt && !result.robotsTxt->problem.isEmpty())
        notes.append(QStringLiteral("robots.txt %1：%2").arg(result.robotsTxt->source, result.robotsTxt->problem));
    return notes;
}

QString SitemapSummaryText(const OverviewResult &result)
{
    if (result.sitemap->urls.isEmpty())
        return QStringLiteral("网站地图：没有读到本站的网址（见提示）");
    return QStringLiteral("网站地图：%1 个网址（主机 %2），其他主机 %3 个")
        .arg(CountText(result.sitemap->urls.size()), result.sitemap->host, CountText(result.sitemap->otherHost));
}

QString RobotsSummaryText(const OverviewResult &result)
{
    if (!result.robotsTxt->problem.isEmpty() && RobotsAgents(result).isEmpty())
        return QStringLiteral("robots.txt：未能读取（见提示）");
    return QStringLiteral("robots.txt：%1 组规则").arg(result.robotsTxt->groups);
}
