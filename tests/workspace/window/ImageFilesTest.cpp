#include "workspace/window/ImageFiles.h"

#include "FormFixture.h"
#include "ResolutionReaders.h"
#include "engine/ImageHistory.h"
#include "engine/Repository.h"
#include "platform/graphics/Codecs.h"
#include "platform/graphics/SkImage.h"
#include "platform/system/Errors.h"
#include "platform/system/Files.h"
#include "workspace/window/MainWindow.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pv {
namespace {

using namespace pv::test;

// The main window with its dialogs and message boxes answered by the test.
class FilesForm : public TForm1, public TImageFilesView {
public:
    FilesForm()
    {
        // The gallery marks every snapshot as an unsaved change.
        FHistory->SetOnImageSaved([this](const ISkImage&, const ISkImage&, bool) { FImageDirty = true; });
    }
    TForm1& MainForm() override { return *this; }
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    QString AskOpenFileName(const QString&, const QStringList&) override
    {
        ++openDialogs;
        return openAnswer;
    }
    QString AskSaveFileName(const QString&, const TSaveProposal& proposal) override
    {
        return QDir(proposal.Folder).filePath(proposal.FileName);
    }
    bool AskYesNo(const QString& question) override
    {
        questions.push_back(question);
        return replace;
    }
    void NoteImageSaved() override { ++saves; }

