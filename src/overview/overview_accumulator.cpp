#include "overview/overview_accumulator.h"

#include "common/byte_search.h"
#include "common/cp936.h"
#include "common/parallel_for.h"
#include "common/prepared_ahead.h"
#include "common/utf8.h"
#include "logs/log_reader.h"
#include "overview/record_keys.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <numeric>
#include <utility>

namespace {

constexpr int kTopCount = 20;
constexpr int kTopSections = 50;
constexpr qint32 kQueriedTarget = qint32(0x80000000);  // the bit that tells a queried target from a page
constexpr qint32 kTargetIdMask = 0x7fffffff;

// The key of a queried target in targetIds_.
quint64 TargetKey(qint32 page, qint32 query) { return (quint64(quint32(page)) << 32) | quint32(query); }

// A record time that orders as time does: the day, then the second.
qint64 TimeKey(qint32 day, qint32 second) { return (qint64(day) << 17) | qint64(std::max(second, 0)); }

QDateTime DateTimeOf(qint64 timeKey)
{
    if (timeKey == 0)
        return {};
    return QDateTime(DateOfDay(qint32(timeKey >> 17)), QTime(0, 0).addSecs(int(timeKey & 0x1ffff)), Qt::UTC);
}

// Record times as DateTimeOf gives them, the start of the last day kept: the
// millions of pairs of a result fall on few days.
class DateTimes
{
public:
    QDateTime of(qint64 timeKey)
    {
        const qint32 day = qint32(timeKey >> 17);
        if (timeKey != 0 && day != day_) {
            day_ = day;
            const QDate date = DateOfDay(day);
            dayStart_ = date.isValid() ? QDateTime(date, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch() : kNoDay;
        }
        if (timeKey == 0 || dayStart_ == kNoDay)
            return DateTimeOf(timeKey);
        // A leap second's 86400 wraps to the day's start, as QTime::addSecs has it.
        return QDateTime::fromMSecsSinceEpoch(dayStart_ + (timeKey & 0x1ffff) % 86400 * 1000, Qt::UTC);
    }

private:
    static constexpr qint64 kNoDay = std::numeric_limits<qint64>::min();
    qint32 day_ = 0;
    qint64 dayStart_ = kNoDay;
};

// The first `count` items by `more`, then by `before`; `before` is costly and
// asked only among the items that tie at the cut, which may be most of them
// (many pages asked once each): only the first `count` are put in order.
template <typename Items, typename More, typename Before>
QList<typename Items::value_type> TopItems(Items items, int count, More more, Before before)
{
    using Item = typename Items::value_type;
    if (qsizetype(items.size()) > count) {
        std::nth_element(items.begin(), items.begin() + count - 1, items.end(), more);
        const Item cut = items[std::size_t(count - 1)];
        items.erase(std::remove_if(items.begin(), items.end(), [&](const Item &item) { return more(cut, item); }),
                    items.end());
    }
    const std::size_t kept = std::min(items.size(), std::size_t(count));
    std::partial_sort(items.begin(), items.begin() + qsizetype(kept), items.end(), [&](const Item &a, const Item &b) {
        return more(a, b) || (!more(b, a) && before(a, b));
    });
    items.resize(kept);
    return QList<Item>(items.begin(), items.end());
}

// The first path segment of a page: "/news/" of "/news/a.html", "/" of a
// page right under the root.
QByteArrayView SectionOf(QByteArrayView page)
{
    const qsizetype slash = page.startsWith('/') ? page.indexOf('/', 1) : -1;
    return slash < 0 ? QByteArrayView("/", 1) : page.first(slash + 1);
}

}  // namespace

// Each page's section, worked out once for all agents: W3C sections compare
// ignoring ASCII letter case, as W3C pages do.
class OverviewAccumulator::SectionKeys
{
public:
    explicit SectionKeys(const PageTable &pages) : ofPage_(std::size_t(pages.size()))
    {
        PageTable keys;  // the sections, W3C ones in ASCII lower case
        QByteArray key;  // reused: a page's section allocates nothing
        for (qint32 page = 0; page < qint32(pages.size()); ++page) {
            key.truncate(0);
            key.append(SectionOf(pages.bytes(page)));
            if (pages.family(page) == LogFamily::W3c)
                for (char &c : key)
                    c = char(AsciiLower(uchar(c)));
            ofPage_[std::size_t(page)] = keys.intern(key, LogFamily::Ncsa);  // byte for byte
        }
        count_ = keys.size();
    }

