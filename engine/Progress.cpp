// Progress, preview and cancellation: what every effect calls to learn whether
// it should stop, to report a percentage and to push intermediate pictures.
// All window work happens in queued calls; an effect never waits for the UI.

#include "engine/Progress.h"

#include "engine/Effect.h"

#include "platform/system/Threads.h"

namespace pv {

thread_local bool ThreadIsPreview = false;
thread_local int ThreadPreviewGeneration = 0;
thread_local int ThreadRunId = 0;
std::atomic<uint32_t> LastProgressTick{0};

namespace {

constexpr uint32_t kProgressWindowMs = 50;
constexpr uint32_t kPreviewWindowMs = 120;

// Queues UpdateProgressBar on the UI thread, made only if the main window
// still exists when it runs and only while the run that sent it is the
// current one: a late value of an older run, or a stale preview's finish,
// must not mark a newer full render idle.
void QueueProgressBar(TEngineHost* host, int percent)
{
    const int runId = ThreadRunId;
    RunOnUIQueued(
        [percent, runId] {
            TEngineHost* h = EngineHost();
            if (h && h->FCurrentRunId.load() == runId)
                h->UpdateProgressBar(percent);
        },
        host->QueuedCallContext());
}

bool Throttled(uint32_t windowMs, int percent)
{
    const uint32_t elapsed = GetTickMs() - LastProgressTick.load(std::memory_order_relaxed);
    return elapsed <= windowMs && percent >= 1 && percent <= 100;
}

} // namespace

bool IsEffectCancelled()
{
    TEngineHost* host = EngineHost();
    if (!host)
        return false;
    if (ThreadIsPreview)
        return ThreadPreviewGeneration != host->FPreviewGeneration.load(std::memory_order_relaxed);
    return host->Cancel.load(std::memory_order_relaxed);
}

bool UserCancelRequested()
{
    const TEngineHost* host = EngineHost();
    return host && host->Cancel.load(std::memory_order_relaxed);
}

void CheckCancellation()
{
    if (!IsEffectCancelled())
        return;
    if (TEngineHost* host = EngineHost())
        QueueProgressBar(host, 101);
    throw EAbort();
}

void SafeUpdateProgress(int Percent)
{
    CheckCancellation();
    TEngineHost* host = EngineHost();
    if (!host)
        return; // nothing would show it: headless runs skip the throttle entirely
    if (Throttled(kProgressWindowMs, Percent))
        return;
    LastProgressTick.store(GetTickMs(), std::memory_order_relaxed);
    QueueProgressBar(host, Percent);
}

void SafeUpdatePreview(const ISkSurface& Surface, int Percent)
{
    TEngineHost* host = EngineHost();
    if (host && ThreadIsPreview && ThreadPreviewGeneration != host->FPreviewGeneration.load(std::memory_order_relaxed))
        throw EAbort();
    if (IsEffectCancelled())
        throw EAbort();
    if (!host)
        return;
    host->ProgressPercent.store(Percent, std::memory_order_relaxed);
    if (Throttled(ThreadIsPreview ? kPreviewWindowMs : kProgressWindowMs, Percent))
        return;
    LastProgressTick.store(GetTickMs(), std::memory_order_relaxed);
    if (!Surface)
        return;

    ISkImage snapshot = Surface->makeImageSnapshot();
    const bool fromPreview = ThreadIsPreview;
    const int generation = ThreadPreviewGeneration;
    RunOnUIQueued(
        [snapshot = std::move(snapshot), fromPreview, generation, Percent] {
            TEngineHost* h = EngineHost();
            if (!h)
                return;
            if (fromPreview && generation != h->FPreviewGeneration.load())
                return;
            h->ShowPreviewBox(snapshot, Percent);
        },
        host->QueuedCallContext());
}

void ShowPreviewBoxIfCurrent(const ISkImage& snapshot, int generation)
{
    TEngineHost* host = EngineHost();
    if (!host || !snapshot || host->Cancel.load() || host->FPreviewGeneration.load() != generation)
        return;
    host->ShowPreviewBox(snapshot, host->ProgressPercent.load());
}

void ShowIntermediateResult(const ISkImage& Image, int Percent)
{
    TEngineHost* host = EngineHost();
    if (!host || host->IsDestroying())
        return;
    if (!host->FManualBrushOpen) {
        host->FSkImage = Image;
        host->RedrawCanvas();
    }
    if (Percent >= 0)
        host->UpdateProgressBar(Percent);
}

void QueueIntermediateResult(ISkImage Snapshot, int Percent)
{
    TEngineHost* host = EngineHost();
    if (!host || !Snapshot)
        return;
    RunOnUIQueued(
        [snap = std::move(Snapshot), Percent] {
            const TEngineHost* h = EngineHost();
            if (h && !h->Cancel.load())
                ShowIntermediateResult(snap, Percent);
        },
        host->QueuedCallContext());
}

void ShowIntermediateResultSync(const ISkImage& Image, int Percent)
{
    if (!EngineHost())
        return;
    RunOnUISync([&] { ShowIntermediateResult(Image, Percent); });
}

void ReportProgressBarSync(int Percent)
{
    if (!EngineHost())
        return;
    const int runId = ThreadRunId;
    RunOnUISync([runId, Percent] {
        TEngineHost* host = EngineHost();
        if (host && host->FCurrentRunId.load() == runId)
            host->UpdateProgressBar(Percent);
    });
}

void ReportEffectProgress(const ISkSurface& Dest, bool Preview, int Percent)
{
    if (Preview)
        SafeUpdatePreview(Dest, Percent);
    else
        SafeUpdateProgress(Percent);
}

void ReportEffectFinished(const ISkSurface& Dest, bool Preview)
{
    if (Preview) {
        LastProgressTick = 0;
        SafeUpdatePreview(Dest, 101);
    } else {
        SafeUpdateProgress(101);
    }
}

std::string PreviewPercentText(int percent) { return std::to_string(percent) + "%"; }
bool PreviewPercentVisible(int percent) { return percent >= 1 && percent <= 100; }

} // namespace pv
