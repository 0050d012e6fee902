#pragma once
// What a script run is given and what it asks of the program around it: the
// resources of the run (frames, textures, the brush sheet and the choices of
// the frame and texture panels), the main window's switches and canvas, and
// the services of the painting and colour effects that some commands call.

#include "platform/graphics/SkImage.h"

#include <QImage>
#include <QString>

#include <vector>

namespace pv {

class TForm3;
class TRepositoryImage;

// A picture of a run's context: a bitmap given up front, or a picture of the
// repository read only when a command needs it. Built-in frames are large:
// decoding all of them for every run would stall the window for seconds and
// keep hundreds of megabytes for pictures most scripts never use.
class TScriptBitmap {
public:
    TScriptBitmap() = default;
    TScriptBitmap(QImage bitmap) : bitmap_(std::move(bitmap)) {}
    // The repository's picture, which must outlive the run.
    explicit TScriptBitmap(const TRepositoryImage* picture) : picture_(picture) {}
    // The pixels (decoded on first use); null when there are none.
    QImage bitmap() const;
    ISkImage image() const;

private:
    QImage bitmap_;
    const TRepositoryImage* picture_ = nullptr;
};

// The resources a run reads; copied into the engine, never written by it.
struct TScriptContext {
    std::vector<TScriptBitmap> FrameBitmaps; // the built-in frames; FRAME #N picks entry N
    TScriptBitmap CurrentFrameBitmap;        // the frame chosen in the main window; empty when none
    int FrameMarginSize = 0;
    TAlphaColor FrameMarginColor = 0;
    int TextureStrength = 0;
    float TextureScale = 0;
    TScriptBitmap BrushAtlas;                  // the brush sheet of the brush-stroke frame; empty when none
    std::vector<TScriptBitmap> TextureBitmaps; // the built-in textures; TEXTURE #N picks entry N
    QImage CurrentTextureBitmap;               // the texture chosen in the main window; null when none

    int FrameCount() const { return int(FrameBitmaps.size()); }
    int TextureCount() const { return int(TextureBitmaps.size()); }
};

// The repository's part of a context, each picture read when a command first
// needs it: its frames and textures in list order, its chosen frame and its
// brush sheet for brush-stroke frames. The stored margin, texture strength, scale
// and texture are the main window's to fill in.
TScriptContext ScriptContextFromRepository(const TForm3& repository);

// The main window as a script run sees it. Every call comes from the run's
// own thread; an implementation carries it to the UI thread itself.
class TScriptHost {
public:
    virtual ~TScriptHost() = default;
    // The erase-background switch.
    virtual bool EraseBackground() = 0;
    virtual void SetEraseBackground(bool on) = 0;
    // Makes the picture the main window's result and shows it fitted on the
    // canvas; effects that keep the canvas start from it.
    virtual void ShowWorkingPicture(const ISkImage& picture) = 0;
    // The shape effects' contour switch; the colour changes only when on.
    virtual void SetContours(bool on, TAlphaColor color) = 0;
    // The lookup table of effect 404: a cube file, or a built-in table by
    // name (the first built-in one for an unknown name).
    virtual void SetLutFile(const QString& path) = 0;
    virtual void SetEmbeddedLut(const QString& name) = 0;
};

// The host over the effect engine's view of the main window (EngineHost()),
// each call made synchronously on the UI thread. Without a main window the
// switches read as a headless run has them (erase on) and changes go nowhere.
// The lookup-table calls raise "not available" until a main window that owns
// lookup tables overrides them.
class TEngineScriptHost : public TScriptHost {
public:
    bool EraseBackground() override;
    void SetEraseBackground(bool on) override;
    void ShowWorkingPicture(const ISkImage& picture) override;
    void SetContours(bool on, TAlphaColor color) override;
    void SetLutFile(const QString& path) override;
    void SetEmbeddedLut(const QString& name) override;

protected:
    // Fits the canvas to a new result (UI thread); the canvas view's own step.
    virtual void FitCanvas() {}
};

// Services of other effect families that FRAME brushstrokes and ENHANCE call.
// The brush-stroke frame is the painting effects' RenderBrushstrokesFrame
// unless replaced; a missing service makes its command fail with a "not
// available" message. Passing nullptr removes a service.
using TRenderBrushstrokesFrameProc = void (*)(ISkImage& Result, const ISkImage& Source, const ISkImage& Atlas,
                                              TAlphaColor BorderColor, int BorderWidth, int BrushSize);
using TAutoEnhanceImageProc = ISkImage (*)(const ISkImage& Image);

void SetScriptBrushstrokesFrame(TRenderBrushstrokesFrameProc proc);
TRenderBrushstrokesFrameProc ScriptBrushstrokesFrame();
void SetScriptAutoEnhance(TAutoEnhanceImageProc proc);
TAutoEnhanceImageProc ScriptAutoEnhance();

} // namespace pv
