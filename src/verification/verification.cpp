#include "verification/verification.h"

#include "common/stop_flag.h"
#include "verification/cares_resolver.h"
#include "verification/dns_names.h"
#include "verification/dns_resolver.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <deque>

namespace {

// After this many time-outs in a row with no answer between them the name
// server is taken for unreachable: the addresses not yet asked are not asked.
constexpr int kTimeoutsBeforeGivingUp = 128;

// Runs the lookups of the addresses that need DNS: a PTR lookup each, then a
// forward lookup of every reverse name that lies under one of `suffixes`.
class DnsRun
{
public:
    DnsRun(DnsResolver &resolver, const QStringList &suffixes, const VerificationOptions &options)
        : resolver_(resolver), suffixes_(suffixes), options_(options)
    {
    }

    // Fills `evidence` for each address; `alreadyDone` counts for progress.
    void run(const QList<QHostAddress> &addresses, QHash<QString, DnsEvidence> &evidence, int alreadyDone,
             int total)
    {
        addresses_ = addresses;
        evidence_.resize(addresses.size());
        pendingForwards_.assign(addresses.size(), 0);
        done_ = alreadyDone;
        total_ = total;
        for (int i = 0; i < addresses.size(); ++i)
            queue_.push_back({i, {}});
        remaining_ = addresses.size();
        if (remaining_ > 0) {
            QTimer stopWatch;
            QObject::connect(&stopWatch, &QTimer::timeout, &loop_, [this] { checkStop(); });
            stopWatch.start(100);
            QTimer::singleShot(0, &loop_, [this] { pump(); });
            loop_.exec();
        }
        for (int i = 0; i < addresses.size(); ++i) {
            evidence_[i].checkedAt = options_.now;
            evidence.insert(addresses[i].toString(), evidence_[i]);
        }
    }

    int lookups() const { return lookups_; }
    bool stopped() const { return stopping_; }

private:
    struct Job
    {
        int address;
        QByteArray forwardName;  // empty: the PTR lookup
    };

    void pump()
    {
        checkStop();
        while (inFlight_ < options_.maxInFlight && !queue_.empty()) {
            const Job job = std::move(queue_.front());
            queue_.pop_front();
            ++inFlight_;
            ++lookups_;
            const int i = job.address;
            if (job.forwardName.isEmpty()) {
                resolver_.lookUpName(addresses_[i], [this, i](const DnsReply &reply) { onName(i, reply); });
            } else {
                resolver_.lookUpAddresses(job.forwardName, addresses_[i].protocol(),
                                          [this, i, name = job.forwardName](const DnsReply &reply) {
                                              onForward(i, name, reply);
                                          });
            }
        }
    }

    void checkStop()
    {
        if (options_.stop && options_.stop->isSet() && !stopping_) {
            stopping_ = true;
            drainQueue(DnsStatus::Cancelled, QStringLiteral("已停止"));
            resolver_.cancelAll();
        }
    }

    void onName(int i, const DnsReply &reply)
    {
        --inFlight_;
        noteTimeouts(reply.status);
        DnsEvidence &evidence = evidence_[i];
        evidence.ptrStatus = reply.status;
        evidence.ptrFailure = reply.failure;
        evidence.names = reply.names.first(std::min<qsizetype>(reply.names.size(), kMaxDnsNames));
        for (const QByteArray &name : std::as_const(evidence.names)) {
            if (HostNameHasAnySuffix(name, suffixes_) && !stopping_) {
                ++pendingForwards_[i];
                queue_.push_front({i, name});  // finish addresses begun before starting new ones
            }
        }
        if (pendingForwards_[i] == 0)
            settle();
        pump();
    }

    void onForward(int i, const QByteArray &name, const DnsReply &reply)
    {
        --inFlight_;
        noteTimeouts(reply.status);
        addForward(i, {name, reply.status, reply.addresses.first(std::min<qsizetype>(reply.addresses.size(), kMaxDnsAddresses)),
                       reply.failure});
        pump();
    }

    void addForward(int i, DnsEvidence::Forward forward)
    {
        evidence_[i].forwards.append(std::move(forward));
        if (--pendingForwards_[i] == 0)
            settle();
    }

    void noteTimeouts(DnsStatus status)
    {
        timeoutsInARow_ = status == DnsStatus::TimedOut ? timeoutsInARow_ + 1 : 0;
        if (timeoutsInARow_ == kTimeoutsBeforeGivingUp)
            drainQueue(DnsStatus::TimedOut, QStringLiteral("名称服务器无响应"));
    }

