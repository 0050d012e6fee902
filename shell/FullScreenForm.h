#pragma once
// The full-screen viewer: one picture alone on a white screen, fitted with a
// margin and lifted by a soft drop shadow, until the user clicks or releases
// a key. The canvas opens it modally on a double-click and frees it after.

#include "platform/graphics/SkSamplingOptions.h"
#include "platform/graphics/SkTypes.h"

#include <QDialog>
#include <QImage>
#include <QRectF>

namespace pv {

// Margin kept around the picture on its limiting side.
constexpr float kFullScreenMargin = 50.0f;

// Where a w x h picture is drawn in the area: scaled to fit the area less the
// margin on every side (enlarged when smaller), centred on the area. Empty
// for a picture without pixels.
QRectF FullScreenTargetRect(const QRectF& area, int w, int h);

// The viewer's picture for an area of this logical size: white, the shadow,
// the picture drawn with the sampling. devicePixelRatio scales the pixels.
QImage RenderFullScreenFrame(const ISkImage& image, QSize size, const SkSamplingOptions& sampling,
                             qreal devicePixelRatio = 1.0);

class TFullScreenForm : public QDialog {
    Q_OBJECT
public:
    // CreateWithImage: the form covers the primary screen until the caller
    // gives it other bounds; the picture is shared, not copied.
    TFullScreenForm(QWidget* owner, ISkImage image);

    QWidget* FPB = nullptr; // the client-filling paint box
    ISkImage FImage;
    SkSamplingOptions FSampling = SkSamplingOptions::CatmullRom();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

} // namespace pv
