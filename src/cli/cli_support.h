#pragma once

#include "common/run_output.h"

#include <QCommandLineParser>
#include <QFile>
#include <QString>
#include <QStringList>

enum ExitStatus { ExitOk = 0, ExitRunFailed = 1, ExitUsage = 2 };

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

// Prints the message and gives the usage-error status.
int UsageError(Console &console, const QString &message);

// Parses the arguments of one command. On --help prints the help and returns
// ExitOk through `status`; on an error prints it and returns ExitUsage.
bool ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, Console &console,
                      int &status);
