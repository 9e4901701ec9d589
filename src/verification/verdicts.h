#pragma once

// The outcome of the crawler check as plain data: what reports show. Header
// only, so that report writers need nothing else of the check.

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

// Whether a request that names a crawler comes from that crawler.
enum class Verdict : quint8 { Verified, Fake, Unknown, Local, NoRule };

inline QString VerdictWord(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Verified:
        return QStringLiteral("已验证");
    case Verdict::Fake:
        return QStringLiteral("仿冒");
    case Verdict::Unknown:
        return QStringLiteral("无法验证");
    case Verdict::Local:
        return QStringLiteral("本地");
    case Verdict::NoRule:
        break;
    }
    return QStringLiteral("未设规则");
}

struct ClientVerdict
{
    QString agentId;
    QString address;
    qint64 requests = 0;
    Verdict verdict = Verdict::NoRule;
    QString ptr;      // the reverse name that decided, escaped for display; empty when none
    QString reason;   // why, in Chinese ("反向域名不属于该爬虫", "DNS 超时", …); empty when verified
    QString listHit;  // the id of the list that holds the address, when one does
};

// Requests per verdict of one agent with a rule.
struct VerdictCounts
{
    qint64 verified = 0;
    qint64 fake = 0;
    qint64 unknown = 0;
    qint64 local = 0;
    QMap<QString, qint64> unknownReasons;  // why 无法验证 ("DNS 超时", …), requests per reason

    qint64 total() const { return verified + fake + unknown + local; }
    VerdictCounts &operator+=(const VerdictCounts &other)
    {
        verified += other.verified;
        fake += other.fake;
        unknown += other.unknown;
        local += other.local;
        for (auto reason = other.unknownReasons.cbegin(); reason != other.unknownReasons.cend(); ++reason)
            unknownReasons[reason.key()] += reason.value();
        return *this;
    }
};

struct VerificationSummary
{
    QHash<QString, VerdictCounts> agents;  // requests per verdict, for the agents with a rule
    QList<ClientVerdict> fakeClients;      // the pairs judged 仿冒 with most requests, at most 100
    QMap<QString, QString> listAges;       // id → creationTime of each usable list the agents use
    QMap<QString, QString> unusableLists;  // id → why not: missing or invalid
    bool behindProxy = false;  // most requests of agents with a rule come from local addresses
    QString dnsProblem;        // why no DNS answer of the run could be trusted; empty when they could
    bool stopped = false;      // the check was stopped: verdicts left open are 无法验证 (已停止)
};

// The run's DNS verdicts are not trusted: the name server gave none of the
// known crawler addresses its public reverse name.
inline QString ResolverBlindText() { return QStringLiteral("名称服务器无法解析已知的爬虫地址"); }

inline QString ProxyNoteText()
{
    return QStringLiteral("有规则的爬虫的大多数请求来自本地地址：日志可能位于代理或 CDN 之后（此时每个客户端地址都是代理的地址）");
}
