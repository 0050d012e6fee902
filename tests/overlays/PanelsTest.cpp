#include "overlays/Resize.h"
#include "overlays/CombineImages.h"

#include "platform/graphics/SkImage.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/ComboBox.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/Switch.h"
#include "platform/widgets/WidgetEvents.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <optional>

namespace pv {
namespace {

void WaitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// ---- resize

class ResizePanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        panel.SetInitialSize(4000, 2000);
        panel.FOnConfirm = [this](int w, int h) { confirmed = QSize(w, h); };
        panel.FOnCancel = [this] { ++cancels; };
        panel.show();
        panel.activateWindow();
        QApplication::processEvents();
    }
    // Types a text into a box as the user would, key by key over its selected text.
    void Type(TNumberBox* box, const QString& text)
    {
        box->setFocus();
        box->editor()->selectAll();
        for (const QChar c : text)
            test::Key(box->editor(), c.toUpper().unicode(), Qt::NoModifier, QString(c));
    }
    TFrame2 panel;
    std::optional<QSize> confirmed;
    int cancels = 0;
};

TEST_F(ResizePanel, TypedPercentMovesTheOtherBoxesAfterTheTypingDelay)
{
    Type(panel.NumberBox3, QStringLiteral("50"));
    EXPECT_EQ(panel.NumberBox1->intValue(), 4000);
    WaitMs(TFrame2::kTypingDelayMs + 80);
    EXPECT_EQ(panel.NumberBox1->intValue(), 2000);
    EXPECT_EQ(panel.NumberBox2->intValue(), 1000);
    EXPECT_EQ(panel.NumberBox4->intValue(), 50);
}

TEST_F(ResizePanel, EnterCommitsTheTypedBoxAtOnceAndConfirms)
{
    Type(panel.NumberBox3, QStringLiteral("50"));
    EXPECT_TRUE(panel.DialogKey(Qt::Key_Return, Qt::NoModifier));
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(*confirmed, QSize(2000, 1000));
}

