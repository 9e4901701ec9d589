// Parses arbitrary lines as W3C and NCSA records and through custom layouts of
// both dialects: no crash, and every view a record hands out lies in its line (or
// is the one-byte root page of an absolute target).
#include "logs/log_layout.h"
#include "each_line.h"
#include "logs/record_parser.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

bool within(QByteArrayView view, QByteArrayView line)
{
    return view.isEmpty() || (view.data() >= line.data() && view.data() + view.size() <= line.data() + line.size());
}

void check(RecordParser &parser, QByteArrayView line)
{
    LogRecord record;
    if (parser.parse(line, record) != LineKind::Record)
        return;
    const bool rootPage = record.page == "/" && !within(record.page, line);
    // A page taken from a request target starts with '/'; a W3C page is the
    // cs-uri-stem column as the server wrote it, whatever it starts with.
    const bool badTargetPage = record.family != LogFamily::W3c && record.hasPage && !record.page.startsWith('/');
    if (record.line != line || !within(record.client, line) || !within(record.agent, line)
        || (!within(record.page, line) && !rootPage) || badTargetPage
        || record.status < 0 || record.bytes < 0)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QStringList formats = {
        QStringLiteral("$remote_addr - $remote_user [$time_local] \"$request\" $status $body_bytes_sent \"$http_referer\" \"$http_user_agent\""),
        QStringLiteral("%h %l %u %t \\\"%r\\\" %>s %b \\\"%{Referer}i\\\" \\\"%{User-Agent}i\\\" %D"),
        QStringLiteral("$time_iso8601|$request_uri|$uri|$status|$bytes_sent"),
        // An unquoted agent holding spaces, read around from both ends.
        QStringLiteral("$time_compact $remote_addr_port $http_user_agent $status [$msec] $request_uri_full"),
    };
    static std::vector<std::unique_ptr<RecordParser>> parsers = [] {
        std::vector<std::unique_ptr<RecordParser>> made;
        made.push_back(MakeNcsaParser());
        made.push_back(MakeW3cParser());
        for (const QString &format : formats) {
            QString problem;
            made.push_back(MakeLayoutParser(LogLayout::compile(format, &problem)));
        }
        return made;
    }();
    // Each line of the input goes to every parser.
    ForEachLine(data, size, [](QByteArrayView line) {
        for (const auto &parser : parsers)
            check(*parser, line);
    });
    return 0;
}
