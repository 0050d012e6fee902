#include "platform/graphics/PolygonFill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace pv {
namespace {

struct Raster {
    std::vector<uint32_t> px;
    SkPixmap map;
    Raster(int w, int h, uint32_t fill = 0) : px(size_t(w) * size_t(h), fill)
    {
        map = SkPixmap{reinterpret_cast<uint8_t*>(px.data()), w, h, size_t(w) * 4};
    }
    double alphaSum() const
    {
        double sum = 0;
        for (uint32_t p : px)
            sum += (p >> 24) / 255.0;
        return sum;
    }
};

TEST(PolygonFill, CoverageAddsUpToTheArea)
{
    struct Case {
        const char* name;
        std::vector<float> xy;
        double area;
    };
    std::vector<float> star;
    for (int k = 0; k < 40; ++k) {
        const double a = k * 2 * M_PI / 40, r = k % 2 ? 9.3 : 4.1;
        star.push_back(float(20.3 + r * std::cos(a)));
        star.push_back(float(15.7 + r * std::sin(a)));
    }
    double starArea = 0;
    for (size_t i = 0; i < star.size(); i += 2) {
        const size_t j = (i + 2) % star.size();
        starArea += 0.5 * (double(star[i]) * star[j + 1] - double(star[j]) * star[i + 1]);
    }
    const Case cases[] = {
        {"square on half pixels", {2.5f, 3.5f, 12.5f, 3.5f, 12.5f, 9.5f, 2.5f, 9.5f}, 60.0},
        {"triangle", {1.2f, 1.7f, 30.9f, 4.3f, 9.4f, 27.8f}, 0.5 * std::abs((30.9 - 1.2) * (27.8 - 1.7) - (9.4 - 1.2) * (4.3 - 1.7))},
        {"star", star, std::abs(starArea)},
    };
    for (const Case& c : cases) {
        Raster r(40, 32);
        PolygonFiller().fill(r.map, c.xy.data(), int(c.xy.size() / 2), 0xFF000000u);
        EXPECT_NEAR(r.alphaSum(), c.area, 0.02 * c.area + 1.0) << c.name;
    }
}

TEST(PolygonFill, InteriorTakesTheColourAndEdgesBlend)
{
    Raster r(10, 10, 0xFF0000FFu);
    const float square[] = {2, 2, 8, 2, 8, 8.5f, 2, 8.5f};
    PolygonFiller filler;
    filler.fill(r.map, square, 4, 0xFFFF0000u);
    EXPECT_EQ(r.map.at(2, 2), 0xFFFF0000u);
    EXPECT_EQ(r.map.at(7, 7), 0xFFFF0000u);
    EXPECT_EQ(r.map.at(8, 5), 0xFF0000FFu) << "right of the edge at x = 8";
    const uint32_t half = r.map.at(4, 8);
    EXPECT_NEAR(int((half >> 16) & 0xFF), 128, 2);
    EXPECT_NEAR(int(half & 0xFF), 127, 2);
    // A translucent colour composites over what is there.
    filler.fill(r.map, square, 4, 0x80000000u);
    EXPECT_EQ(r.map.at(5, 5), 0xFF7F0000u);
}

TEST(PolygonFill, ClipsToThePixmap)
{
    Raster r(8, 6);
    const float big[] = {-50, -40, 70, -40, 70, 60, -50, 60};
    PolygonFiller().fill(r.map, big, 4, 0xFF00FF00u);
    for (uint32_t p : r.px)
        ASSERT_EQ(p, 0xFF00FF00u);
    Raster s(8, 6);
    const float off[] = {20, 20, 30, 20, 30, 30};
    PolygonFiller().fill(s.map, off, 3, 0xFF00FF00u);
    for (uint32_t p : s.px)
        ASSERT_EQ(p, 0u);
}

TEST(PolygonFill, LargePolygonsGiveTheSameResultInParallel)
{
    // Above the parallel threshold the rows are blended on several threads;
    // the same polygon filled in pieces (one per quadrant clip) must agree.
    Raster a(600, 400, 0xFF202020u);
    std::vector<float> blob;
    for (int k = 0; k < 64; ++k) {
        const double t = k * 2 * M_PI / 64, r = 150 + 40 * std::sin(5 * t);
        blob.push_back(float(300 + 1.4 * r * std::cos(t)));
        blob.push_back(float(200 + r * std::sin(t)));
    }
    PolygonFiller().fill(a.map, blob.data(), 64, 0xC0A06040u);
    Raster b(600, 400, 0xFF202020u);
    for (int q = 0; q < 4; ++q) {
        const int x0 = (q % 2) * 300, y0 = (q / 2) * 200;
        SkPixmap part{b.map.base + size_t(y0) * b.map.rowBytes + size_t(x0) * 4, 300, 200, b.map.rowBytes};
        std::vector<float> moved = blob;
        for (size_t i = 0; i < moved.size(); i += 2) {
            moved[i] -= float(x0);
            moved[i + 1] -= float(y0);
        }
        PolygonFiller().fill(part, moved.data(), 64, 0xC0A06040u);
    }
    EXPECT_EQ(a.px, b.px);
}

} // namespace
} // namespace pv
