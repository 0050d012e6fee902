// Output hashes of every effect: one line per effect and case, with a hash of
// the picture for each seed and worker count. Two builds print the same lines
// exactly when they paint the same pictures; a line whose hashes differ
// between worker counts marks a result that depends on the thread count.
//
//   pv_effect_hashes [--photo FILE] [--effects 500,502] [--seeds 1,77]
//                    [--workers 1,8] [--cases preview,small,large] [--save DIR]
//
// Cases: "preview" is the preview box's 225 x 225 crop of the photograph,
// rendered as a preview while a stand-in window holds the whole photograph;
// "small" is a full render of a 640 x 480 crop (both where the bird meets the
// bark); "large" a full render of the whole photograph (slow; off unless
// asked for). --save writes each case's first picture as
// DIR/<effect>-<case>.png, to look at.

#include "effects/painting/watercolor/Watercolor.h"
#include "effects/painting/OilPastel.h"
#include "engine/EngineHost.h"
#include "engine/Effect.h"
#include "platform/graphics/Codecs.h"
#include "platform/system/Files.h"
#include "platform/system/Numbers.h"
#include "platform/system/Threads.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <vector>

namespace pv {
namespace {

uint32_t gSeed = 1;

// Effects 300 and 302 seed the generator from the clock; these run them with
// the seed of the case instead.
void Watercolor(const ISkImage& S, const ISkSurface& D, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    CentralSpokeEffectSeeded(S, D, P1, P2, P3, P4, P5, Preview, gSeed);
}
void OilPastel(const ISkImage& S, const ISkSurface& D, int P1, int P2, int P3, int P4, int P5, bool Preview)
{
    NewRandomStrokes_BestOfNSeeded(S, D, P1, P2, P3, P4, P5, Preview, gSeed);
}

class HashHost : public TEngineHost {
public:
    explicit HashHost(ISkImage photo)
    {
        FSkSourceImage = FSkImage = std::move(photo);
        SetEngineHost(this);
    }
    ~HashHost() override { SetEngineHost(nullptr); }
    void UpdateProgressBar(int) override {}
    void ShowPreviewBox(const ISkImage&, int) override {}
    QSize PreviewBoxSize() const override { return {225, 225}; }
};

uint64_t HashSurface(const ISkSurface& surface)
{
    SkPixmap pm;
    uint64_t h = 1469598103934665603ull;
    if (!surface->peekPixels(pm))
        return 0;
    for (int y = 0; y < pm.height; ++y) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(pm.row(y));
        for (int i = 0; i < pm.width * 4; ++i)
            h = (h ^ bytes[i]) * 1099511628211ull;
    }
    return h;
}

std::vector<int> Numbers(const QString& list)
{
    std::vector<int> out;
    for (const QString& part : list.split(',', Qt::SkipEmptyParts))
        out.push_back(part.toInt());
    return out;
}

// A crop where the benchmark photograph's bird meets the bark: detail and
// flat background in one picture.
ISkImage Crop(const ISkImage& photo, int w, int h)
{
    return photo->makeSubset(SkIRect::MakeXYWH(photo->width() * 33 / 100, photo->height() / 2, w, h));
}

int Run(const QStringList& args)
{
    QString photoPath = QStringLiteral(PV_BENCH_PHOTO);
    std::vector<int> effects, seeds{1, 77}, workers{1, 8};
    QStringList cases{"preview", "small"};
    QString saveDir;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString& key = args[i];
        const QString& value = args[i + 1];
        if (key == "--photo")
            photoPath = value;
        else if (key == "--effects")
            effects = Numbers(value);
        else if (key == "--seeds")
            seeds = Numbers(value);
        else if (key == "--workers")
            workers = Numbers(value);
        else if (key == "--save")
            saveDir = value;
        else if (key == "--cases")
            cases = value.split(',', Qt::SkipEmptyParts);
        else {
            std::fprintf(stderr, "unknown option %s\n", qPrintable(key));
            return 2;
        }
    }
    const ISkImage photo = DecodeImageFile(photoPath);
    if (!photo || photo->width() < 640 || photo->height() < 480) {
        std::fprintf(stderr, "cannot read a photograph of at least 640 x 480 from %s\n", qPrintable(photoPath));
        return 2;
    }
    if (effects.empty())
        for (const EffectInfo& e : EffectCatalogue())
            effects.push_back(e.number);
    ReplaceEffect(300, Watercolor);
    ReplaceEffect(302, OilPastel);

    bool independent = true;
    for (const QString& kind : cases) {
        const bool preview = kind == "preview";
        const ISkImage input = preview ? Crop(photo, 225, 225) : kind == "small" ? Crop(photo, 640, 480) : photo;
        for (int number : effects) {
            const EffectInfo* effect = FindEffect(number);
            if (!effect)
                continue;
            const std::array<EffectSlot, 5>& slot = effect->slots;
            std::printf("%d %s", number, qPrintable(kind));
            for (int seed : seeds) {
                uint64_t first = 0;
                for (size_t k = 0; k < workers.size(); ++k) {
                    SetSharedPoolWorkers(workers[k]);
                    gSeed = uint32_t(seed);
                    SetRandSeed(uint32_t(seed));
                    const ISkSurface dest = SkSurface::MakeRaster(input->width(), input->height());
                    {
                        std::unique_ptr<HashHost> host;
                        if (preview)
                            host = std::make_unique<HashHost>(photo);
                        ProcessEffectOnSurface(input, dest, number, slot[0].value, slot[1].value, slot[2].value,
                                               slot[3].value, slot[4].value, preview);
                        ThreadIsPreview = false;
                    }
                    const uint64_t hash = HashSurface(dest);
                    std::printf(" s%d/w%d=%016llx", seed, workers[k], static_cast<unsigned long long>(hash));
                    if (k == 0 && seed == seeds.front() && !saveDir.isEmpty()) {
                        QByteArray png;
                        if (EncodeImage(dest->makeImageSnapshot(), ImageFileFormat::Png, 100, png))
                            WriteFileAtomically(saveDir + QStringLiteral("/%1-%2.png").arg(number).arg(kind), png);
                    }
                    if (k == 0)
                        first = hash;
                    else if (hash != first) {
                        std::printf("!");
                        independent = false;
                    }
                }
            }
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    SetSharedPoolWorkers(0);
    if (!independent)
        std::fprintf(stderr, "some results depend on the number of workers (marked !)\n");
    return independent ? 0 : 1;
}

} // namespace
} // namespace pv

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    pv::SetUICallsInline(true);
    pv::EngineStart();
    const int code = pv::Run(QCoreApplication::arguments());
    pv::EngineEnd();
    return code;
}
