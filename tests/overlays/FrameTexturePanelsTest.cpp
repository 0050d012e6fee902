#include "overlays/FramePreview.h"
#include "overlays/TexturePreview.h"
#include "overlays/FrameSelector.h"
#include "overlays/CombineImages.h"
#include "overlays/TextureSelector.h"

#include "engine/Repository.h"
#include "platform/widgets/ColourPicker.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/ThumbnailGrid.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <zlib.h>

namespace pv {
namespace {

// A w x h frame: transparent inside, a border of `border` pixels of alpha a.
QImage RingFrame(int w, int h, int border, int a = 255)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    const uint32_t px = (uint32_t(a) << 24) | (uint32_t(a * 0x80 / 255) << 16);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x < border || y < border || x >= w - border || y >= h - border)
                reinterpret_cast<uint32_t*>(img.scanLine(y))[x] = px;
    return img;
}

QImage Flat(int w, int h, uint32_t pixel)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(pixel);
    return img;
}

ISkImage FlatPicture(int w, int h, uint32_t pixel)
{
    return SkImage::MakeFromRaster(Flat(w, h, pixel));
}

TEST(FramePreview, BorderAndOpeningOfFrames)
{
    struct Case {
        const char* what;
        QImage frame;
        bool borderless, opening;
        QRectF aperture;
    };
    const Case cases[] = {
        {"transparent", Flat(10, 10, 0), true, true, QRectF(0, 0, 1, 1)},
        {"ring of 2", RingFrame(10, 10, 2), false, true, QRectF(QPointF(0.1, 0.1), QPointF(0.8, 0.8))},
        {"ring of alpha 220 counts", RingFrame(10, 20, 3, 220), false, true,
         QRectF(QPointF(0.2, 0.1), QPointF(0.7, 0.85))},
        {"ring of alpha 200 does not", RingFrame(10, 10, 2, 200), true, true, QRectF(0, 0, 1, 1)},
        {"opaque centre", Flat(10, 10, 0xFF102030u), false, false, QRectF(QPointF(0.5, 0.5), QPointF(0.5, 0.5))},
        {"empty", QImage(), false, true, QRectF(0, 0, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IsBorderlessFrame(c.frame), c.borderless);
        EXPECT_EQ(HasFrameOpening(c.frame), c.opening);
        EXPECT_EQ(DetectAperture(c.frame), c.aperture);
    }
}

TEST(FramePreview, LayoutCentresPictureMarginAndBorders)
{
    // A 100 x 100 frame with a 10-pixel border; a 200 x 100 picture, margin 20.
    const TFramePreviewLayout l = ComputeFramePreviewLayout(QRectF(QPointF(0.1, 0.1), QPointF(0.9, 0.9)),
                                                            QSize(100, 100), QSize(200, 100), 20, QRectF(0, 0, 200, 200));
    EXPECT_EQ(l.hole.left, 10);
    EXPECT_EQ(l.hole.right, 90);
    EXPECT_DOUBLE_EQ(l.totalWidth, 260);
    EXPECT_DOUBLE_EQ(l.totalHeight, 160);
    EXPECT_DOUBLE_EQ(l.scale, 200.0 / 260);
    EXPECT_DOUBLE_EQ(l.origin.x(), 0);
    EXPECT_DOUBLE_EQ(l.origin.y(), (200 - 160 * l.scale) / 2);
    EXPECT_EQ(l.marginRect, QRectF(10, 10, 240, 140));
    EXPECT_EQ(l.pictureRect, QRectF(30, 30, 200, 100));
    // Without a picture a 1000 x 1000 placeholder is laid out.
    EXPECT_DOUBLE_EQ(ComputeFramePreviewLayout(QRectF(0, 0, 1, 1), QSize(10, 10), QSize(), 0, QRectF(0, 0, 100, 100))
                         .totalWidth,
                     1000);
}

TEST(FramePreview, BorderlessThumbnailShowsTheMatInTheMarginColour)
{
    // A square picture with margin equal to its side: the mat is a third of each side.
    const QImage t = MakeBorderlessFrameThumbnail(0xFFFF0000u, 100, QSize(100, 100));
    ASSERT_EQ(t.size(), QSize(240, 240));
    EXPECT_EQ(t.pixel(40, 120), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(t.pixel(120, 120)), 0);
    EXPECT_EQ(t.pixel(1, 120), 0xFFA9A9A9u);
}

// ---- the frame panel

class FramePanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.add(QStringLiteral("1")).setBitmap(RingFrame(60, 60, 8));
        list.add(QStringLiteral("2")).setBitmap(RingFrame(60, 40, 5));
        list.add(QStringLiteral("mat")).setBitmap(Flat(30, 30, 0));
        panel.FrameList = &list;
        panel.OnStore = [this](const TStoredFrame& s) { stored = s; };
        panel.OnClose = [this] { ++closes; };
        panel.OnFrameSelected = [this](const QImage& f, int m, TAlphaColor c) {
            applied = f;
            margin = m;
            colour = c;
        };
        panel.OnMessage = [this](const QString& m) { messages << m; };
        panel.SetPicture(FlatPicture(300, 200, 0xFF336699u));
    }
    TImageList list;
    TFrame3 panel;
    TStoredFrame stored;
    int closes = 0, margin = -1;
    QImage applied;
    TAlphaColor colour = 0;
    QStringList messages;
};

