#include "FormFixture.h"

#include "engine/ImageHistory.h"
#include "overlays/OverlayHost.h"
#include "platform/graphics/Codecs.h"
#include "platform/graphics/PngEncoder.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/window/Clipboard.h"
#include "workspace/gallery/GalleryItems.h"
#include "workspace/gallery/GalleryMagnifier.h"
#include "workspace/gallery/GalleryStrip.h"

#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace pv {
namespace {

using test::FlatPicture;
using test::RecordingForm;

uint32_t PixelAt(const ISkImage& image, int x, int y)
{
    SkPixmap pm;
    return image && image->peekPixels(pm) ? pm.at(x, y) : 0u;
}

ISkImage WithPixel(const ISkImage& image, int x, int y, uint32_t pixel)
{
    QImage copy = image->qimage().copy();
    reinterpret_cast<uint32_t*>(copy.scanLine(y))[x] = pixel;
    return SkImage::MakeFromRaster(std::move(copy));
}

// ---- the images-differ test

TEST(ImagesDiffer, FollowsItsRulesForEveryPair)
{
    const ISkImage grey = FlatPicture(8, 8);
    const ISkImage greyCopy = FlatPicture(8, 8);
    const ISkImage other = FlatPicture(8, 8, 0xFF102030u);
    const struct {
        const char* what;
        ISkImage a, b;
        bool differ;
    } cases[] = {
        {"both missing", nullptr, nullptr, false},
        {"one missing", grey, nullptr, true},
        {"the same picture", grey, grey, false},
        {"other sizes", grey, FlatPicture(8, 9), true},
        {"equal pixels, other ids", grey, greyCopy, false},
        {"other pixels", grey, other, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ImagesDiffer(c.a, c.b, 1000), c.differ) << c.what;
        EXPECT_EQ(ImagesDiffer(c.b, c.a, 1000), c.differ) << c.what << " (swapped)";
    }
}

TEST(ImagesDiffer, SamplesOnlyWhereItsGeneratorPoints)
{
    // A single changed pixel of a large picture escapes a few samples but
    // the same pair always gives the same answer.
    const ISkImage a = FlatPicture(1000, 1000);
    const ISkImage b = WithPixel(FlatPicture(1000, 1000), 500, 500, 0xFF000000u);
    EXPECT_FALSE(ImagesDiffer(a, b, 10));
    EXPECT_EQ(ImagesDiffer(a, b, 1000), ImagesDiffer(a, b, 1000));
    // Every sampled pixel but one equal is still a difference.
    const ISkImage c = FlatPicture(10, 10), d = WithPixel(FlatPicture(10, 10, 0xFF000000u), 0, 0, 0xFF808080u);
    EXPECT_TRUE(ImagesDiffer(c, d, 1000));
}

// ---- fitting a picture to a size

TEST(FitImageToSize, CentresOnWhiteOrCropsAroundTheCentre)
{
    const ISkImage small = FlatPicture(400, 300, 0xFF204060u);
    EXPECT_EQ(FitImageToSize(small, 400, 300), small);
    const ISkImage framed = FitImageToSize(small, 800, 600);
    ASSERT_TRUE(framed);
    EXPECT_EQ(framed->width(), 800);
    EXPECT_EQ(framed->height(), 600);
    EXPECT_EQ(PixelAt(framed, 199, 149), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(framed, 200, 150), 0xFF204060u);
    EXPECT_EQ(PixelAt(framed, 599, 449), 0xFF204060u);
    EXPECT_EQ(PixelAt(framed, 600, 450), 0xFFFFFFFFu);

    // Larger: the centre part, pixel for pixel.
    QImage marks(8, 8, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            marks.setPixel(x, y, qRgb(x * 10, y * 10, 0));
    const ISkImage cropped = FitImageToSize(SkImage::MakeFromRaster(std::move(marks)), 4, 4);
    EXPECT_EQ(PixelAt(cropped, 0, 0), qRgb(20, 20, 0));
    EXPECT_EQ(PixelAt(cropped, 3, 3), qRgb(50, 50, 0));
}

// ---- what the gallery keeps

TEST(GalleryItems, KeepsThumbnailsAndEncodedPicturesOnlyForManyLargeSnapshots)
{
    // A 12-MP picture of smooth shades, like most of a photograph.
    QImage detail(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < detail.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(detail.scanLine(y));
        for (int x = 0; x < detail.width(); ++x)
            row[x] = 0xFF000000u | uint32_t(x / 16) << 16 | uint32_t(y / 12) << 8 | uint32_t((x + y) / 28);
    }
    const ISkImage picture = SkImage::MakeFromQImage(std::move(detail));
    const QByteArray encoded = EncodeHistoryPicture(picture);
    ASSERT_FALSE(encoded.isEmpty());
    TGalleryItems items;
    const int snapshots = 30;
    for (int i = 0; i < snapshots; ++i)
        ASSERT_TRUE(items.Add(picture, encoded, i == 0, {}));
    const int64_t fullPicture = int64_t(4000) * 3000 * 4;
    // Thumbnails of at most 204 x 204 and the encoded bytes (shared here as
    // they are with the history): far below one full raster per snapshot.
    EXPECT_LE(items.RetainedBytes(), snapshots * (204 * 204 * 4 + encoded.size()));
    EXPECT_LT(items.RetainedBytes(), 2 * fullPicture);
    for (int i = 0; i < items.Count(); ++i) {
        EXPECT_LE(items.Item(i).Thumbnail.width(), TGalleryItems::kThumbnailSide);
        EXPECT_LE(items.Item(i).Thumbnail.height(), TGalleryItems::kThumbnailSide);
    }
    // Decoding on demand keeps one picture at most.
    ASSERT_TRUE(items.Picture(3));
    ASSERT_TRUE(items.Picture(7));
    EXPECT_LT(items.RetainedBytes(), 2 * fullPicture);
    EXPECT_EQ(items.Picture(7)->width(), 4000);
}

// However many steps a session or a batch adds, the compressed pictures stay
// within the budget: the newest items keep theirs, older ones only their
// thumbnails.
TEST(GalleryItems, OlderItemsKeepOnlyTheirThumbnailsBeyondTheBudget)
{
    std::vector<ISkImage> pictures;
    std::vector<QByteArray> encoded;
    for (uint32_t i = 0; i < 6; ++i) {
        pictures.push_back(FlatPicture(64, 48, 0xFF000000u | (i * 40) << 16 | (200 - i * 30)));
        encoded.push_back(EncodeHistoryPicture(pictures.back()));
    }
    const int64_t one = encoded[0].size();
    TGalleryItems items(one * 5 / 2);
    for (size_t i = 0; i < pictures.size(); ++i)
        ASSERT_TRUE(items.Add(pictures[i], encoded[i], false, {}));
    ASSERT_EQ(items.Count(), 6);
    int64_t kept = 0;
    for (int i = 0; i < items.Count(); ++i) {
        EXPECT_FALSE(items.Item(i).Thumbnail.isNull()) << i;
        kept += items.Item(i).Encoded.size();
    }
    EXPECT_LE(kept, one * 5 / 2 + one / 4);
    EXPECT_TRUE(items.HasPicture(0));
    EXPECT_TRUE(items.HasPicture(1));
    EXPECT_FALSE(items.HasPicture(5));
    EXPECT_EQ(items.Picture(5), nullptr);
    const ISkImage newest = items.Picture(0);
    ASSERT_TRUE(newest);
    SkPixmap pm;
    ASSERT_TRUE(newest->peekPixels(pm));
    const uint32_t p = pm.at(10, 10); // the sixth picture, as near as JPEG keeps it
    EXPECT_NEAR(int(p >> 16 & 255), 200, 3);
    EXPECT_NEAR(int(p & 255), 50, 3);
}

TEST(GalleryItems, NamesNewestFirstAndDecodesTheStoredPicture)
{
    TGalleryItems items;
    EXPECT_FALSE(items.Add(nullptr, {}, false, {}));
    ASSERT_TRUE(items.Add(FlatPicture(20, 10, 0xFF0000FFu), {}, true, QStringLiteral("/tmp/some/beach.png")));
    ASSERT_TRUE(items.Add(FlatPicture(30, 10, 0xFFFF0000u), {}, false, {}));
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Item(0).ShortName, u"Pelandrovium image");
    EXPECT_FALSE(items.Item(0).NameIsFile);
    EXPECT_EQ(items.Item(1).ShortName, u"beach.png");
    EXPECT_TRUE(items.Item(1).IsSource);
    const ISkImage older = items.Picture(1);
    ASSERT_TRUE(older);
    EXPECT_EQ(older->width(), 20);
    EXPECT_FALSE(items.Picture(2));
}

// ---- the window's side

struct GalleryForm : ::testing::Test {
    RecordingForm form;
    int Count() { return form.FGalleryItems->Count(); }
};

TEST_F(GalleryForm, EverySnapshotMarksUnsavedAndAddsItsThumbnails)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 64, 48));
    ASSERT_EQ(Count(), 1);
    EXPECT_TRUE(form.FGalleryItems->Item(0).IsSource);
    EXPECT_TRUE(form.FGalleryItems->Item(0).NameIsFile);
    EXPECT_FALSE(form.FImageDirty);

    // An effect's result: one result thumbnail, unsaved work.
    form.FSkImage = FlatPicture(64, 48, 0xFF112233u);
    form.History->Save(form.FSkImage, form.FSkSourceImage);
    EXPECT_EQ(Count(), 2);
    EXPECT_FALSE(form.FGalleryItems->Item(0).IsSource);
    EXPECT_TRUE(form.FImageDirty);
    // No removal of duplicates.
    form.History->Save(form.FSkImage, form.FSkSourceImage);
    EXPECT_EQ(Count(), 3);

    // A new source whose result equals it in every sampled pixel: only the source.
    form.FSkSourceImage = FlatPicture(64, 48, 0xFF445566u);
    form.FSkImage = FlatPicture(64, 48, 0xFF445566u);
    form.History->Save(form.FSkImage, form.FSkSourceImage);
    EXPECT_EQ(Count(), 4);
    EXPECT_TRUE(form.FGalleryItems->Item(0).IsSource);
    // Both changed differently: two, the result in front.
    form.FSkSourceImage = FlatPicture(64, 48, 0xFF000000u);
    form.FSkImage = FlatPicture(64, 48, 0xFFFFFFFFu);
    form.History->Save(form.FSkImage, form.FSkSourceImage);
    EXPECT_EQ(Count(), 6);
    EXPECT_FALSE(form.FGalleryItems->Item(0).IsSource);
    EXPECT_TRUE(form.FGalleryItems->Item(1).IsSource);

    // Undo adds nothing; the full reset empties the gallery.
    form.SpeedButton5Click();
    EXPECT_EQ(Count(), 6);
    form.FullReset();
    EXPECT_EQ(Count(), 0);
}

