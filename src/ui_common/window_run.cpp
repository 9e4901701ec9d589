#include "ui_common/window_run.h"

#include "common/stop_flag.h"

#include <QCloseEvent>
#include <QWidget>

void WindowRun::end()
{
    running_ = false;
    if (closeAfterRun_)
        window_->close();
}

bool WindowRun::deferClose(QCloseEvent *event)
{
    if (!running_)
        return false;
    stop_.request();
    closeAfterRun_ = true;
    event->ignore();
    return true;
}
