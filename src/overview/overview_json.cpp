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
        {QStringLiteral("format"), skipped ? QJsonValue() : QJsonValue(FamilyKey(input.family))},
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
    return object;
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
    return QJsonObject{
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
        {QStringLiteral("first"), TextOrNull(TimeText(agent.first))},
        {QStringLiteral("last"), TextOrNull(TimeText(agent.last))},
        {QStringLiteral("top_pages"), topPages},
        {QStringLiteral("top_errors"), topErrors},
    };
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
    QJsonObject document{
        {QStringLiteral("inputs"), inputs},
        {QStringLiteral("problems"), QJsonArray::fromStringList(result.problems)},
        {QStringLiteral("records"), result.records},
        {QStringLiteral("bad_lines"), result.badLines},
        {QStringLiteral("from"), TextOrNull(result.from.isValid() ? DayText(result.from) : QString())},
        {QStringLiteral("to"), TextOrNull(result.to.isValid() ? DayText(result.to) : QString())},
        {QStringLiteral("categories"), categories},
        {QStringLiteral("days"), DaysJson(result.days)},
        {QStringLiteral("agents"), agents},
    };
    if (result.stopped)
        document.insert(QStringLiteral("stopped"), true);
    return document;
}

QByteArray OverviewJsonText(const OverviewResult &result)
{
    return QJsonDocument(OverviewJson(result)).toJson(QJsonDocument::Indented);
}
