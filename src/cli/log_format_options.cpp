#include "cli/log_format_options.h"

#include "cli/cli_support.h"
#include "cli/log_command_line.h"
#include "logs/client_address.h"
#include "logs/formats/log_formats.h"
#include "logs/log_reader.h"

bool ClientOptions::applyTo(const QCommandLineParser &parser, LogReadOptions &options, Console &console,
                            int &status) const
{
    auto usage = [&](const QString &message) {
        status = UsageError(console, message);
        return false;
    };
    const QString from = parser.value(clientFrom);
    if (from != QLatin1String("address") && from != QLatin1String("forwarded"))
        return usage(QStringLiteral("--client-from 须是 address 或 forwarded"));
    if (from == QLatin1String("address")) {
        if (parser.isSet(trustedProxy))
            return usage(QStringLiteral("--trusted-proxy 需要 --client-from forwarded / needs --client-from forwarded"));
        return true;
    }
    auto clients = std::make_shared<ForwardedClients>();
    for (const QString &list : parser.values(trustedProxy)) {
        QString bad;
        if (!clients->addTrusted(list, &bad))
            return usage(QStringLiteral("无效的 --trusted-proxy：") + bad);
    }
    clients->finish();
    options.forwardedClients = std::move(clients);
    return true;
}

int RunFormatsCommand(const QStringList &arguments, Console &console)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "列出可用 --log-format 选择的日志格式：名字、标题、是否自动识别、来源。\n"
        "Lists the log formats --log-format knows: name, title, detected or not, and where each is defined."));
    parser.addHelpOption();
    const LogCommandLine logs;
    parser.addOption(logs.formatsFile);
    int status = ExitOk;
    if (!ParseCommandLine(parser, arguments, console, status, Positionals::None))
        return status;
    std::shared_ptr<const LogFormats> formats;
    if (!logs.loadFormats(parser, console, formats))
        return ExitUsage;
    for (const QString &problem : formats->problems)
        console.err(QStringLiteral("警告：") + problem + u'\n');
    for (const LogFormatDefinition &format : formats->definitions) {
        const QString from = format.origin.isEmpty() ? QStringLiteral("内置 / built in")
            : BuiltinLogFormats().find(format.name) ? format.origin + QStringLiteral("（替换内置 / replaces the built-in）")
                                                    : format.origin;
        const QString detect = format.detect ? QStringLiteral("自动识别") : QStringLiteral("仅 --log-format");
        console.out(QStringList{format.name, format.title, detect, from}.join(u'\t') + u'\n');
    }
    return console.outOk() ? ExitOk : ExitRunFailed;
}
