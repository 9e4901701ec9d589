#pragma once

#include "logs/log_record.h"

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <vector>

class LogLayout;

// What a line of a log is to its format.
enum class LineKind : quint8 {
    Record,  // a request
    Other,   // a blank line or a directive: no request, and nothing wrong
    Bad,     // no record of the format: counted and reported
};

// Reads the lines of one file, one format family each. A parser may keep
// state from line to line (a W3C file's current columns), so it sees every
// line in file order: through parse(), or through pass() for lines the
// caller has no use for.
class RecordParser
{
public:
    virtual ~RecordParser() = default;

    // The record of `line` (without its line end) into `record`, whose views
    // then point into `line`, or into the parser's own buffers where a field
    // is decoded (see recordInLine). `record` is filled afresh only for a Record.
    virtual LineKind parse(QByteArrayView line, LogRecord &record) = 0;

    // Whether the last record's views all point into its line, so that they
    // stay valid while other lines are parsed; else the next parse may
    // overwrite what they point to.
    virtual bool recordInLine() const { return true; }

    // The whole lines [begin, end) go by unread; a format whose lines change
    // how later lines read takes note of them.
    virtual void pass(const char *begin, const char *end)
    {
        Q_UNUSED(begin);
        Q_UNUSED(end);
    }

    // A W3C file none of whose "#Fields:" directives named cs-uri-stem.
    virtual bool noPageColumn() const { return false; }

    // Whether the format has a response size at all (an IIS log without
    // sc-bytes, a layout without $body_bytes_sent has none): no size is not 0.
    virtual bool bytesLogged() const { return true; }

    // Records were read, none of them with the format's user agent field
    // (Traefik leaves request headers out unless told to keep them).
    virtual bool noAgentField() const { return false; }

    // The format definition a W3C file's columns showed it to be ("cloudfront"); empty for IIS.
    virtual QString dialectName() const { return {}; }

    // The lines read so far write the user agent percent-encoded ("Mozilla/5.0%20(…)").
    virtual bool agentPercentEncoded() const { return false; }
};

struct W3cDialect;
// How much of a W3C data line is read.
enum class W3cColumns : quint8 {
    Needed,    // up to the last column a record needs
    Counted,   // every value counted: a line with more or fewer than its block's "#Fields:" names is Bad
    PageOnly,  // up to the page column: the record holds its page alone (the crawl run's reading)
};
// `dialects`: W3C logs other than IIS, each told by a column of its own.
std::unique_ptr<RecordParser> MakeW3cParser(W3cColumns columns = W3cColumns::Needed,
                                            const std::vector<const W3cDialect *> &dialects = {});
std::unique_ptr<RecordParser> MakeNcsaParser();
std::unique_ptr<RecordParser> MakeLayoutParser(std::shared_ptr<const LogLayout> layout);

// A line that only a W3C log begins with: "#Software:", "#Version:", "#Date:"
// or "#Fields:", letter case ignored.
bool IsW3cDirective(QByteArrayView line);
