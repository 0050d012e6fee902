// The undo and redo history keeps every editing step of the session as
// compressed snapshots, so that a hundred full-size pictures fit in memory:
// opaque pictures as JPEG, pictures with real transparency as PNG. A source
// picture is stored once for the run of snapshots made from it.

#include "engine/ImageHistory.h"

#include "engine/Effect.h"
#include "platform/graphics/Codecs.h"
#include "platform/graphics/PngEncoder.h"

#include <tbb/parallel_invoke.h>

#include <algorithm>
#include <atomic>
#include <utility>

namespace pv {
namespace {

constexpr int kJpegQuality = 92;
// Rows per task of the transparency count: large enough that the count stops
// soon after the threshold, small enough to spread a photograph over the pool.
constexpr int kCountGrainRows = 32;

// Runs two jobs on the shared pool at the same time and returns when both are done.
template <typename A, typename B>
void RunTogether(const A& a, const B& b)
{
    SharedPool().execute([&] { tbb::parallel_invoke(a, b); });
}

// The snapshot whose saved event runs on this thread.
thread_local TSavedSnapshotData tReportedSnapshot;

} // namespace

TSavedSnapshotData SavedSnapshotData() { return tReportedSnapshot; }

int64_t HistoryTransparencyThreshold(int width, int height)
{
    return std::max<int64_t>(1, int64_t(width) * height / 1000);
}

bool HistoryStoresAsPng(const ISkImage& image)
{
    SkPixmap pm;
    if (!image || image->isOpaque() || !image->peekPixels(pm) || !pm.valid())
        return false;
    const int64_t threshold = HistoryTransparencyThreshold(pm.width, pm.height);
    // Tasks stop once the shared count reaches the threshold, so the answer is
    // the same for any split: either the full count or at least the threshold.
    std::atomic<int64_t> found{0};
    ParallelForRange(
        0, pm.height,
        [&](int lo, int hi) {
            for (int y = lo; y < hi && found.load(std::memory_order_relaxed) < threshold; ++y) {
                const uint32_t* row = pm.row(y);
                int n = 0;
                for (int x = 0; x < pm.width; ++x)
                    n += (row[x] >> 24) != 0xFFu;
                if (n != 0)
                    found.fetch_add(n, std::memory_order_relaxed);
            }
        },
        kCountGrainRows);
    return found.load() >= threshold;
}

QByteArray EncodeHistoryPicture(const ISkImage& image)
{
    QByteArray out;
    if (!image || image->width() <= 0 || image->height() <= 0)
        return out;
    try {
        SkPixmap pm;
        if (!image->peekPixels(pm))
            return {};
        bool ok;
        if (HistoryStoresAsPng(image)) {
            ok = EncodePng(pm, out);
        } else if (image->isOpaque()) {
            ok = EncodeImage(image, ImageFileFormat::Jpeg, kJpegQuality, out);
        } else {
            // JPEG has no alpha. The few translucent pixels a JPEG snapshot may
            // hold are written with their premultiplied colour (as over black),
            // which spares converting the whole picture to another format first.
            QImage view(static_cast<const uchar*>(pm.base), pm.width, pm.height, qsizetype(pm.rowBytes),
                        QImage::Format_ARGB32_Premultiplied);
            const ISkImage opaqueView = std::make_shared<const SkImage>(std::move(view), true);
            ok = EncodeImage(opaqueView, ImageFileFormat::Jpeg, kJpegQuality, out);
        }
        if (!ok)
            out.clear();
    } catch (...) {
        // A snapshot that cannot be made is skipped; the edit itself stands.
        out.clear();
    }
    return out;
}

ISkImage DecodeHistoryPicture(const QByteArray& data)
{
    if (data.isEmpty())
        return nullptr;
    return DecodeImageData(data);
}

// ---------------------------------------------------------------- TImageHistory

TImageHistory::TImageHistory(int64_t budgetBytes) : FBudgetBytes(budgetBytes) {}

TImageHistory::~TImageHistory() { Clear(); }

int TImageHistory::OldestSlot() const { return (FSaveIndex - FCount + 1 + Capacity) % Capacity; }

int TImageHistory::SourceSlotAtOrBefore(int slot) const
{
    if (FCount == 0 || slot < 0)
        return -1;
    const int oldest = OldestSlot();
    for (int s = slot;; s = (s + Capacity - 1) % Capacity) {
        if (FBuffer[s].SnapshotType == TSnapshotType::stSourceChange)
            return s;
        if (s == oldest)
            return -1;
    }
}

// Compared with the source the new snapshot would follow (the one in force at
// the cursor), not with the newest stored source: after an undo the snapshots
// past the cursor are about to be cut, and their source with them.
bool TImageHistory::SourceIsNew(const ISkImage& SourceImg) const
{
    if (!SourceImg)
        return false;
    const int slot = SourceSlotAtOrBefore(FCursor);
    if (slot < 0)
        return true;
    // An undo or redo hands out the stored source decoded anew, under an id
    // of its own: that picture is the stored one, not a new source.
    const uint64_t id = SourceImg->uniqueID();
    const bool decodedFromSlot = slot == FCachedSourceIndex && FCachedSourceImg && FCachedSourceImg->uniqueID() == id;
    return FBuffer[slot].SourceId != id && !decodedFromSlot;
}

void TImageHistory::Save(const ISkImage& DisplayImg, const ISkImage& SourceImg)
{
    if (!DisplayImg || DisplayImg->width() <= 0 || DisplayImg->height() <= 0)
        return;
    if (SourceImg && (SourceImg->width() <= 0 || SourceImg->height() <= 0))
        return;

    bool sourceEncoded;
    {
        std::lock_guard lock(FCritical);
        sourceEncoded = SourceIsNew(SourceImg);
    }
    // Encoding runs outside the lock, so a long encode never blocks Undo on
    // another thread.
    QByteArray display, source;
    if (sourceEncoded)
        RunTogether([&] { display = EncodeHistoryPicture(DisplayImg); },
                    [&] { source = EncodeHistoryPicture(SourceImg); });
    else
        display = EncodeHistoryPicture(DisplayImg);
    if (display.isEmpty())
        return;

    TImageSavedEvent handler;
    TSavedSnapshotData stored;
    bool sourceStored = false;
    for (;;) {
        {
            std::lock_guard lock(FCritical);
            const bool sourceNew = SourceIsNew(SourceImg);
            if (!sourceNew || sourceEncoded) {
                sourceStored = sourceNew && !source.isEmpty();
                Store(std::move(display), sourceStored ? std::move(source) : QByteArray(),
                      sourceStored ? SourceImg->uniqueID() : 0);
                handler = FOnImageSaved;
                // Shared copies of the stored bytes, not new ones.
                stored.DisplayData = FBuffer[FSaveIndex].DisplayData;
                if (sourceStored)
                    stored.SourceData = FBuffer[FSaveIndex].SourceData;
                break;
            }
        }
        // Another thread changed the history during the encode, and the new
        // snapshot now needs the source after all.
        source = EncodeHistoryPicture(SourceImg);
        sourceEncoded = true;
    }
    // The handler updates windows and may call back into the history.
    if (handler) {
        // A handler that saves again reports its own snapshot, then this one's again.
        TSavedSnapshotData outer = std::exchange(tReportedSnapshot, std::move(stored));
        try {
            handler(DisplayImg, SourceImg, sourceStored);
        } catch (...) {
            tReportedSnapshot = std::move(outer);
            throw;
        }
        tReportedSnapshot = std::move(outer);
    }
}

void TImageHistory::Store(QByteArray&& display, QByteArray&& source, uint64_t sourceId)
{
    if (FCount > 0 && FCursor != FSaveIndex)
        TruncateAfterCursor();
    const int slot = (FSaveIndex + 1) % Capacity;
    if (FCount == Capacity)
        CarrySourceForward(slot);
    if (slot == FCachedSourceIndex)
        ForgetCachedSource();
    TSnapshot& s = FBuffer[slot];
    s = TSnapshot();
    s.DisplayData = std::move(display);
    if (!source.isEmpty()) {
        s.SourceData = std::move(source);
        s.SnapshotType = TSnapshotType::stSourceChange;
        s.SourceId = sourceId;
    }
    s.Timestamp = QDateTime::currentDateTime();
    FSaveIndex = FCursor = slot;
    if (FCount < Capacity)
        ++FCount;
    KeepWithinBudget();
}

int64_t TImageHistory::HeldBytes() const
{
    int64_t bytes = 0;
    for (int i = 0, s = OldestSlot(); i < FCount; ++i, s = (s + 1) % Capacity)
        bytes += FBuffer[s].DisplayData.size() + FBuffer[s].SourceData.size();
    return bytes;
}

// Called right after a store, with the cursor on the newest snapshot.
void TImageHistory::KeepWithinBudget()
{
    int64_t held = HeldBytes();
    while (FCount > 2 && held > FBudgetBytes) {
        const int oldest = OldestSlot();
        held -= FBuffer[oldest].DisplayData.size();
        CarrySourceForward(oldest);
        held -= FBuffer[oldest].SourceData.size();
        if (oldest == FCachedSourceIndex)
            ForgetCachedSource();
        FBuffer[oldest] = TSnapshot();
        --FCount;
    }
}

void TImageHistory::TruncateAfterCursor()
{
    const int newCount = (FCursor - OldestSlot() + Capacity) % Capacity + 1;
    for (int s = (FCursor + 1) % Capacity;; s = (s + 1) % Capacity) {
        FBuffer[s] = TSnapshot();
        if (s == FCachedSourceIndex)
            ForgetCachedSource();
        if (s == FSaveIndex)
            break;
    }
    FSaveIndex = FCursor;
    FCount = newCount;
}

// The oldest snapshot is about to be overwritten. When it holds the source
// that the next snapshots were made from, that source moves to the next one,
// so they keep returning their real source instead of a copy of the result.
void TImageHistory::CarrySourceForward(int evictedSlot)
{
    TSnapshot& gone = FBuffer[evictedSlot];
    TSnapshot& next = FBuffer[(evictedSlot + 1) % Capacity];
    if (gone.SnapshotType != TSnapshotType::stSourceChange || next.SnapshotType == TSnapshotType::stSourceChange)
        return;
    next.SourceData = std::move(gone.SourceData);
    next.SourceId = gone.SourceId;
    next.SnapshotType = TSnapshotType::stSourceChange;
    gone = TSnapshot();
    if (FCachedSourceIndex == evictedSlot)
        FCachedSourceIndex = (evictedSlot + 1) % Capacity;
}

void TImageHistory::ForgetCachedSource()
{
    FCachedSourceImg = nullptr;
    FCachedSourceIndex = -1;
}

bool TImageHistory::Undo(ISkImage& DisplayImg, ISkImage& SourceImg) { return Step(-1, DisplayImg, SourceImg); }

bool TImageHistory::Redo(ISkImage& DisplayImg, ISkImage& SourceImg) { return Step(+1, DisplayImg, SourceImg); }

// The cursor moves only once both pictures of the new position are decoded: a
// snapshot that cannot be read leaves the user where they were.
bool TImageHistory::Step(int direction, ISkImage& DisplayImg, ISkImage& SourceImg)
{
    DisplayImg = nullptr;
    SourceImg = nullptr;
    std::lock_guard lock(FCritical);
    if (FCount <= 1)
        return false;
    const int end = direction < 0 ? OldestSlot() : FSaveIndex;
    const int target = FCursor == end ? FCursor : (FCursor + Capacity + direction) % Capacity;
    const int sourceSlot = SourceSlotAtOrBefore(target);
    const bool sourceCached = sourceSlot >= 0 && sourceSlot == FCachedSourceIndex && FCachedSourceImg;

    ISkImage display, source;
    if (sourceSlot < 0 || sourceCached) {
        display = DecodeHistoryPicture(FBuffer[target].DisplayData);
    } else {
        RunTogether([&] { display = DecodeHistoryPicture(FBuffer[target].DisplayData); },
                    [&] { source = DecodeHistoryPicture(FBuffer[sourceSlot].SourceData); });
        if (source) {
            FCachedSourceImg = source;
            FCachedSourceIndex = sourceSlot;
        }
    }
    if (!display)
        return false;
    if (sourceSlot < 0) {
        SkPixmap pm;
        if (!display->peekPixels(pm))
            return false;
        source = SkImage::MakeRasterCopy(pm.base, pm.width, pm.height, pm.rowBytes);
    } else if (sourceCached) {
        source = FCachedSourceImg;
    }
    if (!source)
        return false;

    FCursor = target;
    DisplayImg = std::move(display);
    SourceImg = std::move(source);
    return true;
}

void TImageHistory::Clear()
{
    std::lock_guard lock(FCritical);
    for (TSnapshot& s : FBuffer)
        s = TSnapshot();
    FSaveIndex = FCursor = -1;
    FCount = 0;
    ForgetCachedSource();
}

int64_t TImageHistory::MemoryUsedBytes() const
{
    std::lock_guard lock(FCritical);
    return HeldBytes();
}

int TImageHistory::Count() const
{
    std::lock_guard lock(FCritical);
    return FCount;
}

void TImageHistory::SetOnImageSaved(TImageSavedEvent handler)
{
    std::lock_guard lock(FCritical);
    FOnImageSaved = std::move(handler);
}

TImageSavedEvent TImageHistory::OnImageSaved() const
{
    std::lock_guard lock(FCritical);
    return FOnImageSaved;
}

} // namespace pv
