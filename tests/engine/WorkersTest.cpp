#include "engine/Parallel.h"
#include "engine/Workers.h"

#include <gtest/gtest.h>

#include <tbb/task_arena.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace pv {
namespace {

TEST(Workers, AStartThatFailsRunsNothingAndLeavesTheCount)
{
    const int before = RunningWorkers();
    std::atomic<bool> ran{false};
    FailWorkerStartsForTests(true);
    const bool started = StartWorker([&] { ran = true; });
    FailWorkerStartsForTests(false);
    EXPECT_FALSE(started);
    EXPECT_EQ(RunningWorkers(), before);
    EXPECT_TRUE(WaitForWorkers(10000));
    EXPECT_FALSE(ran.load());
}

TEST(Workers, TheWaitReturnsOnceTheWorkHasEnded)
{
    std::mutex lock;
    std::condition_variable released;
    bool go = false;
    std::atomic<bool> ended{false};
    auto held = std::make_shared<int>(0);
    ASSERT_TRUE(StartWorker([&, held] {
        std::unique_lock guard(lock);
        released.wait(guard, [&] { return go; });
        ended = true;
    }));
    EXPECT_EQ(RunningWorkers(), 1);
    EXPECT_FALSE(WaitForWorkers(30)) << "the work is still held";
    int served = 0;
    EXPECT_FALSE(WaitForWorkers(30, {}, [&] { ++served; }));
    EXPECT_GT(served, 0) << "the caller is served while it waits";
    {
        std::lock_guard guard(lock);
        go = true;
    }
    released.notify_all();
    EXPECT_TRUE(WaitForWorkers(10000));
    EXPECT_TRUE(ended.load());
    EXPECT_EQ(RunningWorkers(), 0);
    EXPECT_EQ(held.use_count(), 1) << "the work lets go of what it holds before it stops counting";
    bool busy = true;
    EXPECT_FALSE(WaitForWorkers(30, [&] { return busy; })) << "what the caller reports busy is waited for too";
    busy = false;
    EXPECT_TRUE(WaitForWorkers(30, [&] { return busy; }));
}

int ObservedWorkers(PrivatePool& pool)
{
    int seen = 0;
    pool.Get()->execute([&] { seen = tbb::this_task_arena::max_concurrency(); });
    return seen;
}

TEST(PrivatePool, TakesTheSharedPoolsWorkerCountUpToItsOwn)
{
    PrivatePool pool(4);
    EXPECT_EQ(ObservedWorkers(pool), 4);
    SetSharedPoolWorkers(1);
    EXPECT_EQ(ObservedWorkers(pool), 1);
    SetSharedPoolWorkers(8);
    EXPECT_EQ(ObservedWorkers(pool), 4);
    pool.SetWorkers(2);
    EXPECT_EQ(ObservedWorkers(pool), 2) << "a size of its own wins";
    pool.SetWorkers(0);
    SetSharedPoolWorkers(0);
    EXPECT_EQ(ObservedWorkers(pool), 4);
}

} // namespace
} // namespace pv