TEST_F(FramePanel, FirstOpeningSelectsTheFirstFrameWithMargin150White)
{
    panel.LoadFrames(list);
    EXPECT_EQ(panel.SelectedIndex(), 0);
    EXPECT_EQ(panel.NumberBox1->intValue(), 150);
    EXPECT_EQ(panel.MarginColour(), 0xFFFFFFFFu);
    EXPECT_EQ(panel.BorderlessCell(), 2);
    panel.Button1Click();
    EXPECT_EQ(applied.size(), QSize(60, 60));
    EXPECT_EQ(margin, 150);
    EXPECT_EQ(colour, 0xFFFFFFFFu);
    EXPECT_TRUE(panel.isHidden());
    EXPECT_EQ(closes, 0); // the window closes the layer when the frame is on
    EXPECT_TRUE(stored.Valid);
    EXPECT_EQ(stored.Name, QStringLiteral("1"));
    EXPECT_EQ(stored.Number, 0);
}

TEST_F(FramePanel, StoredChoiceIsRestoredAndCancelStoresTheNewOne)
{
    TStoredFrame s;
    s.Valid = true;
    s.Name = QStringLiteral("MAT");
    s.Size = 42;
    s.Colour = 0xFF00FF00u;
    panel.SetStored(s);
    panel.LoadFrames(list);
    EXPECT_EQ(panel.SelectedIndex(), 2);
    EXPECT_EQ(panel.NumberBox1->intValue(), 42);
    EXPECT_EQ(panel.MarginColour(), 0xFF00FF00u);
    panel.NavigateGallery(-1, false);
    panel.NumberBox1->setValue(7);
    panel.Button2Click();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(stored.Name, QStringLiteral("2"));
    EXPECT_EQ(stored.Number, 1);
    EXPECT_EQ(stored.Size, 7.0f);
    EXPECT_TRUE(applied.isNull());
}

TEST_F(FramePanel, UnknownStoredNameFallsBackToTheFirstFrame)
{
    TStoredFrame s;
    s.Valid = true;
    s.Name = QStringLiteral("gone");
    s.Size = 20;
    panel.SetStored(s);
    panel.LoadFrames(list);
    EXPECT_EQ(panel.SelectedIndex(), 0);
    EXPECT_EQ(panel.NumberBox1->intValue(), 20);
}

TEST_F(FramePanel, BorderlessCellFollowsTheMargin)
{
    panel.LoadFrames(list);
    const QImage before = panel.Gallery->item(2).picture;
    panel.NumberBox1->setValue(10);
    EXPECT_NE(panel.Gallery->item(2).picture, before);
}

TEST_F(FramePanel, CustomFramesAreCheckedBeforeJoiningTheList)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("Gold leaf.png"));
    const QString covering = dir.filePath(QStringLiteral("solid.png"));
    const QString huge = dir.filePath(QStringLiteral("huge.png"));
    const QString junk = dir.filePath(QStringLiteral("junk.png"));
    ASSERT_TRUE(RingFrame(40, 40, 6).save(good));
    ASSERT_TRUE(Flat(40, 40, 0xFF000000u).save(covering));
    ASSERT_TRUE(Flat(TForm3::kMaxBrushSide + 1, 2, 0xFF000000u).save(huge));
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
    f.close();
    panel.LoadFrames(list);
    for (const QString& path : {covering, huge, junk}) {
        SCOPED_TRACE(path.toStdString());
        messages.clear();
        panel.AskFrameFile = [path] { return path; };
        panel.BtnLoadCustomClick();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Error: ")));
        EXPECT_EQ(list.count(), 3);
    }
    panel.AskFrameFile = [good] { return good; };
    panel.BtnLoadCustomClick();
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(list.name(3), QStringLiteral("Gold leaf"));
    EXPECT_EQ(panel.SelectedIndex(), 3);
}

TEST_F(FramePanel, ApplyWithoutAnyFrameOnlyCloses)
{
    TImageList empty;
    panel.LoadFrames(empty);
    panel.Button1Click();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(applied.isNull());
}

