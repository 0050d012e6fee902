#include "workspace/window/BatchProcessing.h"

#include "FormFixture.h"
#include "ResolutionReaders.h"
#include "engine/Effect.h"
#include "platform/graphics/Codecs.h"
#include "workspace/scripting/ScriptEditor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <chrono>
#include <thread>

namespace pv {
namespace {

using namespace pv::test;

QByteArray ReadAll(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& name, const QByteArray& data)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A small photograph-like picture written in the format its name asks for.
QString WritePicture(const QTemporaryDir& dir, const QString& name, uint32_t pixel = 0xFF3060A0u)
{
    QImage img(48, 32, QImage::Format_RGB32);
    img.fill(pixel);
    const QString path = dir.filePath(name);
    const QByteArray format = QFileInfo(name).suffix().toLower() == QLatin1String("jpg") ? "JPG" : QFileInfo(name).suffix().toUpper().toLatin1();
    EXPECT_TRUE(img.save(path, format.constData())) << name.toStdString();
    return path;
}

struct BatchForm : RecordingForm {
    BatchForm()
    {
        InitializeParameters();
        ListBoxItemClick(4, 2); // Photo lab: Vintage / Sepia
    }
    // Starts the batch as the panel's button does and waits for its summary.
    void RunBatch(const QStringList& files)
    {
        Batch().PrepareBatch(files);
        Batch().BatchStartClick();
        WaitUntil([&] { return !Batch().FBatchRunning; });
        WaitForEffectWorkers();
    }
    QString Summary() const { return messages.empty() ? QString() : messages.back(); }
};

TEST(BatchProcessing, OutputNamesFollowTheInput)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"/photos/Beach.JPG", "/photos/Beach_PV.jpg"},
        {"/photos/scan.bmp", "/photos/scan_PV.png"},
        {"/photos/d.webp", "/photos/d_PV.webp"},
        {"/photos/my.trip.png", "/photos/my.trip_PV.png"},
        {"/photos/noext", "/photos/noext_PV"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BatchOutputFileName(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
}

TEST(BatchProcessing, FiveFilesOneBrokenGiveFourResultsAt300Dpi)
{
    QTemporaryDir dir;
    const QString a = WritePicture(dir, QStringLiteral("a.JPG"));
    const QString b = WritePicture(dir, QStringLiteral("b.png"));
    const QString c = WritePicture(dir, QStringLiteral("c.bmp"));
    const QString broken = dir.filePath(QStringLiteral("d.png"));
    WriteAll(broken, ReadAll(b).left(40)); // a truncated PNG
    const QString e = WritePicture(dir, QStringLiteral("e.jpg"), 0xFFC08040u);

    BatchForm form;
    form.RunBatch({a, b, c, broken, e});

    EXPECT_EQ(form.Summary(), QStringLiteral("Batch complete: 4 of 5 images processed."));
    ASSERT_EQ(form.messages.size(), 2u);
    EXPECT_EQ(form.messages[0], QStringLiteral("Failed to load image: ") + broken);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("d_PV.png")))) << "no picture of another file";

    for (const char* name : {"a_PV.jpg", "e_PV.jpg"}) {
        const QByteArray bytes = ReadAll(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(ExifResolution(bytes)) << name;
        EXPECT_EQ(ExifResolution(bytes)->x, 300.0);
        EXPECT_EQ(CountExifSegments(bytes), 1);
    }
    for (const char* name : {"b_PV.png", "c_PV.png"}) {
        const std::vector<Resolution> phys = PngPhys(ReadAll(dir.filePath(QString::fromLatin1(name))));
        ASSERT_EQ(phys.size(), 1u) << name;
        EXPECT_EQ(phys[0].x, 11811.0);
    }
    // Each result is its own file's picture with the effect: sepia makes red lead blue.
    const ISkImage last = DecodeImageFile(dir.filePath(QStringLiteral("e_PV.jpg")));
    ASSERT_TRUE(last);
    const QRgb middle = last->qimage().pixel(24, 16);
    EXPECT_GT(qRed(middle), qBlue(middle));
    EXPECT_EQ(ReadAll(a).size(), QFileInfo(a).size()) << "inputs stay as they were";
}

TEST(BatchProcessing, ADamagedFileIsNamedAndStillProcessed)
{
    QTemporaryDir dir;
    const QString whole = WritePicture(dir, QStringLiteral("whole.jpg"));
    const QString cut = dir.filePath(QStringLiteral("cut.jpg"));
    WriteAll(cut, ReadAll(whole).chopped(12)); // the end of its picture data is missing

    BatchForm form;
    form.RunBatch({cut, whole});
    ASSERT_EQ(form.messages.size(), 2u);
    EXPECT_EQ(form.messages[0],
              QStringLiteral("The image file \"cut.jpg\" is damaged; part of the picture may be missing"));
    EXPECT_EQ(form.Summary(), QStringLiteral("Batch complete: 2 of 2 images processed."));
}

