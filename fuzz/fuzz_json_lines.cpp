// Reads arbitrary lines with every built-in JSON-lines definition and one with
// array paths and alternatives: no crash, every view readable to its end
// (the sanitizers watch), and each value within what a record can hold.
#include "logs/formats/log_formats.h"
#include "each_line.h"
#include "logs/record_parser.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

namespace {

int touch(QByteArrayView view)
{
    int sum = 0;
    for (char c : view)
        sum += c;
    return sum;
}

void check(RecordParser &parser, QByteArrayView line)
{
    LogRecord record;
    if (parser.parse(line, record) != LineKind::Record)
        return;
    volatile int sum = touch(record.client) + touch(record.forwarded) + touch(record.page) + touch(record.agent);
    (void)sum;
    // A written date is taken as written, whatever its year; a Unix time gives 1970 to 9999.
    const int month = record.day / 100 % 100;
    const int day = record.day % 100;
    const bool timeOk = (record.day == 0 && record.second == -1)
        || (record.day > 0 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && record.second >= 0
            && record.second <= 86400);
    if (!timeOk || record.status < 0 || record.status > 999 || record.bytes < 0
        || (record.hasPage && !record.page.startsWith('/')))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static std::vector<std::unique_ptr<RecordParser>> parsers = [] {
        std::vector<std::unique_ptr<RecordParser>> made;
        for (const LogFormatDefinition &format : BuiltinLogFormats().definitions)
            if (format.kind == LogFormatDefinition::Kind::Json)
                made.push_back(format.makeParser());
        QString problem;
        const QJsonObject paths = QJsonDocument::fromJson(
            R"({"time": ["a[0].t", "t"], "time_format": "unix_ns", "client": "b[1][2]", "request": "r",
                "target": ["u.v.w", "u"], "status": "s[0]", "bytes": "n", "agent": ["h.ua[0]", "ua"]})").object();
        made.push_back(MakeJsonParser(JsonLayout::compile(paths, &problem)));
        return made;
    }();
    // Each line of the input goes to every parser.
    ForEachLine(data, size, [](QByteArrayView line) {
        for (const auto &parser : parsers)
            check(*parser, line);
    });
    return 0;
}
