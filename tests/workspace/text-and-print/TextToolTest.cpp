#include "workspace/text-and-print/TextTool.h"

#include "FormFixture.h"
#include "engine/ImageHistory.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/LineEdit.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/Switch.h"
#include "shell/WindowKeyFilter.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/text-and-print/TextWindow.h"

#include <QEnterEvent>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::FlatPicture;
using test::RecordingForm;
using test::SendMouse;

bool SamePixels(const ISkImage& a, const ISkImage& b)
{
    return a && b && a->qimage().convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
                         b->qimage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The largest difference of any channel (the history keeps opaque steps as JPEG).
int MaxDifference(const ISkImage& a, const ISkImage& b)
{
    const QImage qa = a->qimage().convertToFormat(QImage::Format_ARGB32);
    const QImage qb = b->qimage().convertToFormat(QImage::Format_ARGB32);
    if (qa.size() != qb.size())
        return 256;
    int worst = 0;
    for (int y = 0; y < qa.height(); ++y)
        for (int x = 0; x < qa.width(); ++x) {
            const QRgb p = qa.pixel(x, y), q = qb.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

// ------------------------------------------------------------------ arithmetic

TEST(TextToolHandles, DraggingOutwardEnlargesAroundTheFixedOppositeCorner)
{
    struct Case {
        int handle;
        QPointF drag;
        float zoom;
        float size;
    };
    const Case cases[] = {
        {1, {-100, -100}, 1, 54},  // top-left outward by 100 diagonally: +30
        {2, {100, -100}, 1, 54},   //
        {3, {-100, 100}, 1, 54},   //
        {4, {100, 100}, 1, 54},    //
        {4, {100, 100}, 0.5f, 84}, // the same drag on a half-size view moves twice as far
        {4, {-100, -100}, 1, 8},   // stops at the smallest size
        {1, {-4000, -4000}, 1, 500},
        {4, {100, -100}, 1, 24}, // along the box's edge: no change
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handle);
        EXPECT_FLOAT_EQ(ResizedTextSize(24, c.handle, c.drag, c.zoom), c.size);
    }

    // The corner opposite the handle stays where it was when the text grows.
    const QPointF pos(50, 100);
    const TTextMetrics before{200, -40, 10}, after{300, -60, 15};
    for (int handle = 1; handle <= 4; ++handle) {
        SCOPED_TRACE(handle);
        const QPointF anchor = TextResizeAnchor(handle, pos, before);
        const QPointF moved = TextPosForAnchor(handle, anchor, after);
        // Opposite corner of the text: right edge for handles 1 and 3, bottom for 1 and 2.
        const auto opposite = [&](QPointF p, const TTextMetrics& m) {
            const double x = handle == 1 || handle == 3 ? p.x() + m.width : p.x();
            const double y = handle == 1 || handle == 2 ? p.y() + m.descent : p.y() + m.ascent;
            return QPointF(x, y);
        };
        EXPECT_EQ(opposite(pos, before), anchor);
        EXPECT_EQ(opposite(moved, after), anchor);
    }
    EXPECT_EQ(TextResizeAnchor(1, pos, before), QPointF(250, 110));
}

TEST(TextToolHandles, CornersWithinTwelvePixels)
{
    const QRectF box(100, 100, 200, 50);
    EXPECT_EQ(CornerHandleAt(box, {105, 105}), 1);
    EXPECT_EQ(CornerHandleAt(box, {295, 100}), 2);
    EXPECT_EQ(CornerHandleAt(box, {100, 160}), 3);
    EXPECT_EQ(CornerHandleAt(box, {308, 148}), 4);
    EXPECT_EQ(CornerHandleAt(box, {112, 100}), 0);
    EXPECT_EQ(CornerHandleAt(box, {200, 125}), 0);
}

TEST(WatermarkArithmetic, InitialScaleAndResizeLimits)
{
    EXPECT_FLOAT_EQ(InitialWatermarkScale(4000, 2000), 0.5f);
    EXPECT_FLOAT_EQ(InitialWatermarkScale(4000, 400), 1.0f);
    // At least 12 picture pixels wide, at most twice the result's width.
    EXPECT_FLOAT_EQ(ResizedWatermarkScale(0.5f, 4, {-900, -900}, 1, 400, 4000), 12.0f / 400);
    EXPECT_FLOAT_EQ(ResizedWatermarkScale(1, 4, {90000, 90000}, 1, 400, 4000), 20.0f);
    // 100 screen pixels outward at zoom 0.5 widen a 400-pixel logo by 400 picture pixels.
    EXPECT_FLOAT_EQ(ResizedWatermarkScale(1, 4, {100, 100}, 0.5f, 400, 4000), 2.0f);

    const QSizeF before(100, 50), after(200, 100);
    const QPointF pos(10, 20);
    // Bottom-right handle: the top-left corner stays; top-left handle: the bottom-right corner.
    EXPECT_EQ(WatermarkPosForAnchor(4, WatermarkResizeAnchor(4, pos, before), after), pos);
    const QPointF moved = WatermarkPosForAnchor(1, WatermarkResizeAnchor(1, pos, before), after);
    EXPECT_EQ(moved + QPointF(after.width(), after.height()), pos + QPointF(before.width(), before.height()));
}

TEST(WatermarkArithmetic, OpacitySliderPlacement)
{
    const QRectF viewport(0, 0, 800, 600);
    struct Case {
        QRectF watermark;
        QRectF bar;
    };
    const Case cases[] = {
        {{300, 100, 100, 50}, {255, 160, 190, 30}}, // narrow: 190 wide, 10 below
        {{100, 100, 500, 50}, {200, 160, 300, 30}}, // wide: 300 wide
        {{300, 540, 100, 50}, {255, 500, 190, 30}}, // near the bottom: above
        {{-150, 100, 100, 50}, {6, 160, 190, 30}},  // kept 6 inside the view
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.watermark.x());
        EXPECT_EQ(WatermarkAlphaBarRect(c.watermark, viewport), c.bar);
    }
    const QRectF track = WatermarkAlphaTrackRect({100, 100, 200, 30});
    EXPECT_EQ(track, QRectF(109, 109, 182, 12));
    EXPECT_FLOAT_EQ(WatermarkAlphaFromX(track, 50, 0.7f), 0.0f);
    EXPECT_FLOAT_EQ(WatermarkAlphaFromX(track, 200, 0.7f), 0.5f);
    EXPECT_FLOAT_EQ(WatermarkAlphaFromX(track, 900, 0.7f), 1.0f);
}

// ------------------------------------------------------------------ on the window

class TextToolForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.resize(1200, 800);
        form.show();
        ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300, 0xFF204060u));
        form.SkPaintBox1->FullSizeAndCenter();
        QCoreApplication::processEvents();
    }
    TTextTool& tool() { return *form.FTextTool; }
    CanvasView& canvas() { return *form.SkPaintBox1; }
    void Type(const QString& text)
    {
        form.TextWindow->TextToolEdit->setEditText(text);
        form.TextWindow->TextToolEditChangeTracking();
    }
    // A picture point on the canvas widget.
    QPointF OnScreen(QPointF picture)
    {
        return canvas().ImageOrigin() - canvas().Geometry().Scroll + picture * canvas().Geometry().FZoomFactor;
    }
    QString WatermarkFile(int w, int h, uint32_t pixel)
    {
        QImage img(w, h, QImage::Format_ARGB32);
        img.fill(pixel);
        const QString path = dir.filePath(QStringLiteral("logo-%1.png").arg(w));
        img.save(path);
        return path;
    }
    RecordingForm form;
    QTemporaryDir dir;
};

