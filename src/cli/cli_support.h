#pragma once

#include "common/run_output.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSet>
#include <QString>
#include <QStringList>

#include <csignal>

class StopFlag;

// 130 is what shells report for a program ended by Ctrl+C (128 + SIGINT).
enum ExitStatus { ExitOk = 0, ExitRunFailed = 1, ExitUsage = 2, ExitStopped = 130 };

// Standard output and standard error as UTF-8 text.
class Console
{
public:
    Console();
    // "\r\n" becomes "\n"; false once a write has failed.
    bool out(const QString &text);
    void err(const QString &text);
    bool outOk() const { return outOk_; }

private:
    QFile out_;
    QFile err_;
    bool outOk_ = true;
};

// A run's report on standard output, or nowhere when `console` is null;
// progress and yields have no use here.
class ConsoleRunOutput final : public RunOutput
{
public:
    explicit ConsoleRunOutput(Console *console) : console_(console) {}
    void appendText(const QString &text) override
    {
        if (console_)
            console_->out(text);
    }
    void setProgressMaximum(int) override {}
    void setProgressValue(int) override {}
    void yield() override {}

private:
    Console *console_;
};

// While it lives, Ctrl+C (SIGINT) requests a stop through `stop` instead of
// ending the process, so that a run can finish the file in hand and report
// what it has. A second Ctrl+C ends the process as usual. One at a time.
class InterruptStopsRun
{
public:
    explicit InterruptStopsRun(StopFlag &stop);
    ~InterruptStopsRun();
    InterruptStopsRun(const InterruptStopsRun &) = delete;
    InterruptStopsRun &operator=(const InterruptStopsRun &) = delete;

private:
    struct sigaction previous_;
};

// Keeps result pages in a folder (--save-pages), so that a user can look at
// a captcha or a changed page; what cannot be written is told.
class PageKeeper
{
public:
    PageKeeper(const QString &folder, Console &console) : folder_(folder), console_(console) {}

    // As STEM.html, every character of `stem` but letters, digits, "." and
    // "-" made "_", and a number added when the name was taken.
    void keep(QString stem, const QByteArray &body);
    bool failed() const { return failed_; }

private:
    QString folder_;
    Console &console_;
    QSet<QString> used_;  // names in lower case: folders may ignore letter case
    bool failed_ = false;
};

// Prints the message and gives the usage-error status.
int UsageError(Console &console, const QString &message);

// Parses the arguments of one command. On --help, -h or --help-all prints the
// help and returns ExitOk through `status`; on an error (with
// Positionals::None, any argument that is no option too) prints it and
// returns ExitUsage.
enum class Positionals { Allowed, None };
bool ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, Console &console,
                      int &status, Positionals positionals = Positionals::Allowed);
