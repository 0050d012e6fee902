#include "BenchImages.h"

#include "engine/Effect.h"
#include "platform/graphics/Codecs.h"
#include "platform/system/Numbers.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace pv::bench {

ISkImage ReferencePhoto()
{
    static const ISkImage photo = [] {
        const QString path = QStringLiteral(PV_BENCH_PHOTO);
        if (QFileInfo::exists(path))
            if (ISkImage image = DecodeImageFile(path); image && image->width() == 4000 && image->height() == 3000)
                return image;
        QImage img(4000, 3000, QImage::Format_RGB32);
        SetRandSeed(12345);
        for (int y = 0; y < img.height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const double v = 0.5 + 0.25 * std::sin(x / 180.0) * std::cos(y / 140.0) + ((x / 400 + y / 300) % 2) * 0.2;
                const int n = Random(24) - 12;
                const int g = Clamp(int(v * 200) + n, 0, 255);
                row[x] = 0xFF000000u | uint32_t(Clamp(g + 30, 0, 255)) << 16 | uint32_t(g) << 8 | uint32_t(Clamp(g - 40, 0, 255));
            }
        }
        return SkImage::MakeFromQImage(std::move(img));
    }();
    return photo;
}

ISkImage PreviewCrop()
{
    static const ISkImage crop = [] {
        const ISkImage photo = ReferencePhoto();
        constexpr int side = 225;
        return photo->makeSubset(SkIRect::MakeXYWH(photo->width() * 33 / 100, photo->height() / 2, side, side));
    }();
    return crop;
}

ISkImage PreviewRegion(const ISkImage& picture, double zoom)
{
    const int side = Round(225 / zoom);
    const int w = std::min(side, picture->width()), h = std::min(side, picture->height());
    const int x = std::min(picture->width() * 33 / 100, picture->width() - w);
    const int y = std::min(picture->height() / 2, picture->height() - h);
    return picture->makeSubset(SkIRect::MakeXYWH(x, y, w, h));
}

ISkImage SmallPhoto()
{
    static const ISkImage small = SkImage::MakeFromQImage(
        ReferencePhoto()->qimage().scaled(640, 480, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return small;
}

std::array<int, 5> DesktopDefaults(int number)
{
    std::array<int, 5> P{};
    if (const EffectInfo* effect = FindEffect(number))
        for (size_t k = 0; k < 5; ++k)
            P[k] = effect->slots[k].value;
    return P;
}

void RunEffectOnReference(benchmark::State& state, int number, int P1, int P2, int P3, int P4, int P5)
{
    const ISkImage photo = ReferencePhoto();
    for (auto _ : state) {
        const ISkSurface dest = SkSurface::MakeRaster(photo->width(), photo->height());
        ProcessEffectOnSurface(photo, dest, number, P1, P2, P3, P4, P5, false);
        benchmark::DoNotOptimize(dest.get());
    }
    const double megapixels = photo->width() * double(photo->height()) / 1e6;
    state.counters["MP/s"] = benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace pv::bench
