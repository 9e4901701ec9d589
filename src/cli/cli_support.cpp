#include "cli/cli_support.h"

#include "common/stop_flag.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

#include <atomic>
#include <cstdio>

namespace {

// The handler may only touch lock-free atomics.
std::atomic<StopFlag *> interruptedRun{nullptr};
static_assert(std::atomic<StopFlag *>::is_always_lock_free);

extern "C" void requestStopOnInterrupt(int)
{
    if (StopFlag *stop = interruptedRun.load())
        stop->request();
}

}  // namespace

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

InterruptStopsRun::InterruptStopsRun(StopFlag &stop)
{
    interruptedRun.store(&stop);
    struct sigaction action = {};
    action.sa_handler = requestStopOnInterrupt;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: a write to a full pipe goes on after the signal instead of
    // failing. SA_RESETHAND: the next Ctrl+C has its usual effect.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, &previous_);
}

InterruptStopsRun::~InterruptStopsRun()
{
    sigaction(SIGINT, &previous_, nullptr);
    interruptedRun.store(nullptr);
}

void PageKeeper::keep(QString stem, const QByteArray &body)
{
    if (body.isEmpty())
        return;
    for (QChar &c : stem)
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-')
            c = u'_';
    QString name = stem;
    for (int n = 2; used_.contains(name.toLower()); ++n)
        name = stem + u'_' + QString::number(n);
    used_.insert(name.toLower());
    QSaveFile file(QDir(folder_).filePath(name + QStringLiteral(".html")));
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit()) {
        console_.err(QStringLiteral("无法保存页面 / cannot save the page %1：%2\n")
                         .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
        failed_ = true;
    }
}

int UsageError(Console &console, const QString &message)
{
    console.err(message + u'\n');
    return ExitUsage;
}

bool ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, Console &console, int &status,
                      Positionals positionals)
{
    if (!parser.parse(arguments)) {
        console.err(parser.errorText() + u'\n');
        status = ExitUsage;
        return false;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        // Qt names the program by the path it was started with; the help names the command.
        QString help = parser.helpText();
        const QString started = QCoreApplication::arguments().value(0);
        if (help.startsWith(QStringLiteral("Usage: ") + started))
            help.replace(7, started.size(), arguments.value(0));
        console.out(help);
        status = ExitOk;
        return false;
    }
    if (positionals == Positionals::None && !parser.positionalArguments().isEmpty()) {
        status = UsageError(console, QStringLiteral("多余的参数 / unexpected argument: ")
                                         + parser.positionalArguments().front());
        return false;
    }
    return true;
}