    qint32 of(qint32 page) const { return ofPage_[std::size_t(page)]; }
    qsizetype count() const { return count_; }

    // A section shows as written in the page it was met in first.
    static QString text(const PageTable &pages, qint32 page)
    {
        const QByteArrayView section = SectionOf(pages.bytes(page));
        return Utf8::isValid(section) ? QString::fromUtf8(section) : Cp936::decode(section);
    }

private:
    std::vector<qint32> ofPage_;
    qsizetype count_ = 0;
};

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
                                         bool keepClientRequests, bool keepTargets)
    : classifier_(classifier), fromDay_(fromDay), toDay_(toDay), keepClientRequests_(keepClientRequests),
      targetsKept_(std::size_t(classifier.classes().size())), queries_(std::make_shared<PageTable>()),
      agents_(std::size_t(classifier.classes().size())), pages_(std::make_shared<PageTable>()), classes_(classifier)
{
    // Only crawlers are asked about the site's files: browsers, scripts and
    // records without an agent (most requests) keep their pages only.
    for (std::size_t i = 0; keepTargets && i < targetsKept_.size(); ++i) {
        const QString &id = classifier.classes()[qsizetype(i)].id;
        targetsKept_[i] = id != QLatin1String("browser") && id != QLatin1String("script") && id != QLatin1String("no-agent");
    }
}

void OverviewAccumulator::beginInput(qsizetype index)
{
    findAllWaitingTargets();  // the targets of the input before are that input's
    inputStarts_.push_back({index, qint32(pages_->size()), qint32(targets_.size())});
}

OverviewAccumulator::Prepared OverviewAccumulator::prepare(const LogRecord &record)
{
    Prepared prepared;
    // A record without a date lies in no range.
    const bool ranged = fromDay_ != 0 || toDay_ != 0;
    if (ranged && (record.day == 0 || record.day < fromDay_ || (toDay_ != 0 && record.day > toDay_)))
        return prepared;
    prepared.counted = true;
    prepared.agentClass = classes_.classify(record.agent, record.agentPlusIsSpace);
    if (record.hasPage) {
        prepared.page = pages_->prepare(record.page, record.family);
        prepared.queried = !record.query.isEmpty() && targetsKept_[std::size_t(prepared.agentClass)];
        if (prepared.queried)
            prepared.query = queries_->prepare(record.query, LogFamily::Ncsa);
    }
    return prepared;
}

void OverviewAccumulator::add(std::span<const LogRecord> records)
{
    // The page table outgrows the cache: the slots of the next records'
    // pages (and queries) start to load together, so that their misses
    // overlap instead of coming one by one.
    AddPreparedAhead(
        records, [this](const LogRecord &record) { return prepare(record); },
        [this](const LogRecord &record, const Prepared &prepared) { add(record, prepared); });
}

