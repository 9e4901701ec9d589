#include "overview/agent_catalogue.h"

#include "common/app_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A list of strings, or why it is none.
QString readStrings(const QJsonObject &object, const QString &key, QStringList &into)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return {};
    if (!value.isArray())
        return key + QStringLiteral(" 须为字符串数组");
    for (const QJsonValue &item : value.toArray()) {
        if (!item.isString() || item.toString().isEmpty())
            return key + QStringLiteral(" 须为非空字符串数组");
        into.append(item.toString());
    }
    return {};
}

QString readAgent(const QJsonValue &value, CatalogueAgent &agent)
{
    const QJsonObject object = value.toObject();
    agent.id = object.value(QStringLiteral("id")).toString();
    agent.name = object.value(QStringLiteral("name")).toString();
    agent.family = object.value(QStringLiteral("family")).toString();
    if (!value.isObject() || agent.id.isEmpty() || agent.name.isEmpty())
        return QStringLiteral("每个蜘蛛须有 id 和 name");
    const std::optional<AgentCategory> category = CategoryFromKey(object.value(QStringLiteral("category")).toString());
    if (!category || *category == AgentCategory::Other || *category == AgentCategory::Visitor)
        return agent.id + QStringLiteral("：category 须为 search、ai、seo、social 或 monitor");
    agent.category = *category;
    for (const auto &[key, list] : {std::pair{QStringLiteral("tokens"), &agent.tokens},
                                    std::pair{QStringLiteral("host_suffixes"), &agent.hostSuffixes},
                                    std::pair{QStringLiteral("address_lists"), &agent.addressLists},
                                    std::pair{QStringLiteral("robots_tokens"), &agent.robotsTokens}})
        if (const QString problem = readStrings(object, key, *list); !problem.isEmpty())
            return agent.id + u'：' + problem;
    if (agent.tokens.isEmpty())
        return agent.id + QStringLiteral("：缺少 tokens");
    return {};
}

QString readAddressList(const QJsonValue &value, AddressListSource &list)
{
    const QJsonObject object = value.toObject();
    list.id = object.value(QStringLiteral("id")).toString();
    list.url = object.value(QStringLiteral("url")).toString();
    const bool web = list.url.startsWith(QLatin1String("https://")) || list.url.startsWith(QLatin1String("http://"));
    if (list.id.isEmpty() || !web)
        return QStringLiteral("每个地址列表须有 id 和 http(s) 网址");
    return {};
}

template <typename Item>
void replaceOrAppend(QList<Item> &items, const Item &item)
{
    for (Item &existing : items)
        if (existing.id == item.id) {
            existing = item;
            return;
        }
    items.append(item);
}

}  // namespace

const CatalogueAgent *AgentCatalogue::agent(QStringView id) const
{
    for (const CatalogueAgent &item : agents)
        if (item.id == id)
            return &item;
    return nullptr;
}

const AddressListSource *AgentCatalogue::addressList(QStringView id) const
{
    for (const AddressListSource &item : addressLists)
        if (item.id == id)
            return &item;
    return nullptr;
}

QString OverlayAgentCatalogue(AgentCatalogue &catalogue, const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("不是有效的 JSON（第 %1 字节）：").arg(error.offset) + error.errorString();
    const QJsonObject root = document.object();
    const QJsonValue agents = root.value(QStringLiteral("agents"));
    const QJsonValue lists = root.value(QStringLiteral("address_lists"));
    if (!document.isObject() || !agents.isArray() || !(lists.isUndefined() || lists.isArray()))
        return QStringLiteral("须为 {\"agents\": [...]} 形式");

    // Read everything first: a document with one bad entry changes nothing.
    QList<CatalogueAgent> newAgents;
    for (const QJsonValue &value : agents.toArray()) {
        CatalogueAgent agent;
        if (const QString problem = readAgent(value, agent); !problem.isEmpty())
            return problem;
        newAgents.append(agent);
    }
    QList<AddressListSource> newLists;
    for (const QJsonValue &value : lists.toArray()) {
        AddressListSource list;
        if (const QString problem = readAddressList(value, list); !problem.isEmpty())
            return problem;
        newLists.append(list);
    }
    QList<CatalogueAgent> agentsAfter = catalogue.agents;
    for (const CatalogueAgent &agent : newAgents)
        replaceOrAppend(agentsAfter, agent);
    if (agentsAfter.size() > kMostCatalogueAgents)
        return QStringLiteral("蜘蛛过多（最多 %1 个）").arg(kMostCatalogueAgents);
    catalogue.agents = agentsAfter;
    for (const AddressListSource &list : newLists)
        replaceOrAppend(catalogue.addressLists, list);
    return {};
}

AgentCatalogue BuiltInAgentCatalogue()
{
    static const AgentCatalogue builtIn = [] {
        AgentCatalogue catalogue;
        QFile file(QStringLiteral(":/overview/crawlers.json"));
        const bool opened = file.open(QIODevice::ReadOnly);
        const QString problem = OverlayAgentCatalogue(catalogue, file.readAll());
        Q_ASSERT(opened && problem.isEmpty());  // a resource of the build: the tests read it
        return catalogue;
    }();
    return builtIn;
}

QString UserAgentCatalogueFile()
{
    return QFileInfo(OpenAppSettings().fileName()).absolutePath() + QStringLiteral("/crawlers.json");
}

AgentCatalogue LoadAgentCatalogue(const QString &userFile)
{
    AgentCatalogue catalogue = BuiltInAgentCatalogue();
    if (userFile.isEmpty() || !QFileInfo::exists(userFile))
        return catalogue;
    QFile file(userFile);
    // A catalogue is a few kilobytes; a huge file is no catalogue.
    constexpr qint64 kLongestCatalogue = 4 * 1024 * 1024;
    QString problem;
    if (!file.open(QIODevice::ReadOnly))
        problem = file.errorString();
    else if (file.size() > kLongestCatalogue)
        problem = QStringLiteral("文件过大");
    else
        problem = OverlayAgentCatalogue(catalogue, file.read(kLongestCatalogue));
    if (!problem.isEmpty())
        catalogue.problems.append(userFile + QStringLiteral(" - 已跳过：") + problem);
    return catalogue;
}