TEST_F(GalleryForm, SetAsResultFitsTheSourceSizeAndSetAsSourceTheResultSize)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 800, 600, 0xFF808080u));
    form.AddThumbnailToGallery(FlatPicture(400, 300, 0xFF204060u), false, {});
    form.AddThumbnailToGallery(FlatPicture(1000, 900, 0xFF604020u), false, {});
    const int steps = form.History->Count();

    form.FContextMenuImageIndex = 1; // the 400 x 300 one
    form.GallerySetAsResult();
    ASSERT_EQ(form.FSkImage->width(), 800);
    EXPECT_EQ(form.FSkImage->height(), 600);
    EXPECT_EQ(PixelAt(form.FSkImage, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(form.History->Count(), steps + 1);
    // (The snapshot added its thumbnail in front: the larger one is now index 1.)
    form.FContextMenuImageIndex = 1;
    form.GallerySetAsSource();
    ASSERT_EQ(form.FSkSourceImage->width(), 800);
    EXPECT_EQ(form.FSkSourceImage->height(), 600);
    EXPECT_EQ(form.History->Count(), steps + 2);

    // Indices outside the gallery do nothing.
    const ISkImage result = form.FSkImage;
    form.FContextMenuImageIndex = 99;
    form.GallerySetAsResult();
    EXPECT_EQ(form.FSkImage, result);
}

// A file added with the strip's "+" keeps its own bytes: set as the result
// (or dragged) it gives the file's pixels exactly, not a compressed copy.
TEST_F(GalleryForm, AFileAddedWithThePlusButtonGivesTheFilesOwnPixels)
{
    QTemporaryDir dir;
    QImage noise(64, 48, QImage::Format_RGB32);
    uint32_t seed = 12345;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 134775813u + 1;
            reinterpret_cast<uint32_t*>(noise.scanLine(y))[x] = 0xFF000000u | seed >> 8;
        }
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    ASSERT_TRUE(noise.save(path));
    ASSERT_TRUE(test::OpenFlatPicture(form, 64, 48));
    form.AddFileToGallery(path);
    ASSERT_EQ(Count(), 2);
    EXPECT_EQ(form.FGalleryItems->Item(0).ShortName, u"noise.png");
    EXPECT_FALSE(form.FGalleryItems->Item(0).IsSource);
    const ISkImage file = DecodeImageFile(path);
    ASSERT_TRUE(file);
    form.FContextMenuImageIndex = 0;
    form.GallerySetAsResult();
    ASSERT_TRUE(form.FSkImage);
    EXPECT_TRUE(form.FSkImage->qimage() == file->qimage()) << "the file's own pixels";

    // What is no picture is said and adds nothing.
    const QString notes = dir.filePath(QStringLiteral("notes.png"));
    QFile text(notes);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    const int count = Count();
    form.AddFileToGallery(notes);
    EXPECT_EQ(Count(), count);
    ASSERT_FALSE(form.messages.empty());
    EXPECT_EQ(form.messages.back(), QStringLiteral("Error loading image: Failed to load image: ") + notes);
}