    std::vector<QString> messages, questions;
    QString openAnswer;
    bool replace = true;
    int openDialogs = 0, saves = 0;
};

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

// A small photograph-like fixture written by Qt's own encoders.
QString WriteFixture(const QTemporaryDir& dir, const QString& name, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    const QString path = dir.filePath(name);
    EXPECT_TRUE(img.save(path, nullptr, 95));
    return path;
}

ISkImage Tiny()
{
    QImage img(4, 3, QImage::Format_ARGB32_Premultiplied);
    img.fill(0xFF336699u);
    return SkImage::MakeFromRaster(std::move(img));
}

TEST(ImageFiles, ProposedSaveNames)
{
    struct Case {
        const char* source;
        const char* folder;
        const char* name;
        int filter;
    } cases[] = {
        {"/photos/Beach.JPG", "/photos", "Beach_PV.jpg", 1},
        {"/photos/a.jpeg", "/photos", "a_PV.jpeg", 1},
        {"/scans/scan.bmp", "/scans", "scan_PV.png", 2},
        {"/web/a.webp", "/web", "a_PV.webp", 2},
        {"/x/my.holiday.PNG", "/x", "my.holiday_PV.png", 2},
        {"/x/noextension", "/x", "noextension_PV.png", 2},
        {"/anim/a.GIF", "/anim", "a_PV.png", 2},
        {"/scans/page.tiff", "/scans", "page_PV.png", 2},
        {"", "", "Pelandrovium_image.png", 2},
    };
    for (const Case& c : cases) {
        const TSaveProposal p = ProposeSaveName(QString::fromUtf8(c.source));
        EXPECT_EQ(p.Folder, QString::fromUtf8(c.folder)) << c.source;
        EXPECT_EQ(p.FileName, QString::fromUtf8(c.name)) << c.source;
        EXPECT_EQ(p.FilterIndex, c.filter) << c.source;
    }
}

TEST(ImageFiles, ExtensionChoosesFormatAndResolutionRecord)
{
    enum Kind { Jpeg, Png, Webp, Invalid };
    const std::pair<const char*, Kind> cases[] = {
        {"a.jpg", Jpeg}, {"a.JPEG", Jpeg}, {"a.png", Png},     {"a.Png", Png},         {"a.webp", Webp},
        {"a.bmp", Invalid}, {"a.gif", Invalid}, {"a", Invalid}, {"a.jpg.txt", Invalid},
    };
    for (const auto& [name, kind] : cases) {
        if (kind == Invalid) {
            try {
                EncodeImageForSave(Tiny(), QString::fromUtf8(name));
                ADD_FAILURE() << name << " was encoded";
            } catch (const Exception& e) {
                EXPECT_STREQ(e.what(), "Invalid extension") << name;
            }
            continue;
        }
        const QByteArray bytes = EncodeImageForSave(Tiny(), QString::fromUtf8(name));
        EXPECT_EQ(bytes.startsWith("\xFF\xD8"), kind == Jpeg) << name;
        EXPECT_EQ(bytes.startsWith("\x89PNG"), kind == Png) << name;
        EXPECT_EQ(bytes.mid(8, 4) == "WEBP", kind == Webp) << name;
        EXPECT_EQ(CountExifSegments(bytes), kind == Jpeg ? 1 : 0) << name;
        EXPECT_EQ(PngPhys(bytes).size(), kind == Png ? 1u : 0u) << name;
        ASSERT_NE(DecodeImageData(bytes), nullptr) << name;
        EXPECT_EQ(DecodeImageData(bytes)->width(), 4) << name;
    }
}

TEST(ImageFiles, DroppedFiles)
{
    for (const char* name : {"a.jpg", "a.JPEG", "b.png", "c.bmp", "d.gif", "photo.TIFF"})
        EXPECT_TRUE(IsAcceptedDropFile(QString::fromUtf8(name))) << name;
    for (const char* name : {"a.tif", "a.webp", "notes.txt", "png", "a.png.zip"})
        EXPECT_FALSE(IsAcceptedDropFile(QString::fromUtf8(name))) << name;

    QTemporaryDir dir;
    WriteAll(dir.filePath("notes.txt"), "text");
    WriteAll(dir.filePath("photo.TIFF"), "whatever");
    const QStringList files = {dir.filePath("notes.txt"), dir.filePath("missing.png"), dir.filePath("photo.TIFF")};
    EXPECT_EQ(FirstDroppableFile(files), dir.filePath("photo.TIFF"));
    EXPECT_EQ(FirstDroppableFile(files.mid(0, 2)), QString());
    EXPECT_TRUE(DragOverAccepts(files, false));
    EXPECT_FALSE(DragOverAccepts({dir.filePath("notes.txt")}, false));
    EXPECT_TRUE(DragOverAccepts({}, true));
}

TEST(ImageFiles, OpenThenSaveWrites300DpiAndClearsTheUnsavedFlag)
{
    QTemporaryDir dir;
    for (const char* name : {"small.png", "small.jpg"}) {
        FilesForm form;
        const QString source = WriteFixture(dir, QString::fromUtf8(name), 150, 120);
        ASSERT_TRUE(LoadLargeImage(form, source));
        EXPECT_EQ(form.FSourceFileName, source);
        ASSERT_NE(form.FSkImage, nullptr);
        EXPECT_EQ(form.FSkImage, form.FSkSourceImage);
        EXPECT_EQ(form.FSkImage->width(), 150);
        EXPECT_EQ(form.PreviewStartX, -25);
        EXPECT_EQ(form.PreviewStartY, -40);
        EXPECT_EQ(form.FHistory->Count(), 1);
        EXPECT_FALSE(form.FImageDirty) << "opening is a saved state";

        form.FImageDirty = true;
        ASSERT_TRUE(SaveImageFile(form));
        EXPECT_FALSE(form.FImageDirty);
        EXPECT_EQ(form.saves, 1);
        EXPECT_TRUE(form.messages.empty());

        const bool jpeg = QString::fromUtf8(name).endsWith(QLatin1String(".jpg"));
        const QString saved = dir.filePath(jpeg ? "small_PV.jpg" : "small_PV.png");
        const QByteArray bytes = ReadAll(saved);
        ASSERT_FALSE(bytes.isEmpty()) << name;
        if (jpeg) {
            EXPECT_EQ(CountExifSegments(bytes), 1);
            const auto exif = ExifResolution(bytes);
            ASSERT_TRUE(exif);
            EXPECT_EQ(exif->x, 300.0);
            EXPECT_EQ(exif->y, 300.0);
            EXPECT_EQ(exif->unit, 2);
            const auto jfif = JfifDensity(bytes);
            ASSERT_TRUE(jfif);
            EXPECT_EQ(jfif->x, 300.0);
            EXPECT_EQ(jfif->unit, 1);
        } else {
            const auto phys = PngPhys(bytes);
            ASSERT_EQ(phys.size(), 1u);
            EXPECT_EQ(phys[0].x, 11811.0);
            EXPECT_EQ(phys[0].y, 11811.0);
            EXPECT_EQ(phys[0].unit, 1);
        }
        const ISkImage back = DecodeImageFile(saved);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->width(), 150);
        EXPECT_EQ(back->height(), 120);
    }
}

