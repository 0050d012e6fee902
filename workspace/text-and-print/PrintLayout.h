#pragma once
// Where a picture lands on a printed page and in the print window's preview:
// the page, the area inside the margins and the picture's rectangle for each
// scaling mode. Plain arithmetic, apart from any printer or widget.

#include <QRectF>
#include <QSize>
#include <QSizeF>

namespace pv {

enum class TPrintScaleMode {
    BestFit = 0,       // as large as fits inside the margins, aspect kept, centred
    StretchToFill = 1, // exactly the area inside the margins
    OriginalSize = 2,  // the picture's own size at its resolution, centred on the page
};

// The mode of a scaling list index; unknown indices are Best Fit.
TPrintScaleMode PrintScaleModeOf(int index);

// Millimetres per inch.
constexpr double kMmPerInch = 25.4;
// Resolution a print job asks for.
constexpr int kPrintDpi = 300;
// The picture's resolution used when the given one is below 1.
constexpr double kFallbackImageDpi = 96;

struct TPrintSettings {
    TPrintScaleMode mode = TPrintScaleMode::BestFit;
    double marginMm = 10;
    double imageDpi = 300; // "Original Size" only
};

// The picture's rectangle on a page of pageSize device pixels at dpiX x dpiY.
// The margin insets the page by dpi / 25.4 x margin on each side; in
// "Original Size" the picture is w x dpiX / d by h x dpiY / d, centred on the
// page and free to reach into the margins. Empty when nothing can be placed.
QRectF PrintDestination(QSizeF pageSize, double dpiX, double dpiY, QSize picture, const TPrintSettings& settings);

// The area inside the margins of a page of pageSize device pixels.
QRectF PrintableArea(QSizeF pageSize, double dpiX, double dpiY, double marginMm);

// A4 in millimetres, turned for landscape.
QSizeF A4PaperMm(bool landscape);

struct TPrintPreview {
    double scale = 0; // preview pixels per millimetre
    QRectF page;      // the sheet, centred in the box
    QRectF printable; // the sheet inside the margins
    QRectF picture;   // where the picture is drawn
    QRectF clip;      // what of it shows: the sheet, as on paper
};

// The preview of a box of boxSize pixels for a sheet of paperMm millimetres:
// the same placement as PrintDestination at the preview's scale, so what the
// box shows is what prints.
TPrintPreview PreviewLayout(QSizeF boxSize, QSizeF paperMm, QSize picture, const TPrintSettings& settings);

} // namespace pv
