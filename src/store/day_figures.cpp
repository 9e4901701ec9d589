#include "store/day_figures.h"

#include "logs/log_reader.h"
#include "overview/record_keys.h"

#include <algorithm>

namespace {

void PutNumber(QByteArray &out, quint64 value)
{
    while (value >= 0x80) {
        out.append(char(value | 0x80));
        value >>= 7;
    }
    out.append(char(value));
}

// Reads numbers off the front of a blob; ok() turns false at a cut one.
class NumberReader
{
public:
    explicit NumberReader(QByteArrayView blob) : at_(blob.data()), end_(blob.data() + blob.size()) {}

    bool atEnd() const { return at_ == end_; }
    bool ok() const { return ok_; }
    quint64 next()
    {
        quint64 value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at_ == end_)
                break;
            const auto byte = quint8(*at_++);
            value |= quint64(byte & 0x7f) << shift;
            if (byte < 0x80)
                return value;
        }
        ok_ = false;
        at_ = end_;
        return 0;
    }

private:
    const char *at_;
    const char *end_;
    bool ok_ = true;
};

bool PairBefore(const PageEntry &a, const PageEntry &b)
{
    return a.page != b.page ? a.page < b.page : a.status < b.status;
}

// Two lists sorted by `before`, entries of the same key added up by `add`.
template <typename Entry, typename Before, typename Add>
std::vector<Entry> MergeSorted(const std::vector<Entry> &a, const std::vector<Entry> &b, Before before, Add add)
{
    std::vector<Entry> merged;
    merged.reserve(a.size() + b.size());
    auto i = a.begin();
    auto j = b.begin();
    while (i != a.end() || j != b.end()) {
        if (j == b.end() || (i != a.end() && before(*i, *j))) {
            merged.push_back(*i++);
        } else if (i == a.end() || before(*j, *i)) {
            merged.push_back(*j++);
        } else {
            merged.push_back(*i++);
            add(merged.back(), *j++);
        }
    }
    return merged;
}

}  // namespace

void DayAgentFigures::merge(const DayAgentFigures &other)
{
    if (requests == 0) {
        firstSecond = other.firstSecond;
        lastSecond = other.lastSecond;
    } else if (other.requests != 0) {
        firstSecond = std::min(firstSecond, other.firstSecond);
        lastSecond = std::max(lastSecond, other.lastSecond);
    }
    requests += other.requests;
    bytes += other.bytes;
    for (int hour = 0; hour < 24; ++hour)
        hours[hour] += other.hours[hour];
    statuses = MergeSorted(
        statuses, other.statuses, [](const auto &a, const auto &b) { return a.first < b.first; },
        [](auto &into, const auto &from) { into.second += from.second; });
    pages = MergeSorted(pages, other.pages, PairBefore, [](PageEntry &into, const PageEntry &from) {
        into.requests += from.requests;
        into.bytes += from.bytes;
        into.lastSecond = std::max(into.lastSecond, from.lastSecond);
    });
    clients = MergeSorted(
        clients, other.clients, [](const ClientEntry &a, const ClientEntry &b) { return a.client < b.client; },
        [](ClientEntry &into, const ClientEntry &from) { into.requests += from.requests; });
    botWords.add(other.botWords);
}

QByteArray EncodePages(const std::vector<PageEntry> &pages)
{
    QByteArray out;
    out.reserve(qsizetype(pages.size()) * 8);
    qint32 previous = 0;
    for (const PageEntry &entry : pages) {
        PutNumber(out, quint64(entry.page - previous));
        PutNumber(out, quint64(quint16(entry.status)));
        PutNumber(out, quint64(entry.requests));
        PutNumber(out, quint64(entry.bytes));
        PutNumber(out, quint64(entry.lastSecond));
        previous = entry.page;
    }
    return out;
}

QByteArray EncodeClients(const std::vector<ClientEntry> &clients)
{
    QByteArray out;
    out.reserve(qsizetype(clients.size()) * 6);
    quint64 previous = 0;
    for (const ClientEntry &entry : clients) {
        PutNumber(out, entry.client - previous);
        PutNumber(out, quint64(entry.requests));
        previous = entry.client;
    }
    return out;
}

