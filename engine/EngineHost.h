#pragma once
// What the effect engine reads and writes of the main window.
//
// The main window implements this interface; in headless runs there is none
// and the engine behaves as documented for that case (erase on, never
// cancelled, no progress shown, no stored texture).

#include "platform/graphics/SkTypes.h"

#include <atomic>

class QObject;

namespace pv {

class TEngineHost {
public:
    virtual ~TEngineHost() = default;

    // Read by worker and pool threads without a lock.
    std::atomic<bool> Cancel{false};
    std::atomic<int> FPreviewGeneration{0};
    std::atomic<int> FCurrentEffectNumber{-1};
    std::atomic<bool> FScriptRunning{false};
    std::atomic<int> ProgressPercent{0};
    std::atomic<bool> FEraseBdChecked{true};
    std::atomic<bool> FDrawContourChecked{false};
    std::atomic<TAlphaColor> FContourColor{kColorBlack};

    // UI-thread state.
    ISkImage FSkImage;       // the result picture
    ISkImage FSkSourceImage; // the source picture
    bool FManualBrushOpen = false;

    // True while the window is being destroyed: intermediate pictures are skipped.
    virtual bool IsDestroying() const { return false; }
    // Shows 0..100 on the progress bar; any other value hides it and marks the
    // engine idle. UI thread.
    virtual void UpdateProgressBar(int percent) = 0;
    // Draws a preview snapshot unscaled into the preview box and shows the
    // percentage label for 1..100. UI thread.
    virtual void ShowPreviewBox(const ISkImage& snapshot, int percent) = 0;
    // Asks the canvas to redraw the result picture. UI thread.
    virtual void RedrawCanvas() {}
    // Queued calls for this window are dropped once this object is destroyed.
    virtual QObject* QueuedCallContext() { return nullptr; }
};

// The main window, or null (headless runs, or before it exists / after it is gone).
TEngineHost* EngineHost();
void SetEngineHost(TEngineHost* host);

} // namespace pv