void OverviewAccumulator::add(const LogRecord &record, const Prepared &prepared)
{
    if (!prepared.counted)
        return;
    const int agentClass = prepared.agentClass;
    AgentTally &agent = tallyOf(agentClass);

    ++categories_[int(classifier_.classes()[agentClass].category)];
    if (agentClass == classifier_.otherBotClass())
        botWords_.add(FirstBotWord(record.agent), 1, inputStarts_.empty() ? 0 : inputStarts_.back().input);
    ++agent.requests;
    agent.bytes += record.bytes;
    agent.countStatus(record.status, 1);
    const qint64 time = record.day != 0 ? TimeKey(record.day, record.second) : 0;
    if (record.day != 0) {
        days_.add(record.day, 1);
        agent.days.add(record.day, 1);
        agent.countTime(time);
    }
    if (record.second >= 0)  // a leap second's 86400 belongs to the last hour
        ++agent.hours[std::size_t(std::min(record.second / 3600, kHours - 1))];

    // The (page, status) pair and the client wait a few records in their
    // large tables, whose slots load meanwhile.
    Waiting waiting{.agent = &agent, .time = time, .hasPair = record.hasPage, .hasClient = !record.client.isEmpty()};
    if (waiting.hasPair) {
        const qint32 page = pages_->intern(prepared.page);
        waiting.pair = PairKey(page, record.status);
        if (prepared.queried) {
            waiting.query = queries_->intern(prepared.query);
            targetIds_.prefetch(TargetKey(page, waiting.query));
        } else {
            agent.pageStatuses.prefetch(waiting.pair);
        }
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
    if (waitingCount_ > kTargetAfter)
        findTarget(waiting_[(waitingNext_ + waiting_.size() - kTargetAfter) % waiting_.size()]);
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

void OverviewAccumulator::addCountedHour(int agentClass, int hour, qint64 requests)
{
    tallyOf(agentClass).hours[std::size_t(std::clamp(hour, 0, kHours - 1))] += requests;
}

void OverviewAccumulator::addCountedPairs(int agentClass, const std::vector<CountedPair> &pairs)
{
    AgentTally &agent = tallyOf(agentClass);
    PairCounts &tallies = agent.pageStatuses;
    const std::size_t pageCount = pages_->size();
    ForEachPreparedAhead(
        pairs.size(),
        [&](std::size_t i) {
            const quint64 key = PairKey(pairs[i].page, pairs[i].status);
            tallies.prefetch(key);
            return key;
        },
        [&](std::size_t i, quint64 key) {
            const CountedPair &counted = pairs[i];
            tallies.add(key, counted.requests, counted.lastDay != 0 ? TimeKey(counted.lastDay, counted.lastSecond) : 0,
                        pageCount);
        });
}

void OverviewAccumulator::addCountedClient(int agentClass, quint64 client, qint64 requests)
{
    AgentTally &agent = tallyOf(agentClass);
    agent.clients.insert(client);
    if (keepClientRequests_ && classifier_.classes()[agentClass].catalogued)
        agent.clientRequests[client] += requests;
}

qint32 OverviewAccumulator::targetOf(qint32 page, qint32 query)
{
    qint32 &id = targetIds_[TargetKey(page, query)];
    if (id == 0) {
        targets_.emplace_back(page, query);
        id = qint32(targets_.size());
    }
    return (id - 1) | kQueriedTarget;
}

void OverviewAccumulator::findTarget(Waiting &waiting)
{
    if (waiting.query < 0)
        return;
    waiting.pair = PairKey(targetOf(PageOfPair(waiting.pair), waiting.query), StatusOfPair(waiting.pair));
    waiting.query = -1;
    waiting.agent->pageStatuses.prefetch(waiting.pair);
}

void OverviewAccumulator::findAllWaitingTargets()
{
    for (std::size_t i = 0; i < waitingCount_; ++i)
        findTarget(waiting_[(waitingNext_ + waiting_.size() - waitingCount_ + i) % waiting_.size()]);
}

void OverviewAccumulator::countWaiting(const Waiting &waiting)
{
    AgentTally &agent = *waiting.agent;
    if (waiting.hasPair)
        agent.pageStatuses.add(waiting.pair, 1, waiting.time, pages_->size());
    if (waiting.hasClient)
        agent.clients.insert(waiting.client);
}

void OverviewAccumulator::countAllWaiting()
{
    findAllWaitingTargets();
    for (std::size_t i = 0; i < waitingCount_; ++i)
        countWaiting(waiting_[i]);
    waitingCount_ = 0;
    waitingNext_ = 0;
}

void OverviewAccumulator::mergeJobs(const std::vector<std::unique_ptr<OverviewAccumulator>> &jobs)
{
    // The jobs' inputs in order: each one's new pages and targets get their
    // ids here as they would reading the inputs one after another.
    std::vector<std::pair<qsizetype, std::pair<std::size_t, std::size_t>>> starts;  // input → (job, its start)
    for (std::size_t job = 0; job < jobs.size(); ++job) {
        jobs[job]->countAllWaiting();
        for (std::size_t start = 0; start < jobs[job]->inputStarts_.size(); ++start)
            starts.push_back({jobs[job]->inputStarts_[start].input, {job, start}});
    }
    std::sort(starts.begin(), starts.end());
    // The run has at least the pages of its largest job.
    const auto largest = std::max_element(jobs.begin(), jobs.end(), [](const auto &a, const auto &b) {
        return a->pages_->size() < b->pages_->size();
    });
    pages_->reserve(std::size_t((*largest)->pages_->size()), (*largest)->pages_->byteCount());
    std::vector<JobIds> ids(jobs.size());
    for (const auto &[input, where] : starts)
        takeNewIds(*jobs[where.first], where.second, ids[where.first]);
    botWords_ = BotWordCounts(BotWordCounts::kUnbounded);  // every word the jobs kept
    for (std::size_t job = 0; job < jobs.size(); ++job)
        mergeRunFigures(*jobs[job]);
    // Agents apart, on as many threads as there were jobs: each agent takes
    // the jobs' figures in job order.
    std::vector<int> classes;
    for (const std::unique_ptr<OverviewAccumulator> &job : jobs)
        for (const int agentClass : job->classesLargestFirst())
            if (std::find(classes.begin(), classes.end(), agentClass) == classes.end())
                classes.push_back(agentClass);
    ParallelFor(classes.size(), int(jobs.size()), [&](std::size_t i) {
        for (std::size_t job = 0; job < jobs.size(); ++job)
            mergeAgentFigures(classes[i], *jobs[job], ids[job]);
    });
}

std::vector<int> OverviewAccumulator::classesLargestFirst() const
{
    std::vector<int> classes;
    for (std::size_t agentClass = 0; agentClass < agents_.size(); ++agentClass)
        if (agents_[agentClass])
            classes.push_back(int(agentClass));
    std::stable_sort(classes.begin(), classes.end(), [&](int a, int b) {
        return agents_[std::size_t(a)]->pageStatuses.size() > agents_[std::size_t(b)]->pageStatuses.size();
    });
    return classes;
}

void OverviewAccumulator::takeNewIds(const OverviewAccumulator &job, std::size_t start, JobIds &ids)
{
    const bool last = start + 1 == job.inputStarts_.size();
    const qint32 pageEnd = last ? qint32(job.pages_->size()) : job.inputStarts_[start + 1].page;
    const qint32 targetEnd = last ? qint32(job.targets_.size()) : job.inputStarts_[start + 1].target;
    // The run's table outgrows the cache: each page's slot starts to load
    // some pages before the page goes in.
    const qint32 first = job.inputStarts_[start].page;
    ForEachPreparedAhead(
        std::size_t(pageEnd - first),
        [&](std::size_t i) {
            const qint32 page = first + qint32(i);
            return pages_->prepare(job.pages_->bytes(page), job.pages_->family(page));
        },
        [&](std::size_t, const PageTable::Prepared &page) { ids.pages.push_back(pages_->intern(page)); });
    for (qint32 target = job.inputStarts_[start].target; target < targetEnd; ++target) {
        const auto [page, query] = job.targets_[std::size_t(target)];
        ids.targets.push_back(
            targetOf(ids.pages[std::size_t(page)], queries_->intern(job.queries_->bytes(query), LogFamily::Ncsa)));
    }
}

void OverviewAccumulator::mergeRunFigures(const OverviewAccumulator &job)
{
    for (int i = 0; i < kAgentCategoryCount; ++i)
        categories_[i] += job.categories_[i];
    clientTexts_.insert(job.clientTexts_.begin(), job.clientTexts_.end());
    botWords_.add(job.botWords_);
    for (const auto &[day, requests] : job.days_.counts())
        days_.add(day, requests);
}

void OverviewAccumulator::mergeAgentFigures(int agentClass, OverviewAccumulator &job, const JobIds &ids)
{
    auto ownTarget = [&](qint32 target) {
        return target < 0 ? ids.targets[std::size_t(target & kTargetIdMask)] : ids.pages[std::size_t(target)];
    };
    AgentTally *from = job.agents_[std::size_t(agentClass)].get();
    if (!from)
        return;
    AgentTally &into = tallyOf(agentClass);
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
    for (int hour = 0; hour < kHours; ++hour)
        into.hours[std::size_t(hour)] += from->hours[std::size_t(hour)];
    // Clients are keyed by address alike in every job: the first job's tables are taken whole.
    auto mergeClients = [](auto &into, auto &from, auto add) {
        if (into.size() == 0)
            into = std::exchange(from, {});
        else
            from.forEach(add);
    };
    mergeClients(into.clients, from->clients, [&](quint64 client, Present) { into.clients.insert(client); });
    mergeClients(into.clientRequests, from->clientRequests,
                 [&](quint64 client, qint64 requests) { into.clientRequests[client] += requests; });
    into.pageStatuses.addAll(
        from->pageStatuses, [&](quint64 key) { return PairKey(ownTarget(PageOfPair(key)), StatusOfPair(key)); },
        pages_->size());
}

AgentOverview OverviewAccumulator::agentResult(int agentClass, AgentTally &tally, const SectionKeys &sectionKeys,
                                               AgentSections &sections) const
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
    agent.hours = tally.hours;

    PairList pairs;
    pairs.reserve(tally.pageStatuses.size());
    tally.pageStatuses.forEach([&](quint64 key, PairTally pair) { pairs.emplace_back(key, pair); });
    tally.pageStatuses = {};
    sortPairs(pairs);
    if (targetsKept_[std::size_t(agentClass)])
        splitTargets(pairs, agent);

    SectionTally *section = nullptr;
    std::vector<PageRequests, TableAllocator<PageRequests>> pages;  // as large as the pairs (see PairList)
    pages.reserve(pairs.size());
    std::vector<PageStatusRequests, TableAllocator<PageStatusRequests>> errors;
    agent.pageStatuses.reserve(qsizetype(pairs.size()));
    bool valid = false;
    DateTimes times;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const qint32 page = PageOfPair(pairs[i].first);
        const int status = StatusOfPair(pairs[i].first);
        const PageStatusRequests entry{page, status, pairs[i].second.requests, times.of(pairs[i].second.lastTime)};
        agent.pageStatuses.append(entry);
        if (pages.empty() || pages.back().page != page) {
            pages.push_back({page, 0});
            valid = false;
            section = &sections[sectionKeys.of(page)];
            if (section->pages++ == 0)
                section->firstPage = page;
        }
        pages.back().requests += entry.requests;
        section->requests += entry.requests;
        if (!valid && IsValidAnswer(status)) {
            valid = true;
            ++agent.validPages;
        }
        if (status >= 400 && status <= 599) {
            errors.push_back(entry);
            section->errors += entry.requests;
        }
    }
    agent.pages = qint64(pages.size());

    const PageTable &table = *pages_;
    agent.topPages = TopItems(
        std::move(pages), kTopCount, [](const PageRequests &a, const PageRequests &b) { return a.requests > b.requests; },
        [&](const PageRequests &a, const PageRequests &b) {
            // Pages of the same text (one a W3C page, one not) in the order first met.
            const int text = table.compareText(a.page, b.page);
            return text < 0 || (text == 0 && a.page < b.page);
        });
    agent.topErrors = TopItems(
        std::move(errors), kTopCount,
        [](const PageStatusRequests &a, const PageStatusRequests &b) { return a.requests > b.requests; },
        [&](const PageStatusRequests &a, const PageStatusRequests &b) {
            const int text = a.page == b.page ? 0 : table.compareText(a.page, b.page);
            return text < 0 || (text == 0 && (a.status < b.status || (a.status == b.status && a.page < b.page)));
        });
    return agent;
}

