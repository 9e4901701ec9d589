#pragma once

#include "verification/verification.h"

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

#include <memory>

class CaresResolver;
class Console;
class QCommandLineParser;
struct VerificationOptions;

// --dns-server and --no-cache, shared by `verify` and `overview --verify`.
struct DnsCommandLine
{
    QCommandLineOption dnsServer{QStringLiteral("dns-server"),
                                 QStringLiteral("名称服务器，默认用系统的 / name server, the system's by default"),
                                 QStringLiteral("ADDRESS[:PORT]")};
    QCommandLineOption noCache{QStringLiteral("no-cache"),
                               QStringLiteral("不读也不写 DNS 缓存 / neither read nor write the DNS cache")};

    void addTo(QCommandLineParser &parser) const;
    // The resolver the options ask for, or null with the reason printed
    // (`status` then holds the exit code: 2 for a bad address, 1 otherwise).
    std::unique_ptr<CaresResolver> makeResolver(const QCommandLineParser &parser, Console &console, int &status) const;
    void applyTo(const QCommandLineParser &parser, VerificationOptions &options) const;
};

// The rules of the crawler catalogue (the user's crawlers.json included), its
// problems printed on standard error.
VerificationRules CatalogueVerificationRules(Console &console);

// trawlex-cli verify [--dns-server A] [--no-cache] ADDRESS AGENT
int RunVerifyCommand(const QStringList &arguments, Console &console);

// trawlex-cli update-ranges [--url ID=URL]...
int RunUpdateRangesCommand(const QStringList &arguments, Console &console);