// Mean absolute channel difference of two pictures of one size (the history
// keeps opaque pictures as JPEG, so restored pictures are close, not equal).
double MeanDifference(const ISkImage& a, const ISkImage& b)
{
    const QImage x = a->qimage().convertToFormat(QImage::Format_ARGB32);
    const QImage y = b->qimage().convertToFormat(QImage::Format_ARGB32);
    if (x.size() != y.size())
        return 255.0;
    double sum = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

// The main road as a user walks it: open a photograph, apply an effect from
// the lists, save, and step back and forth through the history.
TEST(ImageFiles, OpenApplySaveThenUndoAndRedo)
{
    QTemporaryDir dir;
    FilesForm form;
    form.InitializeParameters();
    const QString source = WriteFixture(dir, QStringLiteral("road.jpg"), 160, 120);
    ASSERT_TRUE(LoadLargeImage(form, source));
    const ISkImage opened = form.FSkImage;

    form.ListBoxItemClick(4, 2); // Photo lab: Vintage / Sepia
    ASSERT_EQ(form.SelectedEffectNumber, 402);
    form.Button1Click();
    WaitUntil([&] { return !form.IsEffectRunning(); });
    WaitForEffectWorkers();
    ASSERT_EQ(form.FHistory->Count(), 2) << (form.messages.empty() ? "" : form.messages[0].toStdString());
    ASSERT_NE(form.FSkImage, opened);
    const ISkImage applied = form.FSkImage;
    EXPECT_EQ(form.FSkSourceImage, opened) << "the source stays the opened picture";

    ASSERT_TRUE(SaveImageFile(form));
    const QString saved = dir.filePath(QStringLiteral("road_PV.jpg"));
    const QByteArray bytes = ReadAll(saved);
    ASSERT_TRUE(ExifResolution(bytes));
    EXPECT_EQ(ExifResolution(bytes)->x, 300.0);
    const ISkImage back = DecodeImageFile(saved);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->width(), 160);
    // Sepia: the saved picture is warm where the fixture's blue channel was flat.
    const QRgb middle = back->qimage().pixel(80, 60);
    EXPECT_GT(qRed(middle), qBlue(middle));

    ASSERT_GT(MeanDifference(opened, applied), 10.0);
    form.SpeedButton5Click(); // undo
    EXPECT_LT(MeanDifference(form.FSkImage, opened), 3.0);
    form.SpeedButton6Click(); // redo
    EXPECT_LT(MeanDifference(form.FSkImage, applied), 3.0);
    form.SpeedButton6Click(); // nothing further to redo
    EXPECT_LT(MeanDifference(form.FSkImage, applied), 3.0);
    EXPECT_EQ(form.FHistory->Count(), 2) << "undo and redo record nothing";
}

