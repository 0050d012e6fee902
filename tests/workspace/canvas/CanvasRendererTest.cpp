#include "workspace/canvas/CanvasRenderer.h"

#include "platform/graphics/SkImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace pv {
namespace {

// A picture with detail everywhere, so any sampling difference shows.
ISkImage NoisePicture(int w, int h, uint8_t alpha = 255)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    uint32_t state = 12345;
    for (int y = 0; y < h; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            const TAlphaColor straight = (uint32_t(alpha) << 24) | (state >> 8);
            row[x] = PremultiplyColor(straight);
        }
    }
    return SkImage::MakeFromRaster(std::move(image));
}

CanvasScene OneLayer(const ISkImage& image, QRectF dst, QSize size = {160, 120})
{
    CanvasScene scene;
    scene.size = size;
    scene.canvas = QRectF(QPointF(0, 0), size);
    scene.layers[0] = {image, dst, scene.canvas};
    scene.layerCount = 1;
    return scene;
}

bool SamePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 4) != 0)
            return false;
    return true;
}

uint32_t Pixel(const QImage& image, int x, int y) { return reinterpret_cast<const uint32_t*>(image.constScanLine(y))[x]; }

TEST(CanvasRendererTest, WholePixelMovesResampleOnlyWhatCameIntoViewAndMatchAFreshRender)
{
    const ISkImage picture = NoisePicture(300, 200);
    struct Case {
        double zoom;     // 0.3 samples a level of the mip chain
        QPointF corner;
        int64_t first;   // pixels sampled by the first render
        int64_t moved;   // and after a move by (7, -3)
    } cases[] = {
        {0.73, {-20.25, -10.5}, 160 * 120, 160 * 3 + 7 * 117}, // larger than the view
        {0.3, {30.25, 20.5}, 91 * 61, 0},                      // wholly inside it
    };
    for (const Case& c : cases) {
        for (const bool fast : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.zoom << (fast ? " nearest" : " cubic"));
            CanvasRenderer incremental;
            CanvasScene scene = OneLayer(picture, QRectF(c.corner, QSizeF(300 * c.zoom, 200 * c.zoom)));
            scene.fast = fast;
            incremental.Render(scene);
            EXPECT_EQ(incremental.LastSampledPixels(), c.first);

            // The same view again is a blit.
            incremental.Render(scene);
            EXPECT_EQ(incremental.LastSampledPixels(), 0);

            scene.layers[0].dst.translate(7, -3);
            const QImage& moved = incremental.Render(scene);
            EXPECT_EQ(incremental.LastSampledPixels(), c.moved);
            CanvasRenderer fresh;
            EXPECT_TRUE(SamePixels(moved, fresh.Render(scene)));
        }
    }
}

TEST(CanvasRendererTest, TheSamePictureOnBothSidesOfTheDividerKeepsBothSides)
{
    const ISkImage picture = NoisePicture(300, 200);
    CanvasScene scene = OneLayer(picture, QRectF(-20.25, -10.5, 300 * 0.73, 200 * 0.73));
    scene.layers[0].clip = QRectF(0, 0, 80, 120);
    scene.layers[1] = {picture, scene.layers[0].dst, QRectF(80, 0, 80, 120)};
    scene.layerCount = 2;
    CanvasRenderer incremental;
    incremental.Render(scene);
    for (CanvasLayer& layer : scene.layers)
        layer.dst.translate(4, 2);
    const QImage& moved = incremental.Render(scene);
    EXPECT_EQ(incremental.LastSampledPixels(), 2 * (80 * 120 - 76 * 118));
    CanvasRenderer fresh;
    EXPECT_TRUE(SamePixels(moved, fresh.Render(scene)));
}

TEST(CanvasRendererTest, NearestSamplingAtAWholeZoomRepeatsPicturePixels)
{
    const ISkImage picture = NoisePicture(40, 30);
    CanvasScene scene = OneLayer(picture, QRectF(0, 0, 80, 60), {80, 60});
    scene.cornerRadius = 0;
    scene.fast = true;
    CanvasRenderer renderer;
    const QImage& frame = renderer.Render(scene);
    const QImage& src = picture->qimage();
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 1}, {37, 20}, {79, 59}})
        EXPECT_EQ(Pixel(frame, x, y), Pixel(src, x / 2, y / 2)) << x << "," << y;
}

TEST(CanvasRendererTest, PicturesLieOverTheBackgroundWithSoftEdgesInsideRoundedCorners)
{
    // A flat half-transparent picture whose left edge falls mid-pixel.
    QImage flat(10, 10, QImage::Format_ARGB32_Premultiplied);
    flat.fill(QColor(255, 0, 0, 128));
    const ISkImage picture = SkImage::MakeFromQImage(flat);
    CanvasScene scene = OneLayer(picture, QRectF(40.5, 40, 40, 40));
    CanvasRenderer renderer;
    const QImage& frame = renderer.Render(scene);

    const uint32_t bg = PremultiplyColor(kWorkspaceColor);
    EXPECT_EQ(Pixel(frame, 20, 60), bg);
    const uint32_t inside = Pixel(frame, 60, 60);
    EXPECT_EQ(inside >> 24, 255u);
    EXPECT_NEAR(int((inside >> 16) & 0xFF), 128 + (0x11 * 127 + 127) / 255, 2); // red over the background
    const uint32_t edge = Pixel(frame, 40, 60); // half covered
    EXPECT_GT((edge >> 16) & 0xFF, (bg >> 16) & 0xFF);
    EXPECT_LT((edge >> 16) & 0xFF, (inside >> 16) & 0xFF);

    // Rounded corners: transparent at the very corner, full a radius in.
    EXPECT_EQ(Pixel(frame, 0, 0), 0u);
    EXPECT_EQ(Pixel(frame, 159, 119), 0u);
    EXPECT_EQ(Pixel(frame, 15, 15), bg);
    EXPECT_EQ(Pixel(frame, 0, 60), bg);
}

TEST(CanvasRendererTest, LayersShowOnlyInsideTheirClips)
{
    QImage red(8, 8, QImage::Format_ARGB32_Premultiplied), blue(8, 8, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    CanvasScene scene = OneLayer(SkImage::MakeFromQImage(blue), QRectF(0, 0, 160, 120));
    scene.layers[0].clip = QRectF(0, 0, 70.4, 120); // pixels 0..69
    scene.layers[1] = {SkImage::MakeFromQImage(red), QRectF(0, 0, 160, 120), QRectF(70.4, 0, 89.6, 120)};
    scene.layerCount = 2;
    CanvasRenderer renderer;
    const QImage& frame = renderer.Render(scene);
    EXPECT_EQ(Pixel(frame, 69, 60), 0xFF0000FFu);
    EXPECT_EQ(Pixel(frame, 70, 60), 0xFFFF0000u);
}

} // namespace
} // namespace pv
