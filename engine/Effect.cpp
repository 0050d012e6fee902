#include "engine/Effect.h"

#include "engine/EffectParameterRanges.h"
#include "engine/Workers.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>

namespace pv {

// ------------------------------------------------------------------ host

namespace {
std::atomic<TEngineHost*> gHost{nullptr};
}

TEngineHost* EngineHost() { return gHost.load(std::memory_order_acquire); }

QString TEngineHost::GetEffectName(int effectNumber) const { return EffectMessageName(effectNumber); }

QString EffectMessageName(int effectNumber)
{
    if (effectNumber == 900)
        return QStringLiteral("Brushstrokes Frame");
    const EffectInfo* effect = FindEffect(effectNumber);
    return effect ? QString::fromUtf8(effect->messageName) : QStringLiteral("Unknown Effect");
}
void SetEngineHost(TEngineHost* host) { gHost.store(host, std::memory_order_release); }

// ------------------------------------------------------------------ brush-sheet set-up

namespace {

std::atomic<BrushSetupProc> gBrushSetup{nullptr};

} // namespace

void RunBrushSheetSetup(int effectNumber)
{
    if (!HasEffectOption(effectNumber, kBrushSheetSetup))
        return;
    if (BrushSetupProc setup = gBrushSetup.load())
        RunOnUISync([&] { setup(effectNumber); });
}

void SetBrushSheetSetup(BrushSetupProc proc) { gBrushSetup.store(proc); }

void ProcessEffectOnSurface(const ISkImage& Source, const ISkSurface& Dest, int EffectNumber, int P1, int P2, int P3,
                            int P4, int P5, bool Preview)
{
    ThreadIsPreview = Preview;
    const EffectInfo* effect = FindEffect(EffectNumber);
    if (!effect || !effect->proc)
        return;
    RunBrushSheetSetup(EffectNumber);
    RunEffectRoutine(*effect, Source, Dest, {P1, P2, P3, P4, P5}, Preview);
}

void RunEffectRoutine(const EffectInfo& effect, const ISkImage& Source, const ISkSurface& Dest,
                      const std::array<int, 5>& P, bool Preview)
{
    const std::array<int, 5> held = HoldEffectParameters(effect.number, P);
    effect.proc(Source, Dest, held[0], held[1], held[2], held[3], held[4], Preview);

    // A cancelled run's canvas is not its result.
    if (UserCancelRequested() || IsEffectCancelled())
        return;
    SkPixmap painted, source;
    if (!Dest || !Source || !Dest->peekPixels(painted) || HasVisiblePixel(painted) || !Source->peekPixels(source) ||
        source.width != painted.width || source.height != painted.height || !HasVisiblePixel(source))
        return;
    for (int y = 0; y < source.height; ++y)
        std::memcpy(painted.row(y), source.row(y), size_t(source.width) * 4);
}

// ------------------------------------------------------------------ canvas start

bool ImageHasTranslucentPixel(const ISkImage& image)
{
    SkPixmap pm;
    return image && image->peekPixels(pm) && HasTranslucentPixel(pm);
}

namespace {

void DrawCoverageMask(SkCanvas& canvas, const ISkImage& source)
{
    SkPixmap src;
    if (!source->peekPixels(src))
        return;
    QImage mask(src.width, src.height, QImage::Format_ARGB32_Premultiplied);
    if (mask.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < src.height; ++y) {
        const uint32_t* in = src.row(y);
        auto* out = reinterpret_cast<uint32_t*>(mask.scanLine(y));
        for (int x = 0; x < src.width; ++x)
            out[x] = (in[x] >> 24) != 0 ? 0xFFFFFFFFu : 0u;
    }
    canvas.drawImage(SkImage::MakeFromRaster(std::move(mask)), 0, 0);
}

} // namespace

CanvasStart StartEffectCanvas(const ISkSurface& Dest, const CanvasStartOptions& options)
{
    CanvasStart result;
    // The manual brush's base picture belongs to the run on this thread.
    const ISkImage runBase = GetEffectBaseImage();
    RunOnUISync([&] {
        TEngineHost* host = EngineHost();
        result.DoClear = host ? host->FEraseBdChecked.load() : true;
        SkCanvas* canvas = Dest ? Dest->getCanvas() : nullptr;
        const ISkImage source = options.source ? options.source : (host ? host->FSkSourceImage : nullptr);

        if (result.DoClear) {
            if (!canvas || options.keep == KeepMode::RecordOnly)
                return;
            switch (options.rule) {
            case ClearRule::White:
                canvas->clear(kColorWhite);
                break;
            case ClearRule::SourceTest:
                canvas->clear(ImageHasTranslucentPixel(source) ? kColorTransparent : kColorWhite);
                break;
            case ClearRule::InputTest:
                canvas->clear(options.transparencyFlag ? kColorTransparent : kColorWhite);
                break;
            case ClearRule::CoverageMask: {
                SkPixmap pm;
                if (options.transparencyFlag && source && source->peekPixels(pm)) {
                    canvas->clear(kColorTransparent);
                    DrawCoverageMask(*canvas, source);
                } else {
                    canvas->clear(kColorWhite);
                }
                break;
            }
            case ClearRule::OwnColour:
                canvas->clear(options.ownColour);
                break;
            }
            return;
        }

        if (!host || !host->FSkImage)
            return;
        result.BaseImage = runBase ? runBase : host->FSkImage;
        if (options.keep == KeepMode::DrawBase && canvas) {
            canvas->clear(kColorTransparent);
            canvas->drawImage(result.BaseImage, 0, 0);
        }
    });
    return result;
}

// ------------------------------------------------------------------ engine state

std::atomic<bool> EffectsStopped{false};

namespace {
std::mutex gStateMutex; // guards the shared value below, never held across calls
thread_local ISkImage tEffectBaseImage;
std::string gDebugOutputDir;

std::atomic<int> gPoolWorkers{0};
std::unique_ptr<tbb::task_arena> gPool;
std::mutex gPoolMutex;
} // namespace

std::recursive_mutex& EffectLock()
{
    static std::recursive_mutex lock;
    return lock;
}

ISkImage GetEffectBaseImage() { return tEffectBaseImage; }

void SetEffectBaseImage(ISkImage image) { tEffectBaseImage = std::move(image); }

std::string GetDebugOutputDir()
{
    std::lock_guard guard(gStateMutex);
    return gDebugOutputDir;
}

void SetDebugOutputDir(const std::string& dir)
{
    std::lock_guard guard(gStateMutex);
    gDebugOutputDir = dir;
}

int DefaultPoolWorkers(int processors) { return std::clamp(processors - 2, 2, 12); }

tbb::task_arena& SharedPool()
{
    std::lock_guard guard(gPoolMutex);
    if (!gPool) {
        int workers = gPoolWorkers.load();
        if (workers <= 0)
            workers = DefaultPoolWorkers(ProcessorCount());
        gPool = std::make_unique<tbb::task_arena>(workers);
    }
    return *gPool;
}

void SetSharedPoolWorkers(int workers)
{
    std::lock_guard guard(gPoolMutex);
    gPoolWorkers.store(workers);
    gPool.reset();
}

int SharedPoolWorkers() { return SharedPool().max_concurrency(); }

std::shared_ptr<tbb::task_arena> PrivatePool::Get()
{
    std::lock_guard guard(mutex_);
    const int shared = gPoolWorkers.load();
    const int size = own_ > 0 ? own_ : shared > 0 ? std::min(shared, wanted_) : wanted_;
    if (!pool_ || pool_->max_concurrency() != size)
        pool_ = std::make_shared<tbb::task_arena>(size);
    return pool_;
}

void PrivatePool::SetWorkers(int workers)
{
    std::lock_guard guard(mutex_);
    own_ = std::max(0, workers);
}

void EngineStart()
{
    EffectLock();
    EffectsStopped = false;
    Randomize();
    SharedPool();
}

void EngineEnd()
{
    SetEffectBaseImage(nullptr);
    SetDebugOutputDir({});
}

std::vector<uint32_t*> RowPointers(const SkPixmap& pm)
{
    std::vector<uint32_t*> rows(size_t(std::max(pm.height, 0)));
    for (int y = 0; y < pm.height; ++y)
        rows[size_t(y)] = pm.row(y);
    return rows;
}

} // namespace pv
