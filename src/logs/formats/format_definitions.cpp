// Reading log format definitions: the built-in ones and a user's file alike,
// by the rules every definition file of the program follows.
#include "common/app_settings.h"
#include "common/definition_reader.h"
#include "logs/formats/log_formats.h"
#include "logs/record_parser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QStringList kFields = {"name", "title", "detect", "layout", "json", "w3c"};
const QStringList kW3cFields = {"marker", "agent", "pages"};
const QString kKinds = QStringLiteral("layout、json、w3c");

class FormatReader
{
public:
    FormatReader(const QJsonObject &object, const QString &origin)
        : fields_(object, origin, QStringLiteral("日志格式"), QStringLiteral("name"), kFields)
    {
    }

    std::optional<LogFormatDefinition> read()
    {
        LogFormatDefinition format;
        const std::optional<QString> name = fields_.name({QStringLiteral("combined"), QStringLiteral("common")});
        const std::optional<QString> title = name ? fields_.text(QStringLiteral("title")) : std::nullopt;
        const std::optional<bool> detect = title ? fields_.flag(QStringLiteral("detect"), true) : std::nullopt;
        if (!detect || !readKind(format))
            return std::nullopt;
        format.name = *name;
        format.title = *title;
        format.detect = *detect;
        return format;
    }

    const QString &fault() const { return fields_.fault(); }

private:
    // Exactly one of the three ways of reading a line.
    bool readKind(LogFormatDefinition &format)
    {
        const QJsonObject &object = fields_.definition();
        const int kinds = int(object.contains(QLatin1String("layout"))) + int(object.contains(QLatin1String("json")))
            + int(object.contains(QLatin1String("w3c")));
        if (kinds != 1)
            return fields_.fail(QStringLiteral("layout"), QStringLiteral("须有 %1 三者之一，且只有一个").arg(kKinds));
        if (object.contains(QLatin1String("layout")))
            return readLayout(format);
        if (object.contains(QLatin1String("json")))
            return readJson(format);
        return readW3c(format);
    }

    bool readLayout(LogFormatDefinition &format)
    {
        const std::optional<QString> layout = fields_.text(QStringLiteral("layout"));
        if (!layout)
            return false;
        QString problem;
        format.kind = LogFormatDefinition::Kind::Layout;
        format.layout = LogLayout::compile(*layout, &problem);
        if (!format.layout)
            return fields_.fail(QStringLiteral("layout"), problem.isEmpty()
                                    ? QStringLiteral("须是 nginx log_format 或 Apache LogFormat 的格式字符串")
                                    : QStringLiteral("无法使用：") + problem);
        return true;
    }

    bool readJson(LogFormatDefinition &format)
    {
        const std::optional<QJsonObject> paths = fields_.object(QStringLiteral("json"), JsonLayout::keys());
        if (!paths)
            return false;
        QString problem;
        format.kind = LogFormatDefinition::Kind::Json;
        format.json = JsonLayout::compile(*paths, &problem);
        return format.json || fields_.fail(QStringLiteral("json"), QStringLiteral("的 ") + problem);
    }

    bool readW3c(LogFormatDefinition &format)
    {
        const std::optional<QJsonObject> options = fields_.object(QStringLiteral("w3c"), kW3cFields);
        if (!options)
            return false;
        auto dialect = std::make_shared<W3cDialect>();
        const QString marker = options->value(QLatin1String("marker")).toString();
        const QString agent = options->value(QLatin1String("agent")).toString(QStringLiteral("plus"));
        const QString pages = options->value(QLatin1String("pages")).toString(QStringLiteral("any-case"));
        if (marker.isEmpty() || marker.contains(u' '))
            return fields_.fail(QStringLiteral("w3c"), QStringLiteral("的 marker 须是一个 #Fields: 列名"));
        if (agent != QLatin1String("plus") && agent != QLatin1String("percent"))
            return fields_.fail(QStringLiteral("w3c"), QStringLiteral("的 agent 须是 plus、percent 之一"));
        if (pages != QLatin1String("any-case") && pages != QLatin1String("keep-case"))
            return fields_.fail(QStringLiteral("w3c"), QStringLiteral("的 pages 须是 any-case、keep-case 之一"));
        dialect->name = fields_.definition().value(QLatin1String("name")).toString();
        dialect->marker = marker.toLower().toUtf8();
        dialect->percentAgent = agent == QLatin1String("percent");
        dialect->keepCase = pages == QLatin1String("keep-case");
        format.kind = LogFormatDefinition::Kind::W3c;
        format.w3c = std::move(dialect);
        return true;
    }