TEST_F(TextToolForm, OpeningWithAnEmptyBoxWaitsForText)
{
    form.Label9Click();
    EXPECT_TRUE(form.IsTextWindowVisible());
    EXPECT_FALSE(tool().FTextToolActive);
    Type(QStringLiteral("Caption"));
    EXPECT_TRUE(tool().FTextToolActive);
    // Centred on the visible canvas, in picture pixels.
    const TTextMetrics m = MeasureToolText(tool().Look(), 1);
    EXPECT_NEAR(tool().FTextPos.x() + m.width / 2, 200, 1);
    EXPECT_NEAR(tool().FTextPos.y() + (m.ascent + m.descent) / 2, 150, 1);
    // A second click on the entry cancels.
    form.Label9Click();
    EXPECT_FALSE(form.IsTextWindowVisible());
    EXPECT_FALSE(tool().FTextToolActive);
}

// The style icons light under the pointer and, when it leaves, show their
// state's colour: "on" after a click that switched them on.
TEST_F(TextToolForm, BoldAndItalicKeepTheirStateColourWhenThePointerLeaves)
{
    // By then every label of the window has its hover.
    test::WaitUntil([&] { return !form.InitializationTimer.isActive(); });
    form.Label9Click();
    constexpr TAlphaColor on = 0xFF61B9D2u, off = 0xFFD5D5D5u;
    TTextWindow* w = form.TextWindow;
    const struct {
        TLabel* icon;
        bool click;
        TAlphaColor after;
    } cases[] = {
        {w->Bold, true, on}, {w->Italic, false, off}, {w->Italic, true, on}, {w->Bold, true, off}, {w->Bold, false, off},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.icon->objectName().toStdString() << (c.click ? " clicked" : " passed"));
        const QPointF at(c.icon->width() / 2.0, c.icon->height() / 2.0);
        QEnterEvent enter(at, at, c.icon->mapToGlobal(at));
        QCoreApplication::sendEvent(c.icon, &enter);
        EXPECT_EQ(c.icon->designColour("font"), 0xFFFFFFFFu) << "lit under the pointer";
        if (c.click) {
            SendMouse(c.icon, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
            SendMouse(c.icon, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        }
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(c.icon, &leave);
        EXPECT_EQ(c.icon->designColour("font"), c.after);
    }
    EXPECT_EQ(tool().FTextFontStyle.weight, 400);
    EXPECT_TRUE(tool().FTextFontStyle.italic);
}

// The text box takes the focus when the window opens and still shows its
// prompt, as it shows it unfocused, until something is typed.
TEST_F(TextToolForm, TheEmptyTextBoxShowsItsPromptWhileFocused)
{
    form.activateWindow();
    form.Label9Click();
    QCoreApplication::processEvents();
    TLineEdit* box = form.TextWindow->TextToolEdit;
    ASSERT_TRUE(box->hasEditFocus());
    ASSERT_TRUE(box->editText().isEmpty());
    EXPECT_EQ(box->text(), QStringLiteral("Enter your text here"));
    // The prompt's ink: the pixels inside the box that the prompt changes.
    const auto promptInk = [box] {
        const QRect inside = box->editor()->geometry().adjusted(4, 4, -4, -4);
        const QImage with = box->grab(inside).toImage();
        box->setPrompt(QString());
        const QImage without = box->grab(inside).toImage();
        box->setPrompt(QStringLiteral("Enter your text here"));
        int n = 0;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x)
                n += with.pixel(x, y) != without.pixel(x, y);
        return n;
    };
    const int focused = promptInk();
    form.setFocus();
    QCoreApplication::processEvents();
    ASSERT_FALSE(box->hasEditFocus());
    const int unfocused = promptInk();
    EXPECT_GT(unfocused, 100);
    EXPECT_NEAR(focused, unfocused, unfocused / 10) << "the prompt shows while the box has the focus";
    box->editor()->setFocus();
    Type(QStringLiteral("Words"));
    EXPECT_EQ(promptInk(), 0) << "typed text hides it";
}

