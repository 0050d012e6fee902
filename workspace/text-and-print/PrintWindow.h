#pragma once
// The print window: a floating window over the main window that chooses the
// printer (or a PDF file), the orientation, the scaling, the picture's
// resolution for "Original Size" and the margin, shows the page as it will
// print and prints the picture on one page at 300 dpi.

#include "platform/graphics/SkImage.h"
#include "platform/widgets/FloatingPanel.h"
#include "workspace/text-and-print/PrintLayout.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPrinter;

namespace pv {

class TButton;
class TComboBox;
class TLabel;
class TNumberBox;
class TSvgIcon;
class TSwitch;

// The last entry of the printer list: print into a PDF file.
inline constexpr char kPrintToPdfEntry[] = "Print to PDF file";

// The picture as paper shows it: transparent parts on white.
QImage PictureOnWhite(const ISkImage& picture);

// Prints the picture on one page of the printer, transparent parts on white,
// at the printer's resolution (300 dpi asked for). False when the printer
// could not begin or finish the page, or memory ran out.
bool PrintPicture(QPrinter& printer, const ISkImage& picture, const TPrintSettings& settings);

// A printer (or, for an empty name, a PDF writer) set up as the window
// prints: 300 dpi, coordinates from the paper's corner, the orientation.
void SetUpPrinter(QPrinter& printer, const QString& printerName, bool landscape);

// The paper of a printer in millimetres, turned for its orientation; A4 when
// it reports none.
QSizeF PaperSizeMm(const QPrinter& printer);

// The page preview: the sheet, its margins and the picture as they print.
class TPrintPreviewBox : public QWidget {
    Q_OBJECT
public:
    explicit TPrintPreviewBox(QWidget* parent = nullptr);
    std::function<ISkImage()> Picture;
    std::function<TPrintPreview()> Layout;

protected:
    void paintEvent(QPaintEvent*) override;
};

class TPrintWindow : public TFloatingPanel {
    Q_OBJECT
public:
    explicit TPrintWindow(QWidget* parent);
    ~TPrintWindow() override;

    // The picture to print (the main window's result).
    std::function<ISkImage()> Picture;
    // Messages ("Printing failed").
    std::function<void(const QString&)> OnMessage;
    // The PDF file to write, asked with the overwrite question; empty when cancelled.
    std::function<QString()> AskPdfFileName;
    // The printers installed (names); the system's list unless replaced.
    std::function<QStringList()> PrinterNames;

    // Refills the printer list (the PDF entry last) and keeps the choices.
    void InitPrintUI();
    // The chosen printer and orientation to the printer object, and a redraw.
    void UpdatePreview();
    // Prints (hiding the window first); false when nothing was printed.
    bool bnPrintClick();
    void bnCancelClick();
    void SetOrientationLandscape(bool Value);
    void swOrientationClick();
    void cbScaleModeChange();
    // The system's page set-up for the chosen printer.
    void SkSvg25Click();

    bool FOrientationLandscape = false;
    TPrintSettings Settings() const;
    TPrintPreview PreviewLayoutNow() const;
    QPrinter& Printer() { return *printer_; }
    bool PdfChosen() const;

    TLabel* LabelPrinter = nullptr;
    TSvgIcon* SkSvg25 = nullptr;
    TComboBox* cbPrinters = nullptr;
    TSwitch* swOrientation = nullptr;
    TComboBox* cbScaleMode = nullptr;
    TNumberBox* nbImageDPI = nullptr;
    TNumberBox* nbMargin = nullptr;
    TPrintPreviewBox* pbPreview = nullptr;
    TButton* bnCancel = nullptr;
    TButton* bnPrint = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString ChosenPrinterName() const;

    std::unique_ptr<QPrinter> printer_;
    QStringList printers_;
};

} // namespace pv
