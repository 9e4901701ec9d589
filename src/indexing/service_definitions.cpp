// Reading service definitions: the built-in ten and a user's file alike.
#include "indexing/service_catalogue.h"

#include "common/definition_reader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const QStringList kFields = {"key",   "caption", "label",    "kind",    "route",
                             "base",  "query",   "encoding", "extract", "note"};
const QStringList kRuleFields = {"before", "after", "regex", "multiply", "separators"};

// Reads one definition; the first fault found is kept, with the key and
// the field it concerns.
class ServiceReader
{
public:
    ServiceReader(const QJsonObject &object, const QString &origin)
        : fields_(object, origin, QStringLiteral("服务"), QStringLiteral("key"), kFields)
    {
    }

    std::optional<IndexingService> read()
    {
        IndexingService service;
        if (!readKey(service) || !readShown(service) || !readWhere(service) || !readRule(service.extract))
            return std::nullopt;
        return service;
    }

    const QString &fault() const { return fields_.fault(); }

private:
    bool fail(const QString &field, const QString &problem) { return fields_.fail(field, problem); }
    bool ruleFault(const QString &problem) { return fail(QStringLiteral("extract"), problem); }
    std::optional<QString> text(const QString &field) { return fields_.text(field); }
    std::optional<QString> choice(const QString &field, const QStringList &allowed, bool hasDefault = false)
    {
        return fields_.choice(field, allowed, hasDefault);
    }

    bool readKey(IndexingService &service)
    {
        const std::optional<QString> key = fields_.name({QStringLiteral("all")});
        if (key)
            service.settingsKey = *key;
        return key.has_value();
    }

    // What the window and the report show.
    bool readShown(IndexingService &service)
    {
        const std::optional<QString> caption = text(QStringLiteral("caption"));
        const std::optional<QString> label = text(QStringLiteral("label"));
        const std::optional<QString> kind = choice(QStringLiteral("kind"), {"count", "rank"});
        if (!caption || !label || !kind)
            return false;
        service.caption = *caption;
        service.label = *label;
        service.value = *kind == QLatin1String("count") ? ServiceValue::Count : ServiceValue::Rank;
        return true;
    }

    // Where and how the page is asked for, and how it is decoded.
    bool readWhere(IndexingService &service)
    {
        const std::optional<QString> route = choice(QStringLiteral("route"), {"http", "google-form", "sogou-form"});
        const std::optional<QString> base = text(QStringLiteral("base"));
        const std::optional<QString> encoding =
            choice(QStringLiteral("encoding"), {"utf-8", "gb18030", "gbk", "cp936"}, true);
        if (!route || !base || !encoding)
            return false;
        service.route = *route == QLatin1String("http") ? PageRoute::Direct
            : *route == QLatin1String("google-form")    ? PageRoute::GoogleForm
                                                        : PageRoute::SogouForm;
        if (!IsValidBaseUrl(QUrl(*base, QUrl::StrictMode)))
            return fail(QStringLiteral("base"), QStringLiteral("须是 http(s)://主机[:端口]"));
        service.defaultBase = *base;
        service.utf8 = *encoding == QLatin1String("utf-8");
        if (service.route != PageRoute::Direct)
            return true;  // the browser fills the engine's own form
        const std::optional<QString> query = text(QStringLiteral("query"));
        if (!query)
            return false;
        if (!query->contains(QLatin1String("{site}")))
            return fail(QStringLiteral("query"), QStringLiteral("须含 {site}"));
        service.query = *query;
        return true;
    }

    // A built-in routine's name, or a rule of the user's own.
    bool readRule(ExtractRule &rule)
    {
        const QJsonValue value = fields_.definition().value(QLatin1String("extract"));
        if (value.isString()) {
            rule.builtinName = value.toString();
            rule.builtin = FindBuiltinExtractor(rule.builtinName);
            return rule.builtin || ruleFault(QStringLiteral("不是内置规则（%1）").arg(BuiltinExtractorNames().join(u'、')));
        }
        if (!value.isObject())
            return ruleFault(QStringLiteral("须是内置规则的名字，或 {\"before\", \"after\"} 或 {\"regex\"}"));
        const QJsonObject object = value.toObject();
        for (auto entry = object.begin(); entry != object.end(); ++entry)
            if (!kRuleFields.contains(entry.key()))
                return ruleFault(QStringLiteral("中的“%1”不是规则的字段（%2）").arg(entry.key(), kRuleFields.join(u'、')));
        const QJsonValue multiply = object.value(QLatin1String("multiply"));
        const QJsonValue separators = object.value(QLatin1String("separators"));
        if (!multiply.isUndefined() && !multiply.isBool())
            return ruleFault(QStringLiteral("的 multiply 须是 true 或 false"));
        if (!separators.isUndefined() && !separators.isString())
            return ruleFault(QStringLiteral("的 separators 须是文字"));
        rule.multiply = multiply.toBool(false);
        rule.separators = separators.toString(QStringLiteral(","));
        return readCut(object, rule);
    }