TEST(BatchProcessing, TheScriptEditorStepsAsideForTheBatchPanels)
{
    QTemporaryDir dir;
    const QStringList files = {WritePicture(dir, QStringLiteral("a.png"))};
    BatchForm form;
    form.show();
    ASSERT_TRUE(OpenFlatPicture(form, 40, 30));
    form.ShowScriptEditor();
    ASSERT_TRUE(form.FormScriptEditor->isVisible());

    form.Batch().PrepareBatch(files);
    EXPECT_FALSE(form.FormScriptEditor->isVisible()) << "the batch panel is not hidden behind the editor";
    form.Batch().BatchCancelPreClick();
    EXPECT_TRUE(form.FormScriptEditor->isVisible());

    form.RunBatch(files);
    EXPECT_TRUE(form.FormScriptEditor->isVisible()) << "back once the batch is done";
    EXPECT_EQ(form.Summary(), QStringLiteral("Batch complete: 1 of 1 images processed."));
}

TEST(BatchProcessing, BadInputIsReportedFileByFileAndTheRestGoesOn)
{
    QTemporaryDir dir;
    const QString good = WritePicture(dir, QStringLiteral("good.png"));
    const QString zero = dir.filePath(QStringLiteral("zero.jpg"));
    WriteAll(zero, QByteArray());
    const QString text = dir.filePath(QStringLiteral("notes.png"));
    WriteAll(text, "these are not pixels");
    const QString missing = dir.filePath(QStringLiteral("missing.jpg"));
    // A format that opens but cannot be written.
    const QString tiff = WritePicture(dir, QStringLiteral("scan.tiff"));

    const QStringList files{zero, text, missing, good, tiff};
    BatchForm form;
    form.RunBatch(files);
    EXPECT_EQ(form.Summary(), QStringLiteral("Batch complete: 1 of 5 images processed."));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("good_PV.png"))));
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*_PV*")}, QDir::Files).size(), 1);
    EXPECT_EQ(form.messages[0], QStringLiteral("Failed to load image: ") + zero);
    EXPECT_EQ(form.messages[1], QStringLiteral("Failed to load image: ") + text);
    EXPECT_EQ(form.messages[2], QStringLiteral("Failed to load image: ") + missing);
    EXPECT_EQ(form.messages[3], QStringLiteral("Error saving image \"scan.tiff\": Invalid extension"));
    EXPECT_EQ(form.messages.size(), 5u);
}

TEST(BatchProcessing, UnwritableFolderIsReportedAndNothingWritten)
{
    QTemporaryDir dir;
    const QString sub = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString a = WritePicture(dir, QStringLiteral("locked/a.png"));
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFile probe(QDir(sub).filePath(QStringLiteral("probe"))); probe.open(QIODevice::WriteOnly)) {
        // Permissions are not enforced for this user (root): a folder in the
        // output's place makes the write fail instead.
        probe.remove();
        ASSERT_TRUE(QDir().mkpath(QDir(sub).filePath(QStringLiteral("a_PV.png/keep"))));
    }
    BatchForm form;
    form.RunBatch({a});
    QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(form.messages.size(), 2u);
    EXPECT_TRUE(form.messages[0].startsWith(QStringLiteral("Error saving image \"a.png\": "))) << form.messages[0].toStdString();
    EXPECT_EQ(form.Summary(), QStringLiteral("Batch complete: 0 of 1 images processed."));
    EXPECT_FALSE(QFileInfo(QDir(sub).filePath(QStringLiteral("a_PV.png"))).isFile());
}

