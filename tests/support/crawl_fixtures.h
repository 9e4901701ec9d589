#pragma once

#include "common/run_output.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Writes a file (creating folders) and fails the test when it cannot.
void WriteFile(const QString &path, const QByteArray &bytes);

// The W3C header the tests use, CR LF, cs-uri-stem at field index 5.
QByteArray LogHeader();
// A request line for the header above.
QByteArray LogLine(const QByteArray &path, const QByteArray &agent);

// Records what a run writes. `onYield` lets a test act at the run's yields,
// as a user clicking during the run would.
class RecordingRunOutput final : public RunOutput
{
public:
    void appendText(const QString &text) override { text_ += text; }
    void setProgressMaximum(int maximum) override { progress.append(QStringLiteral("max %1").arg(maximum)); }
    void setProgressValue(int value) override { progress.append(QString::number(value)); }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }

    QString text() const { return text_; }
    QStringList lines() const;  // the text cut at CR LF, without the empty end

    QStringList progress;
    int yields = 0;
    std::function<void(int yieldNumber)> onYield;

private:
    QString text_;
};
