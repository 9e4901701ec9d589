#pragma once

class QCloseEvent;
class QWidget;
class StopFlag;

// What closes a window: the workspace's frame around it when it is a child
// of the main window's workspace, else the window itself.
QWidget *FrameOf(QWidget *window);

// Whether a window's run is in progress, and what a close does meanwhile:
// it stops the run and waits, and the window closes once the run has
// returned, so nothing is destroyed under the running loop.
class WindowRun
{
public:
    WindowRun(QWidget *window, StopFlag &stop) : window_(window), stop_(stop) {}

    bool running() const { return running_; }
    void begin() { running_ = true; }
    // The run has returned; a close asked for meanwhile happens now.
    void end();
    // True when the close must wait for the run (the event is then ignored).
    bool deferClose(QCloseEvent *event);

private:
    QWidget *window_;
    StopFlag &stop_;
    bool running_ = false;
    bool closeAfterRun_ = false;
};
