// NCSA common and combined logs, as nginx and Apache write them by default:
//   addr ident user [time_local] "request" status bytes ["referer" "user-agent" ...]
// Trailing fields after the user agent ($http_x_forwarded_for, a request
// time) are allowed and ignored.
#include "logs/record_fields.h"
#include "logs/record_parser.h"

#include <cstring>

namespace {

// The quoted field that opens at `p` (which must be '"'); moves `p` behind
// its closing quote. False when it does not open or never closes.
bool quoted(const char *&p, const char *end, QByteArrayView &value)
{
    if (p == end || *p != '"')
        return false;
    const char *close = RecordFields::ClosingQuote(p + 1, end);
    if (!close)
        return false;
    value = QByteArrayView(p + 1, close);
    p = close + 1;
    return true;
}

// The field up to the next space or the line end; moves `p` onto that space.
QByteArrayView word(const char *&p, const char *end)
{
    const char *space = RecordFields::FindByte(p, end, ' ');
    const char *stop = space ? space : end;
    QByteArrayView value(p, stop);
    p = stop;
    return value;
}

// " \"" at p: a quoted field follows.
bool opensQuote(const char *p, const char *end) { return end - p >= 2 && p[0] == ' ' && p[1] == '"'; }

bool isNumberOrDash(QByteArrayView field)
{
    if (field == "-")
        return true;
    if (field.isEmpty())
        return false;
    for (char c : field)
        if (c < '0' || c > '9')
            return false;
    return true;
}

class NcsaParser final : public RecordParser
{
public:
    LineKind parse(QByteArrayView line, LogRecord &record) override
    {
        if (line.isEmpty())
            return LineKind::Other;
        LogRecord r;
        r.line = line;
        r.family = LogFamily::Ncsa;
        const char *p = line.data();
        const char *end = p + line.size();

        r.client = word(p, end);
        if (r.client.isEmpty() || p == end)
            return LineKind::Bad;
        ++p;
        word(p, end);  // ident
        // The user name runs up to " [", so a name with spaces still reads.
        const char *time = p;
        for (;;) {
            time = RecordFields::FindByte(time, end, '[');
            if (!time)
                return LineKind::Bad;
            if (time - 1 > p && time[-1] == ' ')
                break;
            ++time;
        }
        const char *timeEnd = RecordFields::FindByte(time, end, ']');
        if (!timeEnd || !RecordFields::ClfTime(QByteArrayView(time + 1, timeEnd), r.day, r.second))
            return LineKind::Bad;
        p = timeEnd + 1;

        QByteArrayView request;
        if (end - p < 2 || p[0] != ' ' || !quoted(++p, end, request))
            return LineKind::Bad;
        r.hasPage = RecordFields::PageOfRequestLine(request, r.page, &r.query);

        if (p == end || *p != ' ')
            return LineKind::Bad;
        const QByteArrayView status = word(++p, end);
        if (p == end || *p != ' ' || !isNumberOrDash(status))
            return LineKind::Bad;
        const QByteArrayView bytes = word(++p, end);
        if (!isNumberOrDash(bytes))
            return LineKind::Bad;
        r.status = RecordFields::Status(status);
        r.bytes = RecordFields::Bytes(bytes);

        // Combined adds the quoted referer and user agent; a quote that
        // opens must close (a line cut short is no record).
        QByteArrayView referer;
        if (opensQuote(p, end)) {
            if (!quoted(++p, end, referer))
                return LineKind::Bad;
            if (opensQuote(p, end) && !quoted(++p, end, r.agent))
                return LineKind::Bad;
        }
        record = r;
        return LineKind::Record;
    }
};

}  // namespace

std::unique_ptr<RecordParser> MakeNcsaParser() { return std::make_unique<NcsaParser>(); }