void OverviewAccumulator::addSections(const SectionKeys &keys, const std::vector<AgentSections> &sections,
                                      std::vector<AgentOverview> &agents) const
{
    // A section's text is the one first met taking agents in class order,
    // and each agent's pages in order.
    std::vector<QString> texts(std::size_t(keys.count()));  // null until met
    for (std::size_t agentClass = 0; agentClass < sections.size(); ++agentClass) {
        std::vector<SectionRequests> list;
        list.reserve(sections[agentClass].size());
        for (const auto &[key, counts] : sections[agentClass]) {
            QString &text = texts[std::size_t(key)];
            if (text.isNull())
                text = SectionKeys::text(*pages_, counts.firstPage);
            list.push_back({text, counts.requests, counts.pages, counts.errors});
        }
        agents[agentClass].sections = TopItems(
            std::move(list), kTopSections,
            [](const SectionRequests &a, const SectionRequests &b) { return a.requests > b.requests; },
            [](const SectionRequests &a, const SectionRequests &b) { return a.section.toUtf8() < b.section.toUtf8(); });
    }
}

void OverviewAccumulator::sortPairs(PairList &pairs)
{
    auto byKey = [](const auto &a, const auto &b) { return a.first < b.first; };
    // A crawl of a large site asks for most pages, each under few codes: the
    // pairs are put in page order by counting, then each page's codes in order.
    constexpr std::size_t kCountedFrom = 1 << 12;
    quint32 lastPage = 0;
    for (const auto &pair : pairs)
        lastPage = std::max(lastPage, quint32(PageOfPair(pair.first)));
    if (pairs.size() < kCountedFrom || lastPage / 4 >= pairs.size()) {  // few, or sparse (queried targets)
        std::sort(pairs.begin(), pairs.end(), byKey);
        return;
    }
    std::vector<quint32, TableAllocator<quint32>> starts(std::size_t(lastPage) + 2);
    for (const auto &pair : pairs)
        ++starts[std::size_t(quint32(PageOfPair(pair.first))) + 1];
    std::partial_sum(starts.begin(), starts.end(), starts.begin());
    PairList sorted(pairs.size());
    for (const auto &pair : pairs)
        sorted[starts[std::size_t(quint32(PageOfPair(pair.first)))]++] = pair;
    // starts[page] is now where the next page begins.
    std::size_t begin = 0;
    for (std::size_t page = 0; page <= lastPage; ++page) {
        std::sort(sorted.begin() + qsizetype(begin), sorted.begin() + qsizetype(starts[page]), byKey);
        begin = starts[page];
    }
    pairs.swap(sorted);
}

