#include "effects/colour-and-shapes/colour/AutoEnhanceImage.h"
#include "effects/painting/brushes/BrushstrokesFrame.h"
#include "engine/Repository.h"
#include "scripts/ScriptEngine.h"
#include "scripts/ScriptParser.h"

#include "engine/FakeHost.h"
#include "engine/Effect.h"
#include "platform/system/NumberText.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace pv {
namespace {

using test::AllPixels;
using test::SolidImage;

constexpr uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;

// The main window as a script sees it: the engine host's fields, plus a
// record of what the run showed and chose.
class FakeScriptHost : public TEngineScriptHost {
public:
    void ShowWorkingPicture(const ISkImage& picture) override
    {
        TEngineScriptHost::ShowWorkingPicture(picture);
        shown.push_back(picture);
    }
    bool EraseBackground() override
    {
        ++switchReads;
        return TEngineScriptHost::EraseBackground();
    }
    void SetLutFile(const QString& path) override { lut = QStringLiteral("file:") + path; }
    void SetEmbeddedLut(const QString& name) override { lut = QStringLiteral("embedded:") + name; }

    std::vector<ISkImage> shown;
    int switchReads = 0;
    QString lut;
};

// Puts a test routine under an effect number for the scope.
class EffectSwap {
public:
    EffectSwap(int number, TEffectProc proc) : number_(number), previous_(ReplaceEffect(number, proc)) {}
    ~EffectSwap() { ReplaceEffect(number_, previous_); }

private:
    int number_;
    TEffectProc previous_;
};

// Starts the canvas the way drawing effects do, then copies the source's
// first pixel: shows both where the canvas came from and what was computed.
void CanvasProbeEffect(const ISkImage& Source, const ISkSurface& Dest, int, int, int, int, int, bool)
{
    StartEffectCanvas(Dest, {ClearRule::White, false, kColorWhite, KeepMode::DrawBase});
    SkPixmap src, dst;
    Source->peekPixels(src);
    Dest->peekPixels(dst);
    dst.at(0, 0) = src.at(0, 0);
}

void CancellingEffect(const ISkImage&, const ISkSurface&, int, int, int, int, int, bool)
{
    EngineHost()->Cancel = true;
    SafeUpdateProgress(50);
}

void OutOfMemoryEffect(const ISkImage&, const ISkSurface&, int, int, int, int, int, bool) { throw std::bad_alloc(); }

void FailingEffect(const ISkImage&, const ISkSurface&, int, int, int, int, int, bool)
{
    throw std::runtime_error("pixels went missing");
}

QImage Bitmap(int w, int h, uint32_t pixel)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(pixel);
    return image;
}

class ScriptEngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetDecimalSeparator('.');
        host.FEraseBdChecked = false;
        for (int i = 0; i < 9; ++i)
            context.FrameBitmaps.push_back(Bitmap(12, 12, 0xFF00FF00u));
        context.TextureBitmaps = {Bitmap(16, 16, 0xFF808080u), Bitmap(16, 16, 0xFF404040u)};
        context.FrameMarginSize = 3;
        context.FrameMarginColor = kWhite;
        context.TextureStrength = 50;
        context.TextureScale = 1;
    }
    void TearDown() override
    {
        SetDecimalSeparator(QChar());
        SetScriptBrushstrokesFrame(&RenderBrushstrokesFrame);
        SetScriptAutoEnhance(&AutoEnhanceImage);
    }

    // Parses and runs a script; the parse must be clean.
    ISkImage Run(const QString& script, QString& error)
    {
        std::vector<TScriptCommand> commands;
        QStringList errors;
        EXPECT_TRUE(ParseScript(script.split(u'\n'), commands, errors)) << errors.join(u'|').toStdString();
        steps.clear();
        TScriptEngine engine(&scriptHost);
        engine.OnProgress = [this](int step, int total, const QString& name) {
            steps.push_back(QString::number(step) + u'/' + QString::number(total) + u' ' + name);
        };
        engine.OnCancel = [this] { return cancelAtStep > 0 && int(steps.size()) >= cancelAtStep; };
        const ISkImage result = engine.Run(commands, source, working, context, error);
        resultSource = engine.ResultSourceImage();
        return result;
    }

    test::FakeHost host;
    FakeScriptHost scriptHost;
    TScriptContext context;
    ISkImage source = SolidImage(8, 6, kWhite);
    ISkImage working = SolidImage(8, 6, kBlack);
    ISkImage resultSource;
    std::vector<QString> steps;
    int cancelAtStep = 0;
};

