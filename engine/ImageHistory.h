#pragma once
// The undo and redo store: a ring of the last 100 snapshots, each holding the
// result picture encoded as JPEG or PNG and, when the source picture changed,
// the encoded source too. The history lives in memory only.

#include "platform/graphics/SkImage.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <functional>
#include <mutex>

namespace pv {

enum class TSnapshotType {
    stEffectChange = 0, // only the result was stored
    stSourceChange = 1, // the source was stored too
};

// One slot of the ring; a free slot has empty DisplayData.
struct TSnapshot {
    QByteArray DisplayData;
    QByteArray SourceData;
    TSnapshotType SnapshotType = TSnapshotType::stEffectChange;
    // Unique id of the source picture held in SourceData (0 without one).
    uint64_t SourceId = 0;
    QDateTime Timestamp;
};

// Raised after every stored snapshot with the pictures given to Save;
// IsSourceChange tells whether the source was stored in this snapshot.
using TImageSavedEvent =
    std::function<void(const ISkImage& DisplayImg, const ISkImage& SourceImg, bool IsSourceChange)>;

// The stored bytes of the snapshot whose saved event runs on the calling
// thread: who keeps pictures of snapshots (the gallery) keeps these instead of
// encoding them again. Both empty outside the event; SourceData is empty when
// the snapshot stored no source.
struct TSavedSnapshotData {
    QByteArray DisplayData;
    QByteArray SourceData;
};
TSavedSnapshotData SavedSnapshotData();

// How many non-opaque pixels make a picture transparent for the history:
// one in a thousand, at least one.
int64_t HistoryTransparencyThreshold(int width, int height);
// True when the picture is stored as PNG (transparent), false for JPEG.
bool HistoryStoresAsPng(const ISkImage& image);
// The stored bytes of one picture; empty for no picture or a failed encode.
QByteArray EncodeHistoryPicture(const ISkImage& image);
// The picture of stored bytes; null for empty or undecodable bytes.
ISkImage DecodeHistoryPicture(const QByteArray& data);

// Every operation may be called from any thread; one lock guards the ring and
// the saved-snapshot event always runs after that lock is released.
class TImageHistory {
public:
    static constexpr int Capacity = 100;
    // The encoded bytes the snapshots may hold together: beyond them the
    // oldest snapshots go, so that 100 steps of a large photo (a batch keeps
    // a source and a result per file) cannot take gigabytes. The newest two
    // snapshots always stay.
    static constexpr int64_t kDefaultBudgetBytes = int64_t(256) << 20;

    explicit TImageHistory(int64_t budgetBytes = kDefaultBudgetBytes);
    ~TImageHistory();
    TImageHistory(const TImageHistory&) = delete;
    TImageHistory& operator=(const TImageHistory&) = delete;

    // Records the result and, when it differs from the source the new snapshot
    // would otherwise follow, the source. Cuts the redo branch. Missing or
    // empty pictures and a result that cannot be encoded record nothing.
    void Save(const ISkImage& DisplayImg, const ISkImage& SourceImg);
    // Step back or forward and return the pictures there. False (outputs null,
    // position unchanged) with fewer than two snapshots or when a stored picture
    // cannot be decoded. At either end the end snapshot is returned again.
    bool Undo(ISkImage& DisplayImg, ISkImage& SourceImg);
    bool Redo(ISkImage& DisplayImg, ISkImage& SourceImg);
    void Clear();

    // Bytes of encoded data held by the snapshots.
    int64_t MemoryUsedBytes() const;
    int Count() const;

    void SetOnImageSaved(TImageSavedEvent handler);
    TImageSavedEvent OnImageSaved() const;

private:
    friend struct ImageHistoryTestAccess;

    int OldestSlot() const;
    // Slot of the nearest source snapshot at or before `slot`, -1 when none.
    int SourceSlotAtOrBefore(int slot) const;
    bool SourceIsNew(const ISkImage& SourceImg) const;
    bool Step(int direction, ISkImage& DisplayImg, ISkImage& SourceImg);
    void TruncateAfterCursor();
    void CarrySourceForward(int evictedSlot);
    int64_t HeldBytes() const;
    void KeepWithinBudget();
    void Store(QByteArray&& display, QByteArray&& source, uint64_t sourceId);
    void ForgetCachedSource();

    int64_t FBudgetBytes;
    mutable std::mutex FCritical;
    TSnapshot FBuffer[Capacity];
    int FSaveIndex = -1;
    int FCursor = -1;
    int FCount = 0;
    ISkImage FCachedSourceImg;
    int FCachedSourceIndex = -1;
    TImageSavedEvent FOnImageSaved;
};

} // namespace pv
