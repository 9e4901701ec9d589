#include "overview/overview_json.h"

#include "overview/overview_format.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QJsonValue TextOrNull(const QString &text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }

QJsonObject DaysJson(const QMap<QDate, qint64> &days)
{
    QJsonObject object;
    for (auto day = days.cbegin(); day != days.cend(); ++day)
        object.insert(DayText(day.key()), day.value());
    return object;
}

QJsonObject InputJson(const OverviewInput &input)
{
    const bool skipped = !input.skipReason.isEmpty();
    QJsonObject object{
        {QStringLiteral("path"), input.path},
        {QStringLiteral("format"), skipped ? QJsonValue() : QJsonValue(input.formatName.isEmpty() ? FamilyKey(input.family) : input.formatName)},
        {QStringLiteral("compression"), CompressionKey(input.compression)},
        {QStringLiteral("records"), input.records},
        {QStringLiteral("bad_lines"), input.badLines},
        {QStringLiteral("skipped"), TextOrNull(input.skipReason)},
        {QStringLiteral("error"), TextOrNull(input.errorText)},
    };
    if (input.skippedLongLines > 0)
        object.insert(QStringLiteral("skipped_long_lines"), input.skippedLongLines);
    if (input.noPageColumn)
        object.insert(QStringLiteral("no_page_column"), true);
    if (input.noAgentField)
        object.insert(QStringLiteral("no_agent_field"), true);
    return object;
}

QJsonArray SectionsJson(const QList<SectionRequests> &sections)
{
    QJsonArray array;
    for (const SectionRequests &section : sections)
        array.append(QJsonObject{{QStringLiteral("section"), section.section},
                                 {QStringLiteral("requests"), section.requests},
                                 {QStringLiteral("pages"), section.pages},
                                 {QStringLiteral("errors"), section.errors}});
    return array;
}

QJsonArray HoursJson(const std::array<qint64, kHours> &hours)
{
    QJsonArray array;
    for (qint64 requests : hours)
        array.append(requests);
    return array;
}

QJsonObject CoverageJson(const AgentCoverage &coverage)
{
    return {{QStringLiteral("in_sitemap"), coverage.inSitemap}, {QStringLiteral("in_sitemap_ok"), coverage.inSitemapOk},
            {QStringLiteral("never"), coverage.never},          {QStringLiteral("stale"), coverage.stale},
            {QStringLiteral("outside"), coverage.outside}};
}

QJsonObject RobotsJson(const AgentRobots &robots)
{
    QJsonArray rules;
    for (const RuleRequests &rule : robots.topRules)
        rules.append(QJsonObject{{QStringLiteral("rule"), rule.rule}, {QStringLiteral("requests"), rule.requests}});
    return {{QStringLiteral("group"), robots.group ? QJsonValue(*robots.group) : QJsonValue()},
            {QStringLiteral("disallowed"), robots.disallowed},
            {QStringLiteral("disallowed_pages"), robots.disallowedPages},
            {QStringLiteral("robots_fetches"), robots.robotsFetches},
            {QStringLiteral("top_rules"), rules}};
}

QJsonObject AgentJson(const AgentOverview &agent, const OverviewResult &result)
{
    QJsonObject status;
    for (auto code = agent.status.cbegin(); code != agent.status.cend(); ++code)
        status.insert(QString::number(code.key()), code.value());
    QJsonObject classes;
    for (int i = 0; i < kStatusClassCount; ++i)
        classes.insert(StatusClassKey(StatusClass(i)), agent.classes[i]);
    QJsonArray topPages;
    for (const PageRequests &page : agent.topPages)
        topPages.append(QJsonObject{{QStringLiteral("page"), result.pageText(page.page)},
                                    {QStringLiteral("requests"), page.requests}});
    QJsonArray topErrors;
    for (const PageStatusRequests &error : agent.topErrors)
        topErrors.append(QJsonObject{{QStringLiteral("page"), result.pageText(error.page)},
                                     {QStringLiteral("status"), error.status},
                                     {QStringLiteral("requests"), error.requests}});
    QJsonObject object{
        {QStringLiteral("id"), agent.id},
        {QStringLiteral("name"), agent.name},
        {QStringLiteral("family"), agent.family},
        {QStringLiteral("category"), CategoryKey(agent.category)},
        {QStringLiteral("requests"), agent.requests},
        {QStringLiteral("pages"), agent.pages},
        {QStringLiteral("valid_pages"), agent.validPages},
        {QStringLiteral("bytes"), agent.bytes},
        {QStringLiteral("clients"), agent.clients},
        {QStringLiteral("status"), status},
        {QStringLiteral("classes"), classes},
        {QStringLiteral("days"), DaysJson(agent.days)},
        {QStringLiteral("first"), TextOrNull(IsoTimeText(agent.first))},
        {QStringLiteral("last"), TextOrNull(IsoTimeText(agent.last))},
        {QStringLiteral("top_pages"), topPages},
        {QStringLiteral("top_errors"), topErrors},
        {QStringLiteral("sections"), SectionsJson(agent.sections)},
        {QStringLiteral("hours"), HoursJson(agent.hours)},
    };
    if (agent.coverage)
        object.insert(QStringLiteral("coverage"), CoverageJson(*agent.coverage));
    if (agent.robots)
        object.insert(QStringLiteral("robots"), RobotsJson(*agent.robots));
    if (result.verification && result.verification->agents.contains(agent.id)) {
        const VerdictCounts counts = result.verification->agents.value(agent.id);
        object.insert(QStringLiteral("verification"), QJsonObject{{QStringLiteral("verified"), counts.verified},
                                                                  {QStringLiteral("fake"), counts.fake},
                                                                  {QStringLiteral("unknown"), counts.unknown},
                                                                  {QStringLiteral("local"), counts.local}});
    }
    return object;
}