TEST_F(ScriptEngineTest, NothingToRunTouchesNothing)
{
    QString error;
    TScriptEngine engine(&scriptHost);
    EXPECT_EQ(engine.Run({}, source, working, context, error), nullptr);
    EXPECT_EQ(error, u"Script is empty");
    TScriptCommand swap;
    swap.Kind = TScriptCommandKind::sckSwap;
    EXPECT_EQ(engine.Run({&swap, 1}, nullptr, working, context, error), nullptr);
    EXPECT_EQ(error, u"No image loaded");
    EXPECT_EQ(scriptHost.switchReads, 0);
}

// Stippling ignores the erase switch: after RESET it computes from the source
// either way, while the main window shows the picture from before the RESET.
TEST_F(ScriptEngineTest, ResetThenStipplingWithEraseOnAndOff)
{
    for (const bool erase : {false, true}) {
        host.FEraseBdChecked = erase;
        scriptHost.shown.clear();
        QString error;
        const ISkImage result = Run("RESET\nEFFECT Stippling 128 0 0 0 0", error);
        ASSERT_TRUE(result) << error.toStdString();
        EXPECT_EQ(AllPixels(result), std::vector<uint32_t>(48, kWhite));
        ASSERT_EQ(scriptHost.shown.size(), 1u);
        EXPECT_EQ(scriptHost.shown[0], working);
        EXPECT_EQ(host.FSkImage, working);
        EXPECT_EQ(host.FEraseBdChecked.load(), erase);
    }
    EXPECT_EQ(steps[0], u"1/2 Reset to source");
    EXPECT_EQ(steps[1], u"2/2 Stippling");
}

// An effect that keeps its canvas paints over the picture from before the
// RESET; after CLEAR it starts from a cleared canvas; the switch comes back.
TEST_F(ScriptEngineTest, ResetThenCanvasEffectFollowsTheEraseSwitch)
{
    EffectSwap swap(203, &CanvasProbeEffect);
    QString error;
    const ISkImage kept = Run("RESET\nEFFECT 203 0 0 0 0 0", error);
    ASSERT_TRUE(kept) << error.toStdString();
    SkPixmap pm;
    kept->peekPixels(pm);
    EXPECT_EQ(pm.at(0, 0), kWhite); // computed from the source
    EXPECT_EQ(pm.at(5, 3), kBlack); // painted over the earlier picture

    const ISkImage cleared = Run("CLEAR\nRESET\nEFFECT 203 0 0 0 0 0", error);
    ASSERT_TRUE(cleared) << error.toStdString();
    cleared->peekPixels(pm);
    EXPECT_EQ(pm.at(5, 3), kWhite);
    EXPECT_FALSE(host.FEraseBdChecked.load());
    EXPECT_EQ(steps.back(), u"3/3 Effect 203");
}

