#include "logs/log_layout.h"

#include "logs/record_fields.h"
#include "logs/record_parser.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <functional>
#include <span>

namespace {

using Field = LogLayout::Field;

Field nginxField(const QString &name)
{
    static const QHash<QString, Field> known = {
        {QStringLiteral("remote_addr"), Field::Client},     {QStringLiteral("time_local"), Field::Time},
        {QStringLiteral("time_iso8601"), Field::TimeIso},   {QStringLiteral("request"), Field::Request},
        {QStringLiteral("request_uri"), Field::RequestUri}, {QStringLiteral("uri"), Field::Uri},
        {QStringLiteral("status"), Field::Status},          {QStringLiteral("body_bytes_sent"), Field::Bytes},
        {QStringLiteral("bytes_sent"), Field::Bytes},       {QStringLiteral("http_user_agent"), Field::Agent},
        // What the logs of CDNs and load balancers need besides nginx's own.
        {QStringLiteral("http_x_forwarded_for"), Field::Forwarded},
        {QStringLiteral("remote_addr_port"), Field::ClientPort},
        {QStringLiteral("request_uri_full"), Field::RequestUri},
        {QStringLiteral("time_compact"), Field::TimeAny},
        {QStringLiteral("msec"), Field::TimeSeconds},
        {QStringLiteral("time_unix_ms"), Field::TimeMillis},
    };
    return known.value(name, Field::Ignored);
}

Field apacheField(QChar letter, const QString &argument)
{
    if (!argument.isEmpty()) {
        if (letter != u'i')
            return Field::Ignored;
        if (argument.compare(QLatin1String("User-Agent"), Qt::CaseInsensitive) == 0)
            return Field::Agent;
        if (argument.compare(QLatin1String("X-Forwarded-For"), Qt::CaseInsensitive) == 0)
            return Field::Forwarded;
        return Field::Ignored;
    }
    switch (letter.unicode()) {
    case 'h':
    case 'a':
        return Field::Client;
    case 't':
        return Field::Time;
    case 'r':
        return Field::Request;
    case 'U':
        return Field::Uri;
    case 's':
        return Field::Status;
    case 'b':
    case 'B':
        return Field::Bytes;
    default:
        return Field::Ignored;
    }
}

// The pieces of a format string: fields by the pattern of its dialect, the
// text between them literal.
bool splitFormat(const QString &format, const QRegularExpression &fieldPattern,
                 const std::function<Field(const QRegularExpressionMatch &)> &fieldOf,
                 std::vector<LogLayout::Item> &items, QString *problem)
{
    qsizetype at = 0;
    auto addLiteral = [&items](const QString &text) {
        if (text.isEmpty())
            return;
        if (!items.empty() && !items.back().literal.isEmpty())
            items.back().literal += text.toUtf8();
        else
            items.push_back({text.toUtf8(), Field::Ignored});
    };
    for (QRegularExpressionMatchIterator it = fieldPattern.globalMatch(format); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        addLiteral(format.mid(at, match.capturedStart() - at));
        at = match.capturedEnd();
        if (match.captured() == QLatin1String("%%")) {
            addLiteral(QStringLiteral("%"));
            continue;
        }
        if (!items.empty() && items.back().literal.isEmpty()) {
            *problem = QStringLiteral("日志格式中两个字段之间须有分隔文字：") + match.captured();
            return false;
        }
        items.push_back({QByteArray(), fieldOf(match)});
    }
    addLiteral(format.mid(at));
    return true;
}

// Whether `literal` is written at `p` (which has room for it). Literals are a
// few bytes: a loop beats a call to memcmp.
bool literalAt(const char *p, const QByteArray &literal)
{
    // Its bytes and size read once: the compiler cannot tell the line's
    // bytes from the literal's and would read them again for every byte.
    const char *bytes = literal.constData();
    const qsizetype size = literal.size();
    for (qsizetype i = 0; i < size; ++i)
        if (p[i] != bytes[i])
            return false;
    return true;
}

// Where the literal after a field starts: a quote that a backslash escapes
// belongs to the field.
const char *findLiteral(const char *from, const char *end, const QByteArray &literal)
{
    for (const char *p = from;; ++p) {
        p = literal.front() == '"' ? RecordFields::ClosingQuote(p, end)
                                   : RecordFields::FindByte(p, end, literal.front());
        if (!p || end - p < literal.size())
            return nullptr;
        if (literalAt(p, literal))
            return p;
    }
}

// Finds the literal in [from, end) that ends closest to `end`.
const char *findLastLiteral(const char *from, const char *end, const QByteArray &literal)
{
    for (const char *p = end - literal.size(); p >= from; --p)
        if (literalAt(p, literal))
            return p;
    return nullptr;
}

void forgetTime(LogRecord &record)
{
    record.day = 0;
    record.second = -1;
}

void takeTime(bool read, LogRecord &record)
{
    if (!read)
        forgetTime(record);
}

// "192.0.2.1:5000", "[2001:db8::1]:443" or, as load balancers write it,
// "2001:db8::1:443": the port is what follows the last colon.
QByteArrayView withoutPort(QByteArrayView value)
{
    const qsizetype colon = value.lastIndexOf(':');
    if (colon < 0)
        return value;
    value.truncate(colon);
    if (value.startsWith('[') && value.endsWith(']'))
        value = value.sliced(1, value.size() - 2);
    return value;
}

// Inlined where it is called: a call per field (14 on an Alibaba CDN line)
// cost more than the switch.
[[gnu::always_inline]] inline void take(Field field, QByteArrayView value, LogRecord &record)
{
    switch (field) {
    case Field::Ignored:
        break;
    case Field::Client:
        record.client = value;
        break;
    case Field::ClientPort:
        record.client = withoutPort(value);
        break;
    case Field::Forwarded:
        record.forwarded = value == "-" ? QByteArrayView() : value;
        break;
    case Field::Time:
        if (value.startsWith('[') && value.endsWith(']'))
            value = value.sliced(1, value.size() - 2);
        takeTime(RecordFields::ClfTime(value, record.day, record.second), record);
        break;
    case Field::TimeIso:
        takeTime(RecordFields::IsoTime(value, record.day, record.second), record);
        break;
    case Field::TimeAny:
        takeTime(RecordFields::AnyTime(value, record.day, record.second), record);
        break;
    case Field::TimeSeconds:
        takeTime(RecordFields::UnixTime(value, 1, record.day, record.second), record);
        break;
    case Field::TimeMillis:
        takeTime(RecordFields::UnixTime(value, 1000, record.day, record.second), record);
        break;
    case Field::Request:
        record.hasPage = RecordFields::PageOfRequestLine(value, record.page, &record.query);
        break;
    case Field::RequestUri:
        record.hasPage = RecordFields::PageOfTarget(value, record.page, &record.query);
        break;
    case Field::Uri:
        record.hasPage = value.startsWith('/');
        record.page = record.hasPage ? value : QByteArrayView();
        break;
    case Field::Status:
        record.status = RecordFields::Status(value);
        break;
    case Field::Bytes:
        record.bytes = RecordFields::Bytes(value);
        break;
    case Field::Agent:
        record.agent = value;
        break;
    }
}

class LayoutParser final : public RecordParser
{
public:
    explicit LayoutParser(std::shared_ptr<const LogLayout> layout) : layout_(std::move(layout)) {}

