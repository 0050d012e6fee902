#include "engine/FakeHost.h"
#include "PaintingPictures.h"

#include "effects/painting/brushes/BrushstrokesFrame.h"
#include "engine/EffectWorker.h"
#include "engine/ImageHistory.h"
#include "engine/Workers.h"
#include "engine/Repository.h"
#include "platform/system/Numbers.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <vector>

namespace pv {
namespace {

using test::AllPixels;
using test::FakeHost;
using test::ImageFromPixels;
using test::SolidImage;

ISkImage Atlas() { return test::BrushAtlas(); }

// A picture whose every pixel is different, so misplaced copies show.
ISkImage Gradient(int w, int h)
{
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[size_t(y * w + x)] = MakeColor(255, uint8_t(x * 3), uint8_t(y * 5), uint8_t(100 + (x ^ y) % 100));
    return ImageFromPixels(w, h, px);
}

uint32_t At(const ISkImage& image, int x, int y) { return test::PixelsOf(image).at(x, y); }

TEST(BrushstrokesFrame, GeometryOfTheBands)
{
    // The frame panel's brush: bands 48 thick, the top one from 30 pixels above
    // the picture to 18 into it, the bottom one from 14 inside to 34 below.
    const FrameGeometry g = ComputeFrameGeometry(1000, 800, 1250, 60, 40);
    EXPECT_EQ(g.W, 1120);
    EXPECT_EQ(g.H, 920);
    EXPECT_EQ(g.Cell, 250);
    EXPECT_EQ(g.S, 40.0f);
    EXPECT_EQ(g.T, 48);
    EXPECT_EQ(g.StrokesPerBand, 6301);
    const FrameBand& top = g.Bands[0];
    EXPECT_EQ(top.Y0 - g.M, -30);
    EXPECT_EQ(top.Y0 - g.M + top.Height, 18);
    EXPECT_EQ(top.X0, g.M);
    EXPECT_EQ(top.Width, 1000);
    const FrameBand& bottom = g.Bands[1];
    EXPECT_EQ(bottom.Y0 - g.M, 800 - 14);
    EXPECT_EQ(bottom.Y0 - g.M + bottom.Height, 800 + 34);
    EXPECT_EQ(g.Bands[2].X0 - g.M, -30);
    EXPECT_EQ(g.Bands[2].Height, 800);
    EXPECT_EQ(g.Bands[3].X0 - g.M, 1000 - 14);
    EXPECT_FLOAT_EQ(g.Bands[2].BaseAngle, 1.5707964f);
    // The fades run from the outer edge towards the picture.
    EXPECT_EQ(top.FadeTo.y(), 48.0f);
    EXPECT_EQ(bottom.FadeFrom.y(), 48.0f);
    EXPECT_EQ(g.Bands[3].FadeFrom.x(), 48.0f);

    // A brush below 5 counts as 5: thin bands wholly outside the picture.
    const FrameGeometry small = ComputeFrameGeometry(100, 100, 1250, 10, 2);
    EXPECT_EQ(small.S, 5.0f);
    EXPECT_EQ(small.T, 6);
    EXPECT_EQ(small.Bands[0].Y0 - small.M + small.T, -3);
    EXPECT_EQ(small.Bands[1].Y0 - small.M, 100 + 7);

    EXPECT_EQ(ComputeFrameGeometry(10, 10, 2000, 0, 40).Cell, 250);
    EXPECT_EQ(ComputeFrameGeometry(10, 10, 1000, 0, 40).Cell, 200);
    EXPECT_EQ(ComputeFrameGeometry(10, 10, 1250, -6, 40).W, -2);
}

TEST(BrushstrokesFrame, ImageDifferenceSamplesEveryTenthPixel)
{
    const ISkImage white = SolidImage(10, 10, 0xFFFFFFFFu), black = SolidImage(10, 10, 0xFF000000u);
    EXPECT_EQ(ComputeImageDifference(white, white), 0.0);
    EXPECT_EQ(ComputeImageDifference(white, black), 195075.0);
    EXPECT_EQ(ComputeImageDifference(SolidImage(21, 11, 0xFFFFFFFFu), SolidImage(21, 11, 0xFF000000u)), 6 * 195075.0);
    EXPECT_EQ(ComputeImageDifference(white, SolidImage(10, 11, 0xFF000000u)), 0.0);
    EXPECT_EQ(ComputeImageDifference(white, nullptr), 0.0);
    // Alpha is ignored; the bytes are compared as stored.
    EXPECT_EQ(ComputeImageDifference(SolidImage(1, 1, 0x80402010u), SolidImage(1, 1, 0xFF402013u)), 9.0);
}

TEST(BrushstrokesFrame, MissingInputsOrImpossibleCanvasLeaveThePicture)
{
    const ISkImage picture = Gradient(40, 30);
    ISkImage result;
    RenderBrushstrokesFrame(result, picture, nullptr, 0xFF000000u, 10, 40);
    EXPECT_EQ(result, picture);
    RenderBrushstrokesFrame(result, nullptr, Atlas(), 0xFF000000u, 10, 40);
    EXPECT_EQ(result, nullptr);
    RenderBrushstrokesFrame(result, picture, Atlas(), 0xFF000000u, -15, 40); // 10 x 0
    EXPECT_EQ(result, picture);
    RenderBrushstrokesFrame(result, picture, Atlas(), 0xFF000000u, 2000000000, 40);
    EXPECT_EQ(result, picture);
}

TEST(BrushstrokesFrame, OpaquePictureSitsOnWhiteInsideItsBorder)
{
    const int w = 60, h = 40, M = 20;
    const ISkImage picture = Gradient(w, h);
    ISkImage framed;
    SetRandSeed(77);
    RenderBrushstrokesFrame(framed, picture, Atlas(), 0xFF123456u, M, 40);
    ASSERT_TRUE(framed);
    EXPECT_EQ(framed->width(), w + 2 * M);
    EXPECT_EQ(framed->height(), h + 2 * M);
    EXPECT_EQ(At(framed, 0, 0), 0xFF123456u) << "corners lie outside every band";
    EXPECT_EQ(At(framed, M + 30, M + 22), At(picture, 30, 22)) << "the middle lies inside no band";
    int64_t strokes = 0;
    for (int x = M; x < M + w; ++x)
        strokes += At(framed, x, M - 5) != 0xFF123456u;
    EXPECT_GT(strokes, w / 10) << "the top band paints into the border";

    ISkImage again;
    SetRandSeed(77);
    RenderBrushstrokesFrame(again, picture, Atlas(), 0xFF123456u, M, 40);
    EXPECT_EQ(AllPixels(again), AllPixels(framed)) << "a seeded frame repeats";

    // Border width 0: the canvas keeps the picture's size.
    ISkImage tight;
    RenderBrushstrokesFrame(tight, picture, Atlas(), 0xFF123456u, 0, 40);
    EXPECT_EQ(tight->width(), w);
    EXPECT_EQ(tight->height(), h);
}

TEST(BrushstrokesFrame, TranslucentPictureGetsATransparentBorder)
{
    std::vector<uint32_t> px = AllPixels(Gradient(60, 40));
    px[5] = 0x80404040u;
    ISkImage framed;
    SetRandSeed(3);
    RenderBrushstrokesFrame(framed, ImageFromPixels(60, 40, px), Atlas(), 0xFF123456u, 20, 40);
    EXPECT_EQ(At(framed, 0, 0), 0u);
    EXPECT_EQ(At(framed, 99, 79), 0u);
}

TEST(BrushstrokesFrame, StrokesOnATranslucentPictureKeepItsStraightColour)
{
    // Straight (200, 40, 40) at alpha 128, framed with no border: the strokes
    // lie over the picture's edges, tinted with its colour. Taken as straight
    // colour, the premultiplied bytes would paint (100, 20, 20).
    const ISkImage picture = SolidImage(80, 60, PremultiplyColor(0x80C82828u));
    ISkImage framed;
    SetRandSeed(5);
    RenderBrushstrokesFrame(framed, picture, Atlas(), 0xFF123456u, 0, 40);
    ASSERT_EQ(framed->width(), 80);
    int checked = 0;
    for (const uint32_t p : AllPixels(framed)) {
        ASSERT_GE(p >> 24, 128u);
        const TAlphaColor c = UnpremultiplyPixel(p);
        ASSERT_NEAR(ColorR(c), 200, 4);
        ASSERT_NEAR(ColorG(c), 40, 4);
        ASSERT_NEAR(ColorB(c), 40, 4);
        checked += (p >> 24) > 128; // covered by a stroke
    }
    EXPECT_GT(checked, 80 * 60 / 10);
}

// ------------------------------------------------------------------ the frame panel's frame

class FrameHost : public FakeHost {
public:
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    void Close() override { ++closes; }
    void CalculateBestFitAndCenter() override { ++fits; }
    QString GetEffectName(int) const override { return QStringLiteral("Oil pastel"); }
    std::vector<QString> messages;
    int closes = 0, fits = 0;
};

class AsyncFrame : public testing::Test {
protected:
    void SetUp() override
    {
        host.FSkImage = Gradient(80, 60);
        host.FSkSourceImage = SolidImage(80, 60, 0xFF808080u);
        host.FHistory = &history;
    }
    void TearDown() override { EffectsStopped = false; }

