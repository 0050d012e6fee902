#include "scripts/ScriptHost.h"

#include "effects/painting/brushes/BrushstrokesFrame.h"
#include "engine/EngineHost.h"
#include "engine/Repository.h"
#include "effects/colour-and-shapes/colour/AutoEnhanceImage.h"
#include "platform/system/Errors.h"
#include "platform/system/Threads.h"

#include <atomic>

namespace pv {
namespace {

std::atomic<TRenderBrushstrokesFrameProc> gBrushstrokesFrame{&RenderBrushstrokesFrame};
std::atomic<TAutoEnhanceImageProc> gAutoEnhance{&AutoEnhanceImage};

bool HasPixels(const QImage& image) { return !image.isNull() && image.width() > 0 && image.height() > 0; }

std::vector<TScriptBitmap> ListPictures(const TImageList& list)
{
    std::vector<TScriptBitmap> out;
    const int n = list.count();
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        out.emplace_back(&list[i]);
    return out;
}

} // namespace

QImage TScriptBitmap::bitmap() const
{
    const QImage pixels = picture_ ? picture_->bitmap() : bitmap_;
    return HasPixels(pixels) ? pixels : QImage();
}

ISkImage TScriptBitmap::image() const
{
    if (picture_)
        return picture_->image();
    return HasPixels(bitmap_) ? SkImage::MakeFromQImage(bitmap_) : nullptr;
}

TScriptContext ScriptContextFromRepository(const TForm3& repository)
{
    TScriptContext context;
    context.CurrentFrameBitmap = TScriptBitmap(&repository.Frame);
    context.FrameBitmaps = ListPictures(repository.FrameList);
    context.TextureBitmaps = ListPictures(repository.TextureList);
    context.BrushAtlas = TScriptBitmap(&repository.TemplateMatchingBrushes);
    return context;
}

// ---------------------------------------------------------------- TEngineScriptHost

bool TEngineScriptHost::EraseBackground()
{
    bool on = true;
    RunOnUISync([&] {
        if (TEngineHost* host = EngineHost())
            on = host->FEraseBdChecked.load();
    });
    return on;
}

void TEngineScriptHost::SetEraseBackground(bool on)
{
    RunOnUISync([&] {
        if (TEngineHost* host = EngineHost())
            host->FEraseBdChecked = on;
    });
}

void TEngineScriptHost::ShowWorkingPicture(const ISkImage& picture)
{
    RunOnUISync([&] {
        TEngineHost* host = EngineHost();
        if (!host)
            return;
        host->FSkImage = picture;
        FitCanvas();
        host->RedrawCanvas();
    });
}

void TEngineScriptHost::SetContours(bool on, TAlphaColor color)
{
    RunOnUISync([&] {
        TEngineHost* host = EngineHost();
        if (!host)
            return;
        host->FDrawContourChecked = on;
        if (on)
            host->FContourColor = color;
    });
}

void TEngineScriptHost::SetLutFile(const QString& path)
{
    bool kept = false;
    RunOnUISync([&] {
        if (TEngineHost* host = EngineHost())
            kept = host->ChooseLutFile(path);
    });
    if (!kept)
        throw Exception("Lookup tables are not available");
}

void TEngineScriptHost::SetEmbeddedLut(const QString& name)
{
    bool kept = false;
    RunOnUISync([&] {
        if (TEngineHost* host = EngineHost())
            kept = host->ChooseEmbeddedLut(name);
    });
    if (!kept)
        throw Exception("Lookup tables are not available");
}

// ---------------------------------------------------------------- services

void SetScriptBrushstrokesFrame(TRenderBrushstrokesFrameProc proc) { gBrushstrokesFrame.store(proc); }
TRenderBrushstrokesFrameProc ScriptBrushstrokesFrame() { return gBrushstrokesFrame.load(); }
void SetScriptAutoEnhance(TAutoEnhanceImageProc proc) { gAutoEnhance.store(proc); }
TAutoEnhanceImageProc ScriptAutoEnhance() { return gAutoEnhance.load(); }

} // namespace pv