bool DecodePages(QByteArrayView blob, std::vector<PageEntry> &pages)
{
    NumberReader reader(blob);
    qint32 page = 0;
    while (!reader.atEnd()) {
        PageEntry entry;
        page += qint32(reader.next());
        entry.page = page;
        entry.status = qint16(quint16(reader.next()));
        entry.requests = qint64(reader.next());
        entry.bytes = qint64(reader.next());
        entry.lastSecond = qint32(reader.next());
        pages.push_back(entry);
    }
    return reader.ok();
}

bool DecodeClients(QByteArrayView blob, std::vector<ClientEntry> &clients)
{
    NumberReader reader(blob);
    quint64 client = 0;
    while (!reader.atEnd()) {
        client += reader.next();
        clients.push_back({client, qint64(reader.next())});
    }
    return reader.ok();
}

DayAccumulator::DayAccumulator(const AgentClassifier &classifier)
    : classes_(classifier), classCount_(int(classifier.classes().size())), otherBotClass_(classifier.otherBotClass())
{
}

DayAccumulator::DayTallies &DayAccumulator::tallies(qint32 day)
{
    if (day != lastDay_) {
        lastDay_ = day;
        lastTallies_ = &days_[day];
        if (lastTallies_->empty())
            lastTallies_->resize(std::size_t(classCount_));
    }
    return *lastTallies_;
}

void DayAccumulator::add(std::span<const LogRecord> records)
{
    AddPreparedAhead(
        records, [this](const LogRecord &record) { return prepare(record); },
        [this](const LogRecord &record, const PageTable::Prepared &page) { add(record, page); });
}

void DayAccumulator::add(const LogRecord &record, const PageTable::Prepared &page)
{
    const int agentClass = classes_.classify(record.agent, record.agentPlusIsSpace);
    std::unique_ptr<Tally> &slot = tallies(record.day)[std::size_t(agentClass)];
    if (!slot)
        slot = std::make_unique<Tally>();
    Tally &tally = *slot;
    const qint32 second = std::max<qint32>(record.second, 0);
    tally.firstSecond = tally.requests == 0 ? second : std::min(tally.firstSecond, second);
    tally.lastSecond = std::max(tally.lastSecond, second);
    ++tally.requests;
    tally.bytes += record.bytes;
    if (record.second >= 0)
        ++tally.hours[std::size_t(std::min(record.second / 3600, 23))];
    auto status = std::find_if(tally.statuses.begin(), tally.statuses.end(),
                               [&](const auto &entry) { return entry.first == record.status; });
    if (status == tally.statuses.end())
        tally.statuses.emplace_back(record.status, 1);
    else
        ++status->second;
    if (record.hasPage) {
        PairTally &pair = tally.pairs[PairKey(pages_.intern(page), record.status)];
        ++pair.requests;
        pair.bytes += record.bytes;
        pair.lastSecond = std::max(pair.lastSecond, second);
    }
    if (agentClass == otherBotClass_)
        tally.botWords.add(FirstBotWord(record.agent), 1);
    if (!record.client.isEmpty()) {
        const quint64 client = ClientKey(record.client);
        ++tally.clients[client];
        if (!IsAddressKey(client) && !clientTexts_.contains(client))
            clientTexts_.emplace(client, record.client.toByteArray());
    }
}

std::vector<DayAgentFigures> DayAccumulator::figures() const
{
    std::vector<DayAgentFigures> all;
    for (const auto &[day, tallies] : days_) {
        for (int agentClass = 0; agentClass < classCount_; ++agentClass) {
            const Tally *tally = tallies[std::size_t(agentClass)].get();
            if (!tally)
                continue;
            DayAgentFigures figures{day, agentClass, tally->requests, tally->bytes, tally->firstSecond,
                                    tally->lastSecond, tally->statuses, tally->hours, {}, {}, tally->botWords};
            std::sort(figures.statuses.begin(), figures.statuses.end());
            tally->pairs.forEach([&](quint64 key, const PairTally &pair) {
                figures.pages.push_back({PageOfPair(key), StatusOfPair(key), pair.requests, pair.bytes, pair.lastSecond});
            });
            std::sort(figures.pages.begin(), figures.pages.end(), PairBefore);
            tally->clients.forEach([&](quint64 client, qint64 requests) { figures.clients.push_back({client, requests}); });
            std::sort(figures.clients.begin(), figures.clients.end(),
                      [](const ClientEntry &a, const ClientEntry &b) { return a.client < b.client; });
            all.push_back(std::move(figures));
        }
    }
    return all;
}
