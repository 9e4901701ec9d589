#include "overview/agent_table.h"

#include "overview/overview_format.h"

namespace {

using Shown = AgentColumn::Shown;

QString CountValue(qint64 count, Shown shown)
{
    return shown == Shown::ForPeople ? CountText(count) : QString::number(count);
}

QString ShareText(qint64 part, qint64 whole, Shown shown)
{
    if (whole == 0)
        return {};
    const double percent = 100.0 * double(part) / double(whole);
    return shown == Shown::ForPeople ? QString::number(percent, 'f', 1) + u'%' : QString::number(percent, 'f', 2);
}

QString ByteValue(qint64 bytes, Shown shown)
{
    return shown == Shown::ForPeople ? ByteSizeText(bytes) : QString::number(bytes);
}

using Figure = std::function<qint64(const AgentOverview &)>;
using Format = QString (*)(qint64, Shown);

// A column of one figure per agent; `adds`: its total is the sum of the rows.
AgentColumn FigureColumn(const QString &header, const Figure &figure, bool adds, Format format = CountValue)
{
    AgentColumn column{header, true,
                       [figure, format](const AgentOverview &agent, Shown shown) { return format(figure(agent), shown); },
                       {}};
    if (adds)
        column.total = [figure, format](const OverviewResult &result, Shown shown) {
            qint64 sum = 0;
            for (const AgentOverview &agent : result.agents)
                sum += figure(agent);
            return format(sum, shown);
        };
    return column;
}

}  // namespace

QList<AgentColumn> AgentTableColumns(const OverviewResult &result)
{
    // Shares are of the requests in the date range, which the rows add up to.
    const qint64 inRange = result.requests();
    QList<AgentColumn> columns = {
        {QStringLiteral("蜘蛛"), false, [](const AgentOverview &agent, Shown) { return agent.name; },
         [](const OverviewResult &, Shown) { return QStringLiteral("合计"); }},
        {QStringLiteral("ID"), false, [](const AgentOverview &agent, Shown) { return agent.id; }, {}},
        {QStringLiteral("类别"), false, [](const AgentOverview &agent, Shown) { return CategoryName(agent.category); },
         {}},
        FigureColumn(QStringLiteral("请求数"), &AgentOverview::requests, true),
        {QStringLiteral("占比"), true,
         [inRange](const AgentOverview &agent, Shown shown) { return ShareText(agent.requests, inRange, shown); },
         [inRange](const OverviewResult &, Shown shown) { return ShareText(inRange, inRange, shown); }},
    };
    if (result.comparesPrevious)
        columns.append({QStringLiteral("变化"), true,
                        [](const AgentOverview &agent, Shown shown) {
                            const std::optional<double> change = RequestChange(agent.previousRequests, agent.requests);
                            if (shown == Shown::ForPeople)
                                return ChangeText(change);
                            return change ? QString::number(*change, 'f', 1) : QString();
                        },
                        {}});
    columns += {
        FigureColumn(QStringLiteral("页面数"), &AgentOverview::pages, false),
        FigureColumn(QStringLiteral("成功页面数"), &AgentOverview::validPages, false),
    };
    for (int i = 0; i < kStatusClassCount; ++i) {
        const StatusClass statusClass = StatusClass(i);
        columns.append(FigureColumn(
            StatusClassLabel(statusClass),
            [statusClass](const AgentOverview &agent) { return agent.classRequests(statusClass); }, true));
    }
    if (result.bytesLogged()) {
        columns.append(FigureColumn(QStringLiteral("流量"), &AgentOverview::bytes, true, ByteValue));
    } else {
        // No input logs a response size: the traffic is unknown, which a 0 would hide.
        const auto unknown = [](const auto &, Shown) { return QStringLiteral("—"); };
        columns.append({QStringLiteral("流量"), true, unknown, unknown});
    }
    columns.append(FigureColumn(QStringLiteral("访问IP数"), &AgentOverview::clients, false));
    if (result.verification) {
        const QHash<QString, VerdictCounts> counts = result.verification->agents;
        columns.append({QStringLiteral("验证"), false,
                        [counts](const AgentOverview &agent, Shown shown) {
                            const auto found = counts.constFind(agent.id);
                            if (found != counts.cend())
                                return VerificationText(*found, shown == Shown::Raw);
                            return agent.catalogued ? VerdictWord(Verdict::NoRule) : QString();
                        },
                        [counts](const OverviewResult &, Shown shown) {
                            VerdictCounts sum;
                            for (const VerdictCounts &agent : counts)
                                sum += agent;
                            return VerificationText(sum, shown == Shown::Raw);
                        },
                        [counts](const AgentOverview &agent, Shown) {
                            return UnknownReasonsText(counts.value(agent.id));
                        }});
    }
    columns.append({QStringLiteral("首次"), false, [](const AgentOverview &agent, Shown) { return TimeText(agent.first); },
                    {}});
    columns.append({QStringLiteral("最后"), false, [](const AgentOverview &agent, Shown) { return TimeText(agent.last); },
                    {}});
    return columns;
}

QList<FakeClientColumn> FakeClientColumns()
{
    return {
        {QStringLiteral("地址"), false, [](const ClientVerdict &fake, const OverviewResult &, Shown) { return fake.address; }},
        {QStringLiteral("蜘蛛"), false,
         [](const ClientVerdict &fake, const OverviewResult &result, Shown) {
             const AgentOverview *agent = result.agent(fake.agentId);
             return agent ? agent->name : fake.agentId;
         }},
        {QStringLiteral("ID"), false, [](const ClientVerdict &fake, const OverviewResult &, Shown) { return fake.agentId; }},
        {QStringLiteral("请求数"), true,
         [](const ClientVerdict &fake, const OverviewResult &, Shown shown) { return CountValue(fake.requests, shown); }},
        {QStringLiteral("反向域名"), false,
         [](const ClientVerdict &fake, const OverviewResult &, Shown shown) {
             return fake.ptr.isEmpty() && shown == Shown::ForPeople ? QStringLiteral("—") : fake.ptr;
         }},
        {QStringLiteral("原因"), false, [](const ClientVerdict &fake, const OverviewResult &, Shown) { return fake.reason; }},
    };
}
