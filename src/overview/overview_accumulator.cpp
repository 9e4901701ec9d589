#include "overview/overview_accumulator.h"

#include "overview/record_keys.h"

#include <algorithm>

namespace {

constexpr int kTopCount = 20;

// A record time that orders as time does: the day, then the second.
qint64 TimeKey(qint32 day, qint32 second) { return (qint64(day) << 17) | qint64(std::max(second, 0)); }

QDate DateOfDay(qint32 day) { return QDate(day / 10000, day / 100 % 100, day % 100); }

QDateTime DateTimeOf(qint64 timeKey)
{
    if (timeKey == 0)
        return {};
    return QDateTime(DateOfDay(qint32(timeKey >> 17)), QTime(0, 0).addSecs(int(timeKey & 0x1ffff)), Qt::UTC);
}

bool IsValidAnswer(int status) { return (status >= 200 && status <= 299) || status == 304; }

// The first `count` items by `more`, then by `before`; `before` is costly and
// asked only among the items that tie at the cut.
template <typename Item, typename More, typename Before>
QList<Item> TopItems(std::vector<Item> items, int count, More more, Before before)
{
    if (qsizetype(items.size()) > count) {
        std::nth_element(items.begin(), items.begin() + count - 1, items.end(), more);
        const Item cut = items[std::size_t(count - 1)];
        items.erase(std::remove_if(items.begin(), items.end(), [&](const Item &item) { return more(cut, item); }),
                    items.end());
    }
    std::sort(items.begin(), items.end(), [&](const Item &a, const Item &b) {
        return more(a, b) || (!more(b, a) && before(a, b));
    });
    if (qsizetype(items.size()) > count)
        items.resize(std::size_t(count));
    return QList<Item>(items.begin(), items.end());
}

}  // namespace

void OverviewAccumulator::AgentTally::countStatus(int status, qint64 requests)
{
    classes[int(ClassOfStatus(status))] += requests;
    countCode(status, requests);
}

void OverviewAccumulator::AgentTally::countCode(int status, qint64 requests)
{
    if (status == 0)
        return;
    for (auto &[code, count] : statuses)
        if (code == status) {
            count += requests;
            return;
        }
    statuses.emplace_back(status, requests);
}

void OverviewAccumulator::AgentTally::countTime(qint64 time)
{
    if (time == 0)
        return;
    firstTime = firstTime == 0 ? time : std::min(firstTime, time);
    lastTime = std::max(lastTime, time);
}

OverviewAccumulator::OverviewAccumulator(const AgentClassifier &classifier, qint32 fromDay, qint32 toDay,
                                         bool keepClientRequests)
    : classifier_(classifier), fromDay_(fromDay), toDay_(toDay), keepClientRequests_(keepClientRequests), agents_(std::size_t(classifier.classes().size())),
      pages_(std::make_shared<PageTable>()), classes_(classifier)
{
}

void OverviewAccumulator::add(const LogRecord &record)
{
    // A record without a date lies in no range.
    const bool ranged = fromDay_ != 0 || toDay_ != 0;
    if (ranged && (record.day == 0 || record.day < fromDay_ || (toDay_ != 0 && record.day > toDay_)))
        return;
    // The page table outgrows the cache: the page's slot starts to load
    // first, and the work that does not need it runs while it comes.
    PageTable::Prepared page;
    if (record.hasPage)
        page = pages_->prepare(record.page, record.family);
    const int agentClass = classes_.classify(record.agent, record.agentPlusIsSpace);
    AgentTally &agent = tallyOf(agentClass);

    ++categories_[int(classifier_.classes()[agentClass].category)];
    ++agent.requests;
    agent.bytes += record.bytes;
    agent.countStatus(record.status, 1);
    const qint64 time = record.day != 0 ? TimeKey(record.day, record.second) : 0;
    if (record.day != 0) {
        days_.add(record.day, 1);
        agent.days.add(record.day, 1);
        agent.countTime(time);
    }

    // The (page, status) pair and the client wait a few records in their
    // large tables, whose slots load meanwhile.
    Waiting waiting{.agent = &agent, .time = time, .hasPair = record.hasPage, .hasClient = !record.client.isEmpty()};
    if (waiting.hasPair) {
        waiting.pair = PairKey(pages_->intern(page), record.status);
        agent.pageStatuses.prefetch(waiting.pair);
    }
    if (waiting.hasClient) {
        waiting.client = ClientKey(record.client);
        agent.clients.prefetch(waiting.client);
        if (keepClientRequests_ && classifier_.classes()[agentClass].catalogued) {
            ++agent.clientRequests[waiting.client];
            if (!IsAddressKey(waiting.client) && !clientTexts_.contains(waiting.client))
                clientTexts_.emplace(waiting.client, record.client.toByteArray());
        }
    }
    // Takes the place of the oldest waiting record, counted now.
    if (waitingCount_ == waiting_.size())
        countWaiting(waiting_[waitingNext_]);
    else
        ++waitingCount_;
    waiting_[waitingNext_] = waiting;
    waitingNext_ = (waitingNext_ + 1) % waiting_.size();
}