    void WaitForWorkers()
    {
        QElapsedTimer t;
        t.start();
        while (RunningWorkers() > 0 && t.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
        ASSERT_EQ(RunningWorkers(), 0);
        test::DrainEvents();
    }

    TImageHistory history;
    FrameHost host;
};

TEST_F(AsyncFrame, StoresBothPicturesWithOneHistorySnapshot)
{
    const ISkImage before = host.FSkImage;
    ASSERT_TRUE(AddBrushstrokesFrame(0xFF000000u, 10, 40));
    EXPECT_EQ(host.FCurrentEffectNumber, kBrushstrokesFrameNumber);
    WaitForWorkers();
    ASSERT_NE(host.FSkImage, before);
    EXPECT_EQ(host.FSkImage->width(), 100);
    EXPECT_EQ(host.FSkSourceImage->width(), 100);
    EXPECT_EQ(host.FSkSourceImage->height(), 80);
    EXPECT_EQ(At(host.FSkSourceImage, 0, 0), 0xFF000000u) << "the source gets the plain border";
    EXPECT_EQ(At(host.FSkSourceImage, 50, 40), 0xFF808080u);
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(host.fits, 1);
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.front(), 0);
    EXPECT_EQ(host.progress.back(), 101);
    EXPECT_EQ(host.FCurrentEffectNumber, -1);
}

TEST_F(AsyncFrame, RefusedWhileAnotherRenderRuns)
{
    host.FCurrentEffectNumber = 302;
    EXPECT_FALSE(AddBrushstrokesFrame(0xFF000000u, 10, 40));
    EXPECT_EQ(host.FCurrentEffectNumber, 302);
    EXPECT_EQ(RunningWorkers(), 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], u"Please wait for \"Oil pastel\" to finish processing.");