    DefinitionReader fields_;
};

QByteArray builtinJson()
{
    QFile file(QStringLiteral(":/logs/formats.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the built-in log formats are missing from the resources");
    return file.readAll();
}

// `over`'s definitions take the place of those of the same name, or follow.
void overlay(QList<LogFormatDefinition> &definitions, const QList<LogFormatDefinition> &over)
{
    for (const LogFormatDefinition &format : over) {
        auto same = std::find_if(definitions.begin(), definitions.end(),
                                 [&format](const LogFormatDefinition &d) { return d.name == format.name; });
        if (same != definitions.end())
            *same = format;
        else
            definitions.append(format);
    }
}

// The definitions of a user's file; a fault when it cannot be used.
LogFormatFile readFile(const QString &path, bool mustExist)
{
    const DefinitionFile file = ReadDefinitionFile(path, mustExist, QStringLiteral("日志格式定义文件"));
    if (!file.fault.isEmpty() || !file.exists)
        return {{}, file.fault};
    return ParseLogFormats(file.json, QDir::toNativeSeparators(path));
}

}  // namespace

std::unique_ptr<RecordParser> LogFormatDefinition::makeParser() const
{
    switch (kind) {
    case Kind::Layout:
        return MakeLayoutParser(layout);
    case Kind::Json:
        return MakeJsonParser(json);
    case Kind::W3c:
        return MakeW3cParser(W3cColumns::Needed, {w3c.get()});
    }
    return nullptr;
}

const LogFormatDefinition *LogFormats::find(const QString &name) const
{
    for (const LogFormatDefinition &format : definitions)
        if (format.name == name)
            return &format;
    return nullptr;
}

std::vector<const W3cDialect *> LogFormats::w3cDialects() const
{
    std::vector<const W3cDialect *> dialects;
    for (const LogFormatDefinition &format : definitions)
        if (format.kind == LogFormatDefinition::Kind::W3c && format.detect)
            dialects.push_back(format.w3c.get());
    return dialects;
}

LogFormatFile ParseLogFormats(const QByteArray &json, const QString &origin)
{
    LogFormatFile result;
    const DefinitionList list = ParseDefinitionList(json, origin, QStringLiteral("formats"));
    if (!list.fault.isEmpty())
        return {{}, list.fault};
    for (const QJsonValue definition : list.definitions) {
        FormatReader reader(definition.toObject(), origin);
        std::optional<LogFormatDefinition> format = reader.read();
        if (!format)
            return {{}, reader.fault()};
        for (const LogFormatDefinition &earlier : result.definitions)
            if (earlier.name == format->name)
                return {{}, QStringLiteral("%1：日志格式“%2”的字段“name”与前面的定义重复").arg(origin, format->name)};
        format->origin = origin;
        result.definitions.append(*format);
    }
    return result;
}

const LogFormats &BuiltinLogFormats()
{
    static const LogFormats builtin = [] {
        LogFormatFile file = ParseLogFormats(builtinJson(), QStringLiteral("formats.json"));
        if (!file.fault.isEmpty())
            qFatal("the built-in log formats are faulty: %s", qPrintable(file.fault));
        for (LogFormatDefinition &format : file.definitions)
            format.origin.clear();
        return LogFormats{file.definitions, {}};
    }();
    return builtin;
}

QString UserFormatFilePath()
{
    return QFileInfo(OpenAppSettings().fileName()).dir().filePath(QStringLiteral("formats.json"));
}

std::shared_ptr<const LogFormats> LoadLogFormats(const QString &userFile, const QString &extraFile, QString *fault)
{
    auto formats = std::make_shared<LogFormats>(BuiltinLogFormats());
    fault->clear();
    if (!userFile.isEmpty()) {
        const LogFormatFile user = readFile(userFile, false);
        if (user.fault.isEmpty())
            overlay(formats->definitions, user.definitions);
        else
            formats->problems.append(user.fault + QStringLiteral("（未使用这个文件）"));
    }
    if (!extraFile.isEmpty()) {
        const LogFormatFile extra = readFile(extraFile, true);
        if (!extra.fault.isEmpty()) {
            *fault = extra.fault;
            return nullptr;
        }
        overlay(formats->definitions, extra.definitions);
    }
    return formats;
}
