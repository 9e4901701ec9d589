// trawlex-readbench: what the overview's pass costs before it counts
// anything. Reads every record of the logs as the overview does (every field
// parsed) and only adds up a few of their fields, so that the benchmark can
// set the overview's time against the reading and parsing it cannot do without.
//
//   trawlex-readbench PATH...     (log folders or files, as trawlex-cli takes them)
#include "logs/log_input.h"
#include "logs/log_reader.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList paths = app.arguments().mid(1);
    if (paths.isEmpty()) {
        std::fprintf(stderr, "usage: trawlex-readbench PATH...\n");
        return 2;
    }
    LogReadOptions options;
    options.w3cColumns = W3cColumns::Counted;
    qint64 records = 0;
    qint64 checksum = 0;  // keeps the fields from being left unread
    bool failed = false;
    for (const LogInput &input : CollectLogInputs(paths, false).inputs) {
        if (!input.skipReason.isEmpty())  // as the overview: not read
            continue;
        const LogFileStats stats = ReadLogRecords(input, options, [&](std::span<const LogRecord> batch) {
            records += qint64(batch.size());
            for (const LogRecord &record : batch)
                checksum += record.status + record.day + record.page.size() + record.agent.size() + record.client.size();
        });
        failed = failed || stats.failed();
    }
    std::printf("%lld records (%lld)\n", records, checksum);
    return failed ? 1 : 0;
}