TEST_F(GalleryForm, PictureCommandsAreRefusedWhileAnEffectRuns)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 40, 30));
    form.AddThumbnailToGallery(FlatPicture(40, 30, 0xFF204060u), false, {});
    form.CopyVLPImageToClipboard(FlatPicture(10, 10, 0xFF00FF00u));
    const ISkImage result = form.FSkImage, source = form.FSkSourceImage;
    const int steps = form.History->Count();
    form.FCurrentEffectNumber = 300;
    form.FContextMenuImageIndex = 0;
    form.GallerySetAsResult();
    form.GallerySetAsSource();
    form.PasteMIClick();
    form.FCurrentEffectNumber = -1;
    EXPECT_EQ(form.FSkImage, result);
    EXPECT_EQ(form.FSkSourceImage, source);
    EXPECT_EQ(form.History->Count(), steps);
}

TEST_F(GalleryForm, TheStripOpensAndCollapses)
{
    TGalleryStrip* strip = form.HistoryRect;
    ASSERT_TRUE(strip);
    EXPECT_FALSE(strip->IsOpen());
    EXPECT_EQ(strip->TabText(), QStringLiteral("Show gallery  \u25B2"));
    form.HistoryToggleClick();
    EXPECT_TRUE(strip->IsOpen());
    EXPECT_EQ(strip->height(), DpI(kGalleryOpenHeight));
    EXPECT_EQ(strip->TabText(), QStringLiteral("Hide gallery  \u25BC"));
    form.HistoryToggleClick();
    EXPECT_EQ(strip->height(), DpI(kGalleryCollapsedHeight));
}

