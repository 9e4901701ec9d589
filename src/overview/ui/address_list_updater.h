#pragma once

#include "common/stop_flag.h"
#include "verification/address_lists.h"

#include <QObject>
#include <QStringList>

class QThread;

// Fetches the address lists crawler operators publish, as trawlex-cli
// update-ranges does, on a worker thread, one update at a time.
class AddressListUpdater : public QObject
{
    Q_OBJECT

public:
    explicit AddressListUpdater(QObject *parent = nullptr);
    ~AddressListUpdater() override;  // gives the download in hand up and waits for the worker

    bool running() const { return thread_ != nullptr; }
    // False when an update is still going.
    bool start(QList<AddressListSpec> lists, QString folder);

signals:
    // One line per list, as update-ranges prints it; `allUpdated` when none failed.
    void finished(const QStringList &lines, bool allUpdated);

private:
    void collect();

    QThread *thread_ = nullptr;
    StopFlag stop_;  // set when the window closes: a list may take its whole time-out
    QList<ListUpdate> updates_;  // written by the worker, read after it has ended
};
