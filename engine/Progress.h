#pragma once
// Progress, preview and cancellation: which run a thread works for, the
// throttled progress and preview pushes, and the cancel checks effects call.

#include "platform/graphics/SkImage.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace pv {

// Per-thread: whether the thread renders a preview, and for which generation.
extern thread_local bool ThreadIsPreview;
extern thread_local int ThreadPreviewGeneration;
// Per-thread: the full render this thread works for (0 for previews and direct runs).
extern thread_local int ThreadRunId;
// Throttle of progress and preview pushes, shared by all threads.
extern std::atomic<uint32_t> LastProgressTick;

bool IsEffectCancelled();
void CheckCancellation();
// The main window's cancel flag, read directly (false without a main window);
// for effects that stop their own loops and end normally.
bool UserCancelRequested();
void SafeUpdateProgress(int Percent);
void SafeUpdatePreview(const ISkSurface& Surface, int Percent);
// UI thread only: puts a preview's picture into the preview box, unless the
// user cancelled or a newer run has made that preview (its generation) stale.
void ShowPreviewBoxIfCurrent(const ISkImage& snapshot, int generation);
// UI thread only: shows an intermediate picture as the result.
void ShowIntermediateResult(const ISkImage& Image, int Percent);
// From a worker: queues ShowIntermediateResult with the snapshot (skipped when
// the user has cancelled by the time it runs, or without a main window).
void QueueIntermediateResult(ISkImage Snapshot, int Percent);
// From a worker: ShowIntermediateResult through a blocking call (nothing
// without a main window).
void ShowIntermediateResultSync(const ISkImage& Image, int Percent);
// From a worker: tells the main window's progress bar a value through a
// blocking call, without the throttle or the cancellation test, and only while
// the calling run is the current one.
void ReportProgressBarSync(int Percent);
// Progress of a run: SafeUpdatePreview with Dest in a preview, else SafeUpdateProgress.
void ReportEffectProgress(const ISkSurface& Dest, bool Preview, int Percent);
// The usual end of a run: a preview lets its final picture through the
// throttle with 101, a full render reports 101.
void ReportEffectFinished(const ISkSurface& Dest, bool Preview);
// Text of the preview box's percentage label, and whether it is shown.
std::string PreviewPercentText(int percent);
bool PreviewPercentVisible(int percent);

// Sets the calling thread's preview flag, generation and run for a scope.
class PreviewScope {
public:
    PreviewScope(bool isPreview, int generation, int runId = ThreadRunId)
        : savedFlag_(ThreadIsPreview), savedGeneration_(ThreadPreviewGeneration), savedRunId_(ThreadRunId)
    {
        ThreadIsPreview = isPreview;
        ThreadPreviewGeneration = generation;
        ThreadRunId = runId;
    }
    ~PreviewScope()
    {
        ThreadIsPreview = savedFlag_;
        ThreadPreviewGeneration = savedGeneration_;
        ThreadRunId = savedRunId_;
    }
    PreviewScope(const PreviewScope&) = delete;
    PreviewScope& operator=(const PreviewScope&) = delete;

private:
    bool savedFlag_;
    int savedGeneration_;
    int savedRunId_;
};

} // namespace pv
