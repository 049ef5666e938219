#include "core/base/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/base/Log.h"

namespace orvilane
{

namespace
{
// Worker threads kept between calls: starting threads for every pass over a
// grid costs more than a small pass. One call runs at a time; a call made
// meanwhile, or from inside a call's work, runs on its own thread.
class WorkerPool
{
public:
    // Calls part(p) for every p in [0, parts), on the calling thread and up to
    // parts - 1 workers; returns when all are done.
    void Run(size_t parts, const std::function<void(size_t)>& part)
    {
        std::unique_lock<std::mutex> running(mRunning, std::try_to_lock);
        if (!running.owns_lock() || tInWorker)
        {
            for (size_t p = 0; p < parts; ++p)
                part(p);
            return;
        }
        std::unique_lock<std::mutex> lock(mMutex);
        while (mWorkers.size() + 1 < parts)
        {
            try
            {
                mWorkers.emplace_back([this] { Work(); });
            }
            catch (const std::system_error&)
            {
                break; // fewer helpers: the caller takes more parts
            }
        }
        mPart = &part;
        mParts = parts;
        mNext = 0;
        mFinished = 0;
        mWake.notify_all();
        TakeParts(lock);
        mDone.wait(lock, [this] { return mFinished == mParts; });
        mPart = nullptr;
    }

private:
    // With mMutex held: runs parts until none is left to start.
    void TakeParts(std::unique_lock<std::mutex>& lock)
    {
        while (mPart != nullptr && mNext < mParts)
        {
            const std::function<void(size_t)>& part = *mPart;
            const size_t p = mNext++;
            lock.unlock();
            part(p);
            lock.lock();
            if (++mFinished == mParts)
                mDone.notify_all();
        }
    }

    void Work()
    {
        tInWorker = true;
        std::unique_lock<std::mutex> lock(mMutex);
        for (;;)
        {
            mWake.wait(lock, [this] { return mPart != nullptr && mNext < mParts; });
            TakeParts(lock);
        }
    }

    std::mutex mRunning; // held by the call in progress
    std::mutex mMutex;   // guards everything below
    std::condition_variable mWake;
    std::condition_variable mDone;
    std::vector<std::thread> mWorkers;
    const std::function<void(size_t)>* mPart = nullptr;
    size_t mParts = 0;
    size_t mNext = 0;
    size_t mFinished = 0;
    static thread_local bool tInWorker;
};

thread_local bool WorkerPool::tInWorker = false;

// Never destroyed: its workers wait for work until the process ends.
WorkerPool& Pool()
{
    static WorkerPool* pool = new WorkerPool();
    return *pool;
}
} // namespace

void ParallelFor(size_t count, unsigned threads, const std::function<void(size_t, size_t)>& work)
{
    const size_t parts = std::min<size_t>(threads == 0 ? 1 : threads, count);
    if (parts <= 1)
    {
        if (count > 0)
            work(0, count);
        return;
    }
    // Errors a helper logs for this work count as the caller's (Log::ThreadErrors).
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<uint64_t> helperErrors{0};
    Pool().Run(parts, [&](size_t k) {
        const uint64_t before = Log::ThreadErrors();
        work(count * k / parts, count * (k + 1) / parts);
        if (std::this_thread::get_id() != caller)
            helperErrors += Log::ThreadErrors() - before;
    });
    Log::CreditThreadErrors(helperErrors.load());
}

} // namespace orvilane
