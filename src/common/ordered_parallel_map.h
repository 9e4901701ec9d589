#pragma once

#include "common/stop_flag.h"

#include <QtGlobal>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Computes work(0) ... work(count - 1) on a few threads and hands the results
// out in index order. Workers run at most a window of results ahead of the
// reader, so memory stays bounded however many items there are. The
// destructor asks running work to stop (through the flag it gets) and waits.
template <typename Result>
class OrderedParallelMap
{
public:
    using Work = std::function<Result(qsizetype index, const StopFlag &cancelled)>;

    OrderedParallelMap(qsizetype count, int threads, Work work)
        : count_(count), window_(2 * qsizetype(std::max(threads, 1))), work_(std::move(work))
    {
        const qsizetype workers = std::clamp<qsizetype>(threads, 1, std::max<qsizetype>(count, 1));
        for (qsizetype i = 0; i < workers; ++i)
            workers_.emplace_back([this] { runWorker(); });
    }

    ~OrderedParallelMap()
    {
        {
            std::lock_guard lock(mutex_);
            cancelled_.request();
        }
        changed_.notify_all();
        for (std::thread &worker : workers_)
            worker.join();
    }

    OrderedParallelMap(const OrderedParallelMap &) = delete;
    OrderedParallelMap &operator=(const OrderedParallelMap &) = delete;

    // Waits for the result of `index`; indexes are taken in increasing order.
    Result take(qsizetype index)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ready_.count(index) != 0; });
        Result result = std::move(ready_.at(index));
        ready_.erase(index);
        taken_ = index + 1;
        lock.unlock();
        changed_.notify_all();
        return result;
    }

private:
    void runWorker()
    {
        for (;;) {
            qsizetype index;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] {
                    return cancelled_.isSet() || next_ >= count_ || next_ < taken_ + window_;
                });
                if (cancelled_.isSet() || next_ >= count_)
                    return;
                index = next_++;
            }
            Result result = work_(index, cancelled_);
            {
                std::lock_guard lock(mutex_);
                ready_.emplace(index, std::move(result));
            }
            changed_.notify_all();
        }
    }

    const qsizetype count_;
    const qsizetype window_;
    Work work_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<qsizetype, Result> ready_;
    qsizetype next_ = 0;
    qsizetype taken_ = 0;
    StopFlag cancelled_;
    std::vector<std::thread> workers_;
};