TEST(ImageFiles, FailedSavesAreReportedAndKeepTheUnsavedFlag)
{
    QTemporaryDir dir;
    FilesForm form;
    form.FSkImage = Tiny();
    form.FImageDirty = true;

    // Every failure names the file.
    EXPECT_FALSE(SaveImageAs(form, dir.filePath("picture.bmp")));
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0],
              QStringLiteral("Error saving image \"%1\": Invalid extension").arg(dir.filePath("picture.bmp")));
    EXPECT_FALSE(QFile::exists(dir.filePath("picture.bmp")));

    const QString nowhere = dir.filePath("no/such/folder/picture.png");
    EXPECT_FALSE(SaveImageAs(form, nowhere));
    ASSERT_EQ(form.messages.size(), 2u);
    const QString named = QStringLiteral("Error saving image \"%1\": ").arg(nowhere);
    EXPECT_TRUE(form.messages[1].startsWith(named)) << form.messages[1].toStdString();
    EXPECT_GT(form.messages[1].size(), named.size()) << "the reason is given";

    EXPECT_TRUE(form.FImageDirty);
    EXPECT_EQ(form.saves, 0);
}

// Saving over a file the user may write, in a folder the user may not add
// to: the file is written in place; when that write fails the old file stays
// and the message names it. (Where the test may write anywhere, as root, the
// folder's refusal comes through the fault hook.)
TEST(ImageFiles, SavingOverAWritableFileInAReadOnlyFolder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo_PV.png");
    WriteAll(path, "old picture");
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    QFile probe(dir.filePath("probe"));
    const bool systemRefuses = !probe.open(QIODevice::WriteOnly);
    probe.remove();
    FilesForm form;
    form.FSkImage = Tiny();
    for (const bool fails : {true, false}) {
        SCOPED_TRACE(fails ? "the write fails" : "the write goes through");
        form.FImageDirty = true;
        form.messages.clear();
        SetFileWriteFaults({.refuseTemporaryFiles = !systemRefuses, .failInPlaceAfter = fails ? 20 : -1});
        EXPECT_EQ(SaveImageAs(form, path), !fails);
        SetFileWriteFaults({});
        if (fails) {
            ASSERT_EQ(form.messages.size(), 1u);
            EXPECT_EQ(form.messages[0],
                      QStringLiteral("Error saving image \"%1\": No space left on device").arg(path));
            EXPECT_EQ(ReadAll(path), QByteArray("old picture"));
            EXPECT_TRUE(form.FImageDirty);
        } else {
            EXPECT_TRUE(form.messages.empty());
            const ISkImage back = DecodeImageFile(path);
            ASSERT_TRUE(back);
            EXPECT_EQ(back->width(), form.FSkImage->width());
            EXPECT_FALSE(form.FImageDirty);
        }
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(ImageFiles, DeclinedOverwriteWritesNothing)
{
    QTemporaryDir dir;
    FilesForm form;
    ASSERT_TRUE(LoadLargeImage(form, WriteFixture(dir, "b.png", 8, 8)));
    WriteAll(dir.filePath("b_PV.png"), "keep me");
    form.replace = false;
    EXPECT_FALSE(SaveImageFile(form));
    ASSERT_EQ(form.questions.size(), 1u);
    EXPECT_EQ(form.questions[0], QStringLiteral("The file \"b_PV.png\" already exists. Replace it?"));
    EXPECT_EQ(ReadAll(dir.filePath("b_PV.png")), QByteArray("keep me"));
}

TEST(ImageFiles, AFileThatFailsToOpenChangesNothing)
{
    QTemporaryDir dir;
    FilesForm form;
    const QString good = WriteFixture(dir, "good.png", 10, 10);
    ASSERT_TRUE(LoadLargeImage(form, good));
    const ISkImage before = form.FSkImage;
    form.FImageDirty = true;

    const QString bad = dir.filePath("bad.png");
    WriteAll(bad, "this is not a picture");
    EXPECT_FALSE(LoadLargeImage(form, bad));
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0], QStringLiteral("Failed to load image: ") + bad);
    EXPECT_EQ(form.FSourceFileName, good) << "a later save still derives its name from the picture shown";
    EXPECT_EQ(form.FSkImage, before);
    EXPECT_EQ(form.FHistory->Count(), 1);
    EXPECT_TRUE(form.FImageDirty);
}

