#include "logs/formats/json_layout.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace {

// One key, then any number of "[n]": "headers", "User-Agent[0]".
bool addSteps(const QString &part, JsonLayout::Path &path)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^([^\[\]]+)((?:\[\d{1,6}\])*)$)"));
    const QRegularExpressionMatch match = pattern.match(part);
    if (!match.hasMatch())
        return false;
    path.push_back({match.captured(1).toStdString(), -1});
    static const QRegularExpression index(QStringLiteral(R"(\[(\d+)\])"));
    for (auto it = index.globalMatch(match.captured(2)); it.hasNext();)
        path.push_back({std::string(), it.next().captured(1).toInt()});
    return true;
}

bool compilePath(const QString &text, JsonLayout::Path &path)
{
    if (text.isEmpty())
        return false;
    for (const QString &part : text.split(u'.'))
        if (!addSteps(part, path))
            return false;
    return true;
}

}  // namespace

const QStringList &JsonLayout::keys()
{
    static const QStringList names = {"time",  "client", "forwarded",   "request", "target", "query",
                                      "status", "bytes", "agent", "time_format", "method", "host"};
    return names;
}

const QStringList &JsonLayout::timeForms()
{
    static const QStringList names = {"auto", "unix", "unix_ms", "unix_ns", "rfc3339", "clf"};
    return names;
}

std::shared_ptr<const JsonLayout> JsonLayout::compile(const QJsonObject &fields, QString *problem)
{
    auto layout = std::make_shared<JsonLayout>();
    const QJsonValue form = fields.value(QLatin1String("time_format"));
    const qsizetype formIndex = form.isUndefined() ? 0 : form.isString() ? timeForms().indexOf(form.toString()) : -1;
    if (formIndex < 0) {
        *problem = QStringLiteral("time_format 须是 %1 之一").arg(timeForms().join(QStringLiteral("、")));
        return nullptr;
    }
    layout->timeForm_ = TimeForm(formIndex);
    for (int field = 0; field < kFields; ++field) {
        const QString &key = keys()[field];
        const QJsonValue value = fields.value(key);
        if (value.isUndefined())
            continue;
        // One path, or alternatives in the order they are tried.
        const QJsonArray alternatives = value.isArray() ? value.toArray() : QJsonArray{value};
        for (const QJsonValue alternative : alternatives) {
            Path path;
            if (!alternative.isString() || !compilePath(alternative.toString(), path)) {
                *problem = QStringLiteral("%1 须是字段路径（如 request.headers.User-Agent[0]），或这样的路径的数组").arg(key);
                return nullptr;
            }
            layout->paths_[size_t(field)].push_back(std::move(path));
        }
    }
    return layout;
}
