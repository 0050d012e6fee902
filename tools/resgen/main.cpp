// pv_resgen <outdir> <DefaultImage.jpg>
// Draws the program's built-in pictures and writes them as
// <outdir>/PELANDROVIUM_IMAGES.zip (JPEG textures, stored) and <outdir>/forms/*.png.
// The output is the same, byte for byte, on every run.

#include "platform/graphics/PngEncoder.h"
#include "platform/system/Files.h"
#include "tools/resgen/Pictures.h"
#include "tools/common/DeterministicZip.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>

#include <tbb/global_control.h>
#include <tbb/parallel_for.h>

#include <cstdio>
#include <malloc.h>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

using namespace resgen;

namespace {

QByteArray Encode(const QImage& image, const char* format, int quality)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (image.isNull() || !writer.write(image))
        throw std::runtime_error(std::string("cannot encode a picture as ") + format);
    return out;
}

QByteArray Jpeg(const QImage& image) { return Encode(image, "jpeg", 90); }

// Through the program's own PNG writer: fast, and the same bytes whatever the
// number of threads. Every drawn alpha survives the premultiplied round trip
// exactly (colours of faint pixels may shift, which no reader uses).
QByteArray Png(const QImage& image)
{
    QImage premultiplied = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pv::SkPixmap pixels{premultiplied.bits(), premultiplied.width(), premultiplied.height(),
                        size_t(premultiplied.bytesPerLine())};
    QByteArray out;
    if (!pv::EncodePng(pixels, out))
        throw std::runtime_error("cannot encode a picture as png");
    return out;
}

struct Job {
    QString name; // zip entry name, or "forms/<file>.png"
    std::function<QByteArray()> make;
    QByteArray data;
};

} // namespace

int main(int argc, char** argv)
{
    // The pictures are drawn through large temporary buffers; keeping freed
    // memory in the process instead of returning it to the system spares
    // the page faults of mapping it afresh for every picture.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, -1);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: pv_resgen <outdir> <DefaultImage.jpg>\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QString defaultImagePath = QString::fromLocal8Bit(argv[2]);

    try {
        QFile defaultImage(defaultImagePath);
        if (!defaultImage.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " + defaultImagePath.toStdString());
        const QByteArray defaultBytes = defaultImage.readAll();

        // The never-read textures are small; the others have the sizes the
        // effects index them by.
        std::vector<Job> jobs = {
            {"WatercolorTextureBest.jpg", [] { return Jpeg(WatercolorPaperTexture(256, 256, 11)); }, {}},
            {"OldWatercolorTexture.jpg", [] { return Jpeg(WatercolorPaperTexture(256, 256, 12)); }, {}},
            {"PaperTexture.jpg", [] { return Jpeg(PaperTexture(256, 256)); }, {}},
            {"OilPaintingTexture.jpg", [] { return Jpeg(ImpastoTexture(256, 256)); }, {}},
            {"DefaultImage.jpg", [&] { return defaultBytes; }, {}},
            {"WatercolorTexture.jpg", [] { return Jpeg(WatercolorPaperTexture(256, 256, 13)); }, {}},
            {"ClothTexture.jpg", [] { return Jpeg(FabricTexture(256, 256)); }, {}},
            {"PencilTexture.jpg", [] { return Jpeg(PencilTexture(512, 166)); }, {}},
            {"OldFilmTexture.jpg", [] { return Jpeg(FilmGrainTexture(2904, 2064)); }, {}},
            {"VCLwatercolortexture.jpg", [] { return Jpeg(WatercolorPaperTexture(1024, 768, 7)); }, {}},
            {"TL_Canvas.jpg", [] { return Jpeg(CanvasTexture(1024, 1024)); }, {}},
            {"TL_Paper.jpg", [] { return Jpeg(PaperTexture(1024, 1024)); }, {}},
            {"TL_Impasto.jpg", [] { return Jpeg(ImpastoTexture(1024, 1024)); }, {}},
            {"TL_watercolor.jpg", [] { return Jpeg(WatercolorPaperTexture(1024, 1024, 5)); }, {}},
            {"TL_cardboard.jpg", [] { return Jpeg(CardboardTexture(1024, 1024)); }, {}},
            {"TL_fabric.jpg", [] { return Jpeg(FabricTexture(1024, 1024)); }, {}},
        };
        const size_t zipCount = jobs.size();
        jobs.push_back({"forms/DefaultBrushes.png", [] { return Png(DefaultBrushSheet()); }, {}});
        jobs.push_back({"forms/WatercolorBrushes.png", [] { return Png(WatercolorBrushSheet()); }, {}});
        jobs.push_back({"forms/PastelBrushes.png", [] { return Png(PastelBrushSheet()); }, {}});
        jobs.push_back({"forms/TemplateMatchingBrushes.png", [] { return Png(TemplateMatchingAtlas()); }, {}});
        jobs.push_back({"forms/PaintBrushSim.png", [] { return Png(BrushMask(80, 80, 1)); }, {}});
        jobs.push_back({"forms/PaintBrushSim2.png", [] { return Png(BrushMask(54, 56, 2)); }, {}});
        jobs.push_back({"forms/PaintBrushSim3.png", [] { return Png(BrushMask(38, 39, 3)); }, {}});
        for (int i = 1; i <= 9; ++i)
            jobs.push_back({QString("forms/Frame%1.png").arg(i), [i] { return Png(Frame(i)); }, {}});

        // Every picture is drawn independently from its own seeds, so drawing
        // them side by side gives the same bytes as drawing them in turn.
        // PV_RESGEN_TIMES=1 draws on one thread and prints what each picture costs.
        const bool timing = qEnvironmentVariableIsSet("PV_RESGEN_TIMES");
        std::optional<tbb::global_control> oneThread;
        if (timing)
            oneThread.emplace(tbb::global_control::max_allowed_parallelism, 1);
        std::vector<std::exception_ptr> errors(jobs.size());
        tbb::parallel_for(size_t(0), jobs.size(), size_t(1), [&](size_t i) {
            try {
                QElapsedTimer t;
                t.start();
                jobs[i].data = jobs[i].make();
                if (timing)
                    std::fprintf(stderr, "%6lld ms  %s\n", t.elapsed(), qPrintable(jobs[i].name));
            } catch (...) {
                errors[i] = std::current_exception();
            }
        });
        for (const auto& e : errors)
            if (e)
                std::rethrow_exception(e);

        if (!QDir().mkpath(outDir + "/forms"))
            throw std::runtime_error("cannot create " + outDir.toStdString() + "/forms");
        std::vector<pvtools::ZipEntry> entries;
        for (size_t i = 0; i < zipCount; ++i)
            entries.push_back({jobs[i].name.toStdString(), jobs[i].data.toStdString()});
        const std::string zip = pvtools::BuildZip(entries, pvtools::ZipMethod::Stored);
        QString error;
        if (!pv::WriteFileAtomically(outDir + "/PELANDROVIUM_IMAGES.zip", QByteArray(zip.data(), qsizetype(zip.size())),
                                     &error))
            throw std::runtime_error(error.toStdString());
        for (size_t i = zipCount; i < jobs.size(); ++i)
            if (!pv::WriteFileAtomically(outDir + "/" + jobs[i].name, jobs[i].data, &error))
                throw std::runtime_error(error.toStdString());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pv_resgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