    // The markers around the number, or a regular expression with one group.
    bool readCut(const QJsonObject &object, ExtractRule &rule)
    {
        const bool markers = object.contains(QLatin1String("before")) || object.contains(QLatin1String("after"));
        if (markers == object.contains(QLatin1String("regex")))
            return ruleFault(QStringLiteral("须有 before 与 after，或 regex，二者取一"));
        if (markers) {
            rule.before = object.value(QLatin1String("before")).toString();
            rule.after = object.value(QLatin1String("after")).toString();
            return (!rule.before.isEmpty() && !rule.after.isEmpty())
                || ruleFault(QStringLiteral("的 before 与 after 须是不空的文字"));
        }
        rule.regex.setPattern(object.value(QLatin1String("regex")).toString());
        if (!rule.regex.isValid())
            return ruleFault(QStringLiteral("的 regex 无法编译：%1（第 %2 个字符）")
                                 .arg(rule.regex.errorString())
                                 .arg(rule.regex.patternErrorOffset() + 1));
        return rule.regex.captureCount() == 1
            || ruleFault(QStringLiteral("的 regex 须有且只有一个捕获组（现有 %1 个）").arg(rule.regex.captureCount()));
    }

    DefinitionReader fields_;
};

QByteArray builtinJson()
{
    QFile file(QStringLiteral(":/indexing/services.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the built-in service definitions are missing from the resources");
    return file.readAll();
}

// The built-in definitions as JSON objects by key, for a user's definition to
// fall back on.
const QMap<QString, QJsonObject> &builtinObjects()
{
    static const QMap<QString, QJsonObject> objects = [] {
        QMap<QString, QJsonObject> byKey;
        for (const QJsonValue definition : QJsonDocument::fromJson(builtinJson()).object().value("services").toArray())
            byKey.insert(definition.toObject().value("key").toString(), definition.toObject());
        return byKey;
    }();
    return objects;
}

}  // namespace

ServiceDefinitions ParseServiceDefinitions(const QByteArray &json, const QString &origin)
{
    ServiceDefinitions result;
    const DefinitionList list = ParseDefinitionList(json, origin, QStringLiteral("services"));
    if (!list.fault.isEmpty())
        return {{}, list.fault};
    for (const QJsonValue definition : list.definitions) {
        QJsonObject object = definition.toObject();
        const QString key = object.value(QLatin1String("key")).toString();
        // A built-in key: the fields left out are the built-in's.
        const QJsonObject builtin = builtinObjects().value(key);
        for (auto field = builtin.begin(); field != builtin.end(); ++field)
            if (!object.contains(field.key()))
                object.insert(field.key(), field.value());
        if (FindIndexingService(key, result.services))
            return {{}, QStringLiteral("%1：服务“%2”的字段“key”与前面的定义重复").arg(origin, key)};
        ServiceReader reader(object, origin);
        std::optional<IndexingService> service = reader.read();
        if (!service)
            return {{}, reader.fault()};
        service->origin = origin;
        result.services.append(*service);
    }
    return result;
}

const QList<IndexingService> &IndexingServices()
{
    static const QList<IndexingService> services = [] {
        ServiceDefinitions builtin = ParseServiceDefinitions(builtinJson(), QStringLiteral("services.json"));
        if (!builtin.fault.isEmpty())
            qFatal("the built-in service definitions are faulty: %s", qPrintable(builtin.fault));
        for (qsizetype i = 0; i < builtin.services.size(); ++i) {
            builtin.services[i].checkBox = QStringLiteral("Check%1").arg(i + 1);
            builtin.services[i].origin.clear();
        }
        return builtin.services;
    }();
    return services;
}
