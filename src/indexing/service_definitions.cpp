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
const QStringList kSerpFields = {"key",   "caption",  "label",   "kind",    "route",   "base", "query",
                                 "encoding", "per_page", "results", "exclude", "captcha", "note"};
const QStringList kEncodings = {"utf-8", "gb18030", "gbk", "cp936"};

bool isSerp(const QJsonObject &definition) { return definition.value(QLatin1String("kind")) == QLatin1String("serp"); }

// Reads one definition; the first fault found is kept, with the key and
// the field it concerns.
class ServiceReader
{
public:
    ServiceReader(const QJsonObject &object, const QString &origin, const QStringList &fields = kFields)
        : fields_(object, origin, QStringLiteral("服务"), QStringLiteral("key"), fields)
    {
    }

    std::optional<IndexingService> read()
    {
        IndexingService service;
        if (!readKey(service) || !readShown(service) || !readWhere(service) || !readRule(service.extract))
            return std::nullopt;
        return service;
    }

    std::optional<SerpService> readSerp()
    {
        SerpService engine;
        const std::optional<QString> key = fields_.name({QStringLiteral("all")});
        if (!key || !readSerpShown(engine) || !readSerpWhere(engine) || !readSerpCut(engine))
            return std::nullopt;
        engine.key = *key;
        return engine;
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
            choice(QStringLiteral("encoding"), kEncodings, true);
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
        return compileOneGroup(QStringLiteral("extract"), object.value(QLatin1String("regex")).toString(), rule.regex);
    }

    bool compile(const QString &field, const QString &what, const QString &pattern, QRegularExpression &regex)
    {
        regex.setPattern(pattern);
        if (!regex.isValid())
            return fail(field, QStringLiteral("%1无法编译：%2（第 %3 个字符）")
                                   .arg(what, regex.errorString())
                                   .arg(regex.patternErrorOffset() + 1));
        regex.optimize();
        return true;
    }

    // A pattern with one capture group, in the object of `field` under "regex".
    bool compileOneGroup(const QString &field, const QString &pattern, QRegularExpression &regex)
    {
        if (!compile(field, QStringLiteral("的 regex "), pattern, regex))
            return false;
        return regex.captureCount() == 1
            || fail(field, QStringLiteral("的 regex 须有且只有一个捕获组（现有 %1 个）").arg(regex.captureCount()));
    }

    bool readSerpShown(SerpService &engine)
    {
        const std::optional<QString> caption = text(QStringLiteral("caption"));
        const std::optional<QString> label = text(QStringLiteral("label"));
        if (!caption || !label)
            return false;
        engine.caption = *caption;
        engine.label = *label;
        return true;
    }

    // The result pages: always a direct download (a search form cannot turn pages).
    bool readSerpWhere(SerpService &engine)
    {
        const std::optional<QString> route = choice(QStringLiteral("route"), {"http"}, true);
        const std::optional<QString> base = text(QStringLiteral("base"));
        const std::optional<QString> encoding = choice(QStringLiteral("encoding"), kEncodings, true);
        const std::optional<QString> query = text(QStringLiteral("query"));
        if (!route || !base || !encoding || !query)
            return false;
        if (!IsValidBaseUrl(QUrl(*base, QUrl::StrictMode)))
            return fail(QStringLiteral("base"), QStringLiteral("须是 http(s)://主机[:端口]"));
        if (!query->contains(QLatin1String("{keyword}"))
            || !(query->contains(QLatin1String("{page}")) || query->contains(QLatin1String("{offset}"))))
            return fail(QStringLiteral("query"), QStringLiteral("须含 {keyword}，以及 {page} 或 {offset}"));
        engine.defaultBase = *base;
        engine.utf8 = *encoding == QLatin1String("utf-8");
        engine.query = *query;
        const QJsonValue perPage = fields_.definition().value(QLatin1String("per_page"));
        if (perPage.isUndefined())
            return true;
        if (!perPage.isDouble() || perPage.toDouble() != perPage.toInt() || perPage.toInt() < 1 || perPage.toInt() > 100)
            return fail(QStringLiteral("per_page"), QStringLiteral("须是 1 到 100 的整数"));
        engine.perPage = perPage.toInt();
        return true;
    }

    // How results are cut out, which are skipped, and what a blocked page says.
    bool readSerpCut(SerpService &engine)
    {
        const QJsonValue results = fields_.definition().value(QLatin1String("results"));
        if (results.isUndefined())
            return fail(QStringLiteral("results"), QStringLiteral("缺少"));
        const QJsonObject rule = results.toObject();
        if (!results.isObject() || rule.size() != 1 || !rule.value(QLatin1String("regex")).isString())
            return fail(QStringLiteral("results"), QStringLiteral("须是 {\"regex\": \"…\"}"));
        if (!compileOneGroup(QStringLiteral("results"), rule.value(QLatin1String("regex")).toString(), engine.results))
            return false;
        const QJsonValue exclude = fields_.definition().value(QLatin1String("exclude"));
        if (!exclude.isUndefined() && !exclude.isString())
            return fail(QStringLiteral("exclude"), QStringLiteral("须是正则表达式的文字"));
        if (exclude.isString() && !compile(QStringLiteral("exclude"), {}, exclude.toString(), engine.exclude))
            return false;
        const QJsonValue captcha = fields_.definition().value(QLatin1String("captcha"));
        if (captcha.isUndefined())
            return true;
        for (const QJsonValue word : captcha.toArray()) {
            if (!word.isString() || word.toString().isEmpty())
                return fail(QStringLiteral("captcha"), QStringLiteral("须是不空的文字组成的列表"));
            engine.captcha.append(word.toString());
        }
        return captcha.isArray() || fail(QStringLiteral("captcha"), QStringLiteral("须是不空的文字组成的列表"));
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
        return {{}, {}, list.fault};
    for (const QJsonValue definition : list.definitions) {
        QJsonObject object = definition.toObject();
        const QString key = object.value(QLatin1String("key")).toString();
        if (FindIndexingService(key, result.services) || FindSerpService(key, result.serp))
            return {{}, {}, QStringLiteral("%1：服务“%2”的字段“key”与前面的定义重复").arg(origin, key)};
        const QJsonObject builtin = builtinObjects().value(key);
        if (isSerp(object)) {
            if (!builtin.isEmpty())
                return {{}, {}, QStringLiteral("%1：服务“%2”的字段“key”是内置服务的名字，serp 定义须另取名字").arg(origin, key)};
            ServiceReader reader(object, origin, kSerpFields);
            std::optional<SerpService> engine = reader.readSerp();
            if (!engine)
                return {{}, {}, reader.fault()};
            engine->origin = origin;
            result.serp.append(*engine);
            continue;
        }
        // A built-in key: the fields left out are the built-in's.
        for (auto field = builtin.begin(); field != builtin.end(); ++field)
            if (!object.contains(field.key()))
                object.insert(field.key(), field.value());
        ServiceReader reader(object, origin);
        std::optional<IndexingService> service = reader.read();
        if (!service)
            return {{}, {}, reader.fault()};
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
