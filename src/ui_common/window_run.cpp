#include "ui_common/window_run.h"

#include "common/stop_flag.h"

#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QWidget>

QWidget *FrameOf(QWidget *window)
{
    auto *frame = qobject_cast<QMdiSubWindow *>(window->parentWidget());
    return frame ? static_cast<QWidget *>(frame) : window;
}

void WindowRun::end()
{
    running_ = false;
    if (closeAfterRun_)
        FrameOf(window_)->close();
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