OverviewAccumulator::AgentTally &OverviewAccumulator::tallyOf(int agentClass)
{
    std::unique_ptr<AgentTally> &slot = agents_[std::size_t(agentClass)];
    if (!slot)
        slot = std::make_unique<AgentTally>();
    return *slot;
}

void OverviewAccumulator::addCountedDay(const CountedDay &counted)
{
    AgentTally &agent = tallyOf(counted.agentClass);
    categories_[int(classifier_.classes()[counted.agentClass].category)] += counted.requests;
    agent.requests += counted.requests;
    agent.bytes += counted.bytes;
    if (counted.day == 0)
        return;
    days_.add(counted.day, counted.requests);
    agent.days.add(counted.day, counted.requests);
    agent.countTime(TimeKey(counted.day, counted.firstSecond));
    agent.countTime(TimeKey(counted.day, counted.lastSecond));
}

void OverviewAccumulator::addCountedStatus(int agentClass, int status, qint64 requests)
{
    tallyOf(agentClass).countStatus(status, requests);
}

void OverviewAccumulator::addCountedPairs(int agentClass, const std::vector<CountedPair> &pairs)
{
    FlatMap<PairTally> &tallies = tallyOf(agentClass).pageStatuses;
    tallies.reserve(tallies.size() + pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i + kWaitingRecords < pairs.size())
            tallies.prefetch(PairKey(pairs[i + kWaitingRecords].page, pairs[i + kWaitingRecords].status));
        const CountedPair &counted = pairs[i];
        PairTally &pair = tallies[PairKey(counted.page, counted.status)];
        pair.requests += counted.requests;
        if (counted.lastDay != 0)
            pair.lastTime = std::max(pair.lastTime, TimeKey(counted.lastDay, counted.lastSecond));
    }
}

void OverviewAccumulator::addCountedClient(int agentClass, quint64 client, qint64 requests)
{
    AgentTally &agent = tallyOf(agentClass);
    agent.clients.insert(client);
    if (keepClientRequests_ && classifier_.classes()[agentClass].catalogued)
        agent.clientRequests[client] += requests;
}

void OverviewAccumulator::countWaiting(const Waiting &waiting)
{
    AgentTally &agent = *waiting.agent;
    if (waiting.hasPair) {
        PairTally &pair = agent.pageStatuses[waiting.pair];
        ++pair.requests;
        pair.lastTime = std::max(pair.lastTime, waiting.time);
    }
    if (waiting.hasClient)
        agent.clients.insert(waiting.client);
}

void OverviewAccumulator::countAllWaiting()
{
    for (std::size_t i = 0; i < waitingCount_; ++i)
        countWaiting(waiting_[i]);
    waitingCount_ = 0;
    waitingNext_ = 0;
}

void OverviewAccumulator::merge(OverviewAccumulator &later)
{
    later.countAllWaiting();
    std::vector<qint32> pageIds(std::size_t(later.pages_->size()));
    for (qint32 page = 0; page < qint32(pageIds.size()); ++page)
        pageIds[std::size_t(page)] = pages_->intern(later.pages_->bytes(page), later.pages_->family(page));

    for (int i = 0; i < kAgentCategoryCount; ++i)
        categories_[i] += later.categories_[i];
    clientTexts_.insert(later.clientTexts_.begin(), later.clientTexts_.end());
    for (const auto &[day, requests] : later.days_.counts())
        days_.add(day, requests);
    for (std::size_t agentClass = 0; agentClass < agents_.size(); ++agentClass) {
        const AgentTally *from = later.agents_[agentClass].get();
        if (!from)
            continue;
        AgentTally &into = tallyOf(int(agentClass));
        into.requests += from->requests;
        into.bytes += from->bytes;
        for (int i = 0; i < kStatusClassCount; ++i)
            into.classes[i] += from->classes[i];
        for (const auto &[status, requests] : from->statuses)
            into.countCode(status, requests);
        for (const auto &[day, requests] : from->days.counts())
            into.days.add(day, requests);
        into.countTime(from->firstTime);
        into.countTime(from->lastTime);
        from->clients.forEach([&](quint64 client, Present) { into.clients.insert(client); });
        from->clientRequests.forEach([&](quint64 client, qint64 requests) { into.clientRequests[client] += requests; });
        from->pageStatuses.forEach([&](quint64 key, const PairTally &pair) {
            PairTally &to = into.pageStatuses[PairKey(pageIds[std::size_t(PageOfPair(key))], StatusOfPair(key))];
            to.requests += pair.requests;
            to.lastTime = std::max(to.lastTime, pair.lastTime);
        });
    }
}

