#include "HeadlessRunner.h"

#include "engine/Effect.h"
#include "engine/Repository.h"
#include "platform/graphics/Codecs.h"
#include "platform/system/Errors.h"
#include "platform/system/Files.h"
#include "platform/system/Threads.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <limits>

namespace pv {

int ParseIntDefault(const QString& text, int defaultValue)
{
    QString s = text;
    bool negative = false;
    if (s.startsWith(QLatin1Char('-')) || s.startsWith(QLatin1Char('+'))) {
        negative = s.startsWith(QLatin1Char('-'));
        s.remove(0, 1);
    }
    int base = 10;
    if (s.startsWith(QLatin1Char('$'))) {
        base = 16;
        s.remove(0, 1);
    } else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        s.remove(0, 2);
    }
    if (s.isEmpty())
        return defaultValue;
    for (QChar c : s) {
        const bool digit = c.isDigit() && c.unicode() < 128;
        const bool hexDigit = base == 16 && c.unicode() < 128 && QByteArrayView("abcdefABCDEF").contains(char(c.unicode()));
        if (!digit && !hexDigit)
            return defaultValue;
    }
    bool ok = false;
    const qulonglong magnitude = s.toULongLong(&ok, base);
    if (!ok)
        return defaultValue;
    if (base == 16) {
        // Hexadecimal spells the 32-bit pattern: $FFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull)
            return defaultValue;
        const auto bits = static_cast<uint32_t>(magnitude);
        const auto value = static_cast<int32_t>(negative ? 0u - bits : bits);
        return value;
    }
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (magnitude > 0x80000000ull || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return defaultValue;
    return static_cast<int>(value);
}

std::optional<WcTestArgs> ParseWcTestArgs(const QStringList& args)
{
    int k = -1;
    for (int i = 1; i < args.size(); ++i)
        if (args[i].compare(QLatin1String("--wctest"), Qt::CaseInsensitive) == 0) {
            k = i;
            break;
        }
    if (k < 0)
        return std::nullopt;
    auto arg = [&](int pos) { return pos < args.size() ? args[pos] : QString(); };
    WcTestArgs job;
    job.input = arg(k + 1);
    job.output = arg(k + 2);
    for (int i = 0; i < 5; ++i)
        job.P[size_t(i)] = ParseIntDefault(arg(k + 3 + i), 50);
    job.effect = ParseIntDefault(arg(k + 8), 308);
    return job;
}

namespace {

[[noreturn]] void Fail(const QString& message) { throw Exception(message.toStdString()); }

QString RunJob(const WcTestArgs& job, const QString& outputFolder)
{
    if (job.input.isEmpty() || !QFileInfo(job.input).isFile())
        Fail(QStringLiteral("input not found: ") + job.input);
    const ISkImage image = [&] {
        TQuietStandardError quiet;
        return DecodeImageFile(job.input);
    }();
    if (!image)
        Fail(QStringLiteral("failed to decode: ") + job.input);

    SetDebugOutputDir(outputFolder.toStdString());
    const ISkSurface surface = SkSurface::MakeRaster(image->width(), image->height());
    if (!surface)
        Fail(QStringLiteral("failed to create a %1x%2 raster").arg(image->width()).arg(image->height()));
    const auto& P = job.P;
    // Effects read the built-in pictures as they do in the desktop program.
    Form3();
    ProcessEffectOnSurface(image, surface, job.effect, P[0], P[1], P[2], P[3], P[4], false);

    const ImageFileFormat format = FormatFromExtension(job.output);
    if (format == ImageFileFormat::Unknown)
        Fail(QStringLiteral("Invalid extension"));
    QByteArray encoded;
    if (!EncodeImage(surface->makeImageSnapshot(), format, 80, encoded))
        Fail(QStringLiteral("failed to encode: ") + job.output);
    QString why;
    if (!WriteFileAtomically(job.output, encoded, &why))
        Fail(QStringLiteral("failed to write: ") + job.output + QStringLiteral(" (") + why + QLatin1Char(')'));

    return QString::asprintf("ok effect=%d %dx%d P=%d,%d,%d,%d,%d", job.effect, image->width(), image->height(), P[0],
                             P[1], P[2], P[3], P[4]);
}

} // namespace

QString RunWcTestJob(const WcTestArgs& job)
{
    const QString outputFolder = AbsoluteFolderOf(job.output);
    QString status = QStringLiteral("ok");
    try {
        status = RunJob(job, outputFolder);
    } catch (...) {
        const ErrorDescription error = DescribeError(std::current_exception());
        status = QStringLiteral("ERROR ") + QString::fromStdString(error.className) + QStringLiteral(": ") +
                 QString::fromStdString(error.message);
    }
    if (!WriteFileAtomically(outputFolder + QStringLiteral("wctest_status.txt"), status.toUtf8())) {
        // The status cannot go beside the output (no such folder): say it here instead.
        std::fprintf(stderr, "%s\n", status.toLocal8Bit().constData());
    }
    return status;
}

bool RunWcTest(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const std::optional<WcTestArgs> job = ParseWcTestArgs(args);
    if (!job)
        return false;

    // No display is needed: fonts and painting work on the offscreen platform.
    // The status file is the run's only report, so library chatter is silenced.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    SetUICallsInline(true);
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);
    RunWcTestJob(*job);
    return true;
}

} // namespace pv
