#pragma once

#include <QString>

// Where a long run writes: the window implements it on its text box, progress
// bar and event loop, the command line on standard output, tests on a string.
class RunOutput
{
public:
    virtual ~RunOutput() = default;

    // Text goes at the end of what was written before; lines end in CR LF.
    virtual void appendText(const QString &text) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    // Let the window system handle pending events (clicks, repaints).
    virtual void yield() = 0;
};
