#include "HeadlessRunner.h"

#include "platform/graphics/Codecs.h"
#include "platform/graphics/SkImage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <zlib.h>

namespace pv {
namespace {

TEST(ParseIntDefault, AcceptsDecimalAndHexOnly)
{
    const std::pair<const char*, int> cases[] = {
        {"40", 40},          {"-20", -20},         {"250", 250},        {"+7", 7},
        {"$1F", 31},         {"0x10", 16},         {"0XfF", 255},       {"$FFFFFFFF", -1},
        {"-2147483648", -2147483647 - 1},          {"2147483647", 2147483647},
        {"2147483648", 50},  {"-2147483649", 50},  {"$100000000", 50},  {"12.5", 50},
        {"word", 50},        {"", 50},             {"0x", 50},          {"$", 50},
        {"1e3", 50},         {"12a", 50},          {" 5", 50},          {"٣", 50},
    };
    for (auto [text, expected] : cases)
        EXPECT_EQ(ParseIntDefault(QString::fromUtf8(text), 50), expected) << text;
}

TEST(ParseWcTestArgs, ReadsArgumentsByPositionAfterTheFirstSwitch)
{
    EXPECT_FALSE(ParseWcTestArgs({"prog", "photo.jpg"}));
    EXPECT_FALSE(ParseWcTestArgs({"--wctest"})) << "position 0 is the program itself";

    const auto full = ParseWcTestArgs({"prog", "ignored", "--WcTest", "in.jpg", "out.png", "1", "2", "x", "0x4", "5",
                                       "201", "--wctest", "extra"});
    ASSERT_TRUE(full);
    EXPECT_EQ(full->input, "in.jpg");
    EXPECT_EQ(full->output, "out.png");
    EXPECT_EQ(full->P, (std::array<int, 5>{1, 2, 50, 4, 5}));
    EXPECT_EQ(full->effect, 201);

    const auto bare = ParseWcTestArgs({"prog", "--wctest", "in.jpg", "out.png"});
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->P, (std::array<int, 5>{50, 50, 50, 50, 50}));
    EXPECT_EQ(bare->effect, 308);

    const auto empty = ParseWcTestArgs({"prog", "--wctest"});
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->input.isEmpty());
    EXPECT_TRUE(empty->output.isEmpty());
}

// End-to-end runs of the program itself, as a user would start it.
class HeadlessRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QImage img(9, 7, QImage::Format_RGB32);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x)
                img.setPixel(x, y, qRgb(x * 28, y * 36, 90));
        ASSERT_TRUE(img.save(path("in.png")));
    }

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // Runs the program in `workDir` (default: the temporary folder) and returns its status file.
    QString run(const QStringList& args, const QString& workDir = QString(), QString* stderrText = nullptr)
    {
        QProcess process;
        process.setWorkingDirectory(workDir.isEmpty() ? dir.path() : workDir);
        process.start(QStringLiteral(PV_PROGRAM_PATH), args);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
        if (stderrText)
            *stderrText = QString::fromLocal8Bit(process.readAllStandardError());
        QFile status(QDir(workDir.isEmpty() ? dir.path() : workDir).filePath(QStringLiteral("wctest_status.txt")));
        if (!status.open(QIODevice::ReadOnly))
            return QStringLiteral("<no status file>");
        return QString::fromUtf8(status.readAll());
    }

    QTemporaryDir dir;
};

TEST_F(HeadlessRun, StipplesAndReportsTheJob)
{
    const QString status = run({"--wctest", "in.png", "out.png", "40", "0", "0", "0", "0", "201"});
    EXPECT_EQ(status, "ok effect=201 9x7 P=40,0,0,0,0") << "one line, no line break";
    const ISkImage out = DecodeImageFile(path("out.png"));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->width(), 9);
    SkPixmap pm;
    out->peekPixels(pm);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_TRUE(pm.at(x, y) == 0xFFFFFFFFu || pm.at(x, y) == 0xFF000000u);
}

TEST_F(HeadlessRun, PaintsAGouacheByDefaultWithItsDumps)
{
    EXPECT_EQ(run({"--wctest", "in.png", "out.png"}), "ok effect=308 9x7 P=50,50,50,50,50");
    const ISkImage out = DecodeImageFile(path("out.png"));
    ASSERT_NE(out, nullptr);
    SkPixmap pm;
    out->peekPixels(pm);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(pm.at(x, y) >> 24, 255u);
    // Five layers (P1 = 50), each with its seed list and coverage greymap.
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(QFile::exists(path(qPrintable(QStringLiteral("wcpoc_seeds_p%1.txt").arg(i))))) << i;
        QFile cov(path(qPrintable(QStringLiteral("wcpoc_cov_p%1.pgm").arg(i))));
        ASSERT_TRUE(cov.open(QIODevice::ReadOnly)) << i;
        EXPECT_TRUE(cov.readAll().startsWith("P5\n9 7\n255\n"));
    }
    EXPECT_FALSE(QFile::exists(path("wcpoc_cov_p5.pgm")));
}

