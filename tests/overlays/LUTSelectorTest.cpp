#include "overlays/LUTPreview.h"
#include "overlays/CombineImages.h"
#include "overlays/LUTSelector.h"

#include "TestZip.h"
#include "effects/colour-and-shapes/lut/EmbeddedLUTs.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/WidgetEvents.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <cstring>

namespace pv {
namespace {

// A 2-point cube that swaps red and blue.
QByteArray SwapCube()
{
    QByteArray t = "LUT_3D_SIZE 2\n";
    for (int b = 0; b < 2; ++b)
        for (int g = 0; g < 2; ++g)
            for (int r = 0; r < 2; ++r)
                t += QByteArray::number(b) + " " + QByteArray::number(g) + " " + QByteArray::number(r) + "\n";
    return t;
}

ISkImage Picture(int w, int h, uint32_t px)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(px);
    return SkImage::MakeFromRaster(std::move(img));
}

bool WaitFor(const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

class LUTPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        ImportedLUTs().clear();
        panel.OnLUTApplied = [this](const QString& n, const QByteArray& d, const QString& p) {
            appliedName = n;
            appliedData = d;
            appliedPath = p;
        };
        panel.OnClose = [this] { ++closes; };
    }
    void TearDown() override { ImportedLUTs().clear(); }
    TFrameLUTSelector panel;
    QString appliedName, appliedPath;
    QByteArray appliedData;
    int closes = 0;
    QTemporaryDir dir;
};

TEST_F(LUTPanel, FirstOpeningChoosesTheFirstBuiltInTableAndPreviewsIt)
{
    const QStringList names = EmbeddedLUTNames();
    ASSERT_EQ(names.size(), 18);
    panel.Initialize({}, {}, {}, Picture(1080, 540, 0xFF3366CCu));
    EXPECT_EQ(panel.LstLUTs->count(), 18);
    EXPECT_EQ(panel.LstLUTs->itemIndex(), 0);
    EXPECT_EQ(panel.SelectedName(), names[0]);
    EXPECT_FALSE(panel.SelectedData().isEmpty());
    EXPECT_EQ(panel.SourceThumb()->width(), 540);
    EXPECT_EQ(panel.SourceThumb()->height(), 270);
    panel.OnPreviewTimer();
    ASSERT_TRUE(WaitFor([&] { return panel.PreviewImage() != nullptr; }));
    EXPECT_EQ(panel.PreviewImage()->width(), 540);
    panel.BtnApplyClick();
    EXPECT_EQ(appliedName, names[0]);
    EXPECT_EQ(appliedData, panel.SelectedData());
    EXPECT_TRUE(appliedPath.isEmpty());
    EXPECT_EQ(closes, 1);
}

