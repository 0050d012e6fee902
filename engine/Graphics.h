#pragma once
// The effect framework: the effect contract and catalogue, the synchronous
// dispatcher, the canvas start, the engine's process-wide state, the shared
// pool's parallel loops, and progress, preview and cancellation.

#include "engine/EngineHost.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Errors.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace pv {

// ------------------------------------------------------------------ contract

// Every effect routine: source picture, destination raster surface (same size,
// transparent), five parameters and the preview flag.
using TEffectProc = void (*)(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5,
                             bool Preview);

struct EffectInfo {
    int number;
    const char* listName;    // the name the effect lists show
    const char* messageName; // the name messages use (four differ in letter case)
    const char* routine;     // the routine's name
    TEffectProc proc;      // null until the routine is linked in
};

// The 26 effects in list order; 900 (the brush-stroke frame) is not among them.
std::span<const EffectInfo> EffectCatalogue();
const EffectInfo* FindEffect(int number);

// The name messages give an effect number: the catalogue's message name,
// "Brushstrokes Frame" for 900 (the brush-stroke frame while it runs), else
// "Unknown Effect". The window and windowless hosts alike.
QString EffectMessageName(int effectNumber);

// Registers an effect routine under its number (called once per effect file).
bool RegisterEffect(int number, TEffectProc proc);

// Puts another routine under an effect number and returns the previous one
// (tests use it to run controllable effects through the real engine).
TEffectProc ReplaceEffect(int number, TEffectProc proc);

#define PV_REGISTER_EFFECT(number, proc) \
    static const bool pvEffectRegistered_##proc = ::pv::RegisterEffect(number, &proc)

// Runs an effect on the calling thread. Unknown numbers leave Dest untouched;
// errors (including the abort of a cancelled effect) reach the caller.
void ProcessEffectOnSurface(const ISkImage& Source, const ISkSurface& Dest, int EffectNumber, int P1, int P2, int P3,
                            int P4, int P5, bool Preview);

// Runs an effect's routine on its held parameters. A routine that leaves no
// visible pixel of a picture that had some (strokes that find no room on a
// tiny or one-pixel-thin picture) leaves the picture as it was instead of
// making it vanish.
void RunEffectRoutine(const EffectInfo& effect, const ISkImage& Source, const ISkSurface& Dest,
                      const std::array<int, 5>& P, bool Preview);

// Hook for the brush-sheet set-up of effects 302, 303, 304 and 307, run on the
// UI thread before those effects (installed by the painting effects).
using BrushSetupProc = void (*)(int effectNumber);
void SetBrushSheetSetup(BrushSetupProc proc);
// Runs that set-up on the UI thread when the effect needs it.
void RunBrushSheetSetup(int effectNumber);

// ------------------------------------------------------------------ canvas start

// How an erasing canvas start picks its clear colour.
enum class ClearRule {
    White,        // opaque white always
    SourceTest,   // transparent when the source has a translucent pixel
    InputTest,    // transparent when the effect's own transparency flag is set
    CoverageMask, // transparent plus a white mask of the source's coverage
    OwnColour,    // the effect's own background colour
};

// What a kept canvas does with the base picture.
enum class KeepMode {
    DrawBase,   // clear to transparent and draw the base picture at the origin
    RecordOnly, // only hand the base picture back; the effect composites it itself
    CopyBase,   // erase as the rule says; a kept canvas is left alone and the base
                // picture handed back (the effect copies its pixels into its own buffer)
};

struct CanvasStart {
    bool DoClear = true;
    ISkImage BaseImage; // the picture a kept canvas starts from (may be null)
};

struct CanvasStartOptions {
    ClearRule rule = ClearRule::White;
    bool transparencyFlag = false;          // InputTest and CoverageMask
    TAlphaColor ownColour = kColorWhite;    // OwnColour
    KeepMode keep = KeepMode::DrawBase;
    // The picture SourceTest and CoverageMask look at: the run's own source.
    // Without one they read the main window's source picture, which headless
    // runs and scripts do not have.
    ISkImage source = nullptr;
};

// The canvas start of a full render, run synchronously on the UI thread.
CanvasStart StartEffectCanvas(const ISkSurface& Dest, const CanvasStartOptions& options);

// True when the picture has at least one pixel with alpha below 255.
bool ImageHasTranslucentPixel(const ISkImage& image);

// ------------------------------------------------------------------ engine state

std::recursive_mutex& EffectLock();
extern std::atomic<bool> EffectsStopped;
// The manual brush's base picture while one of its strokes is applied: one
// per thread, so only the stroke's own run starts from it (a full render
// started meanwhile on another thread starts from the result).
ISkImage GetEffectBaseImage();
void SetEffectBaseImage(ISkImage image);
// Folder for diagnostic dumps (set only by the headless runner).
std::string GetDebugOutputDir();
void SetDebugOutputDir(const std::string& dir);

// Engine start and end (program start and exit).
void EngineStart();
void EngineEnd();

// Worker count of the shared pool for a processor count: clamp(n - 2, 2, 12).
int DefaultPoolWorkers(int processors);
// The shared pool. Benchmarks and tests may set its size (0 restores the default).
tbb::task_arena& SharedPool();
void SetSharedPoolWorkers(int workers);
int SharedPoolWorkers();

// ------------------------------------------------------------------ previews and cancellation

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

// Parallel loop over [begin, end) on the given pool. The body receives
// sub-ranges (lo, hi) and runs with the caller's preview flag and generation;
// an abort raised in the body reaches the caller as the same abort.
template <typename Body>
void ParallelForRangeIn(tbb::task_arena& pool, int begin, int end, Body&& body, int grain = 1)
{
    if (end <= begin)
        return;
    const bool preview = ThreadIsPreview;
    const int generation = ThreadPreviewGeneration;
    const int runId = ThreadRunId;
    pool.execute([&] {
        tbb::parallel_for(tbb::blocked_range<int>(begin, end, grain > 0 ? grain : 1),
                          [&](const tbb::blocked_range<int>& r) {
                              PreviewScope scope(preview, generation, runId);
                              body(r.begin(), r.end());
                          });
    });
}

// The same loop on the shared pool.
template <typename Body>
void ParallelForRange(int begin, int end, Body&& body, int grain = 1)
{
    ParallelForRangeIn(SharedPool(), begin, end, std::forward<Body>(body), grain);
}

// Parallel loop calling body(i) for every index.
template <typename Body>
void ParallelFor(int begin, int end, Body&& body)
{
    ParallelForRange(begin, end, [&](int lo, int hi) {
        for (int i = lo; i < hi; ++i)
            body(i);
    });
}

// Row pointers of a pixel map (row y starts at base + y * rowBytes).
std::vector<uint32_t*> RowPointers(const SkPixmap& pixmap);

} // namespace pv
