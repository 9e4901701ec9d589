#include "cli/verify_command.h"

#include "cli/cli_support.h"
#include "overview/agent_catalogue.h"
#include "verification/cares_resolver.h"
#include "verification/catalogue_rules.h"
#include "verification/dns_names.h"
#include "verification/verification.h"

#include <QCommandLineParser>
#include <QNetworkAccessManager>

namespace {

QString addressText(const QList<QHostAddress> &addresses)
{
    QStringList texts;
    for (const QHostAddress &address : addresses)
        texts.append(address.toString());
    return texts.isEmpty() ? QStringLiteral("无") : texts.join(QStringLiteral("，"));
}

// The lines of one check: what DNS said, what the lists say, the verdict.
QString verifySteps(const VerificationResult &result, const VerificationRule &rule)
{
    const ClientVerdict &client = result.clients.front();
    QString text = QStringLiteral("地址：%1\n爬虫：%2\n").arg(client.address, client.agentId);
    const QHostAddress address = ParseClientAddress(QByteArrayView(client.address.toLatin1()));
    const auto evidence = result.evidence.constFind(address.toString());
    if (!rule.hostSuffixes.isEmpty() && evidence == result.evidence.cend()) {
        text += QStringLiteral("反向域名（PTR）：未查询\n");
    } else if (evidence != result.evidence.cend()) {
        QStringList names;
        for (const QByteArray &name : evidence->names)
            names.append(EscapedDnsName(name));
        const QString ptr = evidence->ptrStatus == DnsStatus::NoName ? QStringLiteral("无（NXDOMAIN）")
                            : evidence->ptrStatus != DnsStatus::Answer ? evidence->ptrFailure
                            : names.isEmpty()                          ? QStringLiteral("无")
                                                                       : names.join(QStringLiteral("，"));
        text += QStringLiteral("反向域名（PTR）：") + ptr + u'\n';
        for (const DnsEvidence::Forward &forward : evidence->forwards) {
            const QString found = forward.status == DnsStatus::NoName   ? QStringLiteral("无（NXDOMAIN）")
                                  : forward.status == DnsStatus::Answer ? addressText(forward.addresses)
                                                                        : forward.failure;
            text += QStringLiteral("正向解析 %1：%2\n").arg(EscapedDnsName(forward.name), found);
        }
    }
    for (const QString &id : rule.addressListIds) {
        const QString state = client.listHit == id        ? QStringLiteral("命中")
                              : result.listAges.contains(id) ? QStringLiteral("未命中")
                                                             : result.unusableLists.value(id);
        const QString age = result.listAges.value(id);
        text += QStringLiteral("地址列表 %1：%2").arg(id, state) + (age.isEmpty() ? QString() : u'（' + age + u'）') + u'\n';
    }
    text += QStringLiteral("结论：") + VerdictWord(client.verdict);
    if (!client.reason.isEmpty())
        text += QStringLiteral("（%1）").arg(client.reason);
    return text + u'\n';
}

}  // namespace

VerificationRules CatalogueVerificationRules(Console &console)
{
    const AgentCatalogue catalogue = LoadAgentCatalogue();
    for (const QString &problem : catalogue.problems)
        console.err(problem + u'\n');
    return VerificationRulesOf(catalogue);
}

void DnsCommandLine::addTo(QCommandLineParser &parser) const { parser.addOptions({dnsServer, noCache}); }

std::unique_ptr<CaresResolver> DnsCommandLine::makeResolver(const QCommandLineParser &parser, Console &console,
                                                            int &status) const
{
    const QString server = parser.value(dnsServer);
    if (parser.isSet(dnsServer) && DnsServerSpec(server).isEmpty()) {
        status = UsageError(console, QStringLiteral("无效的 --dns-server：") + server
                                         + QStringLiteral("（地址[:端口]）"));
        return nullptr;
    }
    auto resolver = std::make_unique<CaresResolver>(server);
    if (!resolver->ok()) {
        console.err(resolver->problem() + u'\n');
        status = ExitRunFailed;
        return nullptr;
    }
    return resolver;
}

void DnsCommandLine::applyTo(const QCommandLineParser &parser, VerificationOptions &options) const
{
    if (parser.isSet(noCache))
        options.dnsCachePath.clear();
}

int RunVerifyCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "检查一个地址是否真是某个爬虫：反向域名、正向解析与公布的地址列表。\n"
        "Checks whether an address really belongs to a crawler: reverse name, forward lookup, published lists."));
    parser.addHelpOption();
    const DnsCommandLine dns;
    dns.addTo(parser);
    parser.addPositionalArgument(QStringLiteral("ADDRESS"), QStringLiteral("客户端地址 / client address"));
    parser.addPositionalArgument(QStringLiteral("AGENT"), QStringLiteral("爬虫 id，如 googlebot / agent id"));
    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status))
        return status;
    const VerificationRules rules = CatalogueVerificationRules(console);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return UsageError(console, QStringLiteral("需要地址和爬虫 id / ADDRESS and AGENT expected"));
    const QString agent = positional[1].toLower();
    if (!rules.agents.contains(agent))
        return UsageError(console, QStringLiteral("未知的爬虫：") + positional[1]);
    if (ParseClientAddress(QByteArrayView(positional[0].toLatin1())).isNull())
        return UsageError(console, QStringLiteral("不是 IP 地址：") + positional[0]);
    const std::unique_ptr<CaresResolver> resolver = dns.makeResolver(parser, console, status);
    if (!resolver)
        return status;

    VerificationOptions options;
    dns.applyTo(parser, options);
    const VerificationResult result = VerifyClients({{agent, positional[0], 1}}, rules, *resolver, options);
    for (const QString &problem : result.problems)
        console.err(problem + u'\n');
    console.out(verifySteps(result, rules.ruleOf(agent)));
    return console.outOk() ? ExitOk : ExitRunFailed;
}

int RunUpdateRangesCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "下载爬虫公布的地址列表，保存在用户数据文件夹。\n"
        "Downloads the address lists crawler operators publish into the per-user data folder."));
    parser.addHelpOption();
    const QCommandLineOption urlOption(QStringLiteral("url"),
                                       QStringLiteral("改用这个网址下载列表 / fetch a list from this URL instead"),
                                       QStringLiteral("ID=URL"));
    parser.addOption(urlOption);
    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status, Positionals::None))
        return status;

    QList<AddressListSpec> lists = CatalogueVerificationRules(console).lists;
    for (const QString &assignment : parser.values(urlOption)) {
        const QString id = assignment.section(u'=', 0, 0);
        const QUrl url(assignment.section(u'=', 1), QUrl::StrictMode);
        const auto named = std::find_if(lists.begin(), lists.end(), [&id](const AddressListSpec &list) { return list.id == id; });
        if (named == lists.end() || !url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
            return UsageError(console, QStringLiteral("无效的 --url：") + assignment + QStringLiteral("（ID=http(s)://…）"));
        named->url = url;
    }

    QNetworkAccessManager network;
    const QString folder = AddressListFolder();
    bool allUpdated = true;
    for (const AddressListSpec &list : std::as_const(lists)) {
        const ListUpdate update = UpdateAddressList(network, list, folder);
        allUpdated = allUpdated && update.failure.isEmpty();
        console.out(ListUpdateLine(update) + u'\n');
    }
    return allUpdated && console.outOk() ? ExitOk : ExitRunFailed;
}