TEST_F(LUTPanel, ACurrentTableNotInTheListHighlightsNothingSoTheFirstCanBePicked)
{
    const QString path = dir.filePath(QStringLiteral("Mine.cube"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(SwapCube());
    f.close();
    const ISkImage small = Picture(200, 100, 0xFF102030u);
    panel.Initialize(QStringLiteral("Mine"), {}, path, small);
    EXPECT_EQ(panel.LstLUTs->itemIndex(), -1);
    EXPECT_EQ(panel.SelectedData(), SwapCube());
    EXPECT_EQ(panel.LblCurrentLUT->text(), QStringLiteral("Mine"));
    EXPECT_EQ(panel.SourceThumb(), small); // used as it is
    panel.SelectLUTItem(0);
    EXPECT_EQ(panel.SelectedName(), EmbeddedLUTNames()[0]);
    EXPECT_TRUE(panel.SelectedFilePath().isEmpty());
}

TEST_F(LUTPanel, ChoosingTheChosenEntryAgainDoesNothing)
{
    panel.Initialize({}, {}, {}, Picture(64, 64, 0xFF808080u));
    panel.OnPreviewTimer();
    const int parses = panel.ParseCount();
    panel.SelectLUTItem(0);
    EXPECT_FALSE(panel.FPreviewTimer.isActive());
    panel.SelectLUTItem(1);
    EXPECT_TRUE(panel.FPreviewTimer.isActive());
    panel.OnPreviewTimer();
    panel.SelectLUTItem(0);
    panel.OnPreviewTimer();
    EXPECT_EQ(panel.ParseCount(), parses + 2);
}

TEST_F(LUTPanel, CacheIsKeyedByContentNotByName)
{
    // An imported table named like a built-in one.
    const QString name = EmbeddedLUTNames()[1];
    const QString zip = dir.filePath(QStringLiteral("looks.zip"));
    ASSERT_TRUE(test::WriteZip(zip, {{QStringLiteral("folder/") + name + QStringLiteral(".cube"), SwapCube()},
                                     {QStringLiteral("readme.txt"), "x"}}));
    panel.AskLUTFiles = [zip] { return QStringList{zip}; };
    panel.Initialize(name, {}, {}, Picture(8, 8, 0xFFFF0000u));
    panel.OnPreviewTimer();
    const QString builtInKey = panel.ParsedKey();
    panel.BtnLoadDiskClick();
    ASSERT_EQ(panel.LstLUTs->count(), 19);
    EXPECT_EQ(panel.LstLUTs->items().last(), name);
    EXPECT_EQ(panel.SelectedData(), SwapCube());
    panel.OnPreviewTimer();
    EXPECT_NE(panel.ParsedKey(), builtInKey);
    ASSERT_TRUE(WaitFor([&] { return panel.PreviewImage() && panel.PreviewImage()->qimage().pixel(0, 0) == 0xFF0000FFu; }));
    // The same archive again adds nothing; the next panel lists it.
    panel.BtnLoadDiskClick();
    EXPECT_EQ(panel.LstLUTs->count(), 19);
    EXPECT_EQ(ImportedLUTs().size(), 1u);
    TFrameLUTSelector next;
    next.Initialize({}, {}, {}, nullptr);
    EXPECT_EQ(next.LstLUTs->count(), 19);
}

TEST_F(LUTPanel, UnreadableAndOversizedTablesGiveNoPreviewButSelectStillHandsThemOver)
{
    const QString big = dir.filePath(QStringLiteral("Huge.cube"));
    QFile f(big);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(kMaxLUTFileBytes + 1));
    f.close();
    EXPECT_TRUE(LoadLUTFileBytes(big).isEmpty());
    panel.AskLUTFiles = [big] { return QStringList{big}; };
    panel.Initialize({}, {}, {}, Picture(8, 8, 0xFF808080u));
    panel.BtnLoadDiskClick();
    EXPECT_EQ(panel.SelectedName(), QStringLiteral("Huge"));
    EXPECT_TRUE(panel.SelectedData().isEmpty());
    panel.OnPreviewTimer();
    EXPECT_EQ(panel.PreviewImage(), nullptr);
    panel.BtnApplyClick();
    EXPECT_EQ(appliedPath, QFileInfo(big).absoluteFilePath());
}

// A zip of a few kilobytes whose entries claim far more than a cube file may
// hold, or hold no table at all: none of them is kept or listed, and the
// panel says which.
TEST_F(LUTPanel, ZipEntriesTooLargeOrNoTablesAreNamedAndNotKept)
{
    QByteArray bytes = test::ZipBytes({{QStringLiteral("huge.cube"), QByteArray(2000, ' '), true},
                                       {QStringLiteral("junk.cube"), QByteArray("not a table at all")},
                                       {QStringLiteral("swap.cube"), SwapCube()}});
    const uint32_t claimed = 65u << 20;
    for (const char* signature : {"PK\x03\x04", "PK\x01\x02"}) {
        const qsizetype at = bytes.indexOf(QByteArray(signature, 4)); // the first entry's headers
        std::memcpy(bytes.data() + at + (signature[2] == 3 ? 22 : 24), &claimed, 4);
    }
    const QString zip = dir.filePath(QStringLiteral("tables.zip"));
    QFile f(zip);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    std::vector<QString> messages;
    panel.OnMessage = [&](const QString& text) { messages.push_back(text); };
    panel.AskLUTFiles = [&] { return QStringList{zip}; };
    panel.Initialize({}, {}, {}, Picture(40, 30, 0xFF336699u));
    panel.BtnLoadDiskClick();
    ASSERT_EQ(ImportedLUTs().size(), 1u);
    EXPECT_EQ(ImportedLUTs()[0].Name, QStringLiteral("swap"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("huge.cube"))) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QStringLiteral("junk.cube")));
    EXPECT_FALSE(messages[0].contains(QStringLiteral("swap.cube")));
}

