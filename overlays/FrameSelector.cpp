#include "overlays/FrameSelector.h"

#include "engine/Repository.h"
#include "overlays/FramePreview.h"
#include "overlays/CombineImages.h"
#include "platform/graphics/Codecs.h"
#include "platform/system/Numbers.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/ColourPicker.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/TabNav.h"
#include "platform/widgets/ThumbnailGrid.h"

#include <QFileInfo>
#include <QPainter>

#include <new>

namespace pv {

TFrame3::TFrame3(QWidget* parent) : TGalleryPanel(QSize(753, 529), QPoint(715, 12), parent)
{
    setObjectName(QStringLiteral("TFrame3"));
    AddGallery("Click on your chosen frame", "ScrollBoxFrames");

    AddCaption("Label2", "margin color", {43, 343, 150, 21}, 13);
    ComboColorBox1 = new TColourSwatch(this);
    ComboColorBox1->setObjectName(QStringLiteral("ComboColorBox1"));
    ComboColorBox1->setGeometry(DpI(42), DpI(368), DpI(110), DpI(22));
    ComboColorBox1->setColour(kDefaultFrameColour);
    SetTabSkip(ComboColorBox1);
    connect(ComboColorBox1, &TColourSwatch::colourChanged, this, [this](TAlphaColor) { RefreshPreview(); });

    AddCaption("Label3", "margin size", {249, 343, 150, 21}, 13);
    NumberBox1 = new TNumberBox(this);
    NumberBox1->setObjectName(QStringLiteral("NumberBox1"));
    NumberBox1->setRange(0, kMaxMargin);
    NumberBox1->setDecimals(0);
    NumberBox1->setGeometry(DpI(249), DpI(368), DpI(78), DpI(22));
    NumberBox1->setValue(kDefaultMargin);
    connect(NumberBox1, &TNumberBox::valueChanged, this, [this](double) { RefreshPreview(); });
    connect(NumberBox1, &TLineEdit::keyReleased, this, [this](int) { FPreviewTimer.start(); });
    FPreviewTimer.setInterval(kTypingDelayMs);
    FPreviewTimer.setSingleShot(true);
    connect(&FPreviewTimer, &QTimer::timeout, this, [this] { RefreshPreview(); });

    BtnLoadCustom = AddButton("BtnLoadCustom", "Load custom frame", TButton::Look::Standard, {40, 405, 410, 40});
    BtnApplyBrushstrokeFrame = AddButton("BtnApplyBrushstrokeFrame", "Apply brushstrokes frame",
                                          TButton::Look::Standard, {40, 461, 410, 40});
    Button2 = AddButton("Button2", "Cancel", TButton::Look::Ghost, {498, 350, 210, 40});

    auto* previewBox = new TRoundedPanel(this);
    previewBox->setObjectName(QStringLiteral("Rectangle3"));
    previewBox->setFillColour(kBackgroundFramePreview);
    previewBox->setRadius(15);
    previewBox->setGeometry(DpI(498), DpI(84), DpI(210), DpI(210));
    pbPreviewFrame = new TCombinePreview(previewBox);
    pbPreviewFrame->setObjectName(QStringLiteral("pbPreviewFrame"));
    pbPreviewFrame->setCursor(Qt::ArrowCursor);
    pbPreviewFrame->setGeometry(DpI(5), DpI(5), DpI(200), DpI(200));
    pbPreviewFrame->OnDraw = [this](QPainter& p) { DrawPreview(p); };

    Button1 = AddButton("Button1", "Apply frame", TButton::Look::Primary, {498, 405, 210, 96});

    connect(Button1, &TButton::clicked, this, &TFrame3::Button1Click);
    connect(Button2, &TButton::clicked, this, &TFrame3::Button2Click);
    connect(BtnLoadCustom, &TButton::clicked, this, &TFrame3::BtnLoadCustomClick);
    connect(BtnApplyBrushstrokeFrame, &TButton::clicked, this, &TFrame3::BtnApplyBrushstrokeFrameClick);
}

void TFrame3::SetPicture(const ISkImage& picture)
{
    FPicture = picture;
    RefreshPreview();
}

double TFrame3::GetMarginSize() const { return NumberBox1 ? NumberBox1->textValue() : 0; }

TAlphaColor TFrame3::MarginColour() const { return ComboColorBox1 ? ComboColorBox1->colour() : kDefaultFrameColour; }

int TFrame3::SelectedIndex() const { return Gallery->itemIndex(); }

void TFrame3::LoadFrames(TImageList& list)
{
    Gallery->clear();
    FEntries.clear();
    FSelectedBitmap = QImage();
    FSelectedFrame.reset();
    FBorderlessCell = -1;
    const QSize cell = Gallery->pictureSize();
    list.decodeAll();
    for (int i = 0; i < list.count(); ++i) {
        const QImage bitmap = list[i].bitmap();
        if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
            continue;
        const QString name = list.name(i);
        QImage thumb;
        if (IsBorderlessFrame(bitmap)) {
            FBorderlessCell = int(FEntries.size());
            const QSize picture = FPicture ? QSize(FPicture->width(), FPicture->height()) : QSize(1, 1);
            thumb = MakeBorderlessFrameThumbnail(MarginColour(), GetMarginSize(), picture);
        } else {
            thumb = MakeScaledThumb(bitmap, 240);
        }
        Gallery->addItem(TThumbnailGrid::FitThumbnail(thumb, cell), name);
        FEntries.push_back({name, bitmap});
    }
    RestoreFrameSettings();
}

void TFrame3::RestoreFrameSettings()
{
    int index = FEntries.empty() ? -1 : 0;
    if (FStored.Valid) {
        NumberBox1->setValue(FStored.Size);
        ComboColorBox1->setColour(FStored.Colour);
        if (!FStored.Name.isEmpty())
            for (size_t i = 0; i < FEntries.size(); ++i)
                if (FEntries[i].name.compare(FStored.Name, Qt::CaseInsensitive) == 0) {
                    index = int(i);
                    break;
                }
    }
    if (index >= 0) {
        Gallery->setItemIndex(index);
        SelectThumbnail(index);
        Gallery->scrollToTop(index);
    } else {
        Gallery->setScrollTop(0);
    }
    RefreshPreview();
}

void TFrame3::SelectThumbnail(int index)
{
    if (index < 0 || index >= int(FEntries.size()))
        return;
    Gallery->setItemIndex(index);
    FSelectedBitmap = FEntries[size_t(index)].bitmap;
    FSelectedFrame = SkImage::MakeFromQImage(FSelectedBitmap);
    FApertureRect = DetectAperture(FSelectedBitmap);
    RefreshPreview();
}

void TFrame3::NavigateGallery(int ADirection, bool AVertical)
{
    Gallery->navigate(ADirection, AVertical);
    Gallery->setFocus(Qt::OtherFocusReason);
}

void TFrame3::RefreshPreview()
{
    FPreviewCache = QImage();
    pbPreviewFrame->update();
    if (FBorderlessCell >= 0 && FBorderlessCell < Gallery->count()) {
        const QSize picture = FPicture ? QSize(FPicture->width(), FPicture->height()) : QSize(1, 1);
        Gallery->setItemPicture(
            FBorderlessCell,
            TThumbnailGrid::FitThumbnail(MakeBorderlessFrameThumbnail(MarginColour(), GetMarginSize(), picture),
                                         Gallery->pictureSize()));
    }
}

void TFrame3::DrawPreview(QPainter& painter)
{
    const QSize device = pbPreviewFrame->size() * pbPreviewFrame->devicePixelRatioF();
    if (FPreviewCache.size() != device) {
        try {
            FPreviewCache =
                RenderFramePreview(device, FSelectedFrame, FApertureRect, FPicture, GetMarginSize(), MarginColour());
        } catch (const std::bad_alloc&) {
            FPreviewCache = QImage();
        }
    }
    if (FPreviewCache.isNull())
        painter.fillRect(pbPreviewFrame->rect(), QColor(0xD3, 0xD3, 0xD3));
    else
        painter.drawImage(QRectF(pbPreviewFrame->rect()), FPreviewCache);
}

void TFrame3::StoreFrameSettings()
{
    TStoredFrame stored = FStored;
    stored.Valid = true;
    const int index = Gallery->itemIndex();
    if (index >= 0 && index < int(FEntries.size())) {
        if (!FEntries[size_t(index)].name.isEmpty())
            stored.Name = FEntries[size_t(index)].name;
        stored.Number = index;
    }
    stored.Size = float(NumberBox1->value());
    stored.Colour = MarginColour();
    FStored = stored;
    if (OnStore)
        OnStore(stored);
}

void TFrame3::Button1Click()
{
    FPreviewTimer.stop();
    NumberBox1->commitText();
    StoreFrameSettings();
    if (Gallery->itemIndex() >= 0 && !FSelectedBitmap.isNull()) {
        const int margin = Round(GetMarginSize());
        hide();
        if (OnFrameSelected)
            OnFrameSelected(FSelectedBitmap, margin, MarginColour());
        return;
    }
    if (OnClose)
        OnClose();
}

void TFrame3::Button2Click()
{
    FPreviewTimer.stop();
    StoreFrameSettings();
    if (OnClose)
        OnClose();
}

void TFrame3::BtnApplyBrushstrokeFrameClick()
{
    FPreviewTimer.stop();
    NumberBox1->commitText();
    StoreFrameSettings();
    if (OnBrushstrokes)
        OnBrushstrokes(MarginColour(), Round(NumberBox1->value()));
    if (OnClose)
        OnClose();
}

void TFrame3::BtnLoadCustomClick()
{
    // A frame that covers the middle of the picture would hide it entirely.
    const auto check = [](const QImage& bitmap) {
        return IsBorderlessFrame(bitmap) || HasFrameOpening(bitmap)
                   ? QString()
                   : QStringLiteral("the frame has no transparent opening in its middle");
    };
    if (!AddUserPicture(AskFrameFile, FrameList, check))
        return;
    LoadFrames(*FrameList);
    SelectLastCell(int(FEntries.size()));
}

std::vector<QWidget*> TFrame3::TabStops()
{
    return {Gallery, NumberBox1, BtnLoadCustom, BtnApplyBrushstrokeFrame, Button2, Button1};
}


} // namespace pv
