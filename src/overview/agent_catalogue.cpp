#include "overview/agent_catalogue.h"

#include "common/app_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QHash>
#include <QJsonObject>

namespace {

const QStringList kTopKeys = {"agents", "address_lists", "resolver_check"};
const QStringList kAgentKeys = {"id",     "name",          "family",        "category",
                                "tokens", "host_suffixes", "address_lists", "robots_tokens"};
const QStringList kListKeys = {"id", "url"};
const QStringList kKnownAddressKeys = {"address", "name"};

int lineOf(const QByteArray &json, qsizetype offset) { return int(json.left(offset).count('\n')) + 1; }

// The line each element of the top-level array `key` begins on, in order.
// The document is valid JSON already: only strings and nesting need care.
QList<int> elementLines(const QByteArray &json, const QByteArray &key)
{
    QList<int> lines;
    int line = 1;
    int depth = 0;
    int arrayDepth = -1;  // the depth inside the array once found
    bool inString = false;
    bool escaped = false;
    bool expectElement = false;
    QByteArray text;  // the string being read
    QByteArray lastKey;
    for (char c : json) {
        if (c == '\n')
            ++line;
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            else
                text += c;
            if (!inString && depth == 1)
                lastKey = text;
            continue;
        }
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (expectElement && depth == arrayDepth && !blank && c != ']') {
            lines.append(line);
            expectElement = false;
        }
        if (c == '"') {
            inString = true;
            text.clear();
        } else if (c == '{' || c == '[') {
            ++depth;
            if (c == '[' && depth == 2 && arrayDepth < 0 && lastKey == key) {
                arrayDepth = depth;
                expectElement = true;
            }
        } else if (c == '}' || c == ']') {
            if (depth == arrayDepth)
                return lines;
            --depth;
        } else if (c == ',' && depth == arrayDepth) {
            expectElement = true;
        }
    }
    return lines;
}

QString unknownKeyFault(const QString &key, const QStringList &allowed)
{
    return QStringLiteral("未知的字段“%1”（可用：%2）").arg(key, allowed.join(u'、'));
}

// Every fault of one entry: keys it may not have, then what its keys hold.
QStringList unknownKeys(const QJsonObject &object, const QStringList &allowed)
{
    QStringList faults;
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!allowed.contains(it.key()))
            faults.append(unknownKeyFault(it.key(), allowed));
    return faults;
}

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

QStringList readAgent(const QJsonValue &value, CatalogueAgent &agent)
{
    if (!value.isObject())
        return {QStringLiteral("每个蜘蛛须为一个对象 {…}")};
    const QJsonObject object = value.toObject();
    QStringList faults = unknownKeys(object, kAgentKeys);
    agent.id = object.value(QStringLiteral("id")).toString();
    agent.name = object.value(QStringLiteral("name")).toString();
    agent.family = object.value(QStringLiteral("family")).toString();
    if (agent.id.isEmpty() || agent.name.isEmpty())
        faults.append(QStringLiteral("每个蜘蛛须有 id 和 name"));
    const std::optional<AgentCategory> category = CategoryFromKey(object.value(QStringLiteral("category")).toString());
    if (!category || *category == AgentCategory::Other || *category == AgentCategory::Visitor)
        faults.append(QStringLiteral("category 须为 search、ai、seo、social 或 monitor"));
    else
        agent.category = *category;
    for (const auto &[key, list] : {std::pair{QStringLiteral("tokens"), &agent.tokens},
                                    std::pair{QStringLiteral("host_suffixes"), &agent.hostSuffixes},
                                    std::pair{QStringLiteral("address_lists"), &agent.addressLists},
                                    std::pair{QStringLiteral("robots_tokens"), &agent.robotsTokens}})
        if (const QString problem = readStrings(object, key, *list); !problem.isEmpty())
            faults.append(problem);
    if (agent.tokens.isEmpty() && !object.value(QStringLiteral("tokens")).isArray())
        faults.append(QStringLiteral("缺少 tokens"));
    else if (agent.tokens.isEmpty())
        faults.append(QStringLiteral("tokens 不能为空"));
    return faults;
}

QStringList readAddressList(const QJsonValue &value, AddressListSource &list)
{
    const QJsonObject object = value.toObject();
    QStringList faults = unknownKeys(object, kListKeys);
    list.id = object.value(QStringLiteral("id")).toString();
    list.url = object.value(QStringLiteral("url")).toString();
    const bool web = list.url.startsWith(QLatin1String("https://")) || list.url.startsWith(QLatin1String("http://"));
    if (!value.isObject() || list.id.isEmpty() || !web)
        faults.append(QStringLiteral("每个地址列表须有 id 和 http(s) 网址"));
    return faults;
}

QStringList readKnownAddress(const QJsonValue &value, KnownCrawlerAddress &known)
{
    const QJsonObject object = value.toObject();
    QStringList faults = unknownKeys(object, kKnownAddressKeys);
    known.address = object.value(QStringLiteral("address")).toString();
    known.name = object.value(QStringLiteral("name")).toString();
    if (known.address.isEmpty() || known.name.isEmpty())
        faults.append(QStringLiteral("resolver_check 的每一项须有地址 address 和反向域名 name"));
    return faults;
}

