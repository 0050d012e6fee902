#include "scripts/ScriptEngine.h"

#include "scripts/FrameLayout.h"
#include "scripts/PictureCanvas.h"
#include "scripts/ScriptImageOps.h"
#include "scripts/ScriptParser.h"

#include "engine/ApplyCustomTexture.h"
#include "engine/Effect.h"
#include "engine/ImageHelpers.h"
#include "engine/DebugLog.h"
#include "platform/graphics/Codecs.h"
#include "platform/system/Errors.h"
#include "platform/system/NumberText.h"

#include <QFileInfo>

#include <algorithm>
#include <new>

namespace pv {
namespace {

using Kind = TScriptCommandKind;

[[noreturn]] void Fail(const QString& message) { throw Exception(message.toStdString()); }

QString Quoted(const QString& text) { return u'"' + text + u'"'; }

// Nearest integer, ties to even, kept in a range later size arithmetic holds
// whatever a script wrote.
int RoundSize(double v)
{
    if (!(v > -1e9))
        return -1000000000;
    return Round(std::min(v, 1e9));
}

QString SizeText(float value, bool percent)
{
    return percent ? FormatDecimal(value, 1) + u'%' : QString::number(RoundSize(value));
}

QString FileNamePart(const QString& path)
{
    const qsizetype cut = std::max({path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'), path.lastIndexOf(u':')});
    return path.mid(cut + 1);
}

QString CouldNotCreate(int width, int height)
{
    return QStringLiteral("Could not create ") + QString::number(width) + u'x' + QString::number(height) +
           QStringLiteral(" surface");
}

// The message of a failed command, with the line prefix exactly once.
QString LineMessage(int line, const QString& message)
{
    const QString prefix = QStringLiteral("Line ") + QString::number(line) + QStringLiteral(": ");
    return message.startsWith(prefix) ? message : prefix + message;
}

bool HasPixels(const QImage& image) { return !image.isNull() && image.width() > 0 && image.height() > 0; }

} // namespace

QString ScriptStepName(const TScriptCommand& c)
{
    switch (c.Kind) {
    case Kind::sckEffect:
        return EffectDisplayName(c.EffectNumber);
    case Kind::sckSave:
        return QStringLiteral("Save → ") + c.SlotName;
    case Kind::sckLoad:
        return QStringLiteral("Load ← ") + c.SlotName;
    case Kind::sckSwap:
        return QStringLiteral("Swap source ↔ result");
    case Kind::sckReset:
        return QStringLiteral("Reset to source");
    case Kind::sckBlend:
        return QStringLiteral("Blend ← ") + c.BlendSlot;
    case Kind::sckTexture:
        return QStringLiteral("Apply texture");
    case Kind::sckFrame:
        return c.FrameStyle == u"brushstrokes" ? QStringLiteral("Apply brushstrokes frame")
                                               : QStringLiteral("Apply frame");
    case Kind::sckText:
        return QStringLiteral("Draw text");
    case Kind::sckWatermark:
        return QStringLiteral("Add watermark");
    case Kind::sckFont:
        return QStringLiteral("Set font");
    case Kind::sckResize:
        return QStringLiteral("Resize to ") + SizeText(c.ResizeW, c.ResizeWPercent) + u'x' +
               SizeText(c.ResizeH, c.ResizeHPercent);
    case Kind::sckClear:
        return c.P1 == 1 ? QStringLiteral("Clear background") : QStringLiteral("Keep background");
    case Kind::sckContour:
        return c.P1 == 1 ? QStringLiteral("Draw shape contours on") : QStringLiteral("Draw shape contours off");
    case Kind::sckLutFile:
        return QStringLiteral("Set LUT file: ") + FileNamePart(c.LutFilePath);
    case Kind::sckLutEmbedded:
        return QStringLiteral("Set embedded LUT: ") + c.LutEmbeddedName;
    case Kind::sckEnhance:
        return QStringLiteral("Auto-enhance");
    }
    return {};
}

SkISize ScriptResizeTarget(int width, int height, const TScriptCommand& c)
{
    auto side = [](int current, float value, bool percent) {
        return percent ? std::max(1, RoundSize(double(current) * double(value) / 100.0)) : RoundSize(value);
    };
    return SkISize::Make(side(width, c.ResizeW, c.ResizeWPercent), side(height, c.ResizeH, c.ResizeHPercent));
}

// ---------------------------------------------------------------- TScriptEngine

TScriptEngine::TScriptEngine(TScriptHost* host) : FHost(host)
{
    if (!FHost) {
        FOwnHost = std::make_unique<TEngineScriptHost>();
        FHost = FOwnHost.get();
    }
}

TScriptEngine::~TScriptEngine() = default;

void TScriptEngine::CheckCancel()
{
    if (OnCancel && OnCancel())
        throw EAbort();
}

ISkImage TScriptEngine::Run(std::span<const TScriptCommand> AScript, const ISkImage& ASourceImage,
                            const ISkImage& AWorkingImage, const TScriptContext& AContext, QString& AError)
{
    AError.clear();
    FResultSourceImage.reset();
    if (AScript.empty()) {
        AError = QStringLiteral("Script is empty");
        return nullptr;
    }
    if (!ASourceImage || !AWorkingImage) {
        AError = QStringLiteral("No image loaded");
        return nullptr;
    }

    ISkImage result;
    bool eraseRemembered = false, savedErase = true;
    int line = 0;
    try {
        FContext = AContext;
        FSlots.clear();
        FSkipCanvasSyncOnce = false;
        FSlots[QStringLiteral("src")] = ASourceImage;
        FSlots[QStringLiteral("dst")] = AWorkingImage;
        FWorking = AWorkingImage;
        FTextState = TScriptTextState();
        savedErase = FHost->EraseBackground();
        eraseRemembered = true;

        const int total = int(std::min<size_t>(AScript.size(), size_t(std::numeric_limits<int>::max())));
        for (int i = 0; i < total; ++i) {
            const TScriptCommand& c = AScript[size_t(i)];
            line = c.LineNumber;
            if (OnProgress)
                OnProgress(i + 1, total, ScriptStepName(c));
            CheckCancel();
            Execute(c);
        }
        result = FWorking;
        FResultSourceImage = Slot(QStringLiteral("src"));
    } catch (const EAbort&) {
        AError = QStringLiteral("Cancelled by user");
    } catch (...) {
        const QString message = QString::fromStdString(DescribeError(std::current_exception()).message);
        AError = line > 0 ? LineMessage(line, message) : message;
    }

    if (eraseRemembered) {
        try {
            FHost->SetEraseBackground(savedErase);
        } catch (const std::exception& e) {
            DebugLogException("TScriptEngine.Run", e);
        } catch (...) {
        }
    }
    if (!AError.isEmpty()) {
        result.reset();
        FResultSourceImage.reset();
    }
    FWorking.reset();
    return result;
}

ISkImage TScriptEngine::Slot(const QString& name) const
{
    const auto it = FSlots.find(name);
    return it == FSlots.end() ? nullptr : it->second;
}

void TScriptEngine::Execute(const TScriptCommand& c)
{
    switch (c.Kind) {
    case Kind::sckEffect: return DoEffect(c);
    case Kind::sckSave: return DoSave(c);
    case Kind::sckLoad: return DoLoad(c);
    case Kind::sckSwap: return DoSwap(c);
    case Kind::sckReset: return DoReset(c);
    case Kind::sckBlend: return DoBlend(c);
    case Kind::sckTexture: return DoTexture(c);
    case Kind::sckFrame: return DoFrame(c);
    case Kind::sckText: return DoText(c);
    case Kind::sckWatermark: return DoWatermark(c);
    case Kind::sckFont: return DoFont(c);
    case Kind::sckResize: return DoResize(c);
    case Kind::sckClear: return DoClear(c);
    case Kind::sckContour: return DoContour(c);
    case Kind::sckLutFile: return DoLutFile(c);
    case Kind::sckLutEmbedded: return DoLutEmbedded(c);
    case Kind::sckEnhance: return DoEnhance(c);
    }
}

void TScriptEngine::DoEffect(const TScriptCommand& c)
{
    if (!FWorking)
        Fail(QStringLiteral("No working image for EFFECT"));
    TPictureCanvas canvas = TPictureCanvas::CopyOf(FWorking);
    if (!canvas.valid())
        Fail(QStringLiteral("Could not create surface"));
    // Effects that keep their canvas start from the main window's result:
    // showing the working picture there makes them paint over it.
    if (FSkipCanvasSyncOnce)
        FSkipCanvasSyncOnce = false;
    else
        FHost->ShowWorkingPicture(FWorking);
    ProcessEffectOnSurface(FWorking, canvas.surface(), c.EffectNumber, c.P1, c.P2, c.P3, c.P4, c.P5, false);
    FWorking = canvas.finish();
}

void TScriptEngine::DoSave(const TScriptCommand& c)
{
    if (!FWorking)
        Fail(QStringLiteral("No working image to SAVE"));
    FSlots[c.SlotName] = FWorking;
}

void TScriptEngine::DoLoad(const TScriptCommand& c)
{
    ISkImage picture = Slot(c.SlotName);
    if (!picture)
        Fail(QStringLiteral("Slot ") + Quoted(c.SlotName) + QStringLiteral(" not found"));
    FWorking = std::move(picture);
}

void TScriptEngine::DoSwap(const TScriptCommand&)
{
    ISkImage previous = Slot(QStringLiteral("src"));
    FSlots[QStringLiteral("src")] = FWorking;
    FSlots[QStringLiteral("dst")] = std::move(previous);
}

void TScriptEngine::DoReset(const TScriptCommand&)
{
    ISkImage source = Slot(QStringLiteral("src"));
    if (!source)
        Fail(QStringLiteral("\"src\" slot not found (should never happen)"));
    if (FWorking) {
        FHost->ShowWorkingPicture(FWorking);
        FSkipCanvasSyncOnce = true;
    }
    FWorking = std::move(source);
}

void TScriptEngine::DoBlend(const TScriptCommand& c)
{
    const ISkImage overlay = Slot(c.BlendSlot);
    if (!overlay)
        Fail(QStringLiteral("Slot ") + Quoted(c.BlendSlot) + QStringLiteral(" not found for BLEND"));
    FWorking = BlendImages(FWorking, overlay, c.BlendOpacity, c.BlendMode);
}

void TScriptEngine::DoTexture(const TScriptCommand& c)
{
    QImage bitmap;
    if (c.TextureIndex < 0)
        bitmap = FContext.CurrentTextureBitmap;
    else if (c.TextureIndex >= FContext.TextureCount())
        Fail(QStringLiteral("Texture #") + QString::number(c.TextureIndex) + QStringLiteral(" not found (indexes are #0..#") +
             QString::number(FContext.TextureCount() - 1) + u')');
    else
        bitmap = FContext.TextureBitmaps[size_t(c.TextureIndex)].bitmap();
    if (!HasPixels(bitmap))
        Fail(QStringLiteral("No texture loaded (select a texture first or use TEXTURE #N)"));
    const int strength = c.TextureStrength >= 0 ? c.TextureStrength : FContext.TextureStrength;
    const float scale = c.TextureScale >= 0 ? c.TextureScale : FContext.TextureScale;
    ApplyCustomTexture(FWorking, &bitmap, strength, scale);
}

void TScriptEngine::DoFrame(const TScriptCommand& c)
{
    const TAlphaColor color = c.FrameColor != 0 ? c.FrameColor : FContext.FrameMarginColor;
    if (c.FrameStyle == u"brushstrokes") {
        const ISkImage atlas = FContext.BrushAtlas.image();
        if (!atlas || atlas->width() <= 0 || atlas->height() <= 0)
            Fail(QStringLiteral("No brush atlas available for brushstrokes frame"));
        const TRenderBrushstrokesFrameProc render = ScriptBrushstrokesFrame();
        if (!render)
            Fail(QStringLiteral("Brushstrokes frame is not available"));
        const int width = c.FrameSize >= 0 ? c.FrameSize : 60;
        const int brush = std::clamp(c.FrameBrushSize, 10, 200);
        ISkImage framed;
        render(framed, FWorking, atlas, color, width, brush);
        if (framed)
            FWorking = std::move(framed);
        return;
    }

    QImage bitmap;
    if (c.FrameIndex < 0)
        bitmap = FContext.CurrentFrameBitmap.bitmap();
    else if (c.FrameIndex >= FContext.FrameCount())
        Fail(QStringLiteral("Frame #") + QString::number(c.FrameIndex) + QStringLiteral(" not found (indexes are #0..#") +
             QString::number(FContext.FrameCount() - 1) + u')');
    else
        bitmap = FContext.FrameBitmaps[size_t(c.FrameIndex)].bitmap();
    if (!HasPixels(bitmap))
        Fail(QStringLiteral("No frame loaded (select a frame first or use FRAME #N)"));
    const int margin = c.FrameSize >= 0 ? c.FrameSize : FContext.FrameMarginSize;
    bool unreadable = false;
    ISkImage framed = ApplyFrameBitmap(FWorking, bitmap, margin, color, &unreadable);
    if (FWorking && unreadable)
        Fail(QStringLiteral("Could not read the ") + QString::number(bitmap.width()) + u'x' +
             QString::number(bitmap.height()) + QStringLiteral(" frame picture (not enough memory)"));
    if (FWorking && framed == FWorking) {
        // The frame routine gives the picture back only when the framed size
        // cannot be made; the run says so instead of going on without frame.
        const TFrameLayout layout = ComputeFrameLayout(FrameOpening(bitmap), bitmap.width(), bitmap.height(),
                                                       FWorking->width(), FWorking->height(), margin);
        Fail(CouldNotCreate(layout.width, layout.height));
    }
    FWorking = std::move(framed);
}

void TScriptEngine::DoText(const TScriptCommand& c)
{
    if (!FWorking)
        Fail(QStringLiteral("No working image for TEXT"));
    const TScriptTextState& s = FTextState;
    const QString font = !c.TextFontOverride.isEmpty() ? c.TextFontOverride : s.FontName;
    const float size = c.TextSizeOverride > 0 ? c.TextSizeOverride : s.FontSize;
    const SkFontStyle style = !c.TextStyleOverride.isEmpty() ? ParseFontStyle(c.TextStyleOverride) : s.FontStyle;
    const TAlphaColor color = c.TextColorOverride != 0 ? c.TextColorOverride : s.Color;
    const bool shadow = c.TextShadowOverride == 1 ? true : (c.TextShadowOverride == 0 ? false : s.Shadow);
    FWorking = DrawTextOnImage(FWorking, c.TextX, c.TextY, c.TextXPercent, c.TextYPercent, c.TextString, font, size,
                               style, color, shadow);
}

void TScriptEngine::DoWatermark(const TScriptCommand& c)
{
    if (!FWorking)
        Fail(QStringLiteral("No working image for WATERMARK"));
    if (!QFileInfo(c.WmPath).isFile())
        Fail(QStringLiteral("Watermark file not found: ") + c.WmPath);
    // A file that is there but is no picture is reported, not skipped: the
    // run would otherwise end as a success without its watermark.
    const ISkImage watermark = DecodeImageFile(c.WmPath);
    if (!watermark)
        Fail(QStringLiteral("Watermark file could not be read as a picture: ") + c.WmPath);
    FWorking = DrawWatermarkImage(FWorking, watermark, c.TextX, c.TextY, c.TextXPercent, c.TextYPercent, c.WmWidth,
                                  c.WmWidthPercent, c.WmAlpha);
}

void TScriptEngine::DoFont(const TScriptCommand& c)
{
    if (!c.FontName.isEmpty())
        FTextState.FontName = c.FontName;
    if (c.FontSize > 0)
        FTextState.FontSize = c.FontSize;
    if (!c.FontStyleStr.isEmpty())
        FTextState.FontStyle = ParseFontStyle(c.FontStyleStr);
    if (c.FontColor != 0)
        FTextState.Color = c.FontColor;
}

void TScriptEngine::DoResize(const TScriptCommand& c)
{
    if (!FWorking)
        Fail(QStringLiteral("No working image for RESIZE"));
    const SkISize size = ScriptResizeTarget(FWorking->width(), FWorking->height(), c);
    ISkImage resized = ScaleImageTo(FWorking, size.fWidth, size.fHeight);
    if (!resized)
        Fail(CouldNotCreate(size.fWidth, size.fHeight));
    FWorking = std::move(resized);
    if (const ISkImage source = Slot(QStringLiteral("src"))) {
        try {
            if (ISkImage scaled = ScaleImageTo(source, size.fWidth, size.fHeight))
                FSlots[QStringLiteral("src")] = std::move(scaled);
        } catch (const std::bad_alloc&) {
            // The source keeps its size; the resized result stands.
        }
    }
    FHost->ShowWorkingPicture(FWorking);
}

void TScriptEngine::DoClear(const TScriptCommand& c) { FHost->SetEraseBackground(c.P1 == 1); }

void TScriptEngine::DoContour(const TScriptCommand& c) { FHost->SetContours(c.P1 == 1, c.ContourColor); }

void TScriptEngine::DoLutFile(const TScriptCommand& c) { FHost->SetLutFile(c.LutFilePath); }

void TScriptEngine::DoLutEmbedded(const TScriptCommand& c) { FHost->SetEmbeddedLut(c.LutEmbeddedName); }

void TScriptEngine::DoEnhance(const TScriptCommand&)
{
    if (!FWorking)
        Fail(QStringLiteral("No working image for ENHANCE"));
    const TAutoEnhanceImageProc enhance = ScriptAutoEnhance();
    if (!enhance)
        Fail(QStringLiteral("Auto-enhance is not available"));
    ISkImage enhanced = enhance(FWorking);
    if (!enhanced)
        Fail(QStringLiteral("ENHANCE failed"));
    FWorking = std::move(enhanced);
}

} // namespace pv
