#include "logs/log_reader.h"

#include "logs/client_address.h"
#include "logs/formats/log_formats.h"
#include "logs/log_file_reader.h"
#include "logs/log_layout.h"

#include <array>

QString LogFormatProblem(const QString &logFormat, const LogFormats *formats)
{
    if ((formats ? formats : &BuiltinLogFormats())->find(logFormat))
        return {};
    QString problem;
    LogLayout::compile(logFormat, &problem);
    return problem;
}

QString SkipReasonText(SkipKind kind)
{
    switch (kind) {
    case SkipKind::ErrorLog:
        return QStringLiteral("错误日志");
    case SkipKind::UnknownFormat:
        return QStringLiteral("不是可识别的日志格式");
    case SkipKind::None:
    case SkipKind::Other:
        break;
    }
    return {};
}

QString AllUnrecognisedText()
{
    return QStringLiteral("没有一个文件是可识别的日志格式；自定义格式的日志请在“日志格式”中填写 nginx log_format 或 "
                          "Apache LogFormat 字符串（命令行 --log-format）");
}

QString LayoutIgnoredText() { return QStringLiteral("日志格式与该文件不符，已按自动识别的 nginx/Apache 格式读取"); }

LogFileStats ReadLogRecords(const LogInput &input, const LogReadOptions &options, const RecordBatchHandler &onRecords,
                            const StopFlag *stop, std::atomic<qint64> *storedBytesRead)
{
    LogFileReader reader(input, options, storedBytesRead);
    qint64 records = 0;
    qint64 badLines = 0;
    bool stopped = false;
    std::array<LogRecord, kRecordBatch> batch;
    std::size_t batched = 0;
    auto handBatch = [&] {
        if (batched != 0)
            onRecords(std::span(batch).first(batched));
        batched = 0;
    };
    const char *begin = nullptr;
    const char *end = nullptr;
    while (!stopped && reader.next(begin, end)) {
        RecordParser &parser = reader.parser();
        for (const char *p = begin; p < end;) {
            LogRecord &record = batch[batched];
            switch (parser.parse(LineAt(p, end, &p), record)) {
            case LineKind::Record:
                ++records;
                if (options.forwardedClients)
                    record.client = options.forwardedClients->clientOf(record.client, record.forwarded);
                if (++batched == batch.size() || !parser.recordInLine())
                    handBatch();
                break;
            case LineKind::Bad:
                ++badLines;
                break;
            case LineKind::Other:
                break;
            }
        }
        handBatch();  // the records point into the block, which the next one replaces
        stopped = stop && stop->isSet();
    }
    LogFileStats stats = reader.stats();
    stats.records = records;
    stats.badLines = badLines;
    stats.stopped = stopped;
    return stats;
}

LogFileStats ReadLogRecords(const LogInput &input, const LogReadOptions &options, const RecordHandler &onRecord,
                            const StopFlag *stop, std::atomic<qint64> *storedBytesRead)
{
    return ReadLogRecords(
        input, options,
        [&](std::span<const LogRecord> records) {
            for (const LogRecord &record : records)
                onRecord(record);
        },
        stop, storedBytesRead);
}
