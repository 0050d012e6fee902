#include "workspace/window/BackgroundWorker.h"

#include "engine/Workers.h"
#include "platform/system/Threads.h"
#include "workspace/window/MainWindow.h"

#include <QPointer>

namespace pv {

bool StartBackgroundWorker(TForm1& form, std::function<void()> work, std::function<void(TForm1&)> deliver)
{
    ++form.FBackgroundWorkers;
    QPointer<TForm1> self(&form);
    const bool started = StartWorker([self, work = std::move(work), deliver = std::move(deliver)] {
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
    });
    if (!started)
        --form.FBackgroundWorkers;
    return started;
}

} // namespace pv