void OverviewAccumulator::splitTargets(PairList &pairs, AgentOverview &agent) const
{
    // Every target as it is, then the queried ones counted under their pages.
    agent.targetStatuses.reserve(qsizetype(pairs.size()));
    bool queried = false;
    DateTimes times;
    for (auto &[key, pair] : pairs) {
        const qint32 target = PageOfPair(key);
        TargetStatusRequests entry;
        entry.page = target < 0 ? targets_[std::size_t(target & kTargetIdMask)].first : target;
        entry.status = StatusOfPair(key);
        entry.requests = pair.requests;
        entry.lastSeen = times.of(pair.lastTime);
        entry.queried = target < 0 ? target & kTargetIdMask : -1;
        agent.targetStatuses.append(entry);
        key = PairKey(entry.page, entry.status);
        queried = queried || target < 0;
    }
    if (!queried)
        return;
    sortPairs(pairs);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (kept > 0 && pairs[kept - 1].first == pairs[i].first) {
            pairs[kept - 1].second.requests += pairs[i].second.requests;
            pairs[kept - 1].second.lastTime = std::max(pairs[kept - 1].second.lastTime, pairs[i].second.lastTime);
        } else {
            pairs[kept++] = pairs[i];
        }
    }
    pairs.resize(kept);
}