AgentOverview OverviewAccumulator::agentResult(int agentClass, const AgentTally &tally) const
{
    const AgentClass &identity = classifier_.classes()[agentClass];
    AgentOverview agent;
    agent.id = identity.id;
    agent.name = identity.name;
    agent.family = identity.family;
    agent.category = identity.category;
    agent.catalogued = identity.catalogued;
    agent.requests = tally.requests;
    agent.bytes = tally.bytes;
    agent.clients = qint64(tally.clients.size());
    tally.clientRequests.forEach(
        [&](quint64 client, qint64 requests) { agent.clientRequests.append({clientText(client), requests}); });
    std::sort(agent.clientRequests.begin(), agent.clientRequests.end(),
              [](const ClientRequests &a, const ClientRequests &b) { return a.address < b.address; });
    agent.classes = tally.classes;
    for (const auto &[status, requests] : tally.statuses)
        agent.status.insert(status, requests);
    for (const auto &[day, requests] : tally.days.counts())
        agent.days.insert(DateOfDay(day), requests);
    agent.first = DateTimeOf(tally.firstTime);
    agent.last = DateTimeOf(tally.lastTime);

    std::vector<std::pair<quint64, PairTally>> pairs;
    pairs.reserve(tally.pageStatuses.size());
    tally.pageStatuses.forEach([&](quint64 key, const PairTally &pair) { pairs.emplace_back(key, pair); });
    std::sort(pairs.begin(), pairs.end(), [](const auto &a, const auto &b) { return a.first < b.first; });

    std::vector<PageRequests> pages;
    std::vector<PageStatusRequests> errors;
    agent.pageStatuses.reserve(qsizetype(pairs.size()));
    bool valid = false;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const qint32 page = PageOfPair(pairs[i].first);
        const int status = StatusOfPair(pairs[i].first);
        const PageStatusRequests entry{page, status, pairs[i].second.requests, DateTimeOf(pairs[i].second.lastTime)};
        agent.pageStatuses.append(entry);
        if (pages.empty() || pages.back().page != page) {
            pages.push_back({page, 0});
            valid = false;
        }
        pages.back().requests += entry.requests;
        if (!valid && IsValidAnswer(status)) {
            valid = true;
            ++agent.validPages;
        }
        if (status >= 400 && status <= 599)
            errors.push_back(entry);
    }
    agent.pages = qint64(pages.size());

    const PageTable &table = *pages_;
    agent.topPages = TopItems(
        std::move(pages), kTopCount, [](const PageRequests &a, const PageRequests &b) { return a.requests > b.requests; },
        [&](const PageRequests &a, const PageRequests &b) { return table.utf8(a.page) < table.utf8(b.page); });
    agent.topErrors = TopItems(
        std::move(errors), kTopCount,
        [](const PageStatusRequests &a, const PageStatusRequests &b) { return a.requests > b.requests; },
        [&](const PageStatusRequests &a, const PageStatusRequests &b) {
            if (a.page == b.page)
                return a.status < b.status;
            const QByteArray textA = table.utf8(a.page);
            const QByteArray textB = table.utf8(b.page);
            return textA < textB || (textA == textB && a.status < b.status);
        });
    return agent;
}

QString OverviewAccumulator::clientText(quint64 client) const
{
    if (IsAddressKey(client))
        return AddressOfKey(client);
    return QString::fromLatin1(clientTexts_.at(client));
}

void OverviewAccumulator::fillResult(OverviewResult &result)
{
    countAllWaiting();
    result.categories = categories_;
    result.days.clear();
    for (const auto &[day, requests] : days_.counts())
        result.days.insert(DateOfDay(day), requests);
    result.agents.clear();
    for (std::size_t agentClass = 0; agentClass < agents_.size(); ++agentClass)
        if (agents_[agentClass])
            result.agents.append(agentResult(int(agentClass), *agents_[agentClass]));
    std::sort(result.agents.begin(), result.agents.end(), [](const AgentOverview &a, const AgentOverview &b) {
        return a.requests != b.requests ? a.requests > b.requests : a.id.toUtf8() < b.id.toUtf8();
    });
    result.pageTable = pages_;
}
