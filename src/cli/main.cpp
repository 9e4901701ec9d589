#include "cli/cli_support.h"
#include "cli/crawl_command.h"
#include "cli/index_command.h"
#include "cli/log_format_options.h"
#include "cli/services_command.h"
#include "cli/store_commands.h"
#include "cli/overview_command.h"
#include "cli/rank_command.h"
#include "cli/verify_command.h"
#include "common/app_identity.h"
#include "indexing/net/form_search.h"

#include <QCoreApplication>

#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    // The search forms of `index` run in a hidden browser, which needs a
    // GUI application; it never shows a window, so no display is needed.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && (std::strcmp(argv[1], "index") == 0 || std::strcmp(argv[1], "services") == 0)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = MakeBrowserApplication(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(AppIdentity::title());
    QCoreApplication::setApplicationVersion(AppIdentity::versionText());
    QCoreApplication::setOrganizationName(AppIdentity::title());

    Console console;
    QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    if (arguments.size() > 1) {
        // The command's own parser sees what follows the command; its help names the two.
        arguments.removeAt(1);
        arguments[0] = QStringLiteral("trawlex-cli ") + command;
    }

    if (command == QLatin1String("crawl"))
        return RunCrawlCommand(arguments, console);
    if (command == QLatin1String("index"))
        return RunIndexCommand(arguments, console);
    if (command == QLatin1String("services"))
        return RunServicesCommand(arguments, console);
    if (command == QLatin1String("overview"))
        return RunOverviewCommand(arguments, console);
    if (command == QLatin1String("formats"))
        return RunFormatsCommand(arguments, console);
    if (command == QLatin1String("import"))
        return RunImportCommand(arguments, console);
    if (command == QLatin1String("trend"))
        return RunTrendCommand(arguments, console);
    if (command == QLatin1String("spiders"))
        return RunSpidersCommand(arguments, console);
    if (command == QLatin1String("verify"))
        return RunVerifyCommand(arguments, console);
    if (command == QLatin1String("rank"))
        return RunRankCommand(arguments, console);
    if (command == QLatin1String("update-ranges"))
        return RunUpdateRangesCommand(arguments, console);
    if (command == QLatin1String("--version") || command == QLatin1String("-v")) {
        console.out(AppIdentity::title() + u' ' + AppIdentity::versionText() + u'\n');
        return ExitOk;
    }
    const QString help = QStringLiteral(
        "用法 / usage:\n"
        "  trawlex-cli crawl (--spider NAME | --token TOKEN) [--jobs N] [--json] [--recursive]\n"
        "                    [--log-format FORMAT|NAME] [--formats-file FILE] PATH...\n"
        "  trawlex-cli index [--sites FILE] [--services LIST] [--base KEY=URL]... [--services-file FILE]\n"
        "                    [--save-pages DIR] [--json]\n"
        "  trawlex-cli services [--services-file FILE] [--test KEY [--keyword WORD] --site ADDRESS [--base KEY=URL]...]\n"
        "  trawlex-cli rank --site ADDRESS --keywords FILE [--services LIST] [--depth N] [--subdomains] [--delay S]\n"
        "                   [--services-file FILE] [--save-pages DIR] [--json | --csv FILE]\n"
        "  trawlex-cli overview [--recursive] [--log-format FORMAT|NAME] [--formats-file FILE] [--from DATE] [--to DATE]\n"
        "                      [--client-from address|forwarded] [--trusted-proxy CIDR]... [--jobs N]\n"
        "                      [--json | --csv DIR | --html FILE]\n"
        "                      [--verify [--dns-server ADDRESS[:PORT]] [--no-cache]] PATH...\n"
        "  trawlex-cli formats [--formats-file FILE]\n"
        "  trawlex-cli overview (--store FILE | --site NAME) [--from DATE] [--to DATE]\n"
        "                      [--json | --csv DIR | --html FILE] [--verify ...]\n"
        "  trawlex-cli import (--store FILE | --site NAME) [--recursive] [--log-format FMT] [--jobs N]\n"
        "                    [--keep-days N] PATH...\n"
        "  trawlex-cli trend (--store FILE | --site NAME) [--agent ID]... [--by day|week|month]\n"
        "                   [--json | --csv]\n"
        "  trawlex-cli spiders\n"
        "  trawlex-cli verify [--dns-server ADDRESS[:PORT]] [--no-cache] ADDRESS AGENT\n"
        "  trawlex-cli update-ranges [--url ID=URL]...\n"
        "  trawlex-cli --version\n"
        "每个命令的 --help 说明其选项 / each command's --help lists its options.\n");
    if (command == QLatin1String("--help") || command == QLatin1String("-h")
        || command == QLatin1String("--help-all")) {
        console.out(help);
        return ExitOk;
    }
    console.err(command.isEmpty() ? help : QStringLiteral("未知的命令：") + command + u'\n' + help);
    return ExitUsage;
}
