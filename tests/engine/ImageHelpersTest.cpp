#include "FakeHost.h"

#include "engine/ImageHelpers.h"
#include "platform/system/Errors.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>

namespace pv {
namespace {

using test::AllPixels;
using test::ImageFromPixels;

TEST(ImageHelpers, ClampByte)
{
    EXPECT_EQ(ClampByte(-1), 0);
    EXPECT_EQ(ClampByte(0), 0);
    EXPECT_EQ(ClampByte(200), 200);
    EXPECT_EQ(ClampByte(256), 255);
}

TEST(ImageHelpers, RotateImage90BothWays)
{
    // 3 x 2: a b c / d e f (translucent e to show pixels move untouched).
    const ISkImage image = ImageFromPixels(3, 2, {0xFF00000Au, 0xFF00000Bu, 0xFF00000Cu, 0xFF00000Du, 0x8000000Eu,
                                                0xFF00000Fu});
    const ISkImage right = RotateImage90(image, true);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->width(), 2);
    EXPECT_EQ(right->height(), 3);
    // d a / e b / f c: the former top-left ends at the top right.
    EXPECT_EQ(AllPixels(right), (std::vector<uint32_t>{0xFF00000Du, 0xFF00000Au, 0x8000000Eu, 0xFF00000Bu, 0xFF00000Fu,
                                                    0xFF00000Cu}));
    const ISkImage left = RotateImage90(image, false);
    ASSERT_NE(left, nullptr);
    // c f / b e / a d: the former top-left ends at the bottom left.
    EXPECT_EQ(AllPixels(left), (std::vector<uint32_t>{0xFF00000Cu, 0xFF00000Fu, 0xFF00000Bu, 0x8000000Eu, 0xFF00000Au,
                                                   0xFF00000Du}));
    EXPECT_EQ(AllPixels(RotateImage90(right, false)), AllPixels(image));
    EXPECT_EQ(RotateImage90(nullptr, true), nullptr);
}

TEST(ImageHelpers, ScaleImageToSameSizeAndOnePixel)
{
    std::vector<uint32_t> pixels(7 * 5);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = PremultiplyColor(uint32_t(i * 2654435761u));
    const ISkImage image = ImageFromPixels(7, 5, pixels);
    const ISkImage same = ScaleImageTo(image, 7, 5);
    ASSERT_NE(same, nullptr);
    EXPECT_NE(same->uniqueID(), image->uniqueID());
    EXPECT_EQ(AllPixels(same), pixels);

    const ISkImage one = ScaleImageTo(test::SolidImage(9, 4, 0x80402010u), 1, 1);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->width(), 1);
    EXPECT_EQ(one->height(), 1);
    EXPECT_EQ(AllPixels(one)[0], 0x80402010u);
    EXPECT_EQ(ScaleImageTo(image, 0, 5), nullptr);
}

TEST(ImageHelpers, CopySkImageRegionToBitmap)
{
    // 4 x 3 picture with pixel value 0xFF0000yx.
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            pixels.push_back(0xFF000000u | uint32_t(y << 4 | x));
    const ISkImage image = ImageFromPixels(4, 3, pixels);
    constexpr uint32_t kOld = 0x11223344u;
    struct Case {
        int X, Y;
        std::array<uint32_t, 9> expected; // 3 x 3 bitmap
    };
    const Case cases[] = {
        {2, 1, {0xFF000012u, 0xFF000013u, kOld, 0xFF000022u, 0xFF000023u, kOld, kOld, kOld, kOld}},
        {-1, -2, {kOld, kOld, kOld, kOld, kOld, kOld, kOld, 0xFF000000u, 0xFF000001u}},
        {4, 0, {kOld, kOld, kOld, kOld, kOld, kOld, kOld, kOld, kOld}},
        {0, -3, {kOld, kOld, kOld, kOld, kOld, kOld, kOld, kOld, kOld}},
    };
    for (const Case& c : cases) {
        QImage bitmap(3, 3, QImage::Format_ARGB32_Premultiplied);
        bitmap.fill(kOld);
        CopySkImageRegionToBitmap(image, &bitmap, c.X, c.Y);
        ASSERT_EQ(bitmap.size(), QSize(3, 3));
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(reinterpret_cast<const uint32_t*>(bitmap.constScanLine(i / 3))[i % 3], c.expected[size_t(i)])
                << c.X << "," << c.Y << " pixel " << i;
    }
    CopySkImageRegionToBitmap(image, nullptr, 0, 0); // nothing to write to
}