TEST_F(HeadlessRun, StatusLinesForEveryOutcome)
{
    QFile(path("empty.jpg")).open(QIODevice::WriteOnly);
    {
        QFile text(path("text.png"));
        text.open(QIODevice::WriteOnly);
        text.write("not a picture");
    }
    struct Case {
        QStringList args;
        QString status;
        const char* output; // file that must (or must not) exist afterwards
        bool outputExists;
    };
    const Case cases[] = {
        {{"--wctest", "in.png", "unknown.png", "1", "2", "3", "4", "5", "999"}, "ok effect=999 9x7 P=1,2,3,4,5",
         "unknown.png", true},
        {{"--wctest", "in.png", "abs.jpg", "-2147483648", "2147483647", "x", "1.5", "$10", "201"},
         "ok effect=201 9x7 P=-2147483648,2147483647,50,50,16", "abs.jpg", true},
        {{"--wctest", "in.png", "out.bmp", "40", "0", "0", "0", "0", "201"}, "ERROR Exception: Invalid extension",
         "out.bmp", false},
        {{"--wctest", "missing.png", "m.png", "40"}, "ERROR Exception: input not found: missing.png", "m.png", false},
        {{"--wctest", "", "m.png"}, "ERROR Exception: input not found: ", "m.png", false},
        {{"--wctest", "empty.jpg", "e.png", "40"}, "ERROR Exception: failed to decode: empty.jpg", "e.png", false},
        {{"--wctest", "text.png", "t.png", "40"}, "ERROR Exception: failed to decode: text.png", "t.png", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.args), c.status) << c.args.join(' ').toStdString();
        EXPECT_EQ(QFile::exists(path(c.output)), c.outputExists) << c.output;
    }
    const ISkImage unknown = DecodeImageFile(path("unknown.png"));
    ASSERT_NE(unknown, nullptr);
    SkPixmap pm;
    unknown->peekPixels(pm);
    EXPECT_EQ(pm.at(4, 3), 0u) << "an unknown effect leaves the output transparent";
}

TEST_F(HeadlessRun, RelativeOutputPutsTheStatusBesideIt)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString status = run({"--wctest", "in.png", "sub/out.webp", "40", "0", "0", "0", "0", "201"});
    EXPECT_EQ(status, "<no status file>") << "the status goes to the output's folder";
    QFile sub(path("sub/wctest_status.txt"));
    ASSERT_TRUE(sub.open(QIODevice::ReadOnly));
    EXPECT_EQ(sub.readAll(), "ok effect=201 9x7 P=40,0,0,0,0");
    EXPECT_TRUE(QFile::exists(path("sub/out.webp")));
}

TEST_F(HeadlessRun, MissingOutputFolderIsReportedOnStandardError)
{
    QString err;
    run({"--wctest", "in.png", "nofolder/out.png", "40", "0", "0", "0", "0", "201"}, QString(), &err);
    EXPECT_TRUE(err.contains("ERROR Exception: failed to write: nofolder/out.png")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(path("nofolder")));
}

// A PNG chunk with its length and CRC.
QByteArray PngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    chunk += QByteArray(type, 4) + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4), uInt(chunk.size() - 4));
    QByteArray tail(4, '\0');
    qToBigEndian(quint32(crc), tail.data());
    return chunk + tail;
}

TEST_F(HeadlessRun, BrokenAndOversizedPicturesAreReportedInTheStatusOnly)
{
    {
        // 40000 x 40000 pixels claimed by a file of a few hundred bytes.
        QByteArray header(13, '\0');
        qToBigEndian(quint32(40000), header.data());
        qToBigEndian(quint32(40000), header.data() + 4);
        header[8] = 8; // bits per channel
        header[9] = 6; // RGBA
        QFile huge(path("huge.png"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        const QByteArray firstRow = qCompress(QByteArray(40000 * 4 + 1, '\0')).mid(4);
        huge.write("\x89PNG\r\n\x1A\n" + PngChunk("IHDR", header) + PngChunk("IDAT", firstRow) + PngChunk("IEND", {}));
    }
    {
        // Damaged compressed data: the PNG library complains about it itself.
        QFile in(path("in.png"));
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QByteArray png = in.readAll();
        const qsizetype idat = png.indexOf("IDAT");
        ASSERT_GT(idat, 0);
        png[idat + 4] = char(png[idat + 4] ^ 0xFF);
        png[idat + 6] = char(png[idat + 6] ^ 0xFF);
        QFile broken(path("broken.png"));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write(png);
    }
    struct Case {
        const char* input;
        const char* status;
    };
    for (const Case& c : {Case{"huge.png", "ERROR EOutOfMemory: Out of memory: the picture is too large for the memory available"},
                          Case{"broken.png", "ERROR Exception: failed to decode: broken.png"}}) {
        QString err;
        EXPECT_EQ(run({"--wctest", c.input, "o.png", "40", "0", "0", "0", "0", "201"}, QString(), &err).toStdString(), c.status);
        EXPECT_EQ(err.toStdString(), "") << c.input;
    }
}

} // namespace
} // namespace pv
