#pragma once

#include "logs/log_record.h"
#include "overview/agent_classifier.h"
#include "overview/bot_word_counts.h"
#include "overview/flat_map.h"
#include "overview/overview_result.h"
#include "overview/page_table.h"
#include "overview/pair_counts.h"

#include <QByteArrayView>
#include <QHash>

#include <array>
#include <map>
#include <memory>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

// The overview's figures as records come: one accumulator per job, each
// reading whole inputs in increasing order, merged at the end into figures
// equal to those of one accumulator reading every input in order. Memory
// grows with distinct pages, clients and days, never with records.
class OverviewAccumulator
{
public:
    // Records dated outside [fromDay, toDay] (yyyymmdd; 0 leaves a side open)
    // are left out. `keepClientRequests`: count requests per client of each
    // catalogued agent too, for the crawler check. `keepTargets`: count the
    // requests with a query apart, per query, for the site's files.
    OverviewAccumulator(const AgentClassifier &classifier, qint32 fromDay, qint32 toDay,
                        bool keepClientRequests = false, bool keepTargets = false);

    // The records of input `index` come next; an accumulator is given its
    // inputs in increasing order.
    void beginInput(qsizetype index);
    void add(const LogRecord &record) { add(record, prepare(record)); }
    // Records one after another, as add() one at a time but faster on a
    // large site (see PageTable::Prepared).
    void add(std::span<const LogRecord> records);

    // Figures counted before (a store's days) instead of records, giving the
    // result their records would give. Days are not checked against the
    // range: the caller picks them.
    struct CountedDay
    {
        int agentClass = 0;
        qint32 day = 0;  // yyyymmdd; 0 for records without a date
        qint64 requests = 0;
        qint64 bytes = 0;
        qint32 firstSecond = -1;  // of the day's first and last record; -1 when they had no time
        qint32 lastSecond = -1;
    };
    void addCountedDay(const CountedDay &counted);
    void addCountedStatus(int agentClass, int status, qint64 requests);
    void addCountedHour(int agentClass, int hour, qint64 requests);
    struct CountedPair
    {
        qint32 page = 0;  // id in this accumulator's page table (internPage)
        int status = 0;
        qint64 requests = 0;
        qint32 lastDay = 0;  // of the pair's latest record; 0 when its records had no date
        qint32 lastSecond = 0;
    };
    // (page, status) pairs of one agent: the many pairs of a long range miss
    // the cache, so their slots are fetched a few pairs ahead.
    void addCountedPairs(int agentClass, const std::vector<CountedPair> &pairs);
    void addCountedClient(int agentClass, quint64 client, qint64 requests);
    // Requests of other crawlers by their bot word, as first spelt.
    void addCountedBotWord(QByteArrayView word, qint64 requests) { botWords_.add(word, requests); }
    // The text of a client key that is no IPv4 address, for clientRequests.
    void addClientText(quint64 client, const QByteArray &text) { clientTexts_.emplace(client, text); }
    qint32 internPage(QByteArrayView page, LogFamily family) { return pages_->intern(page, family); }

    // Takes the figures of the jobs' accumulators, each of which read some
    // of the inputs, into this one, which has read none: pages, targets and
    // bot words then come in the order of one accumulator reading the inputs
    // in order. Each job first counts its last records (see Waiting), and so
    // does fillResult(): hence neither is const. Agents are merged on as
    // many threads as there are jobs.
    void mergeJobs(const std::vector<std::unique_ptr<OverviewAccumulator>> &jobs);

    // The categories, days, agents and pages of the result, agents made on
    // up to `threads` threads. The per-page tables are emptied on the way,
    // making room for the result's: the last call.
    void fillResult(OverviewResult &result, int threads = 1);

private:
    using PairTally = PairCounts::Tally;

    // Requests per day; records come mostly in date order, so the last day's
    // counter is kept at hand.
    class DayCounts
    {
    public:
        DayCounts() = default;
        DayCounts(const DayCounts &) = delete;
        DayCounts &operator=(const DayCounts &) = delete;

        void add(qint32 day, qint64 requests)
        {
            if (day != lastDay_) {
                lastDay_ = day;
                lastCount_ = &counts_[day];
            }
            *lastCount_ += requests;
        }
        const std::map<qint32, qint64> &counts() const { return counts_; }

    private:
        std::map<qint32, qint64> counts_;
        qint32 lastDay_ = 0;
        qint64 *lastCount_ = nullptr;
    };

    struct AgentTally
    {
        qint64 requests = 0;
        qint64 bytes = 0;
        std::array<qint64, kStatusClassCount> classes{};
        std::vector<std::pair<int, qint64>> statuses;  // code, requests; a handful per agent
        DayCounts days;
        qint64 firstTime = 0;  // TimeKey; 0 when no record had a date
        qint64 lastTime = 0;
        FlatMap<Present> clients;           // ClientKey
        FlatMap<qint64> clientRequests;     // ClientKey → requests, when kept
        PairCounts pageStatuses;            // PairKey(target, status): a page, or a queried target (see targetOf)
        std::array<qint64, kHours> hours{};

        void countStatus(int status, qint64 requests);  // its class and its code
        void countCode(int status, qint64 requests);
        void countTime(qint64 time);
    };

