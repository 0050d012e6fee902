#pragma once
// The effect framework: the effect contract and catalogue, the synchronous
// dispatcher, the canvas start and the engine's process-wide state. Every
// effect also needs the pool's parallel loops and progress, preview and
// cancellation, so this header brings both.

#include "engine/EffectCatalogue.h"
#include "engine/EngineHost.h"
#include "engine/Parallel.h"
#include "engine/Progress.h"
#include "platform/graphics/SkCanvas.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Errors.h"

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

// The name messages give an effect number: the catalogue's message name,
// "Brushstrokes Frame" for 900 (the brush-stroke frame while it runs), else
// "Unknown Effect". The window and windowless hosts alike.
QString EffectMessageName(int effectNumber);

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

// Hook for the brush-sheet set-up of the effects the catalogue marks
// kBrushSheetSetup, run on the UI thread before them (installed by the
// painting effects).
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

// Row pointers of a pixel map (row y starts at base + y * rowBytes).
std::vector<uint32_t*> RowPointers(const SkPixmap& pixmap);

} // namespace pv
