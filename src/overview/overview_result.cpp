#include "overview/overview_result.h"

#include "overview/page_table.h"

#include <algorithm>

namespace {

struct CategoryText
{
    const char *key;
    const char *name;
};

constexpr std::array<CategoryText, kAgentCategoryCount> kCategories = {{
    {"search", "搜索引擎"},
    {"ai", "AI"},
    {"seo", "SEO工具"},
    {"social", "社交预览"},
    {"monitor", "监控"},
    {"other", "其他"},
    {"visitor", "访客"},
}};

}  // namespace

QString CategoryKey(AgentCategory category) { return QString::fromLatin1(kCategories[int(category)].key); }

QString CategoryName(AgentCategory category) { return QString::fromUtf8(kCategories[int(category)].name); }

std::optional<AgentCategory> CategoryFromKey(QStringView key)
{
    for (int i = 0; i < kAgentCategoryCount; ++i)
        if (key == QLatin1String(kCategories[i].key))
            return AgentCategory(i);
    return std::nullopt;
}

StatusClass ClassOfStatus(int status)
{
    if (status < 200 || status > 599)
        return StatusClass::Unknown;
    return StatusClass(status / 100 - 2);
}

QString StatusClassKey(StatusClass statusClass)
{
    static const std::array<QString, kStatusClassCount> keys = {
        QStringLiteral("2xx"), QStringLiteral("3xx"), QStringLiteral("4xx"), QStringLiteral("5xx"),
        QStringLiteral("unknown")};
    return keys[int(statusClass)];
}

QList<AgentPage> AgentOverview::pageList() const
{
    QList<AgentPage> pages;
    for (const PageStatusRequests &pair : pageStatuses) {
        if (pages.isEmpty() || pages.back().page != pair.page)
            pages.append({pair.page, 0, {}, {}});
        AgentPage &page = pages.back();
        page.requests += pair.requests;
        page.statuses.append(pair.status);
        if (pair.lastSeen.isValid() && (!page.lastSeen.isValid() || pair.lastSeen > page.lastSeen))
            page.lastSeen = pair.lastSeen;
    }
    return pages;
}

qsizetype OverviewResult::pageCount() const { return pageTable ? pageTable->size() : 0; }

QString OverviewResult::pageText(qint32 page) const { return pageTable->text(page); }

qint64 OverviewResult::requests() const
{
    qint64 sum = 0;
    for (qint64 count : categories)
        sum += count;
    return sum;
}

bool OverviewResult::anyFailed() const
{
    for (const OverviewInput &input : inputs)
        if (input.failed())
            return true;
    return false;
}

bool OverviewResult::bytesLogged() const
{
    return std::any_of(inputs.begin(), inputs.end(), [](const OverviewInput &input) { return input.bytesLogged; });
}

qsizetype OverviewResult::logFileCount() const
{
    return std::count_if(inputs.begin(), inputs.end(),
                         [](const OverviewInput &input) { return input.skipKind != SkipKind::ErrorLog; });
}

const AgentOverview *OverviewResult::agent(QStringView id) const
{
    for (const AgentOverview &item : agents)
        if (item.id == id)
            return &item;
    return nullptr;
}