TEST_F(TextToolForm, PlacedAtFullSizeAndCommittedAtHalfSizeGivesTheSamePixels)
{
    form.Label9Click();
    Type(QStringLiteral("Same"));
    tool().FTextPos = {40, 120};
    const ISkImage atFull = tool().Burn(form.FSkImage);
    canvas().Geometry().FZoomFactor = 0.5f;
    canvas().UpdatePaintBoxSize();
    const ISkImage atHalf = tool().Burn(form.FSkImage);
    EXPECT_TRUE(SamePixels(atFull, atHalf));

    // Dragging on the half-size view moves the text twice the screen distance.
    const QPointF inside = OnScreen(tool().FTextPos) + QPointF(10, -5);
    SendMouse(&canvas(), QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    SendMouse(&canvas(), QEvent::MouseMove, inside + QPointF(30, 20), Qt::NoButton, Qt::LeftButton);
    SendMouse(&canvas(), QEvent::MouseButtonRelease, inside + QPointF(30, 20), Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(tool().FTextPos.x(), 100, 1e-3);
    EXPECT_NEAR(tool().FTextPos.y(), 160, 1e-3);
}

TEST_F(TextToolForm, CornerDragResizesAndTheSizeBoxFollows)
{
    form.Label9Click();
    Type(QStringLiteral("Grow"));
    const QRectF box = tool().TextScreenBox();
    const TTextMetrics m0 = MeasureToolText(tool().Look(), 1);
    const QPointF bottomRight = tool().FTextPos + QPointF(m0.width, m0.descent);
    SendMouse(&canvas(), QEvent::MouseButtonPress, box.topLeft(), Qt::LeftButton, Qt::LeftButton);
    SendMouse(&canvas(), QEvent::MouseMove, box.topLeft() - QPointF(100, 100), Qt::NoButton, Qt::LeftButton);
    SendMouse(&canvas(), QEvent::MouseButtonRelease, box.topLeft() - QPointF(100, 100), Qt::LeftButton, Qt::NoButton);
    EXPECT_FLOAT_EQ(tool().FTextFontSize, 54);
    EXPECT_DOUBLE_EQ(form.TextWindow->NumberBox1->value(), 54);
    const TTextMetrics m1 = MeasureToolText(tool().Look(), 1);
    EXPECT_NEAR(tool().FTextPos.x() + m1.width, bottomRight.x(), 1e-3);
    EXPECT_NEAR(tool().FTextPos.y() + m1.descent, bottomRight.y(), 1e-3);
}

TEST_F(TextToolForm, TypedSizesAreHeldInRangeAndNonPositiveOnesIgnored)
{
    form.Label9Click();
    TNumberBox* box = form.TextWindow->NumberBox1;
    struct Case {
        const char* typed;
        float size;
    };
    const Case cases[] = {{"36", 36}, {"900", kMaxTextSize}, {"0", kMaxTextSize}, {"-5", kMaxTextSize}, {"3", kMinTextSize}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        box->editor()->setText(QString::fromLatin1(c.typed));
        form.TextWindow->NumberBox1KeyUp();
        EXPECT_FLOAT_EQ(tool().FTextFontSize, c.size);
    }
}

TEST_F(TextToolForm, ApplyWhileAnEffectRunsKeepsThePlacementAndSaysToWait)
{
    const int steps = form.History->Count();
    form.Label9Click();
    Type(QStringLiteral("Later"));
    form.FCurrentEffectNumber = 300;
    form.ApplyTextButtonClick();
    EXPECT_EQ(form.messages, std::vector<QString>{QStringLiteral("Please wait for the current effect to finish.")});
    EXPECT_TRUE(form.IsTextWindowVisible());
    EXPECT_TRUE(form.IsTextToolActive());
    EXPECT_EQ(form.History->Count(), steps);
    // Once the effect has ended the same press burns the text in.
    form.FCurrentEffectNumber = -1;
    form.ApplyTextButtonClick();
    EXPECT_FALSE(form.IsTextWindowVisible());
    EXPECT_EQ(form.History->Count(), steps + 1);
}

TEST_F(TextToolForm, CommitIsOneUndoableStep)
{
    const ISkImage before = form.FSkImage;
    const int steps = form.History->Count();
    form.Label9Click();
    Type(QStringLiteral("Burnt"));
    form.ApplyTextButtonClick();
    EXPECT_FALSE(form.IsTextWindowVisible());
    EXPECT_FALSE(form.IsTextToolActive());
    EXPECT_EQ(form.History->Count(), steps + 1);
    EXPECT_GT(MaxDifference(before, form.FSkImage), 100);
    form.SpeedButton5Click();
    EXPECT_LE(MaxDifference(before, form.FSkImage), 4);
    form.SpeedButton6Click();
    EXPECT_GT(MaxDifference(before, form.FSkImage), 100);

    // An emptied box keeps the tool active: the commit records the picture unchanged.
    form.Label9Click();
    EXPECT_TRUE(tool().FTextToolActive);
    Type(QString());
    const ISkImage unchanged = form.FSkImage;
    form.CommitText();
    EXPECT_EQ(form.History->Count(), steps + 2);
    EXPECT_TRUE(SamePixels(unchanged, form.FSkImage));
}

TEST_F(TextToolForm, EnterCommitsAndEscCancelsWhileTheWindowIsOpen)
{
    const int steps = form.History->Count();
    form.Label9Click();
    Type(QStringLiteral("Keys"));
    EXPECT_TRUE(form.FKeyFilter->Route({Qt::Key_Return, Qt::NoModifier, false, nullptr}));
    EXPECT_EQ(form.History->Count(), steps + 1);
    EXPECT_FALSE(form.IsTextWindowVisible());
    // With the window closed the keys are not the tool's.
    EXPECT_FALSE(form.FKeyFilter->Route({Qt::Key_Return, Qt::NoModifier, false, nullptr}));

    // Esc in the text box ends the text only; elsewhere in the window both tools.
    form.Label9Click();
    ASSERT_TRUE(form.LoadWatermarkFile(WatermarkFile(50, 50, 0xFF00FF00u)));
    ASSERT_TRUE(form.TextWindow->TextBoxHasFocus());
    EXPECT_TRUE(form.FKeyFilter->Route({Qt::Key_Escape, Qt::NoModifier, true, nullptr}));
    EXPECT_FALSE(form.IsTextWindowVisible());
    EXPECT_FALSE(tool().FTextToolActive);
    EXPECT_TRUE(tool().FWmActive);
    form.Label9Click();
    form.TextWindow->ShadowCheckBox->setFocus();
    ASSERT_FALSE(form.TextWindow->TextBoxHasFocus());
    EXPECT_TRUE(form.FKeyFilter->Route({Qt::Key_Escape, Qt::NoModifier, false, nullptr}));
    EXPECT_FALSE(form.IsTextWindowVisible());
    EXPECT_FALSE(form.IsTextToolActive());
    EXPECT_EQ(form.History->Count(), steps + 1);
}

TEST_F(TextToolForm, ShadowFallsFivePicturePixelsRightAndBelow)
{
    EXPECT_FLOAT_EQ(TextToolShadow(1).offset, 5);
    EXPECT_FLOAT_EQ(TextToolShadow(1).sigma, 3);
    EXPECT_FLOAT_EQ(TextToolShadow(0.5f).offset, 2.5f);
    EXPECT_EQ(TextToolShadow(1).color, 0xBF000000u);

    form.Label9Click();
    Type(QStringLiteral("I"));
    tool().FTextFontSize = 80;
    tool().FTextPos = {150, 200};
    const ISkImage white = FlatPicture(400, 300, 0xFFFFFFFFu);
    // The glyph's box from the text in black without a shadow.
    tool().FTextColor = 0xFF000000u;
    tool().FShadowChecked = false;
    const QImage glyph = tool().Burn(white)->qimage();
    QRect box;
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
            if (qGray(glyph.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    ASSERT_FALSE(box.isEmpty());
    // White text on white: only the shadow shows, beside the right and lower
    // edges and hardly at all beside the others.
    tool().FTextColor = 0xFFFFFFFFu;
    tool().FShadowChecked = true;
    for (const float zoom : {1.0f, 0.5f}) {
        canvas().Geometry().FZoomFactor = zoom;
        const QImage shadow = tool().Burn(white)->qimage();
        const auto dark = [&](int x, int y) { return 255 - qGray(shadow.pixel(x, y)); };
        const QPoint c = box.center();
        EXPECT_GT(dark(box.right() + 3, c.y()), 60);
        EXPECT_LT(dark(box.left() - 3, c.y()), 10);
        EXPECT_GT(dark(c.x() + 5, box.bottom() + 3), 60);
        EXPECT_LT(dark(c.x(), box.top() - 3), 10);
    }
}

TEST_F(TextToolForm, WatermarkIsPlacedAndBurntInWithTheText)
{
    form.Label9Click();
    ASSERT_TRUE(form.LoadWatermarkFile(WatermarkFile(200, 100, 0xFFFF0000u)));
    // A quarter of the 400-pixel result: half its own size, centred.
    EXPECT_FLOAT_EQ(tool().FWmScale, 0.5f);
    EXPECT_EQ(tool().FWmPos, QPointF(150, 125));
    EXPECT_FLOAT_EQ(tool().FWmAlpha, 1.0f);

    // Esc in the text box ends only the text; the next commit burns the watermark in.
    Type(QStringLiteral("Both"));
    form.TextWindow->EscapeInTextBox();
    EXPECT_FALSE(tool().FTextToolActive);
    EXPECT_TRUE(tool().FWmActive);
    form.CommitText();
    EXPECT_EQ(form.FSkImage->qimage().pixel(200, 150), 0xFFFF0000u);
    EXPECT_EQ(form.FSkImage->qimage().pixel(10, 10), 0xFF204060u);
    EXPECT_FALSE(tool().FWmActive);
    EXPECT_FALSE(tool().FWmImage);
}

TEST_F(TextToolForm, WatermarkAtZeroOpacityLeavesThePicture)
{
    form.Label9Click();
    ASSERT_TRUE(form.LoadWatermarkFile(WatermarkFile(120, 60, 0xFF00FF00u)));
    // The slider's left end.
    const QRectF bar = WatermarkAlphaBarRect(tool().WatermarkScreenRect(), QRectF(canvas().rect()));
    const QPointF left(bar.left() + 1, bar.center().y());
    SendMouse(&canvas(), QEvent::MouseButtonPress, left, Qt::LeftButton, Qt::LeftButton);
    SendMouse(&canvas(), QEvent::MouseButtonRelease, left, Qt::LeftButton, Qt::NoButton);
    EXPECT_FLOAT_EQ(tool().FWmAlpha, 0.0f);
    const ISkImage before = form.FSkImage;
    form.CommitText();
    EXPECT_TRUE(SamePixels(before, form.FSkImage));
}

TEST_F(TextToolForm, AWatermarkThatDoesNotDecodeKeepsThePlacedOne)
{
    form.Label9Click();
    ASSERT_TRUE(form.LoadWatermarkFile(WatermarkFile(100, 100, 0xFF0000FFu)));
    const ISkImage placed = tool().FWmImage;
    QFile broken(dir.filePath(QStringLiteral("broken.png")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    EXPECT_FALSE(form.LoadWatermarkFile(broken.fileName()));
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0], QStringLiteral("Failed to load image: broken.png"));
    EXPECT_EQ(tool().FWmImage, placed);
    EXPECT_TRUE(tool().FWmActive);
}

TEST_F(TextToolForm, AWatermarkTooLargeForMemoryIsReportedAndChangesNothing)
{
    form.Label9Click();
    ASSERT_TRUE(form.LoadWatermarkFile(WatermarkFile(80, 40, 0xFF0000FFu)));
    const ISkImage placed = tool().FWmImage;
    // A PNG header of 200000 x 200000 pixels (160 GB once decoded).
    static const unsigned char kHuge[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x03,
        0x0D, 0x40, 0x00, 0x03, 0x0D, 0x40, 0x08, 0x06, 0x00, 0x00, 0x00, 0xF9, 0x3B, 0x88, 0x0A, 0x00, 0x00, 0x00,
        0x0C, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x60, 0xA0, 0x0C, 0x00, 0x00, 0x00, 0x40, 0x00, 0x01, 0xB7,
        0x34, 0x7C, 0xEF, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    QFile huge(dir.filePath(QStringLiteral("huge.png")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(reinterpret_cast<const char*>(kHuge), sizeof kHuge);
    huge.close();
    EXPECT_FALSE(form.LoadWatermarkFile(huge.fileName()));
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0], QStringLiteral("Image too large for available memory: huge.png"));
    EXPECT_EQ(tool().FWmImage, placed);
}

} // namespace
} // namespace pv