    LineKind parse(QByteArrayView line, LogRecord &record) override
    {
        if (line.isEmpty())
            return LineKind::Other;
        LogRecord r;
        r.line = line;
        r.family = LogFamily::Custom;
        const char *p = line.data();
        const char *end = p + line.size();
        // The layout read once: the compiler cannot tell the record's
        // fields from the layout's, and would read it again for each item.
        const std::span<const LogLayout::Item> items = layout_->items();
        const size_t spacious = layout_->spaciousItem();
        bool literalFound = false;  // the field before found the literal at p
        for (size_t i = 0; i < items.size(); ++i) {
            if (i == spacious) {
                // The fields after it come from the right; it holds what is left between.
                const char *start = readFromRight(i, p, end, r);
                if (!start)
                    return LineKind::Bad;
                take(items[i].field, QByteArrayView(p, start), r);
                record = r;
                return LineKind::Record;
            }
            const QByteArray &literal = items[i].literal;
            if (!literal.isEmpty()) {
                if (!literalFound && (end - p < literal.size() || !literalAt(p, literal)))
                    return LineKind::Bad;
                p += literal.size();
                literalFound = false;
                continue;
            }
            const char *fieldEnd = end;
            if (i + 1 < items.size()) {
                // A bracketed time ("[10/Oct/2000:13:55:36 -0700]") holds a space.
                const char *from = p;
                if (items[i].field == Field::Time && p < end && *p == '[')
                    if (const char *close = RecordFields::FindByte(p, end, ']'))
                        from = close;
                fieldEnd = findLiteral(from, end, items[i + 1].literal);
                if (!fieldEnd)
                    return LineKind::Bad;
                literalFound = true;
            }
            take(items[i].field, QByteArrayView(p, fieldEnd), r);
            p = fieldEnd;
        }
        if (p != end)
            return LineKind::Bad;
        record = r;
        return LineKind::Record;
    }

