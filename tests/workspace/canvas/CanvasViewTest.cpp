#include "workspace/canvas/CanvasView.h"

#include "engine/EngineHost.h"
#include "platform/graphics/SkImage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

namespace pv {
namespace {

// The main window as far as the canvas reads it: the two pictures.
class PictureHost : public TEngineHost {
public:
    void UpdateProgressBar(int) override {}
    void ShowPreviewBox(const ISkImage&, int) override {}
};

// 100 x 80 in four flat quadrants: red, green / blue, white.
ISkImage Quadrants()
{
    QImage image(100, 80, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.fillRect(0, 0, 50, 40, Qt::red);
    p.fillRect(50, 0, 50, 40, Qt::green);
    p.fillRect(0, 40, 50, 40, Qt::blue);
    p.fillRect(50, 40, 50, 40, Qt::white);
    p.end();
    return SkImage::MakeFromQImage(image);
}

ISkImage Flat(QColor colour, int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return SkImage::MakeFromQImage(image);
}

class CanvasViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.FSkImage = Quadrants();
        host.FSkSourceImage = Flat(Qt::yellow, 100, 80);
        view = std::make_unique<CanvasView>(host);
        view->resize(200, 150);
        view->show();
        QApplication::processEvents();
    }

    QRgb At(int x, int y) { return view->grab().toImage().pixel(x, y); }

    void Mouse(QEvent::Type type, Qt::MouseButton button, QPointF pos)
    {
        QMouseEvent event(type, pos, view->mapToGlobal(pos), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                          Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
    }

    PictureHost host;
    std::unique_ptr<CanvasView> view;
};

TEST_F(CanvasViewTest, DrawsThePictureCentredAtHalfSize)
{
    view->Geometry().FZoomFactor = 0.5f;
    view->CenterImageInPaintBox();
    // 50 x 40 centred in 200 x 150: x 75..125, y 55..95.
    EXPECT_EQ(At(80, 60), qRgb(255, 0, 0));
    EXPECT_EQ(At(120, 60), qRgb(0, 255, 0));
    EXPECT_EQ(At(80, 90), qRgb(0, 0, 255));
    EXPECT_EQ(At(120, 90), qRgb(255, 255, 255));
    EXPECT_EQ(At(72, 60), QColor::fromRgba(kWorkspaceColor).rgb());
    EXPECT_EQ(At(100, 52), QColor::fromRgba(kWorkspaceColor).rgb());
}

TEST_F(CanvasViewTest, FollowsThePanAtDoubleSizeAndSignalsTheZoom)
{
    QString label;
    QObject::connect(view.get(), &CanvasView::zoomLabelChanged, [&](const QString& text) { label = text; });
    view->FullSizeAndCenter();
    EXPECT_EQ(label, "100%");
    CanvasGeometry& g = view->Geometry();
    g.FZoomFactor = 2;
    g.FPanOffset = QPointF(0, -5); // 200 x 160: centred across, panned down
    view->UpdatePaintBoxSize();
    EXPECT_EQ(g.Canvas, QSizeF(200, 160));
    EXPECT_EQ(At(50, 30), qRgb(255, 0, 0));    // picture (25, 17.5)
    EXPECT_EQ(At(150, 30), qRgb(0, 255, 0));
    EXPECT_EQ(At(50, 120), qRgb(0, 0, 255));   // picture (25, 62.5)
    EXPECT_EQ(At(150, 120), qRgb(255, 255, 255));
}

TEST_F(CanvasViewTest, HoldingTheRightButtonShowsTheSourceAndLeftDragPans)
{
    view->CalculateBestFitAndCenter();
    const QPointF middle(100, 75);
    Mouse(QEvent::MouseButtonPress, Qt::RightButton, middle);
    EXPECT_EQ(At(60, 40), qRgb(255, 255, 0));
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, middle);
    EXPECT_EQ(At(60, 40), qRgb(255, 0, 0));

    // The picture fills the view's height, so a drag moves it down but keeps it centred across.
    view->Geometry().FZoomFactor = 2;
    view->CenterImageInPaintBox();
    const QPointF before = view->ImageOrigin();
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, middle);
    QMouseEvent move(QEvent::MouseMove, middle + QPointF(30, 12), view->mapToGlobal(middle + QPointF(30, 12)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &move);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, middle + QPointF(30, 12));
    EXPECT_EQ(view->ImageOrigin(), before + QPointF(0, 12));
}

TEST_F(CanvasViewTest, SplitViewShowsTheSourceLeftOfADraggableDivider)
{
    view->Geometry().FZoomFactor = 1;
    view->CenterImageInPaintBox(); // x 50..150
    EXPECT_TRUE(view->ToggleSplitView());
    EXPECT_TRUE(view->Splitter()->isVisible());
    EXPECT_FLOAT_EQ(view->Geometry().FDividerX, 100);
    EXPECT_EQ(view->Splitter()->geometry(), QRect(99, 35, 3, 80));
    EXPECT_EQ(At(90, 60), qRgb(255, 255, 0));
    EXPECT_EQ(At(110, 60), qRgb(0, 255, 0));

    view->SetDividerX(400); // beyond the picture: stays on its right edge
    EXPECT_FLOAT_EQ(view->Geometry().FDividerX, 150);
    EXPECT_EQ(At(140, 100), qRgb(255, 255, 0));

    EXPECT_FALSE(view->ToggleSplitView());
    EXPECT_FALSE(view->Splitter()->isVisible());
    EXPECT_EQ(At(140, 100), qRgb(255, 255, 255));
}

TEST_F(CanvasViewTest, ZoomStepsNeedBothPicturesAndDrawFastUntilTheGestureEnds)
{
    view->CalculateBestFitAndCenter();
    const float fitted = view->Geometry().FZoomFactor;
    view->ZoomIn();
    EXPECT_FLOAT_EQ(view->Geometry().FZoomFactor, fitted * 1.1f);
    EXPECT_TRUE(view->IsZooming());
    EXPECT_FALSE(view->RenderFrame().isNull());

    host.FSkSourceImage = nullptr;
    view->ZoomOut();
    EXPECT_FLOAT_EQ(view->Geometry().FZoomFactor, fitted * 1.1f);
    view->StopTimers();
}

} // namespace
} // namespace pv
