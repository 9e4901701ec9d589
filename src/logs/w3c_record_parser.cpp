// W3C extended logs (IIS): "#" directive lines, and data lines whose columns
// the latest "#Fields:" directive names. A server that restarts writes a new
// header into the same file, perhaps with other columns, so every data line
// reads by the directive above it.
#include "common/byte_search.h"
#include "logs/formats/log_formats.h"
#include "logs/record_fields.h"
#include "logs/record_parser.h"

#include <QtEndian>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cstdint>
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

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "Mozilla/5.0%20(compatible;%20…)" as the agent it stands for, into `decoded`.
QByteArrayView percentDecoded(QByteArrayView text, QByteArray &decoded)
{
    if (!text.contains('%'))
        return text;
    decoded.resize(text.size());
    qsizetype out = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0) {
            decoded[out++] = char(high * 16 + low);
            i += 2;
        } else {
            decoded[out++] = text[i];
        }
    }
    return QByteArrayView(decoded.constData(), out);
}

// The separators of a data line, spaces and tabs, found 16 bytes at a time
// (8 without SSE2) in one pass over the line: a search per column cost more
// than reading the columns.
class Separators
{
public:
    Separators(const char *begin, const char *end) : next_(begin), end_(end) {}

    // The next separator, or the line's end when there is none.
    const char *next()
    {
        while (found_ == 0) {
            if (next_ >= end_)
                return end_;
            load();
        }
        const char *separator = word_ + std::countr_zero(found_) / kBitsPerByte;
        found_ &= found_ - 1;
        return separator;
    }

    // How many separators next() has not returned yet.
    qsizetype countRest()
    {
        qsizetype count = std::popcount(found_);
        while (next_ < end_) {
            load();
            count += std::popcount(found_);
        }
        found_ = 0;
        return count;
    }

private:
#if defined(__SSE2__)
    static constexpr qsizetype kWordBytes = 16;
    static constexpr int kBitsPerByte = 1;

    static std::uint64_t separatorBits(const char *word)
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(word));
        const __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')),
                                           _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')));
        return std::uint32_t(_mm_movemask_epi8(blank));
    }
#else
    static constexpr qsizetype kWordBytes = 8;
    static constexpr int kBitsPerByte = 8;

    // The high bit of each byte of `word` that is zero.
    static std::uint64_t zeroBytes(std::uint64_t word)
    {
        constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
        return ~(((word & low7) + low7) | word | low7);
    }

    static std::uint64_t separatorBits(const char *word)
    {
        const std::uint64_t bytes = qFromLittleEndian<std::uint64_t>(word);
        return zeroBytes(bytes ^ 0x2020202020202020ULL) | zeroBytes(bytes ^ 0x0909090909090909ULL);
    }
#endif

    // The next word; bytes past the line's end read as zero, which is no separator.
    void load()
    {
        if (end_ - next_ >= kWordBytes) {
            found_ = separatorBits(next_);
        } else {
            char tail[kWordBytes] = {};
            std::memcpy(tail, next_, size_t(end_ - next_));
            found_ = separatorBits(tail);
        }
        word_ = next_;
        next_ += kWordBytes;
    }

    const char *word_ = nullptr;  // the bytes `found_` describes
    const char *next_;
    const char *end_;
    std::uint64_t found_ = 0;     // a bit for each separator of word_ not returned yet
};

class W3cParser final : public RecordParser
{
public:
    W3cParser(W3cColumns columns, const std::vector<const W3cDialect *> &dialects)
        : countColumns_(columns == W3cColumns::Counted), pageOnly_(columns == W3cColumns::PageOnly), dialects_(dialects)
    {
    }

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
        // Copied from an empty record: a record cleared in place was a slow
        // string store, a tenth of the parse.
        static constexpr LogRecord kEmpty;
        record = kEmpty;
        record.line = line;
        record.family = dialect_ && dialect_->keepCase ? LogFamily::Custom : LogFamily::W3c;
        record.agentPlusIsSpace = !dialect_ || !dialect_->percentAgent;
        // Columns are separated by single spaces (or tabs): two in a row
        // give an empty column, as the server would have written "-".
        const char *p = line.data();
        const char *end = p + line.size();
        Separators separators(p, end);
        qsizetype columns = 0;
        bool atEnd = false;
        for (Role role : roles_) {
            const char *q = separators.next();
            take(role, QByteArrayView(p, q), record);
            ++columns;
            atEnd = q == end;
            if (atEnd)
                break;
            p = q + 1;
        }
        if (dialect_ && dialect_->percentAgent)
            record.agent = percentDecoded(record.agent, agent_);
        if (!countColumns_)
            return LineKind::Record;
        // The columns after the last one a record needs are only counted.
        if (!atEnd)
            columns += separators.countRest() + 1;
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

    QString dialectName() const override { return dialect_ ? dialect_->name : QString(); }
    bool agentPercentEncoded() const override { return dialect_ && dialect_->percentAgent; }
    bool recordInLine() const override { return !agentPercentEncoded(); }  // the agent is decoded into agent_

private:
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
            const QByteArrayView name(p, q);
            for (const W3cDialect *dialect : dialects_)
                if (name.size() == dialect->marker.size() && startsWithCaseless(name, dialect->marker.constData()))
                    dialect_ = dialect;
            Role role = roleOf(name);
            if (named & (1u << unsigned(role)))
                role = Role::None;
            named |= 1u << unsigned(role);
            everPageColumn_ = everPageColumn_ || role == Role::Page;
            everBytesColumn_ = everBytesColumn_ || role == Role::Bytes;
            if (pageOnly_ && role != Role::Page)
                role = Role::None;
            roles_.push_back(role);
            if (role != Role::None)
                lastNeeded = qsizetype(roles_.size()) - 1;
            p = q;
        }
        fieldCount_ = qsizetype(roles_.size());
        roles_.resize(size_t(lastNeeded + 1));
        inBlock_ = true;
    }

    const bool countColumns_;  // a line with more or fewer values than its "#Fields:" names is Bad
    const bool pageOnly_;      // only the page column is read
    std::vector<const W3cDialect *> dialects_;
    const W3cDialect *dialect_ = nullptr;  // what the columns showed the file to be; null for IIS
    QByteArray agent_;                     // the current record's agent, decoded
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

std::unique_ptr<RecordParser> MakeW3cParser(W3cColumns columns, const std::vector<const W3cDialect *> &dialects)
{
    return std::make_unique<W3cParser>(columns, dialects);
}