TEST_F(ScriptEngineTest, SlotsSwapSaveAndLoad)
{
    QString error;
    EXPECT_EQ(Run("SWAP", error), working);
    EXPECT_EQ(resultSource, working);

    EXPECT_EQ(Run("RESET\nLOAD dst", error), working);
    EXPECT_EQ(resultSource, source);

    const ISkImage painted = Run("EFFECT 201 128 0 0 0 0\nSAVE src\nRESET\nSAVE copy\nLOAD copy", error);
    ASSERT_TRUE(painted) << error.toStdString();
    EXPECT_EQ(resultSource, painted);

    EXPECT_EQ(Run("SAVE a\nLOAD Nope", error), nullptr);
    EXPECT_EQ(error, u"Line 2: Slot \"nope\" not found");
    EXPECT_EQ(resultSource, nullptr);
    EXPECT_EQ(Run("BLEND missing 50", error), nullptr);
    EXPECT_EQ(error, u"Line 1: Slot \"missing\" not found for BLEND");

    // BLEND 1e9 % is full opacity: the slot's picture covers the working one.
    const ISkImage blended = Run("RESET\nBLEND dst 1e9 %", error);
    ASSERT_TRUE(blended);
    EXPECT_EQ(AllPixels(blended), AllPixels(working));
}

TEST_F(ScriptEngineTest, ResizeRoundsHalvesToEvenAndResizesTheSource)
{
    source = SolidImage(1001, 601, kRed);
    working = SolidImage(1001, 601, kBlue);
    QString error;
    const ISkImage result = Run("RESIZE 50% 50%", error);
    ASSERT_TRUE(result) << error.toStdString();
    EXPECT_EQ(result->width(), 500);
    EXPECT_EQ(result->height(), 300);
    EXPECT_EQ(resultSource->width(), 500);
    EXPECT_EQ(resultSource->height(), 300);
    EXPECT_EQ(host.FSkImage, result);
    EXPECT_EQ(steps.back(), u"1/1 Resize to 50%x50%");

    source = SolidImage(40, 30, kRed);
    working = SolidImage(40, 30, kBlue);
    EXPECT_EQ(Run("RESIZE 100000% 100000%", error), nullptr);
    EXPECT_EQ(error, u"Line 1: Could not create 40000x30000 surface");
    EXPECT_EQ(Run("\nRESIZE 0.4 10", error), nullptr);
    EXPECT_EQ(error, u"Line 2: Could not create 0x10 surface");
    EXPECT_EQ(steps.back(), u"1/1 Resize to 0x10");
}

struct FailureCase {
    const char* script;
    const char* error;
};

TEST_F(ScriptEngineTest, CommandFailuresCarryTheirLineOnce)
{
    QTemporaryDir dir;
    const QString garbage = dir.filePath("garbage.png");
    {
        QFile f(garbage);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, '\x7f'));
    }
    const std::vector<FailureCase> cases = {
        {"FRAME #9", "Line 1: Frame #9 not found (indexes are #0..#8)"},
        {"FRAME", "Line 1: No frame loaded (select a frame first or use FRAME #N)"},
        {"TEXTURE", "Line 1: No texture loaded (select a texture first or use TEXTURE #N)"},
        {"TEXTURE #2 50 1", "Line 1: Texture #2 not found (indexes are #0..#1)"},
        {"FRAME brushstrokes", "Line 1: No brush atlas available for brushstrokes frame"},
        {"WATERMARK 0 0 /no/such/logo.png", "Line 1: Watermark file not found: /no/such/logo.png"},
        {"ENHANCE", "Line 1: Auto-enhance is not available"},
        {"SWAP\n# remark\nFRAME #0 2000000000", "Line 3: Could not create 2147483647x2147483647 surface"},
    };
    SetScriptAutoEnhance(nullptr); // a build without the enhancement service
    for (const FailureCase& c : cases) {
        QString error;
        EXPECT_EQ(Run(QString::fromUtf8(c.script), error), nullptr) << c.script;
        EXPECT_EQ(error.toStdString(), c.error);
    }
    QString error;
    EXPECT_EQ(Run("WATERMARK 0 0 \"" + garbage + "\"", error), nullptr);
    EXPECT_EQ(error, "Line 1: Watermark file could not be read as a picture: " + garbage);
}