TEST_F(ResizePanel, EnterOnCancelCancelsAndEscCancels)
{
    panel.CancelButton->setFocus();
    EXPECT_TRUE(panel.DialogKey(Qt::Key_Return, Qt::NoModifier));
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(confirmed);
    EXPECT_TRUE(panel.DialogKey(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_EQ(cancels, 2);
}

TEST_F(ResizePanel, TabOrderWrapsBothWays)
{
    panel.OKButton->setFocus();
    panel.DialogKey(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_TRUE(panel.NumberBox1->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == panel.NumberBox1);
    panel.DialogKey(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_TRUE(panel.NumberBox3->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == panel.NumberBox3);
    panel.NumberBox1->setFocus();
    panel.DialogKey(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), panel.OKButton);
}

// Keys that change no text, released in a box the panel filled in (its
// percentage rounded to 12 for 500 of 4000), leave the typed width as it is,
// after the typing delay and through Enter.
struct QuietKey {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    bool intoHeightPercent; // else Tab from the width box to its percentage
};

class ResizeQuietKeys : public ResizePanel, public ::testing::WithParamInterface<QuietKey> {};

TEST_P(ResizeQuietKeys, LeaveTheTypedWidth)
{
    const QuietKey& c = GetParam();
    Type(panel.NumberBox1, QStringLiteral("500"));
    WaitMs(TFrame2::kTypingDelayMs + 80);
    ASSERT_EQ(panel.NumberBox2->intValue(), 250);
    if (c.intoHeightPercent) {
        panel.NumberBox4->setFocus();
        test::Key(panel.NumberBox4->editor(), c.key, c.modifiers);
    } else {
        // The window moves the focus on the press; the release reaches the next box.
        EXPECT_TRUE(panel.DialogKey(c.key, c.modifiers));
        ASSERT_TRUE(panel.NumberBox3->isAncestorOf(QApplication::focusWidget()));
        QKeyEvent release(QEvent::KeyRelease, c.key, c.modifiers);
        QApplication::sendEvent(QApplication::focusWidget(), &release);
    }
    WaitMs(TFrame2::kTypingDelayMs + 80);
    EXPECT_EQ(panel.NumberBox1->intValue(), 500);
    EXPECT_EQ(panel.NumberBox2->intValue(), 250);
    EXPECT_TRUE(panel.DialogKey(Qt::Key_Return, Qt::NoModifier));
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(*confirmed, QSize(500, 250));
}

INSTANTIATE_TEST_SUITE_P(Table, ResizeQuietKeys,
                         ::testing::Values(QuietKey{"Tab", Qt::Key_Tab, Qt::NoModifier, false},
                                           QuietKey{"Left", Qt::Key_Left, Qt::NoModifier, true},
                                           QuietKey{"End", Qt::Key_End, Qt::NoModifier, true},
                                           QuietKey{"Shift", Qt::Key_Shift, Qt::ShiftModifier, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResizePanel, UnlockedWidthLeavesTheHeightAndTheLockBringsItBack)
{
    test::Click(panel.chkLockAspectRatio, {5, 5});
    ASSERT_FALSE(panel.chkLockAspectRatio->isChecked());
    panel.NumberBox1->setValue(1000);
    EXPECT_EQ(panel.NumberBox2->intValue(), 2000);
    EXPECT_EQ(panel.NumberBox4->intValue(), 100);
    EXPECT_EQ(panel.NumberBox3->intValue(), 25);
    test::Click(panel.chkLockAspectRatio, {5, 5});
    EXPECT_EQ(panel.NumberBox2->intValue(), 500);
}

TEST_F(ResizePanel, NotANumberIsIgnored)
{
    Type(panel.NumberBox1, QStringLiteral("abc"));
    WaitMs(TFrame2::kTypingDelayMs + 80);
    panel.DialogKey(Qt::Key_Return, Qt::NoModifier);
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(*confirmed, QSize(4000, 2000));
}

// ---- combine

ISkImage Flat(int w, int h, uint32_t pixel)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(pixel);
    return SkImage::MakeFromRaster(std::move(img));
}

class CombinePanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        panel.SetImages(Flat(400, 300, 0xFF000000u), Flat(400, 300, 0xFFFFFFFFu));
        panel.OnApply = [this](const ISkImage& r) { applied = r; };
        panel.OnCancel = [this] { ++cancels; };
        panel.show();
        QApplication::processEvents();
    }
    uint32_t AppliedPixel() { return applied ? applied->qimage().pixel(10, 10) : 0u; }
    TFrame4 panel;
    ISkImage applied;
    int cancels = 0;
};

TEST_F(CombinePanel, OpensAtHalfNormalZoomOneCentred)
{
    EXPECT_EQ(panel.Label4->text(), u"50%");
    EXPECT_EQ(panel.ComboBox1->itemIndex(), 0);
    EXPECT_EQ(panel.ComboBox1->sourceItems(), CombineModeNames());
    EXPECT_EQ(panel.View().zoom, 1.0f);
    const QSize box = panel.SkPaintBox1->size();
    EXPECT_EQ(panel.View().pan, QPointF((box.width() - 400) / 2.0, (box.height() - 300) / 2.0));
    EXPECT_TRUE(panel.DialogKey(Qt::Key_Return, Qt::NoModifier));
    EXPECT_EQ(AppliedPixel(), 0xFF808080u);
}

TEST_F(CombinePanel, SliderReachesTheBlendOnlyAfterItsTimer)
{
    panel.TrackBar1->setValue(100);
    EXPECT_EQ(panel.Label4->text(), u"100%");
    EXPECT_FLOAT_EQ(panel.BlendAmount(), 0.5f);
    WaitMs(TFrame4::kAmountDelayMs + 100);
    EXPECT_FLOAT_EQ(panel.BlendAmount(), 1.0f);
    panel.Button1Click();
    EXPECT_EQ(AppliedPixel(), 0xFFFFFFFFu);
}

TEST_F(CombinePanel, ModeAndMouseAndEsc)
{
    panel.ComboBox1->setFocus();
    test::Key(panel.ComboBox1, Qt::Key_Down);
    EXPECT_EQ(panel.BlendMode(), TCombineMode::Multiply);
    test::Press(panel.SkPaintBox1, {50, 50}, Qt::RightButton);
    EXPECT_TRUE(panel.ShowingSource());
    test::Release(panel.SkPaintBox1, {50, 50}, Qt::RightButton);
    EXPECT_FALSE(panel.ShowingSource());
    const QPointF pan = panel.View().pan;
    test::Press(panel.SkPaintBox1, {50, 50});
    test::Move(panel.SkPaintBox1, {70, 45}, Qt::LeftButton);
    EXPECT_TRUE(panel.ShowingSource());
    EXPECT_EQ(panel.View().pan, pan + QPointF(20, -5));
    test::Release(panel.SkPaintBox1, {70, 45});
    EXPECT_FALSE(panel.ShowingSource());
    test::Wheel(panel.SkPaintBox1, 1, {100, 100});
    EXPECT_FLOAT_EQ(panel.View().zoom, 1.1f);
    EXPECT_TRUE(panel.DialogKey(Qt::Key_Escape, Qt::NoModifier));
    EXPECT_EQ(cancels, 1);
}

} // namespace
} // namespace pv
