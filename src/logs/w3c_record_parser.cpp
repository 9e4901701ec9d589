// W3C extended logs (IIS): "#" directive lines, and data lines whose columns
// the latest "#Fields:" directive names. A server that restarts writes a new
// header into the same file, perhaps with other columns, so every data line
// reads by the directive above it.
#include "common/byte_search.h"
#include "logs/record_fields.h"
#include "logs/record_parser.h"

#include <cstring>
#include <vector>

namespace {

enum class Role : quint8 { None, Date, Time, Client, Page, Query, Agent, Status, Bytes };

bool startsWithCaseless(QByteArrayView line, const char *prefix)
{
    const qsizetype length = qsizetype(std::strlen(prefix));
    if (line.size() < length)
        return false;
    for (qsizetype i = 0; i < length; ++i)
        if (AsciiLower(static_cast<unsigned char>(line[i])) != static_cast<unsigned char>(prefix[i]))
            return false;
    return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

Role roleOf(QByteArrayView name)
{
    static const struct {
        const char *name;
        Role role;
    } known[] = {
        {"date", Role::Date},         {"time", Role::Time},          {"c-ip", Role::Client},
        {"cs-uri-stem", Role::Page},  {"cs(user-agent)", Role::Agent}, {"sc-status", Role::Status},
        {"sc-bytes", Role::Bytes},    {"cs-uri-query", Role::Query},
    };
    for (const auto &field : known)
        if (name.size() == qsizetype(std::strlen(field.name)) && startsWithCaseless(name, field.name))
            return field.role;
    return Role::None;
}

void take(Role role, QByteArrayView value, LogRecord &record)
{
    switch (role) {
    case Role::None:
        break;
    case Role::Date:
        RecordFields::W3cDate(value, record.day);
        break;
    case Role::Time:
        if (!RecordFields::W3cTime(value, record.second))
            record.second = -1;
        break;
    case Role::Client:
        record.client = value == "-" ? QByteArrayView() : value;
        break;
    case Role::Page:
        record.page = value;
        record.hasPage = !value.isEmpty() && value != "-";
        break;
    case Role::Query:
        record.query = value == "-" ? QByteArrayView() : value;
        break;
    case Role::Agent:
        record.agent = value;
        break;
    case Role::Status:
        record.status = RecordFields::Status(value);
        break;
    case Role::Bytes:
        record.bytes = RecordFields::Bytes(value);
        break;
    }
}

class W3cParser final : public RecordParser
{
public:
    explicit W3cParser(bool countColumns) : countColumns_(countColumns) {}

    LineKind parse(QByteArrayView line, LogRecord &record) override
    {
        if (line.isEmpty())
            return LineKind::Other;
        if (line[0] == '#') {
            if (startsWithCaseless(line, "#fields:"))
                readFields(line.sliced(8));
            return LineKind::Other;
        }
        if (!inBlock_)
            return LineKind::Bad;
        record = LogRecord{};
        record.line = line;
        record.family = LogFamily::W3c;
        record.agentPlusIsSpace = true;
        // Columns are separated by single spaces (or tabs): two in a row
        // give an empty column, as the server would have written "-".
        const char *p = line.data();
        const char *end = p + line.size();
        // Tabs are rare: without one, memchr finds the columns' ends fast.
        const bool tabs = std::memchr(p, '\t', size_t(end - p)) != nullptr;
        qsizetype columns = 0;
        bool atEnd = false;
        for (Role role : roles_) {
            const char *q = columnEnd(p, end, tabs);
            take(role, QByteArrayView(p, q), record);
            ++columns;
            atEnd = q == end;
            if (atEnd)
                break;
            p = q + 1;
        }
        if (!countColumns_)
            return LineKind::Record;
        // The columns after the last one a record needs are only counted.
        while (!atEnd) {
            const char *q = columnEnd(p, end, tabs);
            ++columns;
            atEnd = q == end;
            p = q + 1;
        }
        return columns == fieldCount_ ? LineKind::Record : LineKind::Bad;
    }

    void pass(const char *begin, const char *end) override
    {
        // Directives are the lines that begin with '#'.
        for (const char *p = begin; p < end;) {
            const char *hash = static_cast<const char *>(std::memchr(p, '#', size_t(end - p)));
            if (!hash)
                return;
            const char *lineEnd = static_cast<const char *>(std::memchr(hash, '\n', size_t(end - hash)));
            if (hash == begin || hash[-1] == '\n') {
                QByteArrayView line(hash, lineEnd ? lineEnd : end);
                if (line.endsWith('\r'))
                    line.chop(1);
                LogRecord unused;
                parse(line, unused);
            }
            p = lineEnd ? lineEnd + 1 : end;
        }
    }

    bool noPageColumn() const override { return !everPageColumn_; }
    bool bytesLogged() const override { return everBytesColumn_; }

private:
    // Where the column starting at `p` ends: the next separator, or `end`.
    static const char *columnEnd(const char *p, const char *end, bool tabs)
    {
        if (tabs) {
            while (p < end && !isBlank(*p))
                ++p;
            return p;
        }
        const char *space = static_cast<const char *>(std::memchr(p, ' ', size_t(end - p)));
        return space ? space : end;
    }

    // The names after "#Fields:" are separated by any run of spaces or tabs.
    void readFields(QByteArrayView names)
    {
        roles_.clear();
        qsizetype lastNeeded = -1;
        unsigned named = 0;  // roles given out: a name given twice counts where it comes first
        const char *p = names.data();
        const char *end = p + names.size();
        while (p < end) {
            while (p < end && isBlank(*p))
                ++p;
            const char *q = p;
            while (q < end && !isBlank(*q))
                ++q;
            if (q == p)
                break;
            Role role = roleOf(QByteArrayView(p, q));
            if (named & (1u << unsigned(role)))
                role = Role::None;
            named |= 1u << unsigned(role);
            roles_.push_back(role);
            if (role != Role::None)
                lastNeeded = qsizetype(roles_.size()) - 1;
            everPageColumn_ = everPageColumn_ || role == Role::Page;
            everBytesColumn_ = everBytesColumn_ || role == Role::Bytes;
            p = q;
        }
        fieldCount_ = qsizetype(roles_.size());
        roles_.resize(size_t(lastNeeded + 1));
        inBlock_ = true;
    }

    const bool countColumns_;  // a line with more or fewer values than its "#Fields:" names is Bad
    std::vector<Role> roles_;  // by column, up to the last one a record needs
    qsizetype fieldCount_ = 0;  // the columns "#Fields:" names
    bool inBlock_ = false;     // a "#Fields:" directive came before
    bool everPageColumn_ = false;
    bool everBytesColumn_ = false;
};

}  // namespace

bool IsW3cDirective(QByteArrayView line)
{
    for (const char *directive : {"#software:", "#version:", "#date:", "#fields:"})
        if (startsWithCaseless(line, directive))
            return true;
    return false;
}

std::unique_ptr<RecordParser> MakeW3cParser(bool countColumns)
{
    return std::make_unique<W3cParser>(countColumns);
}
