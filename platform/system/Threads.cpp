#include "platform/system/Threads.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <exception>

namespace pv {
namespace {

std::atomic<bool> gInline{false};

uint32_t SteadyTick()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::atomic<TickSource> gTickSource{&SteadyTick};

} // namespace

bool IsUIThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void SetUICallsInline(bool inlineCalls) { gInline.store(inlineCalls); }
bool UICallsInline() { return gInline.load(); }

void RunOnUISync(const std::function<void()>& fn)
{
    if (gInline.load() || IsUIThread()) {
        fn();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            try {
                fn();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error)
        std::rethrow_exception(error);
}

void RunOnUIQueued(std::function<void()> fn, QObject* context)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (gInline.load() || app == nullptr) {
        fn();
        return;
    }
    QObject* target = context ? context : app;
    QMetaObject::invokeMethod(
        target,
        [fn = std::move(fn)] {
            try {
                fn();
            } catch (...) {
                // A queued call has nobody to report to.
            }
        },
        Qt::QueuedConnection);
}

uint32_t GetTickMs() { return gTickSource.load()(); }
void SetTickSource(TickSource source) { gTickSource.store(source ? source : &SteadyTick); }

} // namespace pv