TEST(ImageFiles, ADamagedJpegOpensWithAWarning)
{
    QTemporaryDir dir;
    const QString whole = WriteFixture(dir, "whole.jpg", 64, 48);
    const QString cut = dir.filePath("cut.jpg");
    WriteAll(cut, ReadAll(whole).left(ReadAll(whole).size() * 2 / 3));
    FilesForm form;
    ASSERT_TRUE(LoadLargeImage(form, whole));
    EXPECT_TRUE(form.messages.empty());
    ASSERT_TRUE(LoadLargeImage(form, cut));
    EXPECT_EQ(form.messages, std::vector<QString>{QString::fromUtf8(kDamagedFileWarning)});
    EXPECT_EQ(form.FSkImage->height(), 48) << "what could be read is shown";
}

TEST(ImageFiles, OpenAndDropAreRefusedWhileAnEffectRuns)
{
    QTemporaryDir dir;
    FilesForm form;
    const QString file = WriteFixture(dir, "c.png", 10, 10);
    form.openAnswer = file;
    form.FCurrentEffectNumber = 300;
    EXPECT_FALSE(LoadLargeImage(form, file));
    EXPECT_FALSE(DropFiles(form, {file}));
    EXPECT_FALSE(LoadImageFile(form));
    EXPECT_FALSE(DefaultImageButtonClick(form));
    EXPECT_EQ(form.openDialogs, 0);
    EXPECT_EQ(form.FSkImage, nullptr);
    EXPECT_EQ(form.FHistory->Count(), 0);
    EXPECT_TRUE(form.messages.empty());

    form.FCurrentEffectNumber = -1;
    EXPECT_TRUE(DropFiles(form, {dir.filePath("notes.txt"), file}));
    EXPECT_EQ(form.FSourceFileName, file);
}

TEST(ImageFiles, DefaultPicture)
{
    const ISkImage saved = Form3().DefaultImage.image();
    QImage img(300, 240, QImage::Format_ARGB32_Premultiplied);
    img.fill(0xFF204060u);
    const ISkImage picture = SkImage::MakeFromRaster(std::move(img));

    {
        FilesForm form;
        form.FSourceFileName = QStringLiteral("/old/file.jpg");
        Form3().DefaultImage.setImage(picture);
        ASSERT_TRUE(DefaultImageButtonClick(form));
        EXPECT_EQ(form.FSkImage, picture);
        EXPECT_EQ(form.FSkSourceImage, picture);
        EXPECT_EQ(form.PreviewStartX, 40);
        EXPECT_EQ(form.PreviewStartY, 10);
        EXPECT_TRUE(form.FSourceFileName.isEmpty());
        EXPECT_FALSE(form.FImageDirty);
        EXPECT_EQ(form.FHistory->Count(), 1);
        EXPECT_EQ(ProposeSaveName(form.FSourceFileName).FileName, QStringLiteral("Pelandrovium_image.png"));

        Form3().DefaultImage.setImage(nullptr);
        EXPECT_FALSE(DefaultImageButtonClick(form));
        ASSERT_EQ(form.messages.size(), 1u);
        EXPECT_EQ(form.messages[0], QStringLiteral("Failed to create Skia image from DefaultImage.Bitmap"));
        EXPECT_EQ(form.FSkImage, picture);
    }
    Form3().DefaultImage.setImage(saved);
}

TEST(ImageFiles, GalleryPictureDroppedOnAnEmptyCanvas)
{
    FilesForm form;
    const ISkImage picture = Tiny();
    ASSERT_TRUE(DropGalleryPicture(form, picture));
    EXPECT_EQ(form.FSkImage, picture);
    EXPECT_EQ(form.FSkSourceImage, picture);
    EXPECT_EQ(form.FHistory->Count(), 1);
    EXPECT_FALSE(DropGalleryPicture(form, Tiny())) << "with a result the combine panel takes the picture";
    EXPECT_EQ(form.FSkImage, picture);
}

} // namespace
} // namespace pv