TEST_F(ScriptEngineTest, FramesAndTexturesFromTheContext)
{
    QString error;
    const ISkImage framed = Run("FRAME #0", error);
    ASSERT_TRUE(framed) << error.toStdString();
    // The built-in frame is opaque all over: its opening is inverted and it
    // covers the picture grown by the context's margin.
    EXPECT_EQ(framed->width(), 8 + 6 + 7 + 6);
    context.CurrentTextureBitmap = Bitmap(16, 16, 0xFFFFFFFFu);
    const ISkImage textured = Run("TEXTURE", error);
    ASSERT_TRUE(textured) << error.toStdString();
    EXPECT_EQ(textured->width(), 8);
    EXPECT_EQ(steps.back(), u"1/1 Apply texture");
}

ISkImage gBrushSource;
int gBrushWidth = 0, gBrushSize = 0;
TAlphaColor gBrushColour = 0;
void FakeBrushFrame(ISkImage& Result, const ISkImage& Source, const ISkImage&, TAlphaColor colour, int width, int brush)
{
    gBrushSource = Source;
    gBrushColour = colour;
    gBrushWidth = width;
    gBrushSize = brush;
    Result = SolidImage(Source->width() + 2 * width, Source->height() + 2 * width, colour);
}

TEST_F(ScriptEngineTest, BrushFrameAndEnhanceGoThroughTheirServices)
{
    context.BrushAtlas = Bitmap(4, 4, kBlack);
    QString error;
    SetScriptBrushstrokesFrame(nullptr);
    EXPECT_EQ(Run("FRAME brushstrokes", error), nullptr);
    EXPECT_EQ(error, u"Line 1: Brushstrokes frame is not available");

    SetScriptBrushstrokesFrame(&FakeBrushFrame);
    const ISkImage framed = Run("FRAME brushstrokes x brush=5", error);
    ASSERT_TRUE(framed) << error.toStdString();
    EXPECT_EQ(gBrushSource, working);
    EXPECT_EQ(gBrushWidth, 60);
    EXPECT_EQ(gBrushSize, 10);
    EXPECT_EQ(gBrushColour, kWhite); // the context's colour
    EXPECT_EQ(framed->width(), 8 + 120);
    Run("FRAME brushstrokes 4 #FF112233 brush=500", error);
    EXPECT_EQ(gBrushSize, 200);
    EXPECT_EQ(gBrushColour, 0xFF112233u);

    SetScriptAutoEnhance([](const ISkImage&) -> ISkImage { return nullptr; });
    EXPECT_EQ(Run("ENHANCE", error), nullptr);
    EXPECT_EQ(error, u"Line 1: ENHANCE failed");
}

TEST_F(ScriptEngineTest, EnhanceUsesTheAutomaticEnhancementByDefault)
{
    // A dull, low-contrast picture: the enhancement stretches it.
    std::vector<uint32_t> pixels;
    for (int i = 0; i < 64; ++i)
        pixels.push_back(0xFF000000u | uint32_t(0x606060 + (i % 8) * 0x020202));
    working = test::ImageFromPixels(8, 8, pixels);
    QString error;
    const ISkImage enhanced = Run("ENHANCE", error);
    ASSERT_TRUE(enhanced) << error.toStdString();
    EXPECT_EQ(enhanced->width(), 8);
    EXPECT_NE(AllPixels(enhanced), pixels);
}

TEST_F(ScriptEngineTest, BrushFrameIsPaintedByDefault)
{
    context.BrushAtlas = TScriptBitmap(&Form3().TemplateMatchingBrushes);
    QString error;
    const ISkImage framed = Run("FRAME brushstrokes 6 #FF102030 brush=10", error);
    ASSERT_TRUE(framed) << error.toStdString();
    EXPECT_EQ(framed->width(), working->width() + 12);
    EXPECT_EQ(framed->height(), working->height() + 12);
}