// The site's files as they were read: the sitemaps' URLs and each file, robots.txt's groups.
void AddSiteJson(const OverviewResult &result, QJsonObject &document)
{
    if (result.sitemap) {
        QJsonArray files;
        for (const SitemapFileSummary &file : result.sitemap->files)
            files.append(QJsonObject{{QStringLiteral("source"), file.source},
                                     {QStringLiteral("urls"), file.urls},
                                     {QStringLiteral("problem"), TextOrNull(file.problem)}});
        document.insert(QStringLiteral("sitemap"), QJsonObject{{QStringLiteral("urls"), result.sitemap->urls.size()},
                                                               {QStringLiteral("other_host"), result.sitemap->otherHost},
                                                               {QStringLiteral("files"), files}});
    }
    if (result.robotsTxt)
        document.insert(QStringLiteral("robots_txt"),
                        QJsonObject{{QStringLiteral("source"), result.robotsTxt->source},
                                    {QStringLiteral("groups"), result.robotsTxt->groups},
                                    {QStringLiteral("problem"), TextOrNull(result.robotsTxt->problem)}});
}

// The crawler check's own fields of the result; "address_lists" gives each
// list's creationTime, null for a list missing or invalid.
void AddVerificationJson(const VerificationSummary &summary, QJsonObject &document)
{
    QJsonArray fakes;
    for (const ClientVerdict &fake : summary.fakeClients)
        fakes.append(QJsonObject{{QStringLiteral("address"), fake.address},
                                 {QStringLiteral("agent"), fake.agentId},
                                 {QStringLiteral("requests"), fake.requests},
                                 {QStringLiteral("ptr"), TextOrNull(fake.ptr)},
                                 {QStringLiteral("reason"), fake.reason}});
    document.insert(QStringLiteral("fake_clients"), fakes);
    if (!summary.dnsProblem.isEmpty())
        document.insert(QStringLiteral("verification_problem"), summary.dnsProblem);
    if (summary.stopped)
        document.insert(QStringLiteral("verification_stopped"), true);
    if (summary.behindProxy)
        document.insert(QStringLiteral("verification_note"), ProxyNoteText());
    QJsonObject lists;
    for (auto list = summary.listAges.cbegin(); list != summary.listAges.cend(); ++list)
        lists.insert(list.key(), TextOrNull(list.value()));
    for (auto list = summary.unusableLists.cbegin(); list != summary.unusableLists.cend(); ++list)
        lists.insert(list.key(), QJsonValue());  // missing or invalid
    document.insert(QStringLiteral("address_lists"), lists);
}

}  // namespace

QJsonObject OverviewJson(const OverviewResult &result)
{
    QJsonArray inputs;
    for (const OverviewInput &input : result.inputs)
        inputs.append(InputJson(input));
    QJsonObject categories;
    for (int i = 0; i < kAgentCategoryCount; ++i)
        categories.insert(CategoryKey(AgentCategory(i)), result.categories[i]);
    QJsonArray agents;
    for (const AgentOverview &agent : result.agents)
        agents.append(AgentJson(agent, result));
    QJsonArray otherBots;
    for (const BotWordRequests &bot : result.otherBots)
        otherBots.append(QJsonObject{{QStringLiteral("token"), bot.token}, {QStringLiteral("requests"), bot.requests}});
    QJsonObject document{
        {QStringLiteral("inputs"), inputs},
        {QStringLiteral("problems"), QJsonArray::fromStringList(result.problems)},
        {QStringLiteral("records"), result.records},
        {QStringLiteral("bad_lines"), result.badLines},
        {QStringLiteral("bytes_logged"), result.bytesLogged()},
        {QStringLiteral("from"), TextOrNull(result.from.isValid() ? DayText(result.from) : QString())},
        {QStringLiteral("to"), TextOrNull(result.to.isValid() ? DayText(result.to) : QString())},
        {QStringLiteral("categories"), categories},
        {QStringLiteral("days"), DaysJson(result.days)},
        {QStringLiteral("agents"), agents},
        {QStringLiteral("other_bots"), otherBots},
    };
    if (result.stopped)
        document.insert(QStringLiteral("stopped"), true);
    if (result.verification)
        AddVerificationJson(*result.verification, document);
    AddSiteJson(result, document);
    return document;
}

QByteArray OverviewJsonText(const OverviewResult &result)
{
    return QJsonDocument(OverviewJson(result)).toJson(QJsonDocument::Indented);
}
