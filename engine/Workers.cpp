#include "engine/Workers.h"

#include "engine/Effect.h"
#include "engine/EngineHost.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

namespace pv {

namespace {

struct RunningWork {
    std::mutex lock;
    std::condition_variable idle;
    int count = 0;
};

RunningWork& Work()
{
    static RunningWork work;
    return work;
}

// The process waits for running work when it exits, so none is cut off
// half-way while the libraries it uses are torn down.
void WaitForWorkersAtExit() { WaitForWorkers(-1); }

void EndWork()
{
    RunningWork& work = Work();
    std::lock_guard guard(work.lock);
    if (--work.count == 0)
        work.idle.notify_all();
}

std::atomic<bool> gFailStarts{false};
std::atomic<int> gNextRunId{0};

} // namespace

bool StartWorker(std::function<void()> work)
{
    // Constructed before the exit handler is registered, so it outlives it.
    RunningWork& running = Work();
    static const bool registered = [] { return std::atexit(WaitForWorkersAtExit) == 0; }();
    (void)registered;
    {
        std::lock_guard guard(running.lock);
        ++running.count;
    }
    try {
        if (gFailStarts)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        std::thread([work = std::move(work)]() mutable {
            {
                // What the work holds goes before it stops counting as running.
                const std::function<void()> run = std::move(work);
                try {
                    run();
                } catch (...) {
                    // The work reports its own failures; nothing may leave the thread.
                }
            }
            EndWork();
        }).detach();
    } catch (...) {
        EndWork();
        return false;
    }
    return true;
}

int RunningWorkers()
{
    RunningWork& work = Work();
    std::lock_guard guard(work.lock);
    return work.count;
}

bool WaitForWorkers(int timeoutMs, const std::function<bool()>& alsoBusy, const std::function<void()>& meanwhile)
{
    using Clock = std::chrono::steady_clock;
    const bool forever = timeoutMs < 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    RunningWork& work = Work();
    for (;;) {
        const bool busy = alsoBusy && alsoBusy();
        std::unique_lock guard(work.lock);
        if (!busy && work.count == 0)
            return true;
        if (!forever && Clock::now() >= deadline)
            return false;
        if (meanwhile || busy) {
            guard.unlock();
            if (meanwhile)
                meanwhile();
            guard.lock();
            work.idle.wait_for(guard, std::chrono::milliseconds(1), [&] { return work.count == 0; });
        } else if (forever) {
            work.idle.wait(guard, [&] { return work.count == 0; });
        } else {
            work.idle.wait_until(guard, deadline, [&] { return work.count == 0; });
        }
    }
}

void FailWorkerStartsForTests(bool fail) { gFailStarts = fail; }

int ClaimFullRender(TEngineHost& host, int effectNumber)
{
    int running = -1;
    int runId = 0;
    {
        std::lock_guard guard(EffectLock());
        running = host.FCurrentEffectNumber.load();
        if (running == -1) {
            runId = NewRunId();
            host.FCurrentEffectNumber = effectNumber;
            host.FCurrentRunId = runId;
        }
    }
    // The message box is shown only after the lock is released: a worker
    // waiting for the lock must not wait for the user.
    if (running != -1)
        host.ShowMessage(QStringLiteral("Please wait for \"") + host.GetEffectName(running) +
                         QStringLiteral("\" to finish processing."));
    return runId;
}

int NewRunId() { return ++gNextRunId; }

int ProcessorCount() { return int(std::max(1u, std::thread::hardware_concurrency())); }

} // namespace pv