    // Settles every lookup not yet started with this outcome.
    void drainQueue(DnsStatus status, const QString &failure)
    {
        std::deque<Job> jobs;
        jobs.swap(queue_);
        for (const Job &job : jobs) {
            if (job.forwardName.isEmpty()) {
                evidence_[job.address].ptrStatus = status;
                evidence_[job.address].ptrFailure = failure;
                settle();
            } else {
                addForward(job.address, {job.forwardName, status, {}, failure});
            }
        }
    }

    void settle()
    {
        ++done_;
        if (options_.progress)
            options_.progress(done_, total_);
        if (--remaining_ == 0)
            loop_.quit();
    }

    DnsResolver &resolver_;
    const QStringList &suffixes_;
    const VerificationOptions &options_;
    QList<QHostAddress> addresses_;
    QList<DnsEvidence> evidence_;
    std::vector<int> pendingForwards_;
    std::deque<Job> queue_;
    QEventLoop loop_;
    int inFlight_ = 0;
    int remaining_ = 0;
    int done_ = 0;
    int total_ = 0;
    int lookups_ = 0;
    int timeoutsInARow_ = 0;
    bool stopping_ = false;
};

// Whether the name server gives at least one known crawler address its public
// reverse name. Waits for every answer, so that no callback outlives the call.
bool resolverSeesCrawlers(DnsResolver &resolver, const QList<KnownReverseName> &known, const StopFlag *stop)
{
    QEventLoop loop;
    qsizetype pending = known.size();
    bool seen = false;
    bool cancelled = false;
    auto cancelOnce = [&] {
        if (!cancelled && pending > 0) {
            cancelled = true;
            resolver.cancelAll();
        }
    };
    for (const KnownReverseName &entry : known) {
        resolver.lookUpName(entry.address, [&, expected = QString::fromLatin1(entry.name)](const DnsReply &reply) {
            --pending;
            seen = seen || std::any_of(reply.names.begin(), reply.names.end(), [&](const QByteArray &name) {
                return HostNameHasSuffix(name, expected) && name.size() <= expected.size() + 1;
            });
            if (seen)
                cancelOnce();
            if (pending == 0)
                loop.quit();
        });
    }
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, &loop, [&] {
        if (stop && stop->isSet())
            cancelOnce();
    });
    stopWatch.start(100);
    if (pending > 0)
        loop.exec();
    return seen;
}

ClientVerdict verdictOf(const ClientToVerify &client, Verdict verdict, const QString &reason = QString())
{
    return {client.agentId, client.address, client.requests, verdict, {}, reason, {}};
}

// The DNS part of the check, for an agent with host suffixes.
ClientVerdict dnsVerdict(const ClientToVerify &client, const VerificationRule &rule, const QHostAddress &address,
                         const DnsEvidence &evidence)
{
    if (evidence.ptrStatus == DnsStatus::BadName)
        return verdictOf(client, Verdict::Fake, QStringLiteral("反向域名无效"));
    if (evidence.ptrStatus != DnsStatus::Answer && evidence.ptrStatus != DnsStatus::NoName)
        return verdictOf(client, Verdict::Unknown, evidence.ptrFailure);
    if (evidence.names.isEmpty())
        return verdictOf(client, Verdict::Fake, QStringLiteral("没有反向域名"));
    ClientVerdict result = verdictOf(client, Verdict::Fake, QStringLiteral("反向域名不属于该爬虫"));
    result.ptr = EscapedDnsName(evidence.names.front());
    QString failure;
    for (const QByteArray &name : evidence.names) {
        if (!HostNameHasAnySuffix(name, rule.hostSuffixes))
            continue;
        result.ptr = EscapedDnsName(name);
        result.reason = QStringLiteral("正向解析不符");
        const DnsEvidence::Forward *forward = evidence.forwardOf(name);
        if (!forward)
            continue;
        if (forward->status == DnsStatus::Answer && forward->addresses.contains(address)) {
            result.verdict = Verdict::Verified;
            result.reason.clear();
            return result;
        }
        if (forward->status != DnsStatus::Answer && forward->status != DnsStatus::NoName)
            failure = forward->failure;
    }
    if (!failure.isEmpty()) {
        result.verdict = Verdict::Unknown;
        result.reason = failure;
    }
    return result;
}

