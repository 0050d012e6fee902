// Runs effects on worker threads. The worker hands every read and write of
// window state to the UI thread in synchronous calls; only one full render
// runs at a time, and every new preview or full render makes older previews
// stale.

#include "engine/EffectWorker.h"

#include "engine/ApplyCustomTexture.h"
#include "engine/EffectParameterRanges.h"
#include "engine/Effect.h"
#include "engine/ImageHistory.h"
#include "engine/Workers.h"
#include "engine/DebugLog.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <array>
#include <memory>
#include <system_error>

namespace pv {
namespace {


// Values captured for one run, shared by the call and its worker.
struct EffectRun {
    int EffectNumber = 0;
    std::array<int, 5> P{};
    bool Preview = false;
    int MyGeneration = 0;
    int RunId = 0;
    ISkImage LocalSourceImage;
    float ZoomFactor = 1.0f;
    int DisplayWidth = 0;
    int DisplayHeight = 0;
    ISkImage ResultImage;
};

// Idle again, but only while this run is the one the window counts as running.
void EndRun(TEngineHost* host, const EffectRun& run)
{
    if (host->FCurrentRunId.load() == run.RunId)
        host->MarkEngineIdle();
}

bool RunStillValid(const EffectRun& run)
{
    TEngineHost* host = EngineHost();
    if (!host)
        return false;
    if (run.Preview && run.MyGeneration != host->FPreviewGeneration.load())
        return false;
    return !IsEffectCancelled();
}

void ApplyStoredTexture(TEngineHost* host, ISkImage& image)
{
    if (host->FTextureSwitchOn && !host->StoredTextureBitmap.isNull() && host->StoredTextureBitmap.width() > 0 &&
        host->StoredTextureBitmap.height() > 0)
        ApplyCustomTexture(image, &host->StoredTextureBitmap, Round(host->StoredTextureStrength),
                           host->StoredTextureScale);
}

// The finished preview, drawn where the box shows the source region it was
// rendered from: the box spans width / zoom by height / zoom source pixels
// from the region's start, so a region cut short by the picture's edge keeps
// its scale and lies at the top left instead of being stretched.
ISkImage PreviewBoxPicture(TEngineHost* host, const EffectRun& run)
{
    const ISkSurface box = SkSurface::MakeRaster(run.DisplayWidth, run.DisplayHeight);
    if (!box)
        return nullptr;
    SkCanvas* canvas = box->getCanvas();
    canvas->clear(host->ThemeMapColor(0xFF111827u));
    const float zoom = run.ZoomFactor > 0.0f ? run.ZoomFactor : 1.0f;
    canvas->drawImageRect(run.ResultImage,
                          SkRect::MakeWH(float(run.DisplayWidth) / zoom, float(run.DisplayHeight) / zoom),
                          SkRect::MakeWH(float(run.DisplayWidth), float(run.DisplayHeight)),
                          SkSamplingOptions::Mitchell());
    return box->makeImageSnapshot();
}

void RecordCurrentResult(TEngineHost* host)
{
    if (host->FHistory)
        host->FHistory->Save(host->FSkImage, host->FSkSourceImage);
}

// The ending calls, each run on the UI thread.
enum class Ending { Finish, Cancelled, Stopped, Aborted, Failed };

void EndWith(Ending ending, EffectRun& run)
{
    RunOnUISync([&] {
        TEngineHost* host = EngineHost();
        if (!host)
            return;
        switch (ending) {
        case Ending::Finish:
            ApplyStoredTexture(host, run.ResultImage);
            if (run.Preview) {
                if (run.MyGeneration == host->FPreviewGeneration.load() && !host->Cancel.load() &&
                    !host->PreviewBoxSize().isEmpty() && run.DisplayWidth > 0 && run.DisplayHeight > 0)
                    if (ISkImage picture = PreviewBoxPicture(host, run))
                        host->SetPreviewBoxPicture(picture);
            } else if (!host->Cancel.load()) {
                host->FSkImage = run.ResultImage;
                RecordCurrentResult(host);
                host->RedrawCanvas();
                EndRun(host, run);
            }
            break;
        case Ending::Cancelled:
        case Ending::Stopped:
            if (!run.Preview) {
                RecordCurrentResult(host);
                EndRun(host, run);
                host->RedrawCanvas();
            }
            break;
        case Ending::Aborted:
            if (!run.Preview) {
                RecordCurrentResult(host);
                EndRun(host, run);
            }
            break;
        case Ending::Failed:
            if (!run.Preview)
                EndRun(host, run);
            break;
        }
    });
}

// The last step of a full render: idle again, and a close that had to wait
// for this run is carried out now.
void EndFullRender(EffectRun& run)
{
    RunOnUISync([&] {
        TEngineHost* host = EngineHost();
        if (!host)
            return;
        if (host->FCurrentEffectNumber.load() == run.EffectNumber)
            EndRun(host, run);
        // However the run ended, its progress bar goes: the effect's last value
        // may have been throttled away, and a cancelled run sends no final one.
        // A newer run that already started keeps its bar.
        const int current = host->FCurrentRunId.load();
        if (current == 0 || current == run.RunId)
            host->UpdateProgressBar(101);
        if (host->FCloseRequested.exchange(false))
            host->Close();
    });
}

// Reads the crop on the UI thread and cuts it from the source. False when
// nothing is left to render.
bool PrepareCrop(EffectRun& run)
{
    const int W = run.LocalSourceImage->width();
    const int H = run.LocalSourceImage->height();
    PreviewCrop crop{};
    RunOnUISync([&] {
        TEngineHost* host = EngineHost();
        if (!host)
            return;
        run.ZoomFactor = host->FPreviewZoomFactor;
        const QSize box = host->PreviewBoxSize();
        run.DisplayWidth = box.width();
        run.DisplayHeight = box.height();
        crop = ComputePreviewCrop({W, H, run.DisplayWidth, run.DisplayHeight, run.ZoomFactor,
                                   host->PreviewStartX.load(), host->PreviewStartY.load()});
        host->PreviewStartX = crop.startX;
        host->PreviewStartY = crop.startY;
    });
    if (!RunStillValid(run) || crop.region.isEmpty())
        return false;
    run.LocalSourceImage = run.LocalSourceImage->makeSubset(
        SkIRect::MakeXYWH(crop.region.x(), crop.region.y(), crop.region.width(), crop.region.height()));
    return run.LocalSourceImage && RunStillValid(run);
}

void RunEffect(EffectRun& run)
{
    RunOnUISync([&] {
        if (TEngineHost* host = EngineHost())
            run.LocalSourceImage = host->FSkSourceImage;
    });
    if (!run.LocalSourceImage || !RunStillValid(run))
        return;
    if (run.Preview && !PrepareCrop(run))
        return;

    const ISkSurface dest = SkSurface::MakeRaster(run.LocalSourceImage->width(), run.LocalSourceImage->height());
    if (!dest || !RunStillValid(run))
        return;
    const EffectInfo* effect = FindEffect(run.EffectNumber);
    if (!effect || !effect->proc)
        return;
    RunBrushSheetSetup(run.EffectNumber);

    bool stopped;
    {
        std::lock_guard guard(EffectLock());
        stopped = EffectsStopped.load();
    }
    if (stopped) {
        if (!run.Preview)
            EndWith(Ending::Stopped, run);
        return;
    }

    // Cancel is cleared only by ProcessEffect: a worker clearing it here would
    // let a stale preview swallow an Esc meant for a newer full render.
    RunEffectRoutine(*effect, run.LocalSourceImage, dest, run.P, run.Preview);

    if (run.Preview && !RunStillValid(run))
        return;
    if (!run.Preview && IsEffectCancelled()) {
        EndWith(Ending::Cancelled, run);
        return;
    }
    run.ResultImage = dest->makeImageSnapshot();
    if (!run.ResultImage || !RunStillValid(run))
        return;
    EndWith(Ending::Finish, run);
}

void EffectWorker(std::shared_ptr<EffectRun> run)
{
    PreviewScope scope(run->Preview, run->MyGeneration, run->RunId);
    try {
        try {
            RunEffect(*run);
        } catch (const EAbort&) {
            EndWith(Ending::Aborted, *run);
        } catch (const std::exception& e) {
            DebugLogException("EffectWorker", e);
            DebugLogFmt("EffectWorker effect=%d preview=%s generation=%d", run->EffectNumber,
                        run->Preview ? "True" : "False", ThreadPreviewGeneration);
            EndWith(Ending::Failed, *run);
        } catch (...) {
            EndWith(Ending::Failed, *run);
        }
        if (!run->Preview)
            EndFullRender(*run);
    } catch (...) {
        // The window went away while the run ended: nothing is left to tell.
    }
    run->LocalSourceImage.reset();
    run->ResultImage.reset();
}

} // namespace

PreviewCrop ComputePreviewCrop(const PreviewCropInput& in)
{
    const double zoom = in.zoom > 0.0f ? in.zoom : 1.0; // a zoom of 0 or less counts as 1
    const int W = in.sourceWidth, H = in.sourceHeight;
    const int b = Round(in.displayWidth / zoom);
    const int c = Round(in.displayHeight / zoom);
    int X = in.startX, Y = in.startY;
    if (W - b < X)
        X = std::max(W - b, 0);
    if (H - c < Y)
        Y = std::max(H - c, 0);
    X = std::max(X, 0);
    Y = std::max(Y, 0);

    int w = std::min(b, W - X);
    int h = std::min(c, H - Y);
    if (w <= 0)
        w = std::min(in.displayWidth, W);
    if (h <= 0)
        h = std::min(in.displayHeight, H);
    if (X + w > W)
        w = W - X;
    if (Y + h > H)
        h = H - Y;
    PreviewCrop crop{X, Y, QRect()};
    if (w > 0 && h > 0)
        crop.region = QRect(X, Y, w, h);
    return crop;
}

void ProcessEffect(int EffectNumber, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    TEngineHost* host = EngineHost();
    if (!host)
        return;
    auto run = std::make_shared<EffectRun>();
    run->EffectNumber = EffectNumber;
    run->P = {P1, P2, P3, P4, P5};
    run->Preview = Preview;

    if (!host->FSkImage) {
        host->ShowMessage(QStringLiteral("No image loaded"));
        return;
    }
    if (Preview && host->FCurrentEffectNumber.load() != -1)
        return;
    if (!Preview) {
        run->RunId = ClaimFullRender(*host, EffectNumber);
        if (run->RunId == 0)
            return;
        host->Cancel = false;
    }
    if (Preview) {
        run->MyGeneration = ++host->FPreviewGeneration;
    } else {
        host->StopPreviewTimer();
        ++host->FPreviewGeneration;
        run->MyGeneration = 0;
    }
    {
        std::lock_guard guard(EffectLock());
        EffectsStopped = false;
    }
    if (!StartWorker([run] { EffectWorker(run); })) {
        if (!Preview)
            EndRun(host, *run);
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
}

void StopAllEffects()
{
    std::lock_guard guard(EffectLock());
    EffectsStopped = true;
}


} // namespace pv
