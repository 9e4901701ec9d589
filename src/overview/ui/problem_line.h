#pragma once

#include <QLabel>
#include <QStringList>

// A run's problems in a few lines under the table, so that a folder with
// hundreds of skipped files does not push the figures away: the summary
// shows, and its link 查看全部 opens every line in a window of its own.
class ProblemLine : public QLabel
{
    Q_OBJECT

public:
    explicit ProblemLine(QWidget *parent = nullptr);

    // A run that went well may still have lines to show (an import's
    // summary): they are shown in the ordinary colour, problems in red.
    enum class Tone { Problem, Notice };
    void setProblems(const QStringList &summary, const QStringList &all, Tone tone = Tone::Problem);
    void clearProblems() { setProblems({}, {}); }
    const QStringList &allProblems() const { return all_; }

    // Opens the full list; the window closes itself and is deleted then.
    QWidget *openList();

private:
    QStringList all_;
};
