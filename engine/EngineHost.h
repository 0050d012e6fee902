#pragma once
// What the effect engine reads and writes of the main window.
//
// The main window implements this interface; in headless runs there is none
// and the engine behaves as documented for that case (erase on, never
// cancelled, no progress shown, no stored texture).

#include "platform/graphics/SkTypes.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

class QObject;

namespace pv {

class TImageHistory;

// The lookup table chosen for the LUT effect: a .cube file, or the bytes of a
// built-in or imported table with its name. All empty while none is chosen.
struct TLUTSource {
    QString FilePath;
    QByteArray Data;
    QString Name;
};

class TEngineHost {
public:
    virtual ~TEngineHost() = default;

    // Read by worker and pool threads without a lock.
    std::atomic<bool> Cancel{false};
    std::atomic<int> FPreviewGeneration{0};
    std::atomic<int> FCurrentEffectNumber{-1};
    // Identity of the running full render (0 when none): progress values of
    // older runs and of previews never end a newer run.
    std::atomic<int> FCurrentRunId{0};
    std::atomic<bool> FScriptRunning{false};
    std::atomic<int> ProgressPercent{0};
    std::atomic<bool> FEraseBdChecked{true};
    std::atomic<bool> FDrawContourChecked{false};
    std::atomic<TAlphaColor> FContourColor{kColorBlack};
    std::atomic<bool> FCloseRequested{false};
    std::atomic<int> PreviewStartX{0};
    std::atomic<int> PreviewStartY{0};
    // Number of brush cells the impasto painting cuts from the working sheet.
    std::atomic<int> GlobalBrushCount{40};

    // UI-thread state.
    ISkImage FSkImage;       // the result picture
    ISkImage FSkSourceImage; // the source picture
    TImageHistory* FHistory = nullptr;
    bool FManualBrushOpen = false;
    float FPreviewZoomFactor = 1.0f;
    // The stored texture applied after every effect while the texture switch is on.
    bool FTextureSwitchOn = false;
    QImage StoredTextureBitmap;
    float StoredTextureStrength = 50.0f;
    float StoredTextureScale = 1.0f;
    // The user's imported brush sheets and whether each stamped-brush effect uses them.
    bool CustomBrushesOn302 = false, CustomBrushesOn303 = false, CustomBrushesOn304 = false;
    QImage CustomBrushBitmap302, CustomBrushBitmap303, CustomBrushBitmap304;
    int CustomBrushCount304 = 0;

    // Marks the engine idle (no full render running).
    void MarkEngineIdle()
    {
        FCurrentEffectNumber = -1;
        FCurrentRunId = 0;
    }

    // True while the window is being destroyed: intermediate pictures are skipped.
    virtual bool IsDestroying() const { return false; }
    // Shows 0..100 on the progress bar; any other value hides it and marks the
    // engine idle. UI thread.
    virtual void UpdateProgressBar(int percent) = 0;
    // Draws a preview snapshot unscaled into the preview box and shows the
    // percentage label for 1..100. UI thread.
    virtual void ShowPreviewBox(const ISkImage& snapshot, int percent) = 0;
    // The rounded size of the preview box, or an empty size when there is none.
    virtual QSize PreviewBoxSize() const { return {}; }
    // Replaces the preview box's picture with a finished preview. UI thread.
    virtual void SetPreviewBoxPicture(const ISkImage&) {}
    // Asks the canvas to redraw the result picture. UI thread.
    virtual void RedrawCanvas() {}
    // Fits the canvas's zoom to the result picture and centres it. UI thread.
    virtual void CalculateBestFitAndCenter() {}
    // Stops the pending live-preview timer (a full render starts). UI thread.
    virtual void StopPreviewTimer() {}
    // Tells the user something in a message box. UI thread.
    virtual void ShowMessage(const QString&) {}
    // The display name of an effect as the effect lists show it.
    virtual QString GetEffectName(int effectNumber) const;
    // The theme's colour for a colour designed for the dark theme.
    virtual TAlphaColor ThemeMapColor(TAlphaColor color) const { return color; }
    // Closes the window (runs the close handler again). UI thread.
    virtual void Close() {}
    // The window's lookup-table choice (FLUTFilePath, FLUTData, FLUTName). UI thread.
    virtual TLUTSource ChosenLUT() const { return {}; }
    // A script's lookup-table choices. A file path is taken as written (read
    // when the LUT effect runs); a built-in table is looked up by name, the
    // first built-in table standing in for an unknown name. They outlast the
    // run. UI thread; false when this host keeps no lookup-table choice.
    virtual bool ChooseLutFile(const QString&) { return false; }
    virtual bool ChooseEmbeddedLut(const QString&) { return false; }
    // Queued calls for this window are dropped once this object is destroyed.
    virtual QObject* QueuedCallContext() { return nullptr; }
};

// The main window, or null (headless runs, or before it exists / after it is gone).
TEngineHost* EngineHost();
void SetEngineHost(TEngineHost* host);

} // namespace pv
