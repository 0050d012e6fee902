#include "workspace/text-and-print/PrintWindow.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/ComboBox.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/Switch.h"

#include <QEvent>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QPrinterInfo>

#include <new>

namespace pv {

namespace {

constexpr char kSetupIcon[] =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\" fill=\"none\" stroke=\"#000\" "
    "stroke-width=\"1.8\" stroke-linecap=\"round\" stroke-linejoin=\"round\"><path d=\"M6 9V3h12v6\"/>"
    "<rect x=\"3\" y=\"9\" width=\"18\" height=\"8\" rx=\"2\"/><path d=\"M7 14h10v7H7z\"/></svg>";

TLabel* Caption(const char* name, const char* text, QWidget* parent, int x, int y)
{
    auto* l = new TLabel(QString::fromLatin1(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFontSize(13);
    l->setFontColour(kText);
    l->setGeometry(DpI(x), DpI(y), DpI(130), DpI(20));
    return l;
}

void Place(QWidget* w, int x, int y, int width, int height) { w->setGeometry(DpI(x), DpI(y), DpI(width), DpI(height)); }

} // namespace

// ------------------------------------------------------------------ printing

void SetUpPrinter(QPrinter& printer, const QString& printerName, bool landscape)
{
    if (printerName.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(printerName);
    }
    printer.setResolution(kPrintDpi);
    printer.setFullPage(true);
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

QSizeF PaperSizeMm(const QPrinter& printer)
{
    const QPageLayout layout = printer.pageLayout();
    const bool landscape = layout.orientation() == QPageLayout::Landscape;
    const QSizeF paper = layout.fullRect(QPageLayout::Millimeter).size();
    return paper.width() >= 1 && paper.height() >= 1 ? paper : A4PaperMm(landscape);
}

QImage PictureOnWhite(const ISkImage& picture)
{
    if (!picture)
        return {};
    if (picture->isOpaque())
        return picture->qimage();
    QImage onWhite(picture->width(), picture->height(), QImage::Format_RGB32);
    if (onWhite.isNull())
        return {};
    onWhite.fill(Qt::white);
    QPainter p(&onWhite);
    p.drawImage(0, 0, picture->qimage());
    return onWhite;
}

bool PrintPicture(QPrinter& printer, const ISkImage& picture, const TPrintSettings& settings)
{
    if (!picture)
        return false;
    try {
        const QImage onWhite = PictureOnWhite(picture);
        if (onWhite.isNull())
            return false;
        const double dpiX = printer.logicalDpiX(), dpiY = printer.logicalDpiY();
        const QRectF dst = PrintDestination(QSizeF(printer.width(), printer.height()), dpiX, dpiY,
                                            QSize(picture->width(), picture->height()), settings);
        QPainter painter;
        if (!painter.begin(&printer))
            return false;
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (!dst.isEmpty())
            painter.drawImage(dst, onWhite, QRectF(onWhite.rect()));
        const bool ended = painter.end();
        return ended && printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// ------------------------------------------------------------------ preview

TPrintPreviewBox::TPrintPreviewBox(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TranslucentBackground); }

void TPrintPreviewBox::paintEvent(QPaintEvent*)
{
    const ISkImage picture = Picture ? Picture() : nullptr;
    if (!picture || width() < 1 || height() < 1 || !Layout)
        return;
    const TPrintPreview layout = Layout();
    if (layout.page.isEmpty())
        return;
    QPainter p(this);
    p.fillRect(layout.page, Qt::white);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(layout.page.adjusted(0.5, 0.5, -0.5, -0.5));
    if (layout.picture.isEmpty())
        return;
    p.setClipRect(layout.clip);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Smooth reduction first: a photograph drawn straight into a few hundred
    // pixels would alias.
    const QSize target = layout.picture.size().toSize().expandedTo(QSize(1, 1));
    QImage shown = picture->qimage();
    if (target.width() < shown.width() / 2)
        shown = shown.scaled(target * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Transparent parts show as they print: on white.
    p.drawImage(layout.picture, shown, QRectF(shown.rect()));
}

// ------------------------------------------------------------------ window

TPrintWindow::TPrintWindow(QWidget* parent) : TFloatingPanel(parent), printer_(std::make_unique<QPrinter>())
{
    setObjectName(QStringLiteral("PrintWindow"));
    setFillColour(kPanelRaised);
    setRadius(15);
    setRestingShadow({4, 3, 3, kShadowDeep});
    resize(DpI(480), DpI(400));
    setTitle(QStringLiteral("Print"));
    closeBox()->setObjectName(QStringLiteral("PrintCloseBtn"));
    PrinterNames = [] { return QPrinterInfo::availablePrinterNames(); };

    LabelPrinter = Caption("PrinterLabel", "Printer", this, 20, 48);
    LabelPrinter->resize(DpI(100), LabelPrinter->height());
    SkSvg25 = new TSvgIcon(this);
    SkSvg25->setObjectName(QStringLiteral("SkSvg25"));
    SkSvg25->setSvgData(QByteArray(kSetupIcon));
    SkSvg25->setOverrideColour(kText);
    SkSvg25->setClickable(true);
    SkSvg25->setToolTip(QStringLiteral("Printer"));
    Place(SkSvg25, 130, 48, 20, 20);
    connect(SkSvg25, &TSvgIcon::clicked, this, &TPrintWindow::SkSvg25Click);

    cbPrinters = new TComboBox(this);
    cbPrinters->setObjectName(QStringLiteral("cbPrinters"));
    cbPrinters->setTranslatable(false);
    Place(cbPrinters, 20, 70, 130, 28);
    cbPrinters->installEventFilter(this);
    connect(cbPrinters, &TComboBox::changed, this, &TPrintWindow::UpdatePreview);

    Caption("LandscapeLabel", "Landscape", this, 20, 110);
    swOrientation = new TSwitch(this);
    swOrientation->setObjectName(QStringLiteral("swOrientation"));
    Place(swOrientation, 20, 134, 38, 18);
    connect(swOrientation, &TSwitch::toggled, this, &TPrintWindow::swOrientationClick);

    Caption("ScalingLabel", "Scaling", this, 20, 164);
    cbScaleMode = new TComboBox(this);
    cbScaleMode->setObjectName(QStringLiteral("cbScaleMode"));
    Place(cbScaleMode, 20, 186, 130, 28);
    connect(cbScaleMode, &TComboBox::changed, this, &TPrintWindow::cbScaleModeChange);

    Caption("ImageDpiLabel", "Image DPI", this, 20, 226);
    nbImageDPI = new TNumberBox(this);
    nbImageDPI->setObjectName(QStringLiteral("nbImageDPI"));
    nbImageDPI->setRange(10, 2400);
    nbImageDPI->setValue(300);
    nbImageDPI->setEnabled(false);
    Place(nbImageDPI, 20, 248, 130, 28);
    connect(nbImageDPI, &TNumberBox::valueChanged, this, &TPrintWindow::UpdatePreview);

    Caption("MarginLabel", "Margin (mm)", this, 20, 288);
    nbMargin = new TNumberBox(this);
    nbMargin->setObjectName(QStringLiteral("nbMargin"));
    nbMargin->setRange(0, 50);
    nbMargin->setDecimals(1);
    nbMargin->setValue(10);
    Place(nbMargin, 20, 310, 130, 28);
    connect(nbMargin, &TNumberBox::valueChanged, this, &TPrintWindow::UpdatePreview);

    pbPreview = new TPrintPreviewBox(this);
    pbPreview->setObjectName(QStringLiteral("pbPreview"));
    Place(pbPreview, 160, 44, 309, 323);
    pbPreview->Picture = [this] { return Picture ? Picture() : nullptr; };
    pbPreview->Layout = [this] { return PreviewLayoutNow(); };

    bnCancel = new TButton(QStringLiteral("Cancel"), TButton::Look::Ghost, this);
    bnCancel->setObjectName(QStringLiteral("bnCancel"));
    bnCancel->setFontSize(13);
    Place(bnCancel, 20, 354, 62, 32);
    connect(bnCancel, &TButton::clicked, this, &TPrintWindow::bnCancelClick);
    bnPrint = new TButton(QStringLiteral("Print"), TButton::Look::Primary, this);
    bnPrint->setObjectName(QStringLiteral("bnPrint"));
    bnPrint->setFontSize(13);
    Place(bnPrint, 88, 354, 62, 32);
    connect(bnPrint, &TButton::clicked, this, &TPrintWindow::bnPrintClick);

    SetOrientationLandscape(false);
    hide();
}

TPrintWindow::~TPrintWindow() = default;

bool TPrintWindow::PdfChosen() const { return cbPrinters->itemIndex() >= printers_.size() || cbPrinters->itemIndex() < 0; }

QString TPrintWindow::ChosenPrinterName() const
{
    const int i = cbPrinters->itemIndex();
    return i >= 0 && i < printers_.size() ? printers_[i] : QString();
}

TPrintSettings TPrintWindow::Settings() const
{
    TPrintSettings s;
    s.mode = PrintScaleModeOf(cbScaleMode->itemIndex());
    s.marginMm = nbMargin->value();
    s.imageDpi = nbImageDPI->value();
    return s;
}

TPrintPreview TPrintWindow::PreviewLayoutNow() const
{
    const ISkImage picture = Picture ? Picture() : nullptr;
    if (!picture)
        return {};
    return PreviewLayout(QSizeF(pbPreview->size()), PaperSizeMm(*printer_), QSize(picture->width(), picture->height()),
                         Settings());
}

void TPrintWindow::InitPrintUI()
{
    const QString kept = ChosenPrinterName();
    const bool keptPdf = cbPrinters->count() > 0 && PdfChosen();
    printers_ = PrinterNames ? PrinterNames() : QStringList();
    QStringList entries = printers_;
    entries << QString::fromLatin1(kPrintToPdfEntry);
    cbPrinters->setItems(entries);
    int index = keptPdf ? int(printers_.size()) : int(printers_.indexOf(kept));
    if (index < 0) {
        const QString def = QPrinterInfo::defaultPrinterName();
        index = printers_.indexOf(def);
    }
    cbPrinters->setItemIndex(index < 0 ? 0 : index);
    if (cbScaleMode->count() == 0) {
        cbScaleMode->setItems({QStringLiteral("Best Fit"), QStringLiteral("Stretch to Fill"),
                               QStringLiteral("Original Size")});
        cbScaleMode->setItemIndex(0);
    }
    UpdatePreview();
}

void TPrintWindow::UpdatePreview()
{
    SetUpPrinter(*printer_, ChosenPrinterName(), FOrientationLandscape);
    pbPreview->update();
}

void TPrintWindow::SetOrientationLandscape(bool Value)
{
    FOrientationLandscape = Value;
    swOrientation->setChecked(Value);
}

void TPrintWindow::swOrientationClick()
{
    SetOrientationLandscape(swOrientation->isChecked());
    UpdatePreview();
}

void TPrintWindow::cbScaleModeChange()
{
    nbImageDPI->setEnabled(cbScaleMode->itemIndex() == int(TPrintScaleMode::OriginalSize));
    UpdatePreview();
}

void TPrintWindow::SkSvg25Click()
{
    UpdatePreview();
    QPageSetupDialog dialog(printer_.get(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SetOrientationLandscape(printer_->pageLayout().orientation() == QPageLayout::Landscape);
    pbPreview->update();
}

bool TPrintWindow::bnPrintClick()
{
    const ISkImage picture = Picture ? Picture() : nullptr;
    if (!picture)
        return false;
    hide();
    UpdatePreview();
    if (PdfChosen()) {
        const QString file = AskPdfFileName ? AskPdfFileName() : QString();
        if (file.isEmpty())
            return false;
        printer_->setOutputFileName(file);
    }
    const bool printed = PrintPicture(*printer_, picture, Settings());
    printer_->setOutputFileName(QString());
    if (!printed && OnMessage)
        OnMessage(TranslateForDisplay(QStringLiteral("Printing failed")));
    return printed;
}

void TPrintWindow::bnCancelClick() { hide(); }

bool TPrintWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The printer list widens while the mouse is over it (long names).
    if (watched == cbPrinters) {
        if (event->type() == QEvent::Enter) {
            cbPrinters->raise();
            cbPrinters->resize(DpI(200), cbPrinters->height());
        } else if (event->type() == QEvent::Leave && !cbPrinters->isPopupOpen()) {
            cbPrinters->resize(DpI(130), cbPrinters->height());
        }
    }
    return TFloatingPanel::eventFilter(watched, event);
}

} // namespace pv
