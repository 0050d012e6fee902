#include "workspace/window/DropZone.h"

#include "FormFixture.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/RoundedPanel.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/gallery/GalleryStrip.h"

#include <QDropEvent>
#include <QEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(DropZone, ShowsItsTextsAndLightensWhilePointedAt)
{
    TDropZone zone;
    EXPECT_EQ(zone.size(), QSize(DpI(350), DpI(250)));
    EXPECT_EQ(zone.title()->sourceText(), QStringLiteral("No image loaded"));
    EXPECT_EQ(zone.hint()->sourceText(), QStringLiteral("Drop image here or"));
    EXPECT_EQ(zone.browseLink()->sourceText(), QStringLiteral("Browse files"));
    EXPECT_LE(zone.browseLink()->geometry().right(), zone.width()) << "the link fits in the zone";

    struct Step {
        QEvent::Type event;
        TAlphaColor outline;
    };
    EXPECT_EQ(zone.outlineColour(), 0xFF4B5563u);
    for (const Step& step : {Step{QEvent::Enter, 0xFF999999u}, Step{QEvent::Leave, 0xFF4B5563u}}) {
        if (step.event == QEvent::Enter) {
            QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QCoreApplication::sendEvent(&zone, &e);
        } else {
            QEvent e(QEvent::Leave);
            QCoreApplication::sendEvent(&zone, &e);
        }
        EXPECT_EQ(zone.outlineColour(), step.outline);
        EXPECT_EQ(zone.icon()->colour("icon"), step.outline) << "the icon follows the outline";
    }

    int browsed = 0;
    QObject::connect(&zone, &TDropZone::browseClicked, [&browsed] { ++browsed; });
    const QPointF at(zone.browseLink()->width() / 2.0, zone.browseLink()->height() / 2.0);
    test::SendMouse(zone.browseLink(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    test::SendMouse(zone.browseLink(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(browsed, 1);
}

TEST(DropZone, CentredOnTheEmptyCanvasUntilAPictureArrives)
{
    test::RecordingForm form;
    test::ShowRestored(form);
    form.resize(1400, 900);
    QCoreApplication::processEvents();
    TDropZone* zone = form.DropZoneRect;
    ASSERT_NE(zone, nullptr);
    EXPECT_TRUE(zone->isVisible());
    EXPECT_EQ(zone->parentWidget(), form.SkPaintBox1);
    EXPECT_LE(std::abs(zone->geometry().center().x() - form.SkPaintBox1->rect().center().x()), 1);
    EXPECT_LE(std::abs(zone->geometry().center().y() - form.SkPaintBox1->rect().center().y()), 1);
    form.resize(1200, 800);
    QCoreApplication::processEvents();
    EXPECT_LE(std::abs(zone->geometry().center().x() - form.SkPaintBox1->rect().center().x()), 1) << "and after a resize";

    ASSERT_TRUE(test::OpenFlatPicture(form, 20, 10));
    EXPECT_FALSE(zone->isVisible());
}

// The hint and its link keep their whole texts, side by side inside the zone,
// at another interface size and in another language.
TEST(DropZone, TheHintLineFitsAfterAResizeOrALanguageSwitch)
{
    test::RecordingForm form;
    form.show();
    test::WaitUntil([&] { return !form.InitializationTimer.isActive(); });
    TDropZone* zone = form.DropZoneRect;
    ASSERT_NE(zone, nullptr);
    const auto expectWholeLine = [zone](const char* when) {
        EXPECT_GE(zone->hint()->width(), zone->hint()->sizeHint().width()) << when;
        EXPECT_GE(zone->browseLink()->width(), zone->browseLink()->sizeHint().width()) << when;
        EXPECT_LT(zone->hint()->geometry().right(), zone->browseLink()->geometry().left()) << when;
        EXPECT_GE(zone->hint()->x(), 0) << when;
        EXPECT_LE(zone->browseLink()->geometry().right(), zone->width()) << when;
    };
    form.ApplyUIZoom(0.75, false);
    expectWholeLine("at 75 %");
    form.SwitchLanguage(QStringLiteral("de"));
    EXPECT_NE(zone->hint()->text(), zone->hint()->sourceText());
    expectWholeLine("in German at 75 %");
    form.ApplyUIZoom(1.0, false);
    expectWholeLine("in German at 100 %");
    form.SwitchLanguage(QStringLiteral("en"));
    expectWholeLine("back in English");
}

TEST(DropZone, TheDefaultPictureHidesIt)
{
    test::RecordingForm form;
    form.show();
    ASSERT_TRUE(form.DropZoneRect->isVisible());
    form.DefaultImageButtonClick();
    EXPECT_FALSE(form.DropZoneRect->isVisible());
}

// A drag that ends over a widget, as Qt delivers it: the enter goes to the
// widget or the first parent that takes drops, the drop to whoever took it.
// True when something took the drag.
bool DragAndDrop(QWidget* onto, const QMimeData& mime)
{
    const QPoint at = onto->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(onto, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(onto, &drop);
    QCoreApplication::processEvents();
    return true;
}

// Files and gallery thumbnails are dropped on the canvas (and the drop zone
// lying on it); the panels, the title bar and the gallery strip take none.
TEST(DropZone, OnlyTheCanvasTakesDroppedFilesAndThumbnails)
{
    QTemporaryDir dir;
    const auto picture = [&dir](const char* name) {
        QImage img(30, 20, QImage::Format_RGB32);
        img.fill(0xFF336699u);
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(img.save(path));
        return path;
    };
    test::RecordingForm form;
    test::ShowRestored(form);
    const QString first = picture("first.png"), second = picture("second.tiff");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(second)});

    const struct {
        const char* where;
        QWidget* widget;
    } refused[] = {
        {"the parameter panel", form.RightPanelRect},
        {"the effect panel", form.LeftPanelRect},
        {"the title bar", form.ProgramBarRect},
        {"the gallery strip", form.HistoryRect},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(DragAndDrop(c.widget, files)) << c.where;
        EXPECT_FALSE(form.FSkImage) << c.where;
    }

    QMimeData firstFile;
    firstFile.setUrls({QUrl::fromLocalFile(first)});
    ASSERT_TRUE(form.DropZoneRect->isVisible());
    EXPECT_TRUE(DragAndDrop(form.DropZoneRect, firstFile));
    EXPECT_EQ(form.FilesView().FSourceFileName, first);
    EXPECT_TRUE(DragAndDrop(form.SkPaintBox1, files));
    EXPECT_EQ(form.FilesView().FSourceFileName, second);

    // A thumbnail let go over the strip it came from opens nothing; over the
    // canvas it opens the combine panel.
    form.HistoryToggleClick();
    QMimeData thumbnail;
    thumbnail.setData(QString::fromLatin1(kGalleryThumbnailMime), QByteArray::number(0));
    EXPECT_FALSE(DragAndDrop(form.HistoryRect, thumbnail));
    EXPECT_EQ(form.ActiveOverlayFrame(), nullptr);
    EXPECT_TRUE(DragAndDrop(form.SkPaintBox1, thumbnail));
    EXPECT_NE(form.ActiveOverlayFrame(), nullptr);
    form.CloseOverlay();
}

} // namespace
} // namespace pv
