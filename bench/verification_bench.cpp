// Times the crawler check against a resolver that answers every lookup after
// 50 ms: 10,000 distinct addresses with real-looking names, then the same
// addresses again from the cache the first run wrote.
//
//   trawlex-verifybench [ADDRESSES] [DELAY_MS]

#include "verification/table_dns_resolver.h"
#include "verification/verification.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    const int delayMs = argc > 2 ? QByteArray(argv[2]).toInt() : 50;

    VerificationRules rules;
    rules.agents.insert(QStringLiteral("googlebot"), {{QStringLiteral("googlebot.com")}, {}});
    TableDnsResolver resolver(delayMs);
    QList<ClientToVerify> clients;
    for (int i = 0; i < count; ++i) {
        const QHostAddress address(quint32(0x42000000u + quint32(i)));
        resolver.addHost(address, QStringLiteral("crawl-%1.googlebot.com").arg(i).toLatin1());
        clients.append({QStringLiteral("googlebot"), address.toString(), 1 + i % 7});
    }
    QTemporaryDir folder;
    VerificationOptions options;
    options.dnsCachePath = folder.filePath(QStringLiteral("cache.json"));
    options.addressListFolder = folder.path();

    QElapsedTimer timer;
    timer.start();
    const VerificationResult first = VerifyClients(clients, rules, resolver, options);
    const double firstSeconds = timer.nsecsElapsed() / 1e9;
    timer.restart();
    const VerificationResult second = VerifyClients(clients, rules, resolver, options);
    const double secondSeconds = timer.nsecsElapsed() / 1e9;

    const qint64 verified = first.agents.value(QStringLiteral("googlebot")).verified;
    std::printf("%-34s %8.3f s  (%d lookups, %lld requests verified)\n", "verify, resolver 50 ms/answer", firstSeconds,
                first.lookups, static_cast<long long>(verified));
    std::printf("%-34s %8.3f s  (%d cache hits, %d lookups)\n", "verify again, from the cache", secondSeconds,
                second.cacheHits, second.lookups);
    const bool ok = first.addressesAsked == count && second.cacheHits == count && second.lookups == 0;
    return ok ? 0 : 1;
}
