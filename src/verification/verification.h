#pragma once

#include "verification/address_lists.h"
#include "verification/dns_evidence.h"
#include "verification/verdicts.h"

#include <QDateTime>
#include <QHostAddress>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class DnsResolver;
class StopFlag;

// How one agent is recognised: reverse names under its operator's domains,
// and the published address lists that vouch for it.
struct VerificationRule
{
    QStringList hostSuffixes;    // "googlebot.com"
    QStringList addressListIds;  // "googlebot"
    bool isEmpty() const { return hostSuffixes.isEmpty() && addressListIds.isEmpty(); }
};

// An address and the reverse name a name server that sees the internet gives it.
struct KnownReverseName
{
    QHostAddress address;
    QByteArray name;
};

struct VerificationRules
{
    QHash<QString, VerificationRule> agents;  // every agent id known → its rule, empty when it has none
    QList<AddressListSpec> lists;             // where update-ranges fetches each list
    QList<KnownReverseName> resolverCheck;    // asked before a run's DNS answers are trusted; none: no check

    VerificationRule ruleOf(const QString &agentId) const { return agents.value(agentId); }
};

// One (agent, client address) pair of a log and how many requests it made.
struct ClientToVerify
{
    QString agentId;
    QString address;  // as the log writes it
    qint64 requests = 0;
};

struct VerificationOptions
{
    QString dnsCachePath = VerificationCache::defaultPath();  // empty: no cache (--no-cache)
    QString addressListFolder = AddressListFolder();
    qint64 now = QDateTime::currentSecsSinceEpoch();
    int maxAddresses = 50000;  // distinct addresses asked about per run; the rest 无法验证 (上限)
    int maxInFlight = 64;
    // Called on the running thread after each address is settled.
    std::function<void(int done, int total)> progress;
    const StopFlag *stop = nullptr;  // read every 100 ms; a stopped run ends within that
};

struct VerificationResult : VerificationSummary
{
    QList<ClientVerdict> clients;          // one per pair given, in the same order
    QHash<QString, DnsEvidence> evidence;  // what DNS said, per address (QHostAddress::toString) asked or cached
    QStringList problems;                  // cache trouble, for the report
    int addressesAsked = 0;  // distinct addresses that needed DNS, cache hits included
    int cacheHits = 0;
    int lookups = 0;
};

// Settles every pair: address lists first, then DNS for the addresses that
// need it, at most `maxInFlight` lookups at once, on the calling thread's
// event loop (the resolver must belong to that thread). Returns when every
// pair is settled, or soon after the stop flag is set.
VerificationResult VerifyClients(const QList<ClientToVerify> &clients, const VerificationRules &rules,
                                 DnsResolver &resolver, const VerificationOptions &options = {});

// The same with c-ares against the system's name servers, or `dnsServer`
// ("ADDRESS[:PORT]") when given. What a window calls on its worker thread:
//
//     QThread *worker = QThread::create([&] {
//         result = VerifyClientsOverDns(pairs, rules, QString(), options);  // options.progress, options.stop
//     });
//
// A resolver that cannot start leaves the pairs that need DNS 无法验证, with the reason.
VerificationResult VerifyClientsOverDns(const QList<ClientToVerify> &clients, const VerificationRules &rules,
                                        const QString &dnsServer, const VerificationOptions &options = {});

// The pairs judged 仿冒, most requests first (ties by address, then agent), at most `limit`.
QList<ClientVerdict> TopFakeClients(const QList<ClientVerdict> &clients, int limit = 100);
