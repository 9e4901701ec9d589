// JSON lines: one object per line, its fields where the format's paths say.
// Parsed with simdjson's DOM parser, which reuses its buffers from line to
// line, so a record costs no allocation once the longest line was seen.
#include "logs/formats/json_layout.h"
#include "logs/record_fields.h"
#include "logs/record_parser.h"

#include <simdjson.h>

#include <cstring>
#include <string_view>

namespace {

using Field = JsonLayout::Field;
using TimeForm = JsonLayout::TimeForm;
using simdjson::dom::element;

QByteArrayView viewOf(std::string_view text) { return QByteArrayView(text.data(), qsizetype(text.size())); }

bool follow(const JsonLayout::Path &path, element at, element &found)
{
    for (const JsonLayout::Step &step : path) {
        const auto next = step.index < 0 ? at.at_key(step.key) : at.at(size_t(step.index));
        if (next.get(at))
            return false;
    }
    if (at.is_null())
        return false;
    found = at;
    return true;
}

// The unit a time number counts in, by its size when the form leaves it open.
qint64 perSecond(TimeForm form, double value)
{
    switch (form) {
    case TimeForm::UnixMs:
        return 1000;
    case TimeForm::UnixNs:
        return 1000000000;
    case TimeForm::Auto:
        return value < 1e11 ? 1 : value < 1e14 ? 1000 : value < 1e17 ? 1000000 : 1000000000;
    default:
        return 1;
    }
}

bool timeOfText(TimeForm form, QByteArrayView text, LogRecord &r)
{
    switch (form) {
    case TimeForm::Auto:
        return RecordFields::AnyTime(text, r.day, r.second);
    case TimeForm::Unix:
        return RecordFields::UnixTime(text, 1, r.day, r.second);
    case TimeForm::UnixMs:
        return RecordFields::UnixTime(text, 1000, r.day, r.second);
    case TimeForm::UnixNs:
        return RecordFields::UnixTime(text, 1000000000, r.day, r.second);
    case TimeForm::Rfc3339:
        return RecordFields::IsoTime(text, r.day, r.second);
    case TimeForm::Clf:
        if (text.startsWith('[') && text.endsWith(']'))
            text = text.sliced(1, text.size() - 2);
        return RecordFields::ClfTime(text, r.day, r.second);
    }
    return false;
}

bool takeTime(TimeForm form, element value, LogRecord &r)
{
    std::string_view text;
    if (!value.get_string().get(text))
        return timeOfText(form, viewOf(text), r);
    if (form == TimeForm::Rfc3339 || form == TimeForm::Clf)
        return false;
    // Nanoseconds do not fit a double exactly: whole numbers are divided as integers.
    int64_t whole = 0;
    double number = 0;
    if (!value.get_int64().get(whole))
        return whole >= 0 && RecordFields::UnixSeconds(whole / perSecond(form, double(whole)), r.day, r.second);
    if (value.get_double().get(number) || number < 0 || number > 9e18)
        return false;
    return RecordFields::UnixSeconds(qint64(number / double(perSecond(form, number))), r.day, r.second);
}

// A count written as a number or as text ("200").
qint64 countOf(element value, qint64 (*ofText)(QByteArrayView))
{
    std::string_view text;
    if (!value.get_string().get(text))
        return ofText(viewOf(text));
    int64_t number = 0;
    return value.get_int64().get(number) || number < 0 ? 0 : number;
}

qint64 statusOfText(QByteArrayView text) { return RecordFields::Status(text); }

qint16 statusOf(element value)
{
    const qint64 status = countOf(value, statusOfText);
    return qint16(status <= 999 ? status : 0);
}

class JsonParser final : public RecordParser
{
public:
    explicit JsonParser(std::shared_ptr<const JsonLayout> layout) : layout_(std::move(layout)) {}

    LineKind parse(QByteArrayView line, LogRecord &record) override
    {
        if (line.trimmed().isEmpty())
            return LineKind::Other;
        // simdjson reads a little past the end of its input.
        if (size_t(line.size()) + simdjson::SIMDJSON_PADDING > padded_.size())
            padded_.resize(size_t(line.size()) + simdjson::SIMDJSON_PADDING);
        std::memcpy(padded_.data(), line.data(), size_t(line.size()));
        element root;
        if (parser_.parse(padded_.data(), size_t(line.size()), false).get(root) || !root.is_object())
            return LineKind::Bad;
        LogRecord r;
        r.line = line;
        r.family = LogFamily::Custom;
        for (int field = 0; field < JsonLayout::kFields; ++field)
            for (const JsonLayout::Path &path : layout_->paths(Field(field))) {
                element value;
                if (follow(path, root, value)) {
                    take(Field(field), value, r);
                    break;
                }
            }
        ++records_;
        record = r;
        return LineKind::Record;
    }

    bool noAgentField() const override { return records_ > 0 && !sawAgent_; }
    bool recordInLine() const override { return false; }  // strings are simdjson's, of the last line

private:
    void take(Field field, element value, LogRecord &r)
    {
        std::string_view text;
        const bool isText = !value.get_string().get(text);
        switch (field) {
        case Field::Time:
            if (!takeTime(layout_->timeForm(), value, r)) {
                r.day = 0;
                r.second = -1;
            }
            break;
        case Field::Client:
            r.client = isText ? viewOf(text) : QByteArrayView();
            break;
        case Field::Forwarded:
            r.forwarded = isText && text != "-" ? viewOf(text) : QByteArrayView();
            break;
        case Field::Request:
            r.hasPage = isText && RecordFields::PageOfRequestLine(viewOf(text), r.page, &r.query);
            break;
        case Field::Target:
            r.hasPage = isText && RecordFields::PageOfTarget(viewOf(text), r.page, &r.query);
            break;
        case Field::Query:
            if (isText && !text.empty())
                r.query = viewOf(text);
            break;
        case Field::Status:
            r.status = statusOf(value);
            break;
        case Field::Bytes:
            r.bytes = countOf(value, RecordFields::Bytes);
            break;
        case Field::Agent:
            r.agent = isText ? viewOf(text) : QByteArrayView();
            sawAgent_ = sawAgent_ || isText;
            break;
        }
    }

    std::shared_ptr<const JsonLayout> layout_;
    simdjson::dom::parser parser_;
    std::vector<char> padded_;
    qint64 records_ = 0;
    bool sawAgent_ = false;
};

}  // namespace

std::unique_ptr<RecordParser> MakeJsonParser(std::shared_ptr<const JsonLayout> layout)
{
    return std::make_unique<JsonParser>(std::move(layout));
}