    bool bytesLogged() const override
    {
        const std::vector<LogLayout::Item> &items = layout_->items();
        return std::any_of(items.begin(), items.end(), [](const LogLayout::Item &item) {
            return item.literal.isEmpty() && item.field == Field::Bytes;
        });
    }

private:
    // Reads items (first, last] backwards from `end`, none of them reaching
    // before `from`: where item `first + 1` (a literal) starts, or null.
    const char *readFromRight(size_t first, const char *from, const char *end, LogRecord &r) const
    {
        const std::span<const LogLayout::Item> items = layout_->items();  // read once, as in parse()
        const char *q = end;
        for (size_t j = items.size() - 1; j > first; --j) {
            const QByteArray &literal = items[j].literal;
            if (!literal.isEmpty()) {
                if (q - from < literal.size() || !literalAt(q - literal.size(), literal))
                    return nullptr;
                q -= literal.size();
                continue;
            }
            // A field runs back to the literal before it; j - 1 > first holds it.
            const char *before = findLastLiteral(from, q, items[j - 1].literal);
            if (!before)
                return nullptr;
            const char *start = before + items[j - 1].literal.size();
            take(items[j].field, QByteArrayView(start, q), r);
            q = start;
        }
        return q;
    }

    std::shared_ptr<const LogLayout> layout_;
};

}  // namespace

bool LogLayout::isNcsaName(const QString &format)
{
    return format == QLatin1String("combined") || format == QLatin1String("common");
}

std::shared_ptr<const LogLayout> LogLayout::compile(const QString &format, QString *problem)
{
    problem->clear();
    if (format.isEmpty() || isNcsaName(format))
        return nullptr;
    auto layout = std::make_shared<LogLayout>();
    static const QRegularExpression nginxVariable(QStringLiteral(R"(\$(?:\{(\w+)\}|(\w+)))"));
    static const QRegularExpression apacheDirective(QStringLiteral(R"(%%|%[<>]?!?[\d,]*(?:\{([^}]*)\})?([a-zA-Z]))"));
    bool ok;
    if (format.contains(nginxVariable)) {
        ok = splitFormat(format, nginxVariable, [](const QRegularExpressionMatch &m) {
            return nginxField(m.captured(1).isEmpty() ? m.captured(2) : m.captured(1));
        }, layout->items_, problem);
    } else {
        // Apache configurations write the quotes of a format as \".
        QString unescaped = format;
        unescaped.replace(QLatin1String("\\\""), QLatin1String("\""));
        ok = splitFormat(unescaped, apacheDirective, [](const QRegularExpressionMatch &m) {
            return apacheField(m.captured(2).front(), m.captured(1));
        }, layout->items_, problem);
    }
    if (!ok)
        return nullptr;
    const bool anyField = std::any_of(layout->items_.begin(), layout->items_.end(),
                                      [](const Item &item) { return item.literal.isEmpty(); });
    if (!anyField) {
        *problem = QStringLiteral("日志格式中没有字段（nginx 的 $变量 或 Apache 的 %指令）：") + format;
        return nullptr;
    }
    layout->spacious_ = layout->findSpacious();
    return layout;
}

size_t LogLayout::findSpacious() const
{
    // An agent between quotes ends at its closing quote; one outside quotes,
    // with fields after it, would end at its first space.
    for (size_t i = 0; i + 1 < items_.size(); ++i)
        if (items_[i].literal.isEmpty() && items_[i].field == Field::Agent
            && (i == 0 || !items_[i - 1].literal.endsWith('"')))
            return i;
    return items_.size();
}

std::unique_ptr<RecordParser> MakeLayoutParser(std::shared_ptr<const LogLayout> layout)
{
    return std::make_unique<LayoutParser>(std::move(layout));
}