TEST_F(ScriptEngineTest, SwitchesAndLookupTablesGoToTheHost)
{
    QString error;
    ASSERT_TRUE(Run("CONTOUR ON #FF0000FF\nLUT_FILE /luts/film look.cube\nLUT_EMBEDDED HDR", error));
    EXPECT_TRUE(host.FDrawContourChecked.load());
    EXPECT_EQ(host.FContourColor.load(), 0xFF0000FFu);
    EXPECT_EQ(scriptHost.lut, u"embedded:HDR");
    EXPECT_EQ(steps[1], u"2/3 Set LUT file: film look.cube");

    // The engine host alone has no lookup tables to choose from.
    std::vector<TScriptCommand> commands;
    QStringList errors;
    ParseScript({QStringLiteral("LUT_EMBEDDED HDR")}, commands, errors);
    TScriptEngine plain;
    EXPECT_EQ(plain.Run(commands, source, working, context, error), nullptr);
    EXPECT_EQ(error, u"Line 1: Lookup tables are not available");
}

// However the run ends, the erase switch is back where it was.
TEST_F(ScriptEngineTest, EraseSwitchIsRestoredAfterErrorsAndCancels)
{
    QString error;
    EXPECT_EQ(Run("CLEAR\nLOAD nope", error), nullptr);
    EXPECT_FALSE(host.FEraseBdChecked.load());

    cancelAtStep = 2;
    EXPECT_EQ(Run("CLEAR\nSWAP\nSWAP", error), nullptr);
    EXPECT_EQ(error, u"Cancelled by user");
    EXPECT_FALSE(host.FEraseBdChecked.load());
    cancelAtStep = 0;

    {
        EffectSwap swap(203, &CancellingEffect);
        EXPECT_EQ(Run("CLEAR\nEFFECT 203 0 0 0 0 0", error), nullptr);
        EXPECT_EQ(error, u"Cancelled by user");
        EXPECT_FALSE(host.FEraseBdChecked.load());
        host.Cancel = false;
    }
    {
        EffectSwap swap(203, &OutOfMemoryEffect);
        EXPECT_EQ(Run("CLEAR\nEFFECT 203 0 0 0 0 0", error), nullptr);
        EXPECT_EQ(error, u"Line 2: Out of memory: the picture is too large for the memory available");
        EXPECT_FALSE(host.FEraseBdChecked.load());
    }
    {
        EffectSwap swap(203, &FailingEffect);
        EXPECT_EQ(Run("NOCLEAR\n\nEFFECT 203 0 0 0 0 0", error), nullptr);
        EXPECT_EQ(error, u"Line 3: pixels went missing");
    }
}

TEST_F(ScriptEngineTest, UnknownEffectLeavesThePictureAndTextUsesTheFontState)
{
    QString error;
    EXPECT_EQ(AllPixels(Run("EFFECT 999 0 0 0 0 0", error)), AllPixels(working));
    EXPECT_EQ(steps.back(), u"1/1 Effect 999");

    const ISkImage text = Run("FONT Arial -5 bold #FFFF0000\nTEXT 50% 50% \"I\"", error);
    ASSERT_TRUE(text) << error.toStdString();
    int red = 0;
    for (uint32_t p : AllPixels(text))
        red += p == kRed;
    EXPECT_GT(red, 0); // the colour changed, the size of -5 was ignored
}

// On a worker thread every host call is carried to the UI thread, which keeps
// serving events while it waits.
TEST_F(ScriptEngineTest, RunsOnAWorkerThread)
{
    std::vector<TScriptCommand> commands;
    QStringList errors;
    ParseScript({QStringLiteral("CLEAR"), QStringLiteral("EFFECT Stippling 128 0 0 0 0"),
                 QStringLiteral("RESIZE 50% 50%")},
                commands, errors);
    ISkImage result;
    QString error;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        TScriptEngine engine(&scriptHost);
        result = engine.Run(commands, source, working, context, error);
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    ASSERT_TRUE(result) << error.toStdString();
    EXPECT_EQ(result->width(), 4);
    EXPECT_EQ(host.FSkImage, result);
    EXPECT_FALSE(host.FEraseBdChecked.load());
}

} // namespace
} // namespace pv