// The entries of one top-level array, each read by `read`; every fault goes
// into `faults` with the entry's line, and an id met twice is one too.
template <typename Item, typename Read>
QList<Item> readEntries(const QByteArray &json, const QJsonValue &array, const char *key, const QString &what,
                        Read read, QStringList &faults)
{
    const QList<int> lines = elementLines(json, key);
    QList<Item> items;
    QHash<QString, int> idLines;
    const QJsonArray values = array.toArray();
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString where = QStringLiteral("第 %1 行：").arg(lines.value(i, 1));
        Item item;
        for (const QString &fault : read(values[i], item))
            faults.append(where + fault);
        if constexpr (requires { item.id; }) {
            if (idLines.contains(item.id) && !item.id.isEmpty())
                faults.append(where + QStringLiteral("%1“%2”与第 %3 行的重复").arg(what, item.id).arg(idLines.value(item.id)));
            idLines.insert(item.id, lines.value(i, 1));
        }
        items.append(item);
    }
    return items;
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

QStringList OverlayAgentCatalogue(AgentCatalogue &catalogue, const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return {QStringLiteral("第 %1 行：不是有效的 JSON：").arg(lineOf(json, error.offset)) + error.errorString()};
    const QJsonObject root = document.object();
    const QJsonValue agents = root.value(QStringLiteral("agents"));
    const QJsonValue lists = root.value(QStringLiteral("address_lists"));
    const QJsonValue known = root.value(QStringLiteral("resolver_check"));
    if (!document.isObject() || !agents.isArray() || !(lists.isUndefined() || lists.isArray())
        || !(known.isUndefined() || known.isArray()))
        return {QStringLiteral("须为 {\"agents\": [...]} 形式（address_lists、resolver_check 若有也须为数组）")};

    // Read everything first: a document with one fault changes nothing, and
    // every fault is told at once.
    QStringList faults;
    for (auto it = root.begin(); it != root.end(); ++it)
        if (!kTopKeys.contains(it.key()))
            faults.append(QStringLiteral("第 %1 行：").arg(lineOf(json, json.indexOf(QByteArray('"' + it.key().toUtf8() + '"'))))
                          + unknownKeyFault(it.key(), kTopKeys));
    const QList<CatalogueAgent> newAgents =
        readEntries<CatalogueAgent>(json, agents, "agents", QStringLiteral("蜘蛛 id"), readAgent, faults);
    const QList<AddressListSource> newLists =
        readEntries<AddressListSource>(json, lists, "address_lists", QStringLiteral("地址列表 id"), readAddressList, faults);
    const QList<KnownCrawlerAddress> newKnown =
        readEntries<KnownCrawlerAddress>(json, known, "resolver_check", QString(), readKnownAddress, faults);

    QList<AddressListSource> listsAfter = catalogue.addressLists;
    for (const AddressListSource &list : newLists)
        replaceOrAppend(listsAfter, list);
    QStringList listIds;
    for (const AddressListSource &list : listsAfter)
        listIds.append(list.id);
    const QList<int> agentLines = elementLines(json, "agents");
    for (qsizetype i = 0; i < newAgents.size(); ++i)
        for (const QString &id : newAgents[i].addressLists)
            if (!listIds.contains(id))
                faults.append(QStringLiteral("第 %1 行：address_lists 中的“%2”不是已知的地址列表（可用：%3）")
                                  .arg(agentLines.value(i, 1))
                                  .arg(id, listIds.join(u'、')));
    QList<CatalogueAgent> agentsAfter = catalogue.agents;
    for (const CatalogueAgent &agent : newAgents)
        replaceOrAppend(agentsAfter, agent);
    if (agentsAfter.size() > kMostCatalogueAgents)
        faults.append(QStringLiteral("蜘蛛过多（最多 %1 个）").arg(kMostCatalogueAgents));
    if (!faults.isEmpty())
        return faults;
    catalogue.agents = agentsAfter;
    catalogue.addressLists = listsAfter;
    if (!known.isUndefined())
        catalogue.resolverCheck = newKnown;  // a user's list replaces the built-in one
    return {};
}

AgentCatalogue BuiltInAgentCatalogue()
{
    static const AgentCatalogue builtIn = [] {
        AgentCatalogue catalogue;
        QFile file(QStringLiteral(":/overview/crawlers.json"));
        const bool opened = file.open(QIODevice::ReadOnly);
        const QStringList problems = OverlayAgentCatalogue(catalogue, file.readAll());
        if (!opened || !problems.isEmpty())  // a resource of the build: the tests read it
            qFatal("the built-in crawler catalogue cannot be read: %s", qPrintable(problems.join(u'\n')));
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
    QStringList problems;
    if (!file.open(QIODevice::ReadOnly))
        problems.append(file.errorString());
    else if (file.size() > kLongestCatalogue)
        problems.append(QStringLiteral("文件过大"));
    else
        problems = OverlayAgentCatalogue(catalogue, file.read(kLongestCatalogue));
    for (const QString &problem : std::as_const(problems))
        catalogue.problems.append(userFile + QStringLiteral(" - 已跳过：") + problem);
    return catalogue;
}
