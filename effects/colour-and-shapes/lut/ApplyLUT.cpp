// The table comes from the main window's choice, read on the UI thread; a run
// without a window (the command line) uses the first built-in table. The last
// table parsed is kept for the next run, which matters for the live preview:
// every slider move would otherwise parse a megabyte of text again.

#include "effects/colour-and-shapes/lut/ApplyLUT.h"

#include "effects/colour-and-shapes/lut/EmbeddedLUTs.h"
#include "platform/graphics/SkPaint.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace pv {
namespace {

struct LUTCacheEntry {
    QString key;
    std::shared_ptr<const TCubeLUT> lut;
};

// Guarded by EffectLock.
LUTCacheEntry& Cache()
{
    static LUTCacheEntry entry;
    return entry;
}

TLUTSource ReadChosenLUT()
{
    TEngineHost* host = EngineHost();
    if (!host) {
        TLUTSource source;
        if (auto lut = FirstEmbeddedLUT()) {
            source.Data = std::move(lut->Data);
            source.Name = std::move(lut->Name);
        }
        return source;
    }
    TLUTSource source;
    RunOnUISync([&] {
        if (TEngineHost* h = EngineHost())
            source = h->ChosenLUT();
    });
    return source;
}

void DrawUnchanged(const ISkImage& Source, const ISkSurface& Dest) { Dest->getCanvas()->drawImage(Source, 0, 0); }

} // namespace

TLUTEffectParams ComputeLUTEffectParams(int P1, int P2, int P3, int P4, int P5)
{
    TLUTEffectParams p;
    p.intensity = Clamp(float(P1) / 100.0f, 0.0f, 1.0f);
    p.adjust.brightness = float((double(P2) - 50.0) / 200.0);
    p.adjust.contrast = float(P3) / 50.0f;
    p.adjust.blurSigma = P4 < 50 ? float(50.0 - P4) / 5.0f : 0.0f;
    p.adjust.sharpen = P4 > 50 ? float(double(P4) - 50.0) / 30.0f : 0.0f;
    p.adjust.saturation = float(P5) / 50.0f;
    const bool allZero = P2 == 0 && P3 == 0 && P4 == 0 && P5 == 0;
    const bool allNeutral = P2 == 50 && P3 == 50 && P4 == 50 && P5 == 50;
    p.adjustOn = !allZero && !allNeutral;
    return p;
}

QString LUTCacheKey(const TLUTSource& source)
{
    if (!source.Data.isEmpty()) {
        const QByteArray digest = QCryptographicHash::hash(source.Data, QCryptographicHash::Sha1).toHex();
        return QStringLiteral("D:%1:").arg(source.Data.size()) + QString::fromLatin1(digest);
    }
    if (source.FilePath.isEmpty())
        return {};
    const QFileInfo info(source.FilePath);
    return QStringLiteral("F:%1:%2|").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()) +
           source.FilePath;
}

std::shared_ptr<const TCubeLUT> LoadLUTCached(const TLUTSource& source)
{
    const QString key = LUTCacheKey(source);
    if (key.isEmpty())
        return nullptr;
    {
        std::lock_guard lock(EffectLock());
        if (Cache().key == key && Cache().lut)
            return Cache().lut;
    }
    // Parsed outside the lock: other effects must not wait for a large table.
    auto lut = std::make_shared<const TCubeLUT>(!source.Data.isEmpty() ? LoadCubeFromBytes(source.Data)
                                                                         : LoadCubeFromFile(source.FilePath));
    if (!lut->valid())
        return nullptr;
    std::lock_guard lock(EffectLock());
    Cache() = {key, lut};
    return lut;
}

void ApplyLUT(const ISkImage& Source, const ISkSurface& Dest, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    if (!Source || !Dest)
        return;
    const TLUTSource source = ReadChosenLUT();
    if (source.Data.isEmpty() && (source.FilePath.isEmpty() || !QFileInfo(source.FilePath).isFile())) {
        DrawUnchanged(Source, Dest);
        return;
    }
    if (!Preview)
        SafeUpdateProgress(5);
    const std::shared_ptr<const TCubeLUT> lut = LoadLUTCached(source);
    if (!lut) {
        DrawUnchanged(Source, Dest);
        return;
    }
    if (!Preview)
        SafeUpdateProgress(10);

    const TLUTEffectParams params = ComputeLUTEffectParams(P1, P2, P3, P4, P5);
    SkPixmap src, dst;
    Dest->getCanvas()->clear(kColorTransparent);
    if (!Source->peekPixels(src) || !Dest->peekPixels(dst))
        return;
    const int w = std::min(src.width, dst.width), h = std::min(src.height, dst.height);
    const TLUTMapper mapper(*lut, params.intensity);
    ParallelForRange(0, h, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            if (IsEffectCancelled())
                return; // the rows left stay transparent; the run ends at its next report
            mapper.MapRow(src.row(y), dst.row(y), w);
        }
    });

    if (params.adjustOn) {
        const ISkImage graded = Dest->makeImageSnapshot();
        SkPaint paint;
        paint.setImageFilter(MakeColourAdjustFilter(params.adjust, SkTileMode::kDecal));
        SkCanvas* canvas = Dest->getCanvas();
        canvas->clear(kColorTransparent);
        canvas->drawImage(graded, 0, 0, &paint);
    }

    if (Preview) {
        SafeUpdatePreview(Dest, 101);
        return;
    }
    SafeUpdateProgress(100);
    if (EngineHost()) {
        const ISkImage snap = Dest->makeImageSnapshot();
        RunOnUISync([&] {
            TEngineHost* host = EngineHost();
            if (host && !host->Cancel.load())
                ShowIntermediateResult(snap, -1);
        });
    }
}

PV_REGISTER_EFFECT(404, ApplyLUT);

} // namespace pv