TEST_F(GalleryForm, ASnapshotTakenWhileAThumbnailIsHoveredClosesTheMagnifier)
{
    form.resize(1400, 900);
    form.show();
    ASSERT_TRUE(test::OpenFlatPicture(form, 64, 48));
    form.HistoryToggleClick();
    TGalleryStrip* strip = form.HistoryRect;
    const QPoint over = strip->Layout().ThumbnailRect(0, strip->Scroll()).center();
    QMouseEvent move(QEvent::MouseMove, QPointF(over), QPointF(strip->mapToGlobal(over)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(strip, &move);
    ASSERT_FALSE(form.FGalleryPopup->isHidden());

    // An effect's result lands while the pointer rests: the thumbnail under
    // it is another one now, and the lens must not outlive the hover.
    form.FSkImage = FlatPicture(64, 48, 0xFF112233u);
    form.History->Save(form.FSkImage, form.FSkSourceImage);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(strip, &leave);
    EXPECT_TRUE(form.FGalleryPopup->isHidden());
}

TEST(GalleryStripLayout, CellsOfOneHundredAndSixPixelsAfterTheAddPanel)
{
    TGalleryStripLayout l;
    l.width = 600;
    l.height = 110;
    EXPECT_EQ(l.ThumbnailRect(0, 0), QRect(106, 4, 102, 102));
    EXPECT_EQ(l.ThumbnailRect(2, 0), QRect(318, 4, 102, 102));
    EXPECT_EQ(l.ThumbnailAt(QPoint(320, 50), 3, 0), 2);
    EXPECT_EQ(l.ThumbnailAt(QPoint(320, 50), 2, 0), -1);
    EXPECT_EQ(l.ThumbnailAt(QPoint(214, 50), 3, 106), 2);
    EXPECT_EQ(l.MaxScroll(10), 10 * 106 - (600 - 104));
}

TEST(GalleryContextMenu, OpensAboveThePointerInsideTheWindow)
{
    const QSize menu(220, 58);
    EXPECT_EQ(TGalleryContextMenu::PlaceFor(QPoint(100, 300), menu, 1000), QPoint(100, 242));
    EXPECT_EQ(TGalleryContextMenu::PlaceFor(QPoint(950, 300), menu, 1000), QPoint(780, 242));
    EXPECT_EQ(TGalleryContextMenu::PlaceFor(QPoint(100, 20), menu, 1000), QPoint(100, 0));
}

// ---- the magnifier

TEST(GalleryMagnifier, LensMapping)
{
    const struct {
        int j, i, w, h;
        TLensTap tap;
    } cases[] = {
        {220, 220, 440, 440, {220, 220}}, // the centre stays
        {0, 0, 440, 440, {0, 0}},         // the corners stay 1:1
        {439, 439, 440, 440, {439, 439}},
        {110, 220, 440, 440, {134, 220}}, // pulled towards the centre
        {330, 220, 440, 440, {306, 220}},
        {220, 0, 440, 440, {220, 28}}, // 27.5 rounds to even
    };
    for (const auto& c : cases)
        EXPECT_EQ(LensSourcePixel(c.j, c.i, c.w, c.h), c.tap) << c.j << "," << c.i;
}

TEST(GalleryMagnifier, CropAndPopupStayInside)
{
    EXPECT_EQ(MagnifierCropOrigin(QPointF(0, 0), 4000, 3000, 440, 440), QPointF(0, 0));
    EXPECT_EQ(MagnifierCropOrigin(QPointF(1, 1), 4000, 3000, 440, 440), QPointF(3560, 2560));
    EXPECT_EQ(MagnifierCropOrigin(QPointF(0.5, 0.5), 4000, 3000, 440, 440), QPointF(1780, 1280));

    const QRect thumb(10, 800, 102, 102);
    EXPECT_EQ(MagnifierPopupPos(thumb, 440, 1400), QPoint(0, 350));
    EXPECT_EQ(MagnifierPopupPos(QRect(1350, 800, 102, 102), 440, 1400), QPoint(960, 350));
    EXPECT_EQ(MagnifierPopupPos(QRect(500, 100, 102, 102), 440, 1400), QPoint(331, 212));
}

TEST(GalleryMagnifier, ASmallPictureFillsTheCircleWithoutGlassAndTheHighlightsFollowTheClock)
{
    const ISkImage small = FlatPicture(100, 100, 0xFFFF0000u);
    const QImage lens = RenderMagnifier(small, {0.5, 0.5}, 0.0, false);
    EXPECT_EQ(lens.pixel(220, 220), 0xFFFF0000u);
    EXPECT_EQ(lens.pixel(220, 10), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(lens.pixel(2, 2)), 0); // outside the circle

    const ISkImage large = FlatPicture(1000, 800, 0xFF406080u);
    const QImage a = RenderMagnifier(large, {0.5, 0.5}, 0.0, false);
    EXPECT_EQ(a, RenderMagnifier(large, {0.5, 0.5}, 0.0, false));
    EXPECT_NE(a, RenderMagnifier(large, {0.5, 0.5}, 2.0, false));
    EXPECT_NE(a.pixel(220, 220), 0xFF406080u); // the glass over it
}

// ---- the clipboard

TEST_F(GalleryForm, CopyAndPasteKeepTranslucentPixels)
{
    QImage picture(6, 4, QImage::Format_ARGB32_Premultiplied);
    picture.fill(0xFF336699u);
    reinterpret_cast<uint32_t*>(picture.scanLine(1))[2] = 0x80402010u; // premultiplied, half covered
    const ISkImage copied = SkImage::MakeFromRaster(std::move(picture));
    form.CopyVLPImageToClipboard(copied);

    // What other programs get: PNG with the same pixels.
    const auto* offered = qobject_cast<const TClipboardPicture*>(QGuiApplication::clipboard()->mimeData());
    ASSERT_TRUE(offered);
    EXPECT_TRUE(offered->formats().contains(QStringLiteral("image/png")));
    const ISkImage decoded = DecodeImageData(offered->PngBytes());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(PixelAt(decoded, 2, 1), 0x80402010u);
    EXPECT_EQ(PixelAt(decoded, 0, 0), 0xFF336699u);

    // Pasting makes it source and result, one history step, one source thumbnail.
    form.PasteMIClick();
    ASSERT_TRUE(form.FSkImage);
    EXPECT_EQ(PixelAt(form.FSkImage, 2, 1), 0x80402010u);
    EXPECT_EQ(PixelAt(form.FSkSourceImage, 2, 1), 0x80402010u);
    EXPECT_TRUE(form.FilesView().FSourceFileName.isEmpty());
    EXPECT_EQ(form.History->Count(), 1);
    ASSERT_EQ(form.FGalleryItems->Count(), 1);
    EXPECT_TRUE(form.FGalleryItems->Item(0).IsSource);
    EXPECT_TRUE(form.FImageDirty);

    // Another program's PNG decodes with its alpha.
    auto* foreign = new QMimeData;
    foreign->setData(QStringLiteral("image/png"), offered->PngBytes());
    QGuiApplication::clipboard()->setMimeData(foreign);
    form.PasteMIClick();
    EXPECT_EQ(PixelAt(form.FSkImage, 2, 1), 0x80402010u);
    EXPECT_EQ(form.History->Count(), 2);
}

// Copy and paste right after opening or after a paste: the clipboard holds
// the very picture shown, yet the pasted one is a new source, shown with the
// source mark, and no result thumbnail comes with it.
TEST_F(GalleryForm, CopyThenPasteAddsASourceThumbnail)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 40, 30));
    for (const char* after : {"opening", "pasting"}) {
        SCOPED_TRACE(after);
        const int count = Count(), steps = form.History->Count();
        form.CopyMIClick();
        form.PasteMIClick();
        ASSERT_EQ(Count(), count + 1);
        EXPECT_TRUE(form.FGalleryItems->Item(0).IsSource);
        EXPECT_EQ(form.FGalleryItems->Item(0).ShortName, u"Source image");
        EXPECT_EQ(form.History->Count(), steps + 1);
        EXPECT_EQ(PixelAt(form.FSkImage, 5, 5), 0xFF808080u);
    }
}

TEST_F(GalleryForm, PastingTextChangesNothing)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 40, 30));
    const ISkImage result = form.FSkImage;
    QGuiApplication::clipboard()->setText(QStringLiteral("not a picture"));
    form.PasteMIClick();
    EXPECT_EQ(form.FSkImage, result);
    EXPECT_EQ(form.History->Count(), 1);
    // Copying nothing leaves the clipboard alone.
    form.CopyVLPImageToClipboard(nullptr);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"not a picture");
}

} // namespace
} // namespace pv