// ---- the texture panel

TEST(TexturePreview, WheelZoomKeepsTheCentreAndStopsAtItsLimits)
{
    TTexturePreviewView v;
    v.PanX = 10;
    v.PanY = -30;
    const QSizeF box(200, 200);
    const auto centreInPicture = [&] { return QPointF((100 - v.PanX) / v.Zoom, (100 - v.PanY) / v.Zoom); };
    const QPointF before = centreInPicture();
    for (int i = 0; i < 40; ++i)
        v.WheelZoom(box, 120);
    EXPECT_FLOAT_EQ(v.Zoom, TTexturePreviewView::kMaxZoom);
    EXPECT_NEAR(centreInPicture().x(), before.x(), 1e-3);
    EXPECT_NEAR(centreInPicture().y(), before.y(), 1e-3);
    for (int i = 0; i < 80; ++i)
        v.WheelZoom(box, -120);
    EXPECT_FLOAT_EQ(v.Zoom, TTexturePreviewView::kMinZoom);
}

TEST(TexturePreview, VisibleRegionIsClippedToThePicture)
{
    TTexturePreviewView v;
    v.Centre(QSizeF(200, 200), QSize(100, 400)); // pan (50, -100)
    const TTextureRegion r = VisibleTextureRegion(v, QSizeF(200, 200), QSize(100, 400));
    EXPECT_EQ(r.Source, QRectF(0, 100, 100, 200));
    EXPECT_EQ(r.Target, QRectF(50, 0, 100, 200));
    EXPECT_EQ(r.Width, 100);
    EXPECT_EQ(r.Height, 200);
}

TEST(TexturePreview, ReliefLeavesTransparentPixelsAlone)
{
    QImage picture = Flat(8, 8, 0xFF808080u);
    picture.setPixel(3, 3, 0);
    QImage texture(2, 1, QImage::Format_ARGB32_Premultiplied);
    texture.setPixel(0, 0, 0xFF000000u);
    texture.setPixel(1, 0, 0xFFFFFFFFu);
    const TTextureGrey grey = MakeTextureGrey(&texture);
    TTexturePreviewView v;
    v.PanX = v.PanY = 0;
    const ISkImage p = SkImage::MakeFromRaster(std::move(picture));
    const ISkImage out = RenderTexturePreview(p, VisibleTextureRegion(v, QSizeF(8, 8), QSize(8, 8)), &grey, 1, 1);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->qimage().pixel(3, 3), 0u);
    // Mean 127: the black texel brightens by 127, the white one darkens by 128.
    EXPECT_EQ(out->qimage().pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(out->qimage().pixel(1, 0), 0xFF000000u);
}

class TexturePanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"Canvas", "Paper", "Impasto"})
            list.add(QString::fromLatin1(name)).setBitmap(Flat(16, 16, 0xFF404040u + uint32_t(list.count()) * 0x101010u));
        panel.TextureList = &list;
        panel.OnStore = [this](const TStoredTexture& s) { stored = s; };
        panel.OnClose = [this] { ++closes; };
        panel.OnTextureSelected = [this](const QImage& t, int s, float sc) {
            applied = t;
            strength = s;
            scale = sc;
        };
        panel.SetPicture(FlatPicture(300, 200, 0xFF336699u));
        panel.resize(panel.size());
    }
    TImageList list;
    TFrameTextureSelector panel;
    TStoredTexture stored;
    int closes = 0, strength = -1;
    float scale = 0;
    QImage applied;
};

TEST_F(TexturePanel, SecondTextureIsTheDefaultAndApplyHandsItOver)
{
    panel.LoadTextures(list);
    EXPECT_EQ(panel.SelectedIndex(), 1);
    panel.Button1Click();
    EXPECT_EQ(applied, list[1].bitmap());
    EXPECT_EQ(strength, 50);
    EXPECT_EQ(scale, 1.0f);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(stored.Name, QStringLiteral("Paper"));
    EXPECT_EQ(stored.Bitmap, list[1].bitmap());
}

TEST_F(TexturePanel, UnknownStoredNameKeepsTheDefaultButRestoresTheBoxes)
{
    TStoredTexture s;
    s.Valid = true;
    s.Name = QStringLiteral("gone");
    s.Strength = 70;
    s.Scale = 2.5f;
    panel.SetStored(s);
    panel.LoadTextures(list);
    EXPECT_EQ(panel.SelectedIndex(), 1);
    EXPECT_EQ(panel.NumberBoxStrength->intValue(), 70);
    EXPECT_DOUBLE_EQ(panel.NumberBoxScale->value(), 2.5);
}