TEST(BatchProcessing, ScriptsRunOnEveryFileAndFailuresAreNotCounted)
{
    QTemporaryDir dir;
    const QString a = WritePicture(dir, QStringLiteral("a.png"));
    const QString b = WritePicture(dir, QStringLiteral("b.png"));
    BatchForm form;

    EXPECT_FALSE(form.Batch().UseBatchScript(QStringLiteral("RESIZE 10\nBOGUS"), QStringLiteral("bad.vls")));
    EXPECT_EQ(form.messages.back(), QStringLiteral("Script has errors:\r\nLine 1: RESIZE requires width and height"))
        << form.messages.back().toStdString();
    EXPECT_FALSE(form.Batch().FBatchScriptMode);

    form.Batch().PrepareBatch({a, b});
    ASSERT_TRUE(form.Batch().UseBatchScript(QStringLiteral("RESIZE 50% 50%"), QStringLiteral("half.vls")));
    form.messages.clear();
    form.Batch().BatchStartClick();
    WaitUntil([&] { return !form.Batch().FBatchRunning; });
    EXPECT_EQ(form.Summary(), QStringLiteral("Batch complete: 2 of 2 images processed."));
    const ISkImage half = DecodeImageFile(dir.filePath(QStringLiteral("b_PV.png")));
    ASSERT_TRUE(half);
    EXPECT_EQ(half->width(), 24);

    form.messages.clear();
    form.Batch().PrepareBatch({a, b});
    ASSERT_TRUE(form.Batch().UseBatchScript(QStringLiteral("LOAD nowhere"), QStringLiteral("fails.vls")));
    QFile::remove(dir.filePath(QStringLiteral("a_PV.png")));
    form.Batch().BatchStartClick();
    WaitUntil([&] { return !form.Batch().FBatchRunning; });
    ASSERT_EQ(form.messages.size(), 3u);
    EXPECT_EQ(form.messages[0], QStringLiteral("Error processing image \"a.png\": Line 1: Slot \"nowhere\" not found"));
    EXPECT_EQ(form.Summary(), QStringLiteral("Batch complete: 0 of 2 images processed."));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("a_PV.png"))));
}

void FailingEffect(const ISkImage&, const ISkSurface&, int, int, int, int, int, bool)
{
    throw std::runtime_error("the effect broke");
}

// Whether the batch runs the selected effect or a script, an effect that
// raises is reported for its file and the batch still ends with its summary.
TEST(BatchProcessing, AFailingEffectIsReportedAndTheBatchEnds)
{
    const TEffectProc previous = ReplaceEffect(402, &FailingEffect);
    for (const bool script : {false, true}) {
        QTemporaryDir dir;
        const QString a = WritePicture(dir, QStringLiteral("a.png"));
        const QString b = WritePicture(dir, QStringLiteral("b.png"));
        BatchForm form;
        form.Batch().PrepareBatch({a, b});
        if (script) {
            ASSERT_TRUE(form.Batch().UseBatchScript(QStringLiteral("EFFECT 402 50 50 50 50 50"), QStringLiteral("s")));
        }
        form.Batch().BatchStartClick();
        WaitUntil([&] { return !form.Batch().FBatchRunning; });
        WaitForEffectWorkers();
        ASSERT_EQ(form.messages.size(), 3u) << script;
        EXPECT_TRUE(form.messages[0].startsWith(QStringLiteral("Error processing image \"a.png\": ")))
            << form.messages[0].toStdString();
        EXPECT_EQ(form.Summary(), QStringLiteral("Batch complete: 0 of 2 images processed."));
        EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*_PV*")}).isEmpty());
    }
    ReplaceEffect(402, previous);
}

std::atomic<int> gRunsStarted{0};
std::atomic<int> gRunsAllowed{0};

// An effect whose n-th run waits until the test allows n runs (or the run is cancelled).
void HeldEffect(const ISkImage&, const ISkSurface& Dest, int, int, int, int, int, bool)
{
    const int run = ++gRunsStarted;
    while (run > gRunsAllowed.load() && !IsEffectCancelled())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Dest->getCanvas()->clear(kColorWhite);
}

TEST(BatchProcessing, CancelDuringTheSecondFileSavesItAndStops)
{
    const TEffectProc previous = ReplaceEffect(402, &HeldEffect);
    {
        QTemporaryDir dir;
        QStringList files;
        for (int i = 1; i <= 5; ++i)
            files << WritePicture(dir, QStringLiteral("p%1.png").arg(i));
        BatchForm form;
        gRunsStarted = 0;
        gRunsAllowed = 1;
        form.Batch().PrepareBatch(files);
        form.Batch().BatchStartClick();
        WaitUntil([] { return gRunsStarted.load() >= 2; });
        form.Batch().BatchCancelClick();
        // The script editor cannot slip a run in between two files.
        form.RunScriptOnCurrentImage(QStringLiteral("RESIZE 10 10"));
        EXPECT_FALSE(form.FScriptRunning.load());
        gRunsAllowed = 2;
        WaitUntil([&] { return !form.Batch().FBatchRunning; });
        WaitForEffectWorkers();
        EXPECT_EQ(form.Summary(), QStringLiteral("Batch complete: 2 of 5 images processed."));
        EXPECT_EQ(gRunsStarted.load(), 2);
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("p2_PV.png"))));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("p3_PV.png"))));
    }
    ReplaceEffect(402, previous);
}

} // namespace
} // namespace pv
