// trawlex-jsonbench: the JSON-lines record reader (simdjson) against Qt's
// JSON parser doing the same job on the same lines: each line parsed and the
// fields of the Caddy definition taken out. Prints MiB/s for both.
//
//   trawlex-jsonbench FILE [LINES]     (default: the first 200000 lines)
#include "logs/formats/log_formats.h"
#include "logs/record_parser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <vector>

namespace {

// What the Caddy definition reads, through Qt's DOM.
qint64 readWithQt(QByteArrayView line)
{
    const QJsonObject object = QJsonDocument::fromJson(line.toByteArray()).object();
    const QJsonObject request = object.value(QLatin1String("request")).toObject();
    QString client = request.value(QLatin1String("client_ip")).toString();
    if (client.isEmpty())
        client = request.value(QLatin1String("remote_ip")).toString();
    const QString uri = request.value(QLatin1String("uri")).toString();
    const QString agent = request.value(QLatin1String("headers")).toObject().value(QLatin1String("User-Agent")).toArray().at(0).toString();
    return qint64(object.value(QLatin1String("ts")).toDouble()) + object.value(QLatin1String("status")).toInt()
        + object.value(QLatin1String("size")).toInteger() + client.size() + uri.size() + agent.size();
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: trawlex-jsonbench FILE [LINES]\n");
        return 2;
    }
    const qsizetype most = arguments.size() > 2 ? arguments[2].toLongLong() : 200000;
    QFile file(arguments[1]);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(arguments[1]));
        return 1;
    }
    std::vector<QByteArray> lines;
    qint64 bytes = 0;
    while (qsizetype(lines.size()) < most && !file.atEnd()) {
        lines.push_back(file.readLine().trimmed());
        bytes += lines.back().size() + 1;
    }
    const double mib = double(bytes) / (1 << 20);

    const std::unique_ptr<RecordParser> parser = BuiltinLogFormats().find(QStringLiteral("caddy"))->makeParser();
    QElapsedTimer timer;
    timer.start();
    qint64 check = 0;
    LogRecord record;
    for (const QByteArray &line : lines)
        if (parser->parse(line, record) == LineKind::Record)
            check += record.status + record.bytes + record.second + record.client.size() + record.agent.size();
    const double simdSeconds = double(timer.nsecsElapsed()) / 1e9;
    timer.restart();
    qint64 qtCheck = 0;
    for (const QByteArray &line : lines)
        qtCheck += readWithQt(line);
    const double qtSeconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("%zu lines, %.1f MiB (checks %lld %lld)\n", lines.size(), mib, static_cast<long long>(check),
                static_cast<long long>(qtCheck));
    std::printf("%-44s %8.1f MiB/s\n", "simdjson (the record reader, caddy)", mib / simdSeconds);
    std::printf("%-44s %8.1f MiB/s\n", "QJsonDocument (same fields)", mib / qtSeconds);
    std::printf("%-44s %8.2fx\n", "simdjson speed-up", qtSeconds / simdSeconds);
    return 0;
}
