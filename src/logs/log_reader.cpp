#include "logs/log_reader.h"

#include "logs/client_address.h"
#include "logs/formats/log_formats.h"
#include "logs/log_file_reader.h"
#include "logs/log_layout.h"

QString LogFormatProblem(const QString &logFormat, const LogFormats *formats)
{
    if ((formats ? formats : &BuiltinLogFormats())->find(logFormat))
        return {};
    QString problem;
    LogLayout::compile(logFormat, &problem);
    return problem;
}

LogFileStats ReadLogRecords(const LogInput &input, const LogReadOptions &options, const RecordHandler &onRecord,
                            const StopFlag *stop, std::atomic<qint64> *storedBytesRead)
{
    LogFileReader reader(input, options, storedBytesRead);
    qint64 records = 0;
    qint64 badLines = 0;
    bool stopped = false;
    LogRecord record;
    const char *begin = nullptr;
    const char *end = nullptr;
    while (!stopped && reader.next(begin, end)) {
        RecordParser &parser = reader.parser();
        for (const char *p = begin; p < end;) {
            switch (parser.parse(LineAt(p, end, &p), record)) {
            case LineKind::Record:
                ++records;
                if (options.forwardedClients)
                    record.client = options.forwardedClients->clientOf(record.client, record.forwarded);
                onRecord(record);
                break;
            case LineKind::Bad:
                ++badLines;
                break;
            case LineKind::Other:
                break;
            }
        }
        stopped = stop && stop->isSet();
    }
    LogFileStats stats = reader.stats();
    stats.records = records;
    stats.badLines = badLines;
    stats.stopped = stopped;
    return stats;
}