TEST(ImageHelpers, SmoothCyclicIntArray)
{
    std::vector<int> equal(9, 37);
    SmoothCyclicIntArray(equal, 9, 1.7f);
    EXPECT_EQ(equal, std::vector<int>(9, 37));

    // Count 5: the taps at +-3 wrap around (index -3 of element 0 is element 2).
    // Weights for sigma 1: 1, 0.6065, 0.1353, 0.0111 (sum 2.5059); element 0
    // sees element 2 at -3 and +2: 100 x 0.1464 / 2.5059 = 5.84. The sixth
    // value lies beyond Count and stays.
    std::vector<int> spike{0, 0, 100, 0, 0, 9};
    SmoothCyclicIntArray(spike, 5, 1.0f);
    EXPECT_EQ(spike, (std::vector<int>{6, 24, 40, 24, 6, 9}));

    const std::vector<int> before{1, 50, 3};
    for (const auto& [count, sigma] : {std::pair{0, 1.0f}, std::pair{-2, 1.0f}, std::pair{3, 0.0f},
                                       std::pair{3, -1.0f}, std::pair{3, NAN}}) {
        std::vector<int> values = before;
        SmoothCyclicIntArray(values, count, sigma);
        EXPECT_EQ(values, before) << count << " " << sigma;
    }
    std::vector<int> tooFew{4, 4};
    SmoothCyclicIntArray(tooFew, 7, 1.0f); // Count beyond the array is limited to it
    EXPECT_EQ(tooFew, (std::vector<int>{4, 4}));
}

TEST(ImageHelpers, LoadBrushMaskFallsBackToTheCone)
{
    std::vector<uint8_t> mask;
    int W = 0, H = 0;
    const QImage empty;
    LoadBrushMask(&empty, mask, W, H, QStringLiteral("no-such-brush-mask.png"));
    ASSERT_EQ(W, 32);
    ASSERT_EQ(H, 32);
    ASSERT_EQ(mask.size(), 32u * 32u);
    const auto at = [&](int x, int y) { return int(mask[size_t(y) * 32 + size_t(x)]); };
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(16, 0), 0);
    EXPECT_EQ(at(16, 8), 128); // round(0.5 x 255), halves to even
    EXPECT_EQ(at(16, 16), 255);
}

TEST(ImageHelpers, LoadBrushMaskReadsAlphaFromImageOrFile)
{
    QImage brush(3, 2, QImage::Format_ARGB32);
    brush.fill(Qt::transparent);
    brush.setPixel(1, 0, qRgba(10, 20, 30, 200));
    brush.setPixel(2, 1, qRgba(255, 255, 255, 255));
    const std::vector<uint8_t> expected{0, 200, 0, 0, 0, 255};

    std::vector<uint8_t> mask;
    int W = 0, H = 0;
    LoadBrushMask(&brush, mask, W, H, QString());
    EXPECT_EQ(W, 3);
    EXPECT_EQ(H, 2);
    EXPECT_EQ(mask, expected);

    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("brush.png"));
    ASSERT_TRUE(brush.save(png));
    mask.clear();
    LoadBrushMask(nullptr, mask, W, H, png);
    EXPECT_EQ(W, 3);
    EXPECT_EQ(mask, expected);

    const QString broken = dir.filePath(QStringLiteral("broken.png"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    EXPECT_THROW(LoadBrushMask(nullptr, mask, W, H, broken), Exception);
}

} // namespace
} // namespace pv
