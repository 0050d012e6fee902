#include "FakeHost.h"

#include "engine/Effect.h"

#include <gtest/gtest.h>

#include <set>

namespace pv {
namespace {

using test::FakeHost;
using test::PixelAt;
using test::SolidImage;

TEST(EffectCatalogue, HoldsTheTwentySixEffectsWithTheirListNames)
{
    const auto catalogue = EffectCatalogue();
    ASSERT_EQ(catalogue.size(), 26u);
    std::set<int> numbers;
    for (const EffectInfo& e : catalogue)
        numbers.insert(e.number);
    EXPECT_EQ(numbers, (std::set<int>{100, 101, 102, 103, 200, 201, 202, 203, 300, 301, 302, 303, 304, 305, 306, 307,
                                      308, 400, 401, 402, 403, 404, 500, 501, 502, 503}));
    EXPECT_STREQ(FindEffect(201)->listName, "Stippling");
    EXPECT_STREQ(FindEffect(308)->listName, "Gouache Painting");
    EXPECT_STREQ(FindEffect(402)->listName, "Vintage / Sepia");
    EXPECT_EQ(FindEffect(900), nullptr);
}

TEST(EffectCatalogue, BrushSheetsAreSetUpForTheStampedBrushEffectsOnly)
{
    static std::set<int> setUp;
    setUp.clear();
    SetBrushSheetSetup([](int number) { setUp.insert(number); });
    for (int number = 0; number < 1000; ++number)
        RunBrushSheetSetup(number);
    SetBrushSheetSetup(nullptr);
    EXPECT_EQ(setUp, (std::set<int>{302, 303, 304, 307}));
}

TEST(EffectCatalogue, WindowlessHostsNameEffectsAsMessagesDo)
{
    // Four message names differ in letter case from the list entries.
    const FakeHost host;
    const std::pair<int, const char*> cases[] = {
        {200, "Black & White"}, {203, "Comic print"},    {302, "Oil Pastel"},       {307, "Stochastic Painting"},
        {100, "Pencil Sketch 1"}, {501, "Cartoon"},      {900, "Brushstrokes Frame"}, {104, "Unknown Effect"},
    };
    for (const auto& [number, name] : cases)
        EXPECT_EQ(host.GetEffectName(number), QString::fromUtf8(name)) << number;
}

TEST(ProcessEffectOnSurface, UnknownNumbersLeaveTheDestinationTransparent)
{
    const ISkImage source = SolidImage(4, 3, 0xFF808080u);
    for (int number : {0, 104, 900, 999, -1}) {
        const ISkSurface dest = SkSurface::MakeRaster(4, 3);
        ProcessEffectOnSurface(source, dest, number, 50, 50, 50, 50, 50, false);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(PixelAt(dest, x, y), 0u) << "effect " << number;
    }
}

TEST(ProcessEffectOnSurface, SetsTheThreadPreviewFlag)
{
    const ISkImage source = SolidImage(2, 2, 0xFFFFFFFFu);
    const ISkSurface dest = SkSurface::MakeRaster(2, 2);
    ProcessEffectOnSurface(source, dest, 999, 0, 0, 0, 0, 0, true);
    EXPECT_TRUE(ThreadIsPreview);
    ProcessEffectOnSurface(source, dest, 999, 0, 0, 0, 0, 0, false);
    EXPECT_FALSE(ThreadIsPreview);
}

TEST(SharedPool, WorkerCountFollowsTheProcessorCount)
{
    const std::pair<int, int> cases[] = {{1, 2}, {4, 2}, {5, 3}, {8, 6}, {14, 12}, {32, 12}};
    for (auto [processors, workers] : cases)
        EXPECT_EQ(DefaultPoolWorkers(processors), workers) << processors << " processors";
}

TEST(ParallelFor, CarriesThePreviewFlagAndPassesTheAbort)
{
    auto host = std::make_unique<FakeHost>();
    host->FPreviewGeneration = 7;
    PreviewScope scope(true, 6); // a stale preview
    std::atomic<int> sawPreview{0};
    EXPECT_THROW(ParallelFor(0, 64,
                             [&](int) {
                                 if (ThreadIsPreview && ThreadPreviewGeneration == 6)
                                     ++sawPreview;
                                 CheckCancellation();
                             }),
                 EAbort);
    EXPECT_GT(sawPreview.load(), 0);
}

// The canvas start with a window present: erase switch, clear rules, keep path.
struct CanvasCase {
    const char* name;
    bool erase;
    ClearRule rule;
    bool flag;
    uint32_t sourcePixel;   // 0 = no source picture
    uint32_t resultPixel;   // 0 = no result picture
    bool manualBrushBase;
    uint32_t expected;
};

TEST(CanvasStart, FollowsTheEraseSwitchAndTheClearRule)
{
    const CanvasCase cases[] = {
        {"white rule", true, ClearRule::White, false, 0x80000000u, 0, false, 0xFFFFFFFFu},
        {"opaque source", true, ClearRule::SourceTest, false, 0xFF102030u, 0, false, 0xFFFFFFFFu},
        {"one translucent pixel", true, ClearRule::SourceTest, false, 0xFE102030u, 0, false, 0u},
        {"no source", true, ClearRule::SourceTest, false, 0, 0, false, 0xFFFFFFFFu},
        {"input flag set", true, ClearRule::InputTest, true, 0, 0, false, 0u},
        {"input flag clear", true, ClearRule::InputTest, false, 0, 0, false, 0xFFFFFFFFu},
        {"own colour", true, ClearRule::OwnColour, false, 0, 0, false, 0xFF336699u},
        {"keep without result", false, ClearRule::White, false, 0, 0, false, 0u},
        {"keep draws result", false, ClearRule::White, false, 0, 0xFF112233u, false, 0xFF112233u},
        {"keep draws brush base", false, ClearRule::White, false, 0, 0xFF112233u, true, 0xFF445566u},
    };
    for (const CanvasCase& c : cases) {
        FakeHost host;
        host.FEraseBdChecked = c.erase;
        if (c.sourcePixel) {
            QImage src(3, 3, QImage::Format_ARGB32_Premultiplied);
            src.fill(0xFF102030u);
            reinterpret_cast<uint32_t*>(src.scanLine(2))[2] = c.sourcePixel;
            host.FSkSourceImage = SkImage::MakeFromRaster(std::move(src));
        }
        if (c.resultPixel)
            host.FSkImage = SolidImage(3, 3, c.resultPixel);
        if (c.manualBrushBase)
            SetEffectBaseImage(SolidImage(3, 3, 0xFF445566u));

        const ISkSurface dest = SkSurface::MakeRaster(3, 3);
        CanvasStartOptions options;
        options.rule = c.rule;
        options.transparencyFlag = c.flag;
        options.ownColour = 0xFF336699u;
        const CanvasStart start = StartEffectCanvas(dest, options);
        SetEffectBaseImage(nullptr);

        EXPECT_EQ(start.DoClear, c.erase) << c.name;
        EXPECT_EQ(PixelAt(dest, 1, 1), c.expected) << c.name;
    }
}

TEST(CanvasStart, CoverageMaskIsWhiteWhereTheSourceHasAlpha)
{
    FakeHost host;
    QImage src(2, 1, QImage::Format_ARGB32_Premultiplied);
    reinterpret_cast<uint32_t*>(src.scanLine(0))[0] = 0x40202020u;
    reinterpret_cast<uint32_t*>(src.scanLine(0))[1] = 0u;
    host.FSkSourceImage = SkImage::MakeFromRaster(std::move(src));
    const ISkSurface dest = SkSurface::MakeRaster(2, 1);
    StartEffectCanvas(dest, {ClearRule::CoverageMask, true});
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0u);
}

TEST(CanvasStart, HeadlessErasesAndRecordsNoBase)
{
    ASSERT_EQ(EngineHost(), nullptr);
    const ISkSurface dest = SkSurface::MakeRaster(2, 2);
    const CanvasStart start = StartEffectCanvas(dest, {ClearRule::SourceTest});
    EXPECT_TRUE(start.DoClear);
    EXPECT_EQ(start.BaseImage, nullptr);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFFFFFFFFu);
}

TEST(CanvasStart, RecordOnlyKeepsTheCanvasUntouched)
{
    FakeHost host;
    host.FEraseBdChecked = false;
    host.FSkImage = SolidImage(2, 2, 0xFF010203u);
    const ISkSurface dest = SkSurface::MakeRaster(2, 2);
    const CanvasStart start = StartEffectCanvas(dest, {ClearRule::White, false, kColorWhite, KeepMode::RecordOnly});
    EXPECT_FALSE(start.DoClear);
    EXPECT_EQ(start.BaseImage, host.FSkImage);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0u);
}

} // namespace
} // namespace pv