// An address in need of DNS for this pair: an agent with host suffixes, and
// no list or local range that settles it first.
bool needsDns(const VerificationRule &rule, const QHostAddress &address, const LoadedAddressLists &lists)
{
    if (rule.hostSuffixes.isEmpty() || address.isNull() || IsLocalAddress(address))
        return false;
    return std::none_of(rule.addressListIds.begin(), rule.addressListIds.end(), [&](const QString &id) {
        const AddressList *list = lists.find(id);
        return list && list->ranges.contains(address);
    });
}

// A cached answer is complete when every reverse name that some agent's rule
// could use was also looked up forward.
bool isComplete(const DnsEvidence &evidence, const QStringList &suffixes)
{
    return std::all_of(evidence.names.begin(), evidence.names.end(), [&](const QByteArray &name) {
        return !HostNameHasAnySuffix(name, suffixes) || evidence.forwardOf(name);
    });
}

// The verdict of one pair from what is known about its address (parsed);
// `evidence` is null when DNS was not asked (no suffixes, or the cap);
// `dnsProblem`, when set, is why no DNS answer of the run can be trusted.
ClientVerdict decideVerdict(const ClientToVerify &client, const QHostAddress &address, const VerificationRule &rule,
                            const LoadedAddressLists &lists, const DnsEvidence *evidence, const QString &dnsProblem)
{
    if (rule.isEmpty())
        return verdictOf(client, Verdict::NoRule);
    if (address.isNull())
        return verdictOf(client, Verdict::Unknown, QStringLiteral("不是 IP 地址"));
    if (IsLocalAddress(address))
        return verdictOf(client, Verdict::Local);
    bool listMissing = false;
    for (const QString &id : rule.addressListIds) {
        const AddressList *list = lists.find(id);
        listMissing = listMissing || !list;
        if (list && list->ranges.contains(address)) {
            ClientVerdict verified = verdictOf(client, Verdict::Verified);
            verified.listHit = id;
            return verified;
        }
    }
    if (!rule.hostSuffixes.isEmpty()) {
        if (!evidence)
            return verdictOf(client, Verdict::Unknown, QStringLiteral("上限"));
        return dnsProblem.isEmpty() ? dnsVerdict(client, rule, address, *evidence)
                                    : verdictOf(client, Verdict::Unknown, dnsProblem);
    }
    return listMissing ? verdictOf(client, Verdict::Unknown, QStringLiteral("地址列表缺失"))
                       : verdictOf(client, Verdict::Fake, QStringLiteral("不在地址列表中"));
}

}  // namespace

