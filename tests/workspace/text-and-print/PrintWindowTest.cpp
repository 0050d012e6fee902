#include "workspace/text-and-print/PrintWindow.h"

#include "FormFixture.h"
#include "platform/widgets/ComboBox.h"
#include "platform/widgets/NumberBox.h"

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pv {
namespace {

using test::FlatPicture;

// The page boxes of a PDF file, in points.
std::vector<QSizeF> PdfPageSizes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(f.readAll());
    std::vector<QSizeF> sizes;
    static const QRegularExpression box(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)\\s*\\]"));
    for (auto it = box.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        sizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return sizes;
}

class PrintWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<TPrintWindow>(&host);
        window->Picture = [this] { return picture; };
        window->PrinterNames = [] { return QStringList(); };
        window->OnMessage = [this](const QString& m) { messages.push_back(m); };
        window->AskPdfFileName = [this] { return pdfPath; };
        window->InitPrintUI();
    }
    QWidget host;
    std::unique_ptr<TPrintWindow> window;
    ISkImage picture = FlatPicture(400, 300, 0xFF336699u);
    QTemporaryDir dir;
    QString pdfPath = dir.filePath(QStringLiteral("page.pdf"));
    std::vector<QString> messages;
};

TEST_F(PrintWindowTest, WithoutPrintersOnlyThePdfEntryIsOffered)
{
    EXPECT_EQ(window->cbPrinters->items(), QStringList{QString::fromLatin1(kPrintToPdfEntry)});
    EXPECT_EQ(window->cbPrinters->itemIndex(), 0);
    EXPECT_TRUE(window->PdfChosen());
    // The preview falls back to A4.
    EXPECT_NEAR(PaperSizeMm(window->Printer()).width(), 210, 0.5);
}

TEST_F(PrintWindowTest, PrintedPdfHasTheA4PageInEitherOrientation)
{
    for (const bool landscape : {false, true}) {
        SCOPED_TRACE(landscape);
        QFile::remove(pdfPath);
        window->SetOrientationLandscape(landscape);
        window->UpdatePreview();
        ASSERT_TRUE(window->bnPrintClick());
        EXPECT_TRUE(messages.empty());
        const std::vector<QSizeF> pages = PdfPageSizes(pdfPath);
        ASSERT_EQ(pages.size(), 1u);
        const QSizeF a4(595.3, 841.9);
        const QSizeF expected = landscape ? a4.transposed() : a4;
        EXPECT_NEAR(pages[0].width(), expected.width(), 1.0);
        EXPECT_NEAR(pages[0].height(), expected.height(), 1.0);
    }
    EXPECT_FALSE(window->isVisible());
}

TEST_F(PrintWindowTest, APrinterAt300DpiCountsDevicePixels)
{
    QPrinter printer;
    SetUpPrinter(printer, QString(), false);
    EXPECT_EQ(printer.resolution(), 300);
    EXPECT_NEAR(printer.width(), 2480, 1);
    EXPECT_NEAR(printer.height(), 3508, 1);
}

TEST_F(PrintWindowTest, CancelledFileChoicePrintsNothing)
{
    pdfPath.clear();
    EXPECT_FALSE(window->bnPrintClick());
    EXPECT_TRUE(messages.empty());
}

TEST_F(PrintWindowTest, AFailedJobSaysSo)
{
    pdfPath = dir.filePath(QStringLiteral("missing-folder/page.pdf"));
    EXPECT_FALSE(window->bnPrintClick());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("Printing failed"));
}

TEST_F(PrintWindowTest, ImageResolutionOnlyForOriginalSize)
{
    EXPECT_FALSE(window->nbImageDPI->isEnabled());
    window->cbScaleMode->setItemIndex(2);
    window->cbScaleModeChange();
    EXPECT_TRUE(window->nbImageDPI->isEnabled());
    EXPECT_EQ(window->Settings().mode, TPrintScaleMode::OriginalSize);
    // The choice survives reopening.
    window->InitPrintUI();
    EXPECT_EQ(window->cbScaleMode->itemIndex(), 2);
}

TEST(PrintPicture, TransparentPartsPrintWhite)
{
    QImage half(2, 1, QImage::Format_ARGB32_Premultiplied);
    half.setPixel(0, 0, 0x00000000u);
    half.setPixel(1, 0, 0x80800000u); // red at half opacity
    const QImage paper = PictureOnWhite(SkImage::MakeFromRaster(std::move(half)));
    EXPECT_EQ(paper.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_NEAR(qRed(paper.pixel(1, 0)), 255, 1);
    EXPECT_NEAR(qGreen(paper.pixel(1, 0)), 127, 1);
    EXPECT_TRUE(PictureOnWhite(nullptr).isNull());
}

} // namespace
} // namespace pv

namespace pv {
namespace {

TEST(PrintCommand, TogglesThePrintWindowOnlyWithAPicture)
{
    test::RecordingForm form;
    form.SpeedButton7Click();
    EXPECT_FALSE(form.PrintWindow->isVisible());
    ASSERT_TRUE(test::OpenFlatPicture(form, 64, 48));
    form.show();
    form.PrintMIClick();
    EXPECT_TRUE(form.PrintWindow->isVisible());
    EXPECT_FALSE(form.PrintWindow->cbPrinters->items().isEmpty());
    form.PrintMIClick();
    EXPECT_FALSE(form.PrintWindow->isVisible());
}

} // namespace
} // namespace pv
