#include "common/definition_reader.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

int lineOf(const QByteArray &json, int offset) { return int(json.left(offset).count('\n')) + 1; }

}  // namespace

DefinitionFile ReadDefinitionFile(const QString &path, bool mustExist, const QString &kind)
{
    DefinitionFile result;
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    result.exists = file.exists();
    if (!result.exists && !mustExist)
        return result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.fault = QStringLiteral("%1：无法读取：%2").arg(shown, file.errorString());
        return result;
    }
    constexpr qint64 kLargest = 1 << 20;
    if (file.size() > kLargest) {
        result.fault = QStringLiteral("%1：超过 1 MiB，不像%2").arg(shown, kind);
        return result;
    }
    result.json = file.read(kLargest);
    if (file.error() != QFile::NoError) {
        result.fault = QStringLiteral("%1：无法读取：%2").arg(shown, file.errorString());
        result.json.clear();
    }
    return result;
}

DefinitionList ParseDefinitionList(const QByteArray &json, const QString &origin, const QString &listKey)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return {{}, QStringLiteral("%1 第 %2 行：JSON 语法错误：%3").arg(origin).arg(lineOf(json, error.offset)).arg(error.errorString())};
    const QJsonValue list = document.object().value(listKey);
    if (!list.isArray())
        return {{}, QStringLiteral("%1：须是 {\"%2\": [定义, …]}").arg(origin, listKey)};
    for (const QJsonValue definition : list.toArray())
        if (!definition.isObject())
            return {{}, QStringLiteral("%1：%2 中的每一项须是一个对象 {…}").arg(origin, listKey)};
    return {list.toArray(), {}};
}

DefinitionReader::DefinitionReader(const QJsonObject &object, const QString &origin, const QString &noun,
                                   const QString &nameField, const QStringList &fields)
    : object_(object), origin_(origin), noun_(noun), nameField_(nameField), fields_(fields)
{
}

bool DefinitionReader::fail(const QString &field, const QString &problem)
{
    if (fault_.isEmpty())
        fault_ = QStringLiteral("%1：%2“%3”的字段“%4”%5").arg(origin_, noun_, name_, field, problem);
    return false;
}

std::optional<QString> DefinitionReader::name(const QStringList &reserved)
{
    name_ = object_.value(nameField_).toString();
    if (!object_.contains(nameField_)) {
        fail(nameField_, QStringLiteral("缺少"));
        return std::nullopt;
    }
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_.-]+$"));
    if (!pattern.match(name_).hasMatch() || reserved.contains(name_)) {
        const QString notOne = reserved.isEmpty() ? QString()
                                                  : QStringLiteral("（不能是 %1）").arg(reserved.join(QStringLiteral("、")));
        fail(nameField_, QStringLiteral("须是字母、数字、“_”“.”“-”组成的名字") + notOne);
        return std::nullopt;
    }
    for (auto field = object_.begin(); field != object_.end(); ++field)
        if (!fields_.contains(field.key())) {
            fail(field.key(), QStringLiteral("不是定义的字段（%1）").arg(fields_.join(u'、')));
            return std::nullopt;
        }
    return name_;
}

std::optional<QString> DefinitionReader::text(const QString &field)
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

std::optional<QString> DefinitionReader::choice(const QString &field, const QStringList &allowed, bool hasDefault)
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

std::optional<bool> DefinitionReader::flag(const QString &field, bool otherwise)
{
    const QJsonValue value = object_.value(field);
    if (value.isUndefined())
        return otherwise;
    if (!value.isBool()) {
        fail(field, QStringLiteral("须是 true 或 false"));
        return std::nullopt;
    }
    return value.toBool();
}

std::optional<QJsonObject> DefinitionReader::object(const QString &field, const QStringList &allowed)
{
    const QJsonValue value = object_.value(field);
    if (!value.isObject()) {
        fail(field, QStringLiteral("须是一个对象 {…}"));
        return std::nullopt;
    }
    const QJsonObject members = value.toObject();
    for (auto member = members.begin(); member != members.end(); ++member)
        if (!allowed.contains(member.key())) {
            fail(field, QStringLiteral("中的“%1”不是可用的字段（%2）").arg(member.key(), allowed.join(u'、')));
            return std::nullopt;
        }
    return members;
}