VerificationResult VerifyClients(const QList<ClientToVerify> &clients, const VerificationRules &rules,
                                 DnsResolver &resolver, const VerificationOptions &options)
{
    VerificationResult result;

    // The lists and suffixes the agents present use.
    QStringList listIds;
    QStringList suffixes;
    for (const ClientToVerify &client : clients) {
        const VerificationRule rule = rules.ruleOf(client.agentId);
        for (const QString &id : rule.addressListIds) {
            if (!listIds.contains(id))
                listIds.append(id);
        }
        for (const QString &suffix : rule.hostSuffixes) {
            if (!suffixes.contains(suffix))
                suffixes.append(suffix);
        }
    }
    const LoadedAddressLists lists = LoadAddressLists(options.addressListFolder, listIds);
    for (const QString &id : std::as_const(listIds)) {
        if (const AddressList *list = lists.find(id)) {
            result.listAges.insert(id, list->creationTime);
        } else {
            result.unusableLists.insert(id, lists.problems.value(id));
        }
    }

    // Addresses in need of DNS, busiest first, so that the cap leaves out the least.
    QList<QHostAddress> addresses;
    addresses.reserve(clients.size());
    QHash<QString, qint64> requestsByAddress;
    for (const ClientToVerify &client : clients) {
        addresses.append(ParseClientAddress(QByteArrayView(client.address.toLatin1())));
        if (needsDns(rules.ruleOf(client.agentId), addresses.back(), lists))
            requestsByAddress[addresses.back().toString()] += client.requests;
    }
    std::vector<std::pair<qint64, QString>> busiest;  // minus the requests, so that sorting puts the most first
    busiest.reserve(requestsByAddress.size());
    for (auto it = requestsByAddress.cbegin(); it != requestsByAddress.cend(); ++it)
        busiest.emplace_back(-it.value(), it.key());
    std::sort(busiest.begin(), busiest.end());
    QStringList asked;
    for (std::size_t i = 0; i < busiest.size() && asked.size() < options.maxAddresses; ++i)
        asked.append(busiest[i].second);
    result.addressesAsked = asked.size();

    VerificationCache cache;
    if (!options.dnsCachePath.isEmpty()) {
        QString warning;
        cache = VerificationCache::load(options.dnsCachePath, options.now, &warning);
        if (!warning.isEmpty())
            result.problems.append(warning);
    }
    QList<QHostAddress> toLookUp;
    for (const QString &address : std::as_const(asked)) {
        const DnsEvidence *cached = cache.find(address);
        if (cached && isComplete(*cached, suffixes))
            result.evidence.insert(address, *cached);
        else
            toLookUp.append(QHostAddress(address));
    }
    result.cacheHits = asked.size() - toLookUp.size();

    if (options.progress && !asked.isEmpty())
        options.progress(result.cacheHits, int(asked.size()));
    // A name server that cannot see the internet answers "no such name" to
    // everything, which would call every real crawler a fake.
    if (!toLookUp.isEmpty() && !rules.resolverCheck.isEmpty()
        && !resolverSeesCrawlers(resolver, rules.resolverCheck, options.stop)) {
        result.stopped = options.stop && options.stop->isSet();
        result.dnsProblem = result.stopped ? QStringLiteral("已停止") : ResolverBlindText();
        for (const QHostAddress &address : std::as_const(toLookUp))
            result.evidence.insert(address.toString(), DnsEvidence{});
        toLookUp.clear();
    }
    DnsRun dns(resolver, suffixes, options);
    dns.run(toLookUp, result.evidence, result.cacheHits, asked.size());
    result.lookups += dns.lookups();
    result.stopped = result.stopped || dns.stopped();
    if (!options.dnsCachePath.isEmpty() && result.dnsProblem.isEmpty()) {
        for (const QHostAddress &address : std::as_const(toLookUp))
            cache.store(address.toString(), result.evidence.value(address.toString()));
        QString error;
        if (cache.changed() && !cache.save(options.dnsCachePath, &error))
            result.problems.append(error);
    }

    qint64 ruledRequests = 0;
    qint64 localRequests = 0;
    result.clients.reserve(clients.size());
    for (qsizetype i = 0; i < clients.size(); ++i) {
        const ClientToVerify &client = clients[i];
        const QHostAddress &address = addresses[i];
        const auto found = address.isNull() ? result.evidence.cend() : result.evidence.constFind(address.toString());
        const ClientVerdict verdict = decideVerdict(client, address, rules.ruleOf(client.agentId), lists,
                                                    found == result.evidence.cend() ? nullptr : &found.value(),
                                                    result.dnsProblem);
        result.clients.append(verdict);
        if (verdict.verdict == Verdict::NoRule)
            continue;
        VerdictCounts &counts = result.agents[client.agentId];
        (verdict.verdict == Verdict::Verified ? counts.verified
         : verdict.verdict == Verdict::Fake   ? counts.fake
         : verdict.verdict == Verdict::Local  ? counts.local
                                              : counts.unknown) += client.requests;
        if (verdict.verdict == Verdict::Unknown)
            counts.unknownReasons[verdict.reason] += client.requests;
        ruledRequests += client.requests;
        if (verdict.verdict == Verdict::Local)
            localRequests += client.requests;
    }
    result.behindProxy = ruledRequests > 0 && localRequests * 2 > ruledRequests;
    result.fakeClients = TopFakeClients(result.clients);
    return result;
}

VerificationResult VerifyClientsOverDns(const QList<ClientToVerify> &clients, const VerificationRules &rules,
                                        const QString &dnsServer, const VerificationOptions &options)
{
    CaresResolver resolver(dnsServer);
    return VerifyClients(clients, rules, resolver, options);
}

QList<ClientVerdict> TopFakeClients(const QList<ClientVerdict> &clients, int limit)
{
    QList<ClientVerdict> fakes;
    for (const ClientVerdict &client : clients) {
        if (client.verdict == Verdict::Fake)
            fakes.append(client);
    }
    std::sort(fakes.begin(), fakes.end(), [](const ClientVerdict &a, const ClientVerdict &b) {
        if (a.requests != b.requests)
            return a.requests > b.requests;
        return a.address != b.address ? a.address < b.address : a.agentId < b.agentId;
    });
    if (fakes.size() > limit)
        fakes.resize(limit);
    return fakes;
}
