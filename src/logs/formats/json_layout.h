#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

class RecordParser;

// Where the fields of a request are in one JSON object per line: a path of
// keys and array indexes ("request.headers.User-Agent[0]") per field, with
// alternatives tried in order (Caddy writes request.client_ip or
// request.remote_ip). A path that leads nowhere leaves its field absent.
class JsonLayout
{
public:
    enum class Field : quint8 { Time, Client, Forwarded, Request, Target, Query, Status, Bytes, Agent };  // a later one wins
    static constexpr int kFields = int(Field::Agent) + 1;
    enum class TimeForm : quint8 { Auto, Unix, UnixMs, UnixNs, Rfc3339, Clf };

    struct Step
    {
        std::string key;  // empty for an array index
        int index = -1;
    };
    using Path = std::vector<Step>;

    // The field names a definition's "json" object may hold, the fields' first
    // in Field's order. "method" and "host" describe the log but no figure
    // needs them.
    static const QStringList &keys();
    static const QStringList &timeForms();

    // From a definition's "json" object; null with `problem` (in Chinese,
    // the key at fault first) when a path or the time form cannot be used.
    static std::shared_ptr<const JsonLayout> compile(const QJsonObject &fields, QString *problem);

    const std::vector<Path> &paths(Field field) const { return paths_[size_t(field)]; }
    TimeForm timeForm() const { return timeForm_; }

private:
    std::array<std::vector<Path>, kFields> paths_;
    TimeForm timeForm_ = TimeForm::Auto;
};

std::unique_ptr<RecordParser> MakeJsonParser(std::shared_ptr<const JsonLayout> layout);
