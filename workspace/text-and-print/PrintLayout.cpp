#include "workspace/text-and-print/PrintLayout.h"

#include <algorithm>
#include <cmath>

namespace pv {

TPrintScaleMode PrintScaleModeOf(int index)
{
    switch (index) {
    case 1:
        return TPrintScaleMode::StretchToFill;
    case 2:
        return TPrintScaleMode::OriginalSize;
    default:
        return TPrintScaleMode::BestFit;
    }
}

QRectF PrintableArea(QSizeF pageSize, double dpiX, double dpiY, double marginMm)
{
    const double mx = dpiX / kMmPerInch * marginMm;
    const double my = dpiY / kMmPerInch * marginMm;
    const QRectF area(mx, my, pageSize.width() - 2 * mx, pageSize.height() - 2 * my);
    return area.isValid() ? area : QRectF();
}

QRectF PrintDestination(QSizeF pageSize, double dpiX, double dpiY, QSize picture, const TPrintSettings& settings)
{
    if (picture.isEmpty() || pageSize.isEmpty() || dpiX <= 0 || dpiY <= 0)
        return {};
    const double w = picture.width(), h = picture.height();
    const QRectF page(QPointF(0, 0), pageSize);
    if (settings.mode == TPrintScaleMode::OriginalSize) {
        const double d = settings.imageDpi < 1 ? kFallbackImageDpi : settings.imageDpi;
        QRectF dst(0, 0, w * dpiX / d, h * dpiY / d);
        dst.moveCenter(page.center());
        return dst;
    }
    const QRectF area = PrintableArea(pageSize, dpiX, dpiY, settings.marginMm);
    if (area.isEmpty() || settings.mode == TPrintScaleMode::StretchToFill)
        return area;
    const double s = std::min(area.width() / w, area.height() / h);
    const double dw = w * s, dh = h * s;
    const QPointF c = area.center();
    return {c.x() - std::nearbyint(dw / 2), c.y() - std::nearbyint(dh / 2), dw, dh};
}

QSizeF A4PaperMm(bool landscape) { return landscape ? QSizeF(297, 210) : QSizeF(210, 297); }

TPrintPreview PreviewLayout(QSizeF boxSize, QSizeF paperMm, QSize picture, const TPrintSettings& settings)
{
    TPrintPreview out;
    if (paperMm.isEmpty() || boxSize.width() <= 40 || boxSize.height() <= 40)
        return out;
    out.scale = std::min((boxSize.width() - 40) / paperMm.width(), (boxSize.height() - 40) / paperMm.height());
    const QSizeF pageSize = paperMm * out.scale;
    const QPointF corner((boxSize.width() - pageSize.width()) / 2, (boxSize.height() - pageSize.height()) / 2);
    out.page = QRectF(corner, pageSize);
    out.clip = out.page;
    // The preview is a page at out.scale x 25.4 pixels per inch.
    const double dpi = out.scale * kMmPerInch;
    const QRectF printable = PrintableArea(pageSize, dpi, dpi, settings.marginMm);
    out.printable = printable.isEmpty() ? QRectF() : printable.translated(corner);
    const QRectF picture_ = PrintDestination(pageSize, dpi, dpi, picture, settings);
    out.picture = picture_.isEmpty() ? QRectF() : picture_.translated(corner);
    return out;
}

} // namespace pv