    // A record's counts in the agent's large tables, which add() leaves for
    // a few records: the slots they need, prefetched then, are in the cache
    // by the time they are counted, and several records' cache misses
    // overlap instead of coming one after another. A queried target's id
    // comes from a large table too: it is looked up halfway, and its pair's
    // slot prefetched then.
    struct Waiting
    {
        AgentTally *agent = nullptr;
        quint64 pair = 0;    // PairKey(target, status); PairKey(page, status) while the query waits
        qint64 time = 0;     // TimeKey; 0 when the record had no date
        quint64 client = 0;  // ClientKey
        qint32 query = -1;   // the query whose target is still to be looked up; -1: none
        bool hasPair = false;
        bool hasClient = false;
    };
    static constexpr std::size_t kWaitingRecords = 8;
    static constexpr std::size_t kTargetAfter = kWaitingRecords / 2;  // records before a waiting target is looked up
    static_assert(kTargetAfter < kWaitingRecords, "a record's target is found before it is counted");

    // What add() needs of a record before its tables: its class, and its
    // page and query made ready for their tables (see PageTable::Prepared).
    struct Prepared
    {
        bool counted = false;  // in the date range
        bool queried = false;  // a target with a query of a class whose targets are kept
        int agentClass = 0;
        PageTable::Prepared page;
        PageTable::Prepared query;
    };
    Prepared prepare(const LogRecord &record);
    void add(const LogRecord &record, const Prepared &prepared);
    AgentTally &tallyOf(int agentClass);
    void countWaiting(const Waiting &waiting);  // its target found: see kTargetAfter
    // Before the figures are read: counts every record still waiting.
    void countAllWaiting();
    void findTarget(Waiting &waiting);
    // Every waiting record's target, oldest first: target ids are given in the order records come.
    void findAllWaitingTargets();


    // Where the pages and targets first met in an input begin: ids are given
    // in the order pages come, so each input's new ones follow each other.
    struct InputStart
    {
        qsizetype input = 0;
        qint32 page = 0;
        qint32 target = 0;
    };
    // The ids of a job's pages and targets in this accumulator, given as the
    // inputs come in order.
    struct JobIds
    {
        std::vector<qint32> pages;
        std::vector<qint32> targets;
    };
    void takeNewIds(const OverviewAccumulator &job, std::size_t start, JobIds &ids);
    void mergeRunFigures(const OverviewAccumulator &job);  // what is not an agent's
    void mergeAgentFigures(int agentClass, OverviewAccumulator &job, const JobIds &ids);
    // The classes seen, those with most (page, status) pairs first: taken in
    // this order, threads end close together.
    std::vector<int> classesLargestFirst() const;


    // The target of a request with a query: its id with the top bit set,
    // which no page id has, so that it lives in pageStatuses beside pages.
    qint32 targetOf(qint32 page, qint32 query);

    class SectionKeys;
    // An agent's figures of a section (by its key in SectionKeys); its text
    // is that of the first page the first agent to have it has there.
    struct SectionTally
    {
        qint32 firstPage = 0;
        qint64 requests = 0;
        qint64 pages = 0;
        qint64 errors = 0;
    };
    using AgentSections = std::unordered_map<qint32, SectionTally>;
    // An agent's figures but its sections, which it leaves in `sections`.
    AgentOverview agentResult(int agentClass, AgentTally &tally, const SectionKeys &sectionKeys,
                              AgentSections &sections) const;
    // The agents' top sections (per class, as agentResult left them).
    void addSections(const SectionKeys &keys, const std::vector<AgentSections> &sections,
                     std::vector<AgentOverview> &agents) const;
    // A crawler's (page, status) pairs, listed and sorted when its figures
    // are made: as large as its table, so in huge pages as the table (the
    // page faults of lists in small pages were a tenth of a run over millions of pages).
    using PairList = std::vector<std::pair<quint64, PairTally>, TableAllocator<std::pair<quint64, PairTally>>>;
    // In key order: page, then status.
    static void sortPairs(PairList &pairs);
    // Fills the agent's targetStatuses from its pairs, and makes the pairs
    // the (page, status) pairs they count under.
    void splitTargets(PairList &pairs, AgentOverview &agent) const;
    QString clientText(quint64 client) const;

    const AgentClassifier &classifier_;
    qint32 fromDay_;
    qint32 toDay_;
    bool keepClientRequests_;
    std::vector<bool> targetsKept_;  // per class: its queried targets are kept apart (crawlers, when asked)
    std::shared_ptr<PageTable> queries_;  // the queries of queried targets, byte for byte
    FlatMap<qint32> targetIds_;  // (page << 32 | query) → target id + 1
    std::vector<std::pair<qint32, qint32>> targets_;  // per target id: page, query
    std::unordered_map<quint64, QByteArray> clientTexts_;  // kept clients that are no IPv4 address, by ClientKey
    std::vector<std::unique_ptr<AgentTally>> agents_;  // per class; null until seen
    std::array<qint64, kAgentCategoryCount> categories_{};
    // Of 其他爬虫. A job keeps more words than a result lists: the jobs of a
    // run then find the same words, with the same requests, as one job
    // reading every input, as long as none meets more than it keeps.
    BotWordCounts botWords_{5 * BotWordCounts::kListed};
    std::vector<InputStart> inputStarts_;
    DayCounts days_;
    std::shared_ptr<PageTable> pages_;
    AgentClassCache classes_;
    std::array<Waiting, kWaitingRecords> waiting_;
    std::size_t waitingCount_ = 0;
    std::size_t waitingNext_ = 0;  // where the next record waits; once full, the oldest one's place
};
