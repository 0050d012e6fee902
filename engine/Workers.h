#pragma once
// Long-running work on threads of its own: effect runs, scripts, the window's
// tools and clipboard encodings. One count of the work still running and one
// wait for it, so the main window closes and the process exits only once that
// work has ended; the claim of the one full render that may run at a time;
// and the machine's processor count.

#include <functional>

namespace pv {

class TEngineHost;

// Starts work on a thread of its own and returns at once. The work counts as
// running until it has returned and let go of what it holds. False when no thread could be started: nothing
// has run then and the count is as it was.
bool StartWorker(std::function<void()> work);

// Work started through StartWorker that has not returned yet.
int RunningWorkers();

// Waits until no work is running and alsoBusy (when given) reports nothing
// either. meanwhile (when given) runs between short checks, so the UI thread
// keeps serving the workers' synchronous calls. A negative timeout waits for
// good. True when nothing is left running.
bool WaitForWorkers(int timeoutMs, const std::function<bool()>& alsoBusy = {},
                    const std::function<void()>& meanwhile = {});

// Tests: while set, every start fails as when the system has no thread left.
void FailWorkerStartsForTests(bool fail);

// Claims the full-render slot for an effect: the run id for the new run, or 0
// when another full render holds the slot (the user is then told to wait).
// UI thread only.
int ClaimFullRender(TEngineHost& host, int effectNumber);

// A run id from the counter every full render's id comes from.
int NewRunId();

// Processors of this machine, at least 1.
int ProcessorCount();

} // namespace pv
