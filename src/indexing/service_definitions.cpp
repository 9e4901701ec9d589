// Reading service definitions: the built-in ten and a user's file alike.
#include "indexing/service_catalogue.h"

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
class DefinitionReader
{
public:
    DefinitionReader(const QJsonObject &object, const QString &origin) : object_(object), origin_(origin) {}

    std::optional<IndexingService> read()
    {
        IndexingService service;
        if (!readKey(kFields) || !readShown(service) || !readWhere(service) || !readRule(service.extract))
            return std::nullopt;
        service.settingsKey = key_;
        return service;
    }

    std::optional<SerpService> readSerp()
    {
        SerpService engine;
        if (!readKey(kSerpFields) || !readSerpShown(engine) || !readSerpWhere(engine) || !readSerpCut(engine))
            return std::nullopt;
        engine.key = key_;
        return engine;
    }

    const QString &fault() const { return fault_; }

private:
    bool fail(const QString &field, const QString &problem)
    {
        if (fault_.isEmpty())
            fault_ = QStringLiteral("%1：服务“%2”的字段“%3”%4").arg(origin_, key_, field, problem);
        return false;
    }

    bool ruleFault(const QString &problem) { return fail(QStringLiteral("extract"), problem); }

    std::optional<QString> text(const QString &field)
    {
        const QJsonValue value = object_.value(field);
        if (value.isUndefined()) {
            fail(field, QStringLiteral("缺少"));
            return std::nullopt;
        }
        if (!value.isString() || value.toString().isEmpty()) {
            fail(field, QStringLiteral("须是不空的文字"));
            return std::nullopt;
        }
        return value.toString();
    }

    // One of `allowed`; the first when the field is left out and has a default.
    std::optional<QString> choice(const QString &field, const QStringList &allowed, bool hasDefault = false)
    {
        if (hasDefault && !object_.contains(field))
            return allowed.front();
        const std::optional<QString> value = text(field);
        if (value && !allowed.contains(*value)) {
            fail(field, QStringLiteral("须是 %1 之一").arg(allowed.join(QStringLiteral("、"))));
            return std::nullopt;
        }
        return value;
    }

    bool readKey(const QStringList &fields)
    {
        key_ = object_.value(QLatin1String("key")).toString();
        if (!object_.contains(QLatin1String("key")))
            return fail(QStringLiteral("key"), QStringLiteral("缺少"));
        static const QRegularExpression keyPattern(QStringLiteral("^[A-Za-z0-9_.-]+$"));
        if (!keyPattern.match(key_).hasMatch() || key_ == QLatin1String("all"))
            return fail(QStringLiteral("key"), QStringLiteral("须是字母、数字、“_”“.”“-”组成的名字（不能是 all）"));
        for (auto field = object_.begin(); field != object_.end(); ++field)
            if (!fields.contains(field.key()))
                return fail(field.key(), QStringLiteral("不是定义的字段（%1）").arg(fields.join(u'、')));
        return true;
    }

    // What the window and the report show.
    bool readShown(IndexingService &service)
    {
        const std::optional<QString> caption = text(QStringLiteral("caption"));
        const std::optional<QString> label = text(QStringLiteral("label"));
        // A serp definition is read by readSerp(); it is named here for the
        // fault that lists the kinds.
        const std::optional<QString> kind = choice(QStringLiteral("kind"), {"count", "rank", "serp"});
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
        const std::optional<QString> encoding = choice(QStringLiteral("encoding"), kEncodings, true);
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
        const QJsonValue value = object_.value(QLatin1String("extract"));
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
        const QJsonValue perPage = object_.value(QLatin1String("per_page"));
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
        const QJsonValue results = object_.value(QLatin1String("results"));
        if (results.isUndefined())
            return fail(QStringLiteral("results"), QStringLiteral("缺少"));
        const QJsonObject rule = results.toObject();
        if (!results.isObject() || rule.size() != 1 || !rule.value(QLatin1String("regex")).isString())
            return fail(QStringLiteral("results"), QStringLiteral("须是 {\"regex\": \"…\"}"));
        if (!compileOneGroup(QStringLiteral("results"), rule.value(QLatin1String("regex")).toString(), engine.results))
            return false;
        const QJsonValue exclude = object_.value(QLatin1String("exclude"));
        if (!exclude.isUndefined() && !exclude.isString())
            return fail(QStringLiteral("exclude"), QStringLiteral("须是正则表达式的文字"));
        if (exclude.isString() && !compile(QStringLiteral("exclude"), {}, exclude.toString(), engine.exclude))
            return false;
        const QJsonValue captcha = object_.value(QLatin1String("captcha"));
        if (captcha.isUndefined())
            return true;
        for (const QJsonValue word : captcha.toArray()) {
            if (!word.isString() || word.toString().isEmpty())
                return fail(QStringLiteral("captcha"), QStringLiteral("须是不空的文字组成的列表"));
            engine.captcha.append(word.toString());
        }
        return captcha.isArray() || fail(QStringLiteral("captcha"), QStringLiteral("须是不空的文字组成的列表"));
    }

    QJsonObject object_;
    QString origin_;
    QString key_;
    QString fault_;
};

int lineOf(const QByteArray &json, int offset) { return int(json.left(offset).count('\n')) + 1; }

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
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return {{},
                {},
                QStringLiteral("%1 第 %2 行：JSON 语法错误：%3").arg(origin).arg(lineOf(json, error.offset)).arg(error.errorString())};
    const QJsonValue list = document.object().value(QLatin1String("services"));
    if (!list.isArray())
        return {{}, {}, origin + QStringLiteral("：须是 {\"services\": [定义, …]}")};
    for (const QJsonValue definition : list.toArray()) {
        if (!definition.isObject())
            return {{}, {}, origin + QStringLiteral("：services 中的每一项须是一个对象 {…}")};
        QJsonObject object = definition.toObject();
        const QString key = object.value(QLatin1String("key")).toString();
        if (FindIndexingService(key, result.services) || FindSerpService(key, result.serp))
            return {{}, {}, QStringLiteral("%1：服务“%2”的字段“key”与前面的定义重复").arg(origin, key)};
        const QJsonObject builtin = builtinObjects().value(key);
        if (isSerp(object)) {
            if (!builtin.isEmpty())
                return {{}, {}, QStringLiteral("%1：服务“%2”的字段“key”是内置服务的名字，serp 定义须另取名字").arg(origin, key)};
            DefinitionReader reader(object, origin);
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
        DefinitionReader reader(object, origin);
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