    // A second frame while the first runs is refused as well.
    host.FCurrentEffectNumber = -1;
    ASSERT_TRUE(AddBrushstrokesFrame(0xFF000000u, 10, 40));
    EXPECT_FALSE(AddBrushstrokesFrame(0xFF000000u, 10, 40));
    EXPECT_EQ(host.messages.size(), 2u);
    WaitForWorkers();
    EXPECT_EQ(history.Count(), 1);
}

TEST_F(AsyncFrame, ClosingWindowStopsTheFrameAndThenCloses)
{
    const ISkImage before = host.FSkImage;
    ASSERT_TRUE(AddBrushstrokesFrame(0xFF000000u, 10, 40));
    host.Cancel = true; // what the close handler does when it has to wait
    host.FCloseRequested = true;
    WaitForWorkers();
    EXPECT_EQ(host.FSkImage, before);
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(host.closes, 1);
    EXPECT_FALSE(host.FCloseRequested);
    EXPECT_EQ(host.FCurrentEffectNumber, -1);
}

TEST_F(AsyncFrame, StoppedEffectsEndTheWorkerWithoutTouchingTheWindow)
{
    const ISkImage before = host.FSkImage;
    ASSERT_TRUE(AddBrushstrokesFrame(0xFF000000u, 10, 40));
    StopAllEffects(); // the window is being destroyed
    WaitForWorkers();
    EXPECT_EQ(host.FSkImage, before);
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(host.closes, 0);
}

TEST(BrushstrokesFrameWithoutWindow, NothingStarts)
{
    EXPECT_FALSE(AddBrushstrokesFrame(0xFF000000u, 10, 40));
    EXPECT_EQ(RunningWorkers(), 0);
}

} // namespace
} // namespace pv
