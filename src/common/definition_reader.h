#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

// Definitions kept as data (the indexing services, the log formats): a
// built-in file in the resources and a user's file beside the settings, both
// read by the same rules. A fault names the file, then the line of a JSON
// syntax error or the definition and the field at fault; a field the
// definition does not know is refused with the known ones listed.

struct DefinitionFile
{
    QByteArray json;  // empty when the file is missing or faulty
    bool exists = false;
    QString fault;    // unreadable or too large; a missing file only when it must exist
};

// The bytes of a user's definition file. Definitions take a few kilobytes, so
// anything above 1 MiB is refused unread.
DefinitionFile ReadDefinitionFile(const QString &path, bool mustExist, const QString &kind);

struct DefinitionList
{
    QJsonArray definitions;  // each an object
    QString fault;
};

// The array under `listKey` of {"<listKey>": [definition, …]}.
DefinitionList ParseDefinitionList(const QByteArray &json, const QString &origin, const QString &listKey);

// Reads the fields of one definition; the first fault found is kept, with
// the definition's name and the field it concerns.
class DefinitionReader
{
public:
    // `noun` names what is defined ("服务"), `nameField` the field that names
    // one ("key"), `fields` every field a definition may have.
    DefinitionReader(const QJsonObject &object, const QString &origin, const QString &noun, const QString &nameField,
                     const QStringList &fields);

    // The name: present, made of letters, digits, "_", "." and "-", none of
    // `reserved`; and every field of the definition a known one.
    std::optional<QString> name(const QStringList &reserved = {});

    // A text that must be there and not empty.
    std::optional<QString> text(const QString &field);
    // One of `allowed`; the first when the field is left out and has a default.
    std::optional<QString> choice(const QString &field, const QStringList &allowed, bool hasDefault = false);
    // true or false; `otherwise` when left out.
    std::optional<bool> flag(const QString &field, bool otherwise);
    // An object none of whose members is outside `allowed`.
    std::optional<QJsonObject> object(const QString &field, const QStringList &allowed);

    // Always false, so that a check can end with `return fail(…)`.
    bool fail(const QString &field, const QString &problem);
    const QString &fault() const { return fault_; }
    const QJsonObject &definition() const { return object_; }

private:
    QJsonObject object_;
    QString origin_;
    QString noun_;
    QString nameField_;
    QStringList fields_;
    QString name_;
    QString fault_;
};
