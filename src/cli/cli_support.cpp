#include "cli/cli_support.h"

#include <cstdio>

Console::Console()
{
    out_.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err_.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool Console::out(const QString &text)
{
    if (!outOk_)
        return false;
    QString unixText = text;
    unixText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QByteArray bytes = unixText.toUtf8();
    outOk_ = out_.write(bytes) == bytes.size();
    return outOk_;
}

void Console::err(const QString &text) { err_.write(text.toUtf8()); }

int UsageError(Console &console, const QString &message)
{
    console.err(message + u'\n');
    return ExitUsage;
}

bool ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, Console &console, int &status)
{
    if (!parser.parse(arguments)) {
        console.err(parser.errorText() + u'\n');
        status = ExitUsage;
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        console.out(parser.helpText());
        status = ExitOk;
        return false;
    }
    return true;
}
