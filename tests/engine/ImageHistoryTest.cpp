#include "engine/ImageHistory.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <future>
#include <vector>

namespace pv {

// Reads and tampers with the ring the way only a test may.
struct ImageHistoryTestAccess {
    static const TSnapshot& Slot(const TImageHistory& h, int slot) { return h.FBuffer[slot]; }
    static TSnapshot& Slot(TImageHistory& h, int slot) { return h.FBuffer[slot]; }
    static int SaveIndex(const TImageHistory& h) { return h.FSaveIndex; }
    static int Cursor(const TImageHistory& h) { return h.FCursor; }
    static int Oldest(const TImageHistory& h) { return h.OldestSlot(); }
    // Whether another thread could take the lock right now.
    static bool LockIsFree(TImageHistory& h)
    {
        return std::async(std::launch::async, [&] {
                   if (!h.FCritical.try_lock())
                       return false;
                   h.FCritical.unlock();
                   return true;
               }).get();
    }
};

namespace {

using Access = ImageHistoryTestAccess;
constexpr int kSize = 16;

// A 16 x 16 opaque picture whose colour encodes n (0..109) with steps of 20 or
// more per channel, so it survives JPEG and can be recognised afterwards.
ISkImage Numbered(int n)
{
    QImage img(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(MakeColor(0xFF, uint8_t(20 + (n % 10) * 22), uint8_t(20 + (n / 10) * 20), 128));
    return SkImage::MakeFromRaster(std::move(img));
}

// The n a picture made by Numbered carries, -1 when it is none of them.
int NumberOf(const ISkImage& image)
{
    if (!image)
        return -1;
    SkPixmap pm;
    if (!image->peekPixels(pm))
        return -1;
    const uint32_t p = pm.at(kSize / 2, kSize / 2);
    const int r = int(ColorR(p)) - 20, g = int(ColorG(p)) - 20;
    const int col = (r + 11) / 22, row = (g + 10) / 20;
    if (std::abs(r - col * 22) > 6 || std::abs(g - row * 20) > 6 || std::abs(int(ColorB(p)) - 128) > 6)
        return -1;
    return row * 10 + col;
}

// A picture of the given size with `translucent` half-transparent pixels.
ISkImage WithTranslucent(int w, int h, int translucent)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(0xFF336699u);
    auto* px = reinterpret_cast<uint32_t*>(img.bits());
    for (int i = 0; i < translucent; ++i)
        px[i * 7 % (w * h)] = 0x80102030u;
    return SkImage::MakeFromRaster(std::move(img));
}

bool IsPng(const QByteArray& b) { return b.startsWith("\x89PNG"); }
bool IsJpeg(const QByteArray& b) { return b.startsWith("\xFF\xD8"); }

int64_t HeldBytes(const TImageHistory& h)
{
    int64_t sum = 0;
    for (int i = 0, s = Access::Oldest(h); i < h.Count(); ++i, s = (s + 1) % TImageHistory::Capacity)
        sum += Access::Slot(h, s).DisplayData.size() + Access::Slot(h, s).SourceData.size();
    return sum;
}

struct Step {
    bool ok;
    int display;
    int source;
};

Step UndoStep(TImageHistory& h)
{
    ISkImage d, s;
    const bool ok = h.Undo(d, s);
    return {ok, NumberOf(d), NumberOf(s)};
}

Step RedoStep(TImageHistory& h)
{
    ISkImage d, s;
    const bool ok = h.Redo(d, s);
    return {ok, NumberOf(d), NumberOf(s)};
}

TEST(ImageHistory, OneSourceIsStoredOnceAndUndoStopsAtTheOldest)
{
    TImageHistory h;
    std::vector<bool> sourceChanges;
    h.SetOnImageSaved([&](const ISkImage&, const ISkImage&, bool change) { sourceChanges.push_back(change); });
    const ISkImage source = Numbered(50);
    for (int n = 1; n <= 3; ++n)
        h.Save(Numbered(n), source);

    EXPECT_EQ(sourceChanges, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(Access::Slot(h, 0).SnapshotType, TSnapshotType::stSourceChange);
    EXPECT_EQ(Access::Slot(h, 1).SnapshotType, TSnapshotType::stEffectChange);
    EXPECT_EQ(Access::Slot(h, 2).SnapshotType, TSnapshotType::stEffectChange);
    EXPECT_TRUE(Access::Slot(h, 1).SourceData.isEmpty());

    for (const Step& expected : {Step{true, 2, 50}, Step{true, 1, 50}, Step{true, 1, 50}}) {
        const Step got = UndoStep(h);
        EXPECT_EQ(got.ok, expected.ok);
        EXPECT_EQ(got.display, expected.display);
        EXPECT_EQ(got.source, expected.source);
    }
    EXPECT_EQ(Access::Cursor(h), 0);
    const Step redo = RedoStep(h);
    EXPECT_TRUE(redo.ok);
    EXPECT_EQ(redo.display, 2);
}

TEST(ImageHistory, FewerThanTwoSnapshotsCannotStep)
{
    TImageHistory h;
    ISkImage d = Numbered(1), s = Numbered(2);
    EXPECT_FALSE(h.Undo(d, s));
    EXPECT_FALSE(d);
    EXPECT_FALSE(s);
    h.Save(Numbered(1), Numbered(2));
    d = Numbered(1);
    EXPECT_FALSE(h.Undo(d, s));
    EXPECT_FALSE(h.Redo(d, s));
    EXPECT_FALSE(d);
    EXPECT_EQ(Access::Cursor(h), 0);
}

TEST(ImageHistory, MissingPicturesRecordNothing)
{
    TImageHistory h;
    int events = 0;
    h.SetOnImageSaved([&](const ISkImage&, const ISkImage&, bool) { ++events; });
    h.Save(nullptr, Numbered(1));
    EXPECT_EQ(h.Count(), 0);
    EXPECT_EQ(events, 0);
}

TEST(ImageHistory, WithoutAnySourceTheResultStandsIn)
{
    TImageHistory h;
    bool change = true;
    h.SetOnImageSaved([&](const ISkImage&, const ISkImage&, bool c) { change = c; });
    h.Save(Numbered(1), nullptr);
    EXPECT_FALSE(change);
    EXPECT_EQ(Access::Slot(h, 0).SnapshotType, TSnapshotType::stEffectChange);
    h.Save(Numbered(2), nullptr);
    ISkImage d, s;
    ASSERT_TRUE(h.Undo(d, s));
    EXPECT_EQ(NumberOf(d), 1);
    EXPECT_EQ(NumberOf(s), 1);
    EXPECT_NE(d, s) << "the source is a copy of the result";
}

TEST(ImageHistory, RingKeepsTheLast100AndCarriesTheirSourceForward)
{
    TImageHistory h;
    const ISkImage source = Numbered(109);
    for (int n = 0; n < 105; ++n)
        h.Save(Numbered(n), source);
    EXPECT_EQ(h.Count(), 100);
    EXPECT_EQ(Access::Oldest(h), 5);
    EXPECT_EQ(Access::SaveIndex(h), 4);
    EXPECT_EQ(HeldBytes(h), h.MemoryUsedBytes());

    // The slot that stored the source was overwritten long ago; the oldest
    // held snapshot carries it now.
    EXPECT_EQ(Access::Slot(h, 5).SnapshotType, TSnapshotType::stSourceChange);
    for (int n = 103; n >= 5; --n) {
        const Step got = UndoStep(h);
        ASSERT_TRUE(got.ok);
        ASSERT_EQ(got.display, n);
        ASSERT_EQ(got.source, 109) << "at snapshot " << n;
    }
    const Step atOldest = UndoStep(h);
    EXPECT_TRUE(atOldest.ok);
    EXPECT_EQ(atOldest.display, 5);
    EXPECT_EQ(Access::Cursor(h), 5);

    // A later save with the same source still needs no new copy of it.
    bool change = true;
    h.SetOnImageSaved([&](const ISkImage&, const ISkImage&, bool c) { change = c; });
    for (int n = 0; n < 100; ++n)
        RedoStep(h);
    h.Save(Numbered(0), source);
    EXPECT_FALSE(change);
}

TEST(ImageHistory, ABudgetDropsTheOldestSnapshotsAndCarriesTheirSourceForward)
{
    // Room for about five of these snapshots: the sixth save drops the oldest.
    TImageHistory probe;
    probe.Save(Numbered(0), Numbered(109));
    const int64_t perSnapshot = probe.MemoryUsedBytes();
    TImageHistory h(perSnapshot * 5 + perSnapshot / 2);
    const ISkImage source = Numbered(109);
    for (int n = 0; n < 20; ++n)
        h.Save(Numbered(n), source);
    EXPECT_LT(h.Count(), 20);
    EXPECT_GT(h.Count(), 2);
    EXPECT_LE(h.MemoryUsedBytes(), perSnapshot * 5 + perSnapshot / 2);
    const int kept = h.Count();
    for (int n = 18; n > 19 - kept; --n) {
        const Step got = UndoStep(h);
        ASSERT_TRUE(got.ok);
        ASSERT_EQ(got.display, n);
        ASSERT_EQ(got.source, 109) << "at snapshot " << n;
    }

    // However large the pictures, the newest two stay for one undo.
    TImageHistory tiny(1);
    for (int n = 0; n < 4; ++n)
        tiny.Save(Numbered(n), Numbered(100 + n));
    EXPECT_EQ(tiny.Count(), 2);
    const Step back = UndoStep(tiny);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.display, 2);
    EXPECT_EQ(back.source, 102);
}

TEST(ImageHistory, SavingAfterUndoCutsTheRedoBranch)
{
    TImageHistory h;
    const ISkImage first = Numbered(60), second = Numbered(70);
    h.Save(Numbered(1), first);
    h.Save(Numbered(2), second);
    const int64_t before = h.MemoryUsedBytes();
    ASSERT_TRUE(UndoStep(h).ok);

    // The cut snapshot held `second`; saving with it again must store it anew,
    // or stepping back to this snapshot would show `first` as its source.
    bool change = false;
    h.SetOnImageSaved([&](const ISkImage&, const ISkImage&, bool c) { change = c; });
    h.Save(Numbered(3), second);
    EXPECT_EQ(h.Count(), 2);
    EXPECT_TRUE(change);
    EXPECT_EQ(HeldBytes(h), h.MemoryUsedBytes());
    EXPECT_LT(h.MemoryUsedBytes(), before + Access::Slot(h, 1).DisplayData.size());

    const Step redoAtNewest = RedoStep(h);
    EXPECT_TRUE(redoAtNewest.ok);
    EXPECT_EQ(redoAtNewest.display, 3);
    EXPECT_EQ(redoAtNewest.source, 70);
    const Step undo = UndoStep(h);
    EXPECT_EQ(undo.display, 1);
    EXPECT_EQ(undo.source, 60);
}

// Apply, undo, apply again: the source the undo hands back is the stored one
// decoded anew. Saving with it stores no second copy, however many cycles.
TEST(ImageHistory, TheSourceAnUndoHandsBackIsNotStoredAgain)
{
    TImageHistory h;
    h.Save(Numbered(50), Numbered(50));
    h.Save(Numbered(1), Numbered(50)); // a new id: stored once more
    std::vector<bool> sourceChanges;
    h.SetOnImageSaved([&](const ISkImage&, const ISkImage&, bool change) { sourceChanges.push_back(change); });
    const int64_t afterFirstApply = h.MemoryUsedBytes();
    for (int cycle = 0; cycle < 5; ++cycle) {
        ISkImage display, source;
        ASSERT_TRUE(h.Undo(display, source));
        h.Save(Numbered(2), source);
    }
    EXPECT_EQ(sourceChanges, std::vector<bool>(5, false));
    EXPECT_LE(h.MemoryUsedBytes(), afterFirstApply + Access::Slot(h, 1).DisplayData.size());
    const Step undo = UndoStep(h);
    EXPECT_EQ(undo.source, 50);
}

TEST(ImageHistory, TransparencyThresholdChoosesPngOrJpeg)
{
    struct Case {
        int w, h, translucent;
        bool png;
    };
    for (const Case& c : {Case{100, 100, 10, true}, Case{100, 100, 9, false}, Case{10, 10, 1, true},
                          Case{10, 10, 0, false}}) {
        const ISkImage image = WithTranslucent(c.w, c.h, c.translucent);
        EXPECT_EQ(HistoryStoresAsPng(image), c.png) << c.w << "x" << c.h << " with " << c.translucent;
        const QByteArray bytes = EncodeHistoryPicture(image);
        EXPECT_TRUE(c.png ? IsPng(bytes) : IsJpeg(bytes)) << c.w << "x" << c.h << " with " << c.translucent;
    }
    EXPECT_EQ(HistoryTransparencyThreshold(2000, 1500), 3000);
}

TEST(ImageHistory, PngSnapshotsComeBackExactly)
{
    TImageHistory h;
    const ISkImage picture = WithTranslucent(kSize, kSize, 5);
    h.Save(picture, picture);
    h.Save(Numbered(1), picture);
    ASSERT_TRUE(IsPng(Access::Slot(h, 0).DisplayData));
    ISkImage d, s;
    ASSERT_TRUE(h.Undo(d, s));
    SkPixmap want, got;
    ASSERT_TRUE(picture->peekPixels(want) && d->peekPixels(got));
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            ASSERT_EQ(got.at(x, y), want.at(x, y)) << x << "," << y;
}

TEST(ImageHistory, UnreadableSnapshotLeavesTheCursor)
{
    struct Case {
        const char* what;
        int corruptSlot;
        bool corruptSource;
        bool redo;
    };
    for (const Case& c : {Case{"result of the previous snapshot", 1, false, false},
                          Case{"source of the previous snapshot", 0, true, false},
                          Case{"result of the next snapshot", 2, false, true}}) {
        TImageHistory h;
        const ISkImage source = Numbered(61);
        for (int n = 1; n <= 3; ++n)
            h.Save(Numbered(n), source);
        const int start = c.redo ? 1 : 2;
        if (c.redo) {
            ASSERT_TRUE(UndoStep(h).ok);
        }
        TSnapshot& slot = Access::Slot(h, c.corruptSlot);
        (c.corruptSource ? slot.SourceData : slot.DisplayData) = QByteArray("\xFF\xD8 not a picture");

        ISkImage d, s;
        EXPECT_FALSE(c.redo ? h.Redo(d, s) : h.Undo(d, s)) << c.what;
        EXPECT_FALSE(d) << c.what;
        EXPECT_FALSE(s) << c.what;
        EXPECT_EQ(Access::Cursor(h), start) << c.what;
    }
}

TEST(ImageHistory, EventRunsAfterTheLockIsReleased)
{
    TImageHistory h;
    int calls = 0;
    h.SetOnImageSaved([&](const ISkImage& display, const ISkImage& source, bool change) {
        ++calls;
        EXPECT_TRUE(Access::LockIsFree(h));
        EXPECT_EQ(NumberOf(display), calls);
        EXPECT_EQ(NumberOf(source), 80);
        EXPECT_EQ(change, calls == 1);
        // The history is already updated and may be used from here.
        EXPECT_EQ(h.Count(), calls);
        EXPECT_GT(h.MemoryUsedBytes(), 0);
        ISkImage d, s;
        if (calls == 2) {
            EXPECT_TRUE(h.Undo(d, s));
            EXPECT_EQ(NumberOf(d), 1);
        }
    });
    const ISkImage source = Numbered(80);
    h.Save(Numbered(1), source);
    h.Save(Numbered(2), source);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Access::Cursor(h), 0);
}

TEST(ImageHistory, MemoryFollowsTheHeldSnapshots)
{
    TImageHistory h;
    EXPECT_EQ(h.MemoryUsedBytes(), 0);
    int64_t last = 0;
    for (int n = 0; n < 4; ++n) {
        h.Save(Numbered(n), Numbered(90 + n % 2));
        EXPECT_GT(h.MemoryUsedBytes(), last);
        last = h.MemoryUsedBytes();
        EXPECT_EQ(last, HeldBytes(h));
    }
    ASSERT_TRUE(UndoStep(h).ok);
    ASSERT_TRUE(UndoStep(h).ok);
    h.Save(Numbered(9), Numbered(90 + 1));
    EXPECT_LT(h.MemoryUsedBytes(), last);
    EXPECT_EQ(h.MemoryUsedBytes(), HeldBytes(h));

    h.Clear();
    EXPECT_EQ(h.MemoryUsedBytes(), 0);
    EXPECT_EQ(h.Count(), 0);
    ISkImage d, s;
    EXPECT_FALSE(h.Undo(d, s));
    h.Save(Numbered(1), nullptr);
    EXPECT_EQ(Access::SaveIndex(h), 0);
}

} // namespace
} // namespace pv
