#include "workspace/window/BackgroundWorker.h"

#include "platform/system/Threads.h"
#include "workspace/window/MainWindow.h"

#include <QPointer>

#include <atomic>
#include <system_error>
#include <thread>

namespace pv {

namespace {
std::atomic<bool> gFailStarts{false};
} // namespace

void FailBackgroundWorkerStartsForTests(bool fail) { gFailStarts = fail; }

bool StartBackgroundWorker(TForm1& form, std::function<void()> work, std::function<void(TForm1&)> deliver)
{
    ++form.FBackgroundWorkers;
    QPointer<TForm1> self(&form);
    const auto body = [self, work = std::move(work), deliver = std::move(deliver)] {
        work();
        try {
            RunOnUISync([&] {
                if (TForm1* f = self.data(); f && !f->IsDestroying())
                    deliver(*f);
            });
        } catch (...) {
            // The window went away meanwhile.
        }
        RunOnUIQueued([self] {
            if (self)
                self->EndBackgroundWorker();
        });
    };
    try {
        if (gFailStarts)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        std::thread(body).detach();
    } catch (...) {
        --form.FBackgroundWorkers;
        return false;
    }
    return true;
}

} // namespace pv
