#pragma once

#include "logs/log_record.h"
#include "overview/agent_classifier.h"
#include "overview/bot_word_counts.h"
#include "overview/flat_map.h"
#include "overview/page_table.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <map>
#include <memory>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

// One (page, status) pair of a day of one agent.
struct PageEntry
{
    qint32 page = 0;
    int status = 0;  // 0: the records gave none
    qint64 requests = 0;
    qint64 bytes = 0;
    qint32 lastSecond = 0;  // of the pair's latest record that day
};

// One client address of a day of one agent, by its ClientKey.
struct ClientEntry
{
    quint64 client = 0;
    qint64 requests = 0;
};

// What the store keeps of one day of one agent: a row of day_agents with its
// rows of day_statuses and day_hours (see docs/store.md).
struct DayAgentFigures
{
    qint32 day = 0;  // yyyymmdd; 0 for records without a date
    int agent = 0;   // an agent class while counting, the store's agent id once written
    qint64 requests = 0;
    qint64 bytes = 0;
    qint32 firstSecond = 0;  // of the day's first and last record (0 when they had no time)
    qint32 lastSecond = 0;
    std::vector<std::pair<int, qint64>> statuses;  // code (0: none given), requests; by code
    std::array<qint64, 24> hours{};               // requests per hour, of the records with a time
    std::vector<PageEntry> pages;                 // by page id, then status
    std::vector<ClientEntry> clients;             // by key
    BotWordCounts botWords;  // of the other crawlers' class only

    // Adds the figures of the same day and agent, page ids alike.
    void merge(const DayAgentFigures &other);
};

// The blobs of day_agents: unsigned LEB128 numbers, each entry's key as the
// difference from the one before.
QByteArray EncodePages(const std::vector<PageEntry> &pages);
QByteArray EncodeClients(const std::vector<ClientEntry> &clients);
// False for a blob that is not a whole list (a damaged store).
bool DecodePages(QByteArrayView blob, std::vector<PageEntry> &pages);
bool DecodeClients(QByteArrayView blob, std::vector<ClientEntry> &clients);

// The import's figures of one log as its records come: per day and agent
// class, with the pages in a table of the log's own.
class DayAccumulator
{
public:
    explicit DayAccumulator(const AgentClassifier &classifier);

    void add(const LogRecord &record) { add(record, prepare(record)); }
    // Records one after another, as add() one at a time but faster on a
    // large site (the pages' slots load side by side).
    void add(std::span<const LogRecord> records);

    // By day, then agent class.
    std::vector<DayAgentFigures> figures() const;
    const PageTable &pages() const { return pages_; }
    // Texts of the client keys that are no IPv4 address.
    const std::unordered_map<quint64, QByteArray> &clientTexts() const { return clientTexts_; }

private:
    PageTable::Prepared prepare(const LogRecord &record) const
    {
        return record.hasPage ? pages_.prepare(record.page, record.family) : PageTable::Prepared{};
    }
    void add(const LogRecord &record, const PageTable::Prepared &page);

    struct PairTally
    {
        qint64 requests = 0;
        qint64 bytes = 0;
        qint32 lastSecond = 0;
    };
    struct Tally
    {
        qint64 requests = 0;
        qint64 bytes = 0;
        qint32 firstSecond = -1;
        qint32 lastSecond = -1;
        std::vector<std::pair<int, qint64>> statuses;
        std::array<qint64, 24> hours{};
        FlatMap<PairTally> pairs;  // PairKey(page, status)
        FlatMap<qint64> clients;   // ClientKey
        BotWordCounts botWords;
    };
    using DayTallies = std::vector<std::unique_ptr<Tally>>;  // by agent class

    DayTallies &tallies(qint32 day);

    AgentClassCache classes_;
    int classCount_;
    int otherBotClass_;
    PageTable pages_;
    std::map<qint32, DayTallies> days_;
    qint32 lastDay_ = -1;
    DayTallies *lastTallies_ = nullptr;
    std::unordered_map<quint64, QByteArray> clientTexts_;
};