TEST_F(TexturePanel, CancelStillStoresTheTextureChosen)
{
    panel.LoadTextures(list);
    panel.NavigateGallery(1, false);
    panel.Button2Click();
    EXPECT_TRUE(applied.isNull());
    EXPECT_EQ(stored.Name, QStringLiteral("Impasto"));
    EXPECT_EQ(stored.Bitmap, list[2].bitmap());
    // Right on the last cell does nothing.
    panel.NavigateGallery(1, false);
    EXPECT_EQ(panel.SelectedIndex(), 2);
}

TEST_F(TexturePanel, GreyGridIsMadeOncePerTextureNotPerRedraw)
{
    panel.LoadTextures(list);
    panel.show();
    for (int i = 0; i < 3; ++i) {
        panel.pbPreviewTexture->repaint();
        panel.NumberBoxStrength->setValue(10 + i);
    }
    panel.NavigateGallery(-1, false);
    panel.NavigateGallery(1, false);
    panel.pbPreviewTexture->repaint();
    EXPECT_EQ(panel.GreyGridsMade(), 2);
}

TEST_F(TexturePanel, CtrlWheelChangesTheScaleByTheZoomFactor)
{
    panel.LoadTextures(list);
    panel.PreviewWheel(120, true);
    EXPECT_NEAR(panel.NumberBoxScale->value(), 1.1, 1e-9);
    EXPECT_NEAR(panel.View().Zoom, 1.1, 1e-6);
    panel.PreviewWheel(-120, false);
    EXPECT_NEAR(panel.NumberBoxScale->value(), 1.1, 1e-9);
}

TEST(GalleryPanels, GalleryBoxFollowsTheTheme)
{
    TFrame3 frames;
    TFrameTextureSelector textures;
    for (TGalleryPanel* panel : {static_cast<TGalleryPanel*>(&frames), static_cast<TGalleryPanel*>(&textures)}) {
        SCOPED_TRACE(panel->objectName().toStdString());
        ASSERT_NE(panel->GalleryBox, nullptr);
        EXPECT_EQ(panel->Gallery->parentWidget(), panel->GalleryBox);
        panel->GalleryBox->applyTheme(true);
        EXPECT_EQ(panel->GalleryBox->colour("fill"), TGalleryPanel::kGalleryFillLight);
        panel->GalleryBox->applyTheme(false);
        EXPECT_EQ(panel->GalleryBox->colour("fill"), TGalleryPanel::kGalleryFill);
    }
}

QByteArray PngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    chunk += QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4), uInt(chunk.size() - 4))),
                 crc.data());
    return chunk + crc;
}

// A w x h PNG of one-bit grey pixels whose header and first row are all it
// holds: what a decoder that judges the size from the header reads of it.
QByteArray PngClaiming(int w, int h)
{
    QByteArray header(13, '\0');
    qToBigEndian(quint32(w), header.data());
    qToBigEndian(quint32(h), header.data() + 4);
    header[8] = 1; // bit depth; colour type 0 (grey), no interlace
    const QByteArray row(1 + (w + 7) / 8, '\0');
    QByteArray packed(int(compressBound(uLong(row.size()))), '\0');
    uLongf packedSize = uLongf(packed.size());
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(row.constData()),
             uLong(row.size()));
    packed.resize(int(packedSize));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", packed) +
           PngChunk("IEND", {});
}

// A picture chosen as a frame or a texture that is too big is called too
// big, with its size; one that is no picture is called that.
TEST(GalleryPanels, ATooBigPictureIsToldApartFromAFileThatIsNoPicture)
{
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    const QString huge = write("huge.png", PngClaiming(20000, 20000));
    const QString junk = write("junk.png", "not a picture");
    const struct {
        QString path;
        const char* says;
    } cases[] = {
        {huge, "\"huge.png\" is too big (20000 x 20000 pixels; at most 8192 pixels wide and tall)"},
        {junk, "\"junk.png\" is not a picture"},
    };
    TImageList frameList, textureList;
    TFrame3 frames;
    frames.FrameList = &frameList;
    TFrameTextureSelector textures;
    textures.TextureList = &textureList;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QStringList messages;
        const auto ask = [&c] { return c.path; };
        frames.OnMessage = textures.OnMessage = [&](const QString& m) { messages << m; };
        frames.AskFrameFile = ask;
        frames.BtnLoadCustomClick();
        textures.AskTextureFile = ask;
        textures.BtnLoadCustomClick();
        ASSERT_EQ(messages.size(), 2);
        for (const QString& m : messages)
            EXPECT_EQ(m.toStdString(), std::string("Error: ") + c.says);
        EXPECT_EQ(frameList.count(), 0);
        EXPECT_EQ(textureList.count(), 0);
    }
}

} // namespace
} // namespace pv