// The list is taller than its box: the wheel scrolls it until the row is in
// view, and a click there picks it, the last built-in table and a table from
// a zip alike.
TEST_F(LUTPanel, EveryEntryCanBeScrolledToAndPickedWithTheMouse)
{
    const QString zip = dir.filePath(QStringLiteral("mine.zip"));
    ASSERT_TRUE(test::WriteZip(zip, {{QStringLiteral("Mine.cube"), SwapCube()}}));
    panel.AskLUTFiles = [zip] { return QStringList{zip}; };
    panel.Initialize({}, {}, {}, Picture(8, 8, 0xFF808080u));
    panel.show();
    QApplication::processEvents();
    auto* scroll = panel.findChild<QScrollArea*>(QStringLiteral("ListScroll"));
    ASSERT_NE(scroll, nullptr);
    QWidget* view = scroll->viewport();
    const int h = panel.LstLUTs->itemTop(1);
    const auto rowShown = [&](int row) {
        const QRect r(panel.LstLUTs->mapTo(view, QPoint(0, panel.LstLUTs->itemTop(row))), QSize(view->width(), h));
        return view->rect().contains(r);
    };
    // The table just loaded is chosen and shown.
    panel.BtnLoadDiskClick();
    ASSERT_EQ(panel.LstLUTs->count(), 19);
    EXPECT_EQ(panel.LstLUTs->itemIndex(), 18);
    EXPECT_TRUE(rowShown(18));
    panel.SelectLUTItem(0);
    QApplication::processEvents();
    ASSERT_EQ(panel.LstLUTs->items()[17], QStringLiteral("Vibrant light"));
    for (int row : {17, 18}) {
        SCOPED_TRACE(row);
        scroll->verticalScrollBar()->setValue(0);
        for (int turns = 0; turns < 40 && !rowShown(row); ++turns)
            test::Wheel(view, -1, QPointF(view->width() / 2, view->height() / 2));
        ASSERT_TRUE(rowShown(row));
        const QPoint at = panel.LstLUTs->mapTo(view, QPoint(h, panel.LstLUTs->itemTop(row) + h / 2));
        ASSERT_EQ(view->childAt(at), panel.LstLUTs);
        test::Click(panel.LstLUTs, panel.LstLUTs->mapFrom(view, at));
        EXPECT_EQ(panel.LstLUTs->itemIndex(), row);
        EXPECT_EQ(panel.SelectedName(), panel.LstLUTs->items()[row]);
    }
    EXPECT_EQ(panel.SelectedData(), SwapCube());
    // The keys bring the row they select into view.
    scroll->verticalScrollBar()->setValue(0);
    panel.SelectLUTItem(0);
    for (int i = 0; i < 18; ++i)
        panel.DialogKey(Qt::Key_Down, Qt::NoModifier);
    EXPECT_EQ(panel.LstLUTs->itemIndex(), 18);
    EXPECT_TRUE(rowShown(18));
    // The next panel opens with the current table in view.
    TFrameLUTSelector next;
    next.Initialize(QStringLiteral("Mine"), SwapCube(), {}, Picture(8, 8, 0xFF808080u));
    next.show();
    QApplication::processEvents();
    QWidget* nextView = next.findChild<QScrollArea*>(QStringLiteral("ListScroll"))->viewport();
    EXPECT_EQ(next.LstLUTs->itemIndex(), 18);
    EXPECT_TRUE(nextView->rect().contains(
        QRect(next.LstLUTs->mapTo(nextView, QPoint(0, next.LstLUTs->itemTop(18))), QSize(nextView->width(), h))));
}

TEST_F(LUTPanel, RightButtonShowsTheUnprocessedThumbnail)
{
    panel.Initialize({}, {}, {}, Picture(8, 8, 0xFF808080u));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(panel.PbPreview, &press);
    EXPECT_TRUE(panel.ShowingSource());
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(panel.PbPreview, &release);
    EXPECT_FALSE(panel.ShowingSource());
}

TEST(LUTPanelLife, APreviewFinishingAfterThePanelClosedGoesNowhere)
{
    auto* panel = new TFrameLUTSelector();
    panel->Initialize({}, {}, {}, Picture(540, 540, 0xFF808080u));
    panel->OnPreviewTimer();
    delete panel;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    SUCCEED();
}

TEST(LUTPreview, MappingMatchesTheEffectsTableStep)
{
    const TCubeLUT lut = LoadCubeFromBytes(SwapCube());
    ASSERT_TRUE(lut.valid());
    QImage img(2, 1, QImage::Format_ARGB32_Premultiplied);
    img.setPixel(0, 0, 0xFFFF8000u);
    img.setPixel(1, 0, 0x00000000u);
    const ISkImage out = MapLUTToImage(SkImage::MakeFromRaster(std::move(img)), lut, 1);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->qimage().pixel(0, 0), 0xFF0080FFu);
    EXPECT_EQ(out->qimage().pixel(1, 0), 0u);
    EXPECT_EQ(MapLUTToImage(nullptr, lut, 1), nullptr);
    EXPECT_EQ(LUTPreviewKey("abc", {}), LUTPreviewKey(QByteArray("abc"), QStringLiteral("other")));
    EXPECT_NE(LUTPreviewKey("abc", {}), LUTPreviewKey("abd", {}));
}

} // namespace
} // namespace pv
