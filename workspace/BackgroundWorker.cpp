#include "workspace/BackgroundWorker.h"

#include "platform/system/Threads.h"
#include "workspace/Unit1.h"

#include <QPointer>

#include <thread>

namespace pv {

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
        std::thread(body).detach();
    } catch (...) {
        --form.FBackgroundWorkers;
        return false;
    }
    return true;
}

} // namespace pv