QString OverviewAccumulator::clientText(quint64 client) const
{
    if (IsAddressKey(client))
        return AddressOfKey(client);
    return QString::fromLatin1(clientTexts_.at(client));
}

void OverviewAccumulator::fillResult(OverviewResult &result, int threads)
{
    countAllWaiting();
    result.categories = categories_;
    result.days.clear();
    for (const auto &[day, requests] : days_.counts())
        result.days.insert(DateOfDay(day), requests);
    result.agents.clear();
    // Agents apart, on `threads` threads; then their sections.
    const SectionKeys sectionKeys(*pages_);
    const std::vector<int> classes = classesLargestFirst();
    std::vector<AgentOverview> agents(agents_.size());
    std::vector<AgentSections> sections(agents_.size());
    ParallelFor(classes.size(), threads, [&](std::size_t i) {
        const std::size_t agentClass = std::size_t(classes[i]);
        agents[agentClass] = agentResult(int(agentClass), *agents_[agentClass], sectionKeys, sections[agentClass]);
    });
    addSections(sectionKeys, sections, agents);
    for (std::size_t agentClass = 0; agentClass < agents_.size(); ++agentClass)
        if (agents_[agentClass])
            result.agents.append(std::move(agents[agentClass]));
    result.queriedTargets.clear();
    result.queriedTargets.reserve(targets_.size());
    for (const auto &[page, query] : targets_)
        result.queriedTargets.push_back({page, query});
    result.queryTable = queries_;
    std::sort(result.agents.begin(), result.agents.end(), [](const AgentOverview &a, const AgentOverview &b) {
        return a.requests != b.requests ? a.requests > b.requests : a.id.toUtf8() < b.id.toUtf8();
    });
    result.pageTable = pages_;
    std::vector<BotWordRequests> words;
    for (const BotWordCounts::Word &word : botWords_.listed())
        words.push_back({QString::fromUtf8(word.spelt), word.requests});
    result.otherBots = TopItems(
        std::move(words), kTopCount, [](const BotWordRequests &a, const BotWordRequests &b) { return a.requests > b.requests; },
        [](const BotWordRequests &a, const BotWordRequests &b) { return a.token < b.token; });
}
