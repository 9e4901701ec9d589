#include "overview/ui/address_list_updater.h"

#include <QNetworkAccessManager>
#include <QThread>

AddressListUpdater::AddressListUpdater(QObject *parent) : QObject(parent) {}

AddressListUpdater::~AddressListUpdater()
{
    if (!thread_)
        return;
    stop_.request();
    thread_->wait();
    delete thread_;
}

bool AddressListUpdater::start(QList<AddressListSpec> lists, QString folder)
{
    if (thread_)
        return false;
    updates_.clear();
    stop_.clear();
    // The network access lives on the worker, whose downloads turn their own event loops.
    thread_ = QThread::create([this, lists = std::move(lists), folder = std::move(folder)] {
        QNetworkAccessManager network;
        for (const AddressListSpec &list : lists)
            if (!stop_.isSet())
                updates_.append(UpdateAddressList(network, list, folder, &stop_));
    });
    connect(thread_, &QThread::finished, this, &AddressListUpdater::collect);
    thread_->start();
    return true;
}

void AddressListUpdater::collect()
{
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    QStringList lines;
    bool allUpdated = true;
    for (const ListUpdate &update : std::as_const(updates_)) {
        lines.append(ListUpdateLine(update));
        allUpdated = allUpdated && update.failure.isEmpty();
    }
    emit finished(lines, allUpdated);
}
