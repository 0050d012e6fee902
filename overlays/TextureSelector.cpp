#include "overlays/TextureSelector.h"

#include "engine/Repository.h"
#include "overlays/CombineImages.h"
#include "overlays/FrameSelector.h"
#include "platform/system/Numbers.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/ThumbnailGrid.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <new>

namespace pv {

namespace {

// A cell shows the texture at its own size from its top-left corner, tiled
// when it is smaller than the cell.
QImage TiledCell(const QImage& texture, QSize cell)
{
    QImage out(cell, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.fillRect(out.rect(), QBrush(texture));
    return out;
}

} // namespace

TFrameTextureSelector::TFrameTextureSelector(QWidget* parent) : TGalleryPanel(QSize(742, 500), QPoint(704, 12), parent)
{
    setObjectName(QStringLiteral("TFrameTextureSelector"));
    AddGallery("Click on your chosen texture", "ScrollBoxTextures");

    AddCaption("Label2", "scale", {40, 355, 120, 21}, 13);
    NumberBoxScale = new TNumberBox(this);
    NumberBoxScale->setObjectName(QStringLiteral("NumberBoxScale"));
    NumberBoxScale->setRange(0.1, 10);
    NumberBoxScale->setDecimals(2);
    NumberBoxScale->setStep(0.1);
    NumberBoxScale->setGeometry(DpI(40), DpI(380), DpI(97), DpI(22));
    NumberBoxScale->setValue(1);
    AddCaption("Label3", "strength", {40, 418, 120, 21}, 13);
    NumberBoxStrength = new TNumberBox(this);
    NumberBoxStrength->setObjectName(QStringLiteral("NumberBoxStrength"));
    NumberBoxStrength->setRange(0, 100);
    NumberBoxStrength->setDecimals(0);
    NumberBoxStrength->setGeometry(DpI(40), DpI(442), DpI(97), DpI(22));
    NumberBoxStrength->setValue(50);
    FPreviewTimer.setInterval(kTypingDelayMs);
    FPreviewTimer.setSingleShot(true);
    for (TNumberBox* box : {NumberBoxScale, NumberBoxStrength}) {
        connect(box, &TNumberBox::valueChanged, this, [this](double) { pbPreviewTexture->update(); });
        connect(box, &TLineEdit::keyReleased, this, [this](int) { FPreviewTimer.start(); });
    }
    connect(&FPreviewTimer, &QTimer::timeout, this, [this] { pbPreviewTexture->update(); });

    BtnLoadCustom =
        AddButton("BtnLoadCustom", "Load custom texture", TButton::Look::Standard, {168, 366, 282, 47});
    Button2 = AddButton("Button2", "Cancel", TButton::Look::Ghost, {168, 429, 282, 47});
    pbPreviewTexture = new TCombinePreview(this);
    pbPreviewTexture->setObjectName(QStringLiteral("pbPreviewTexture"));
    pbPreviewTexture->setCursor(Qt::ArrowCursor);
    pbPreviewTexture->setGeometry(DpI(496), DpI(88), DpI(200), DpI(200));
    pbPreviewTexture->OnDraw = [this](QPainter& p) { DrawPreview(p); };
    Button1 = AddButton("Button1", "Apply texture", TButton::Look::Primary, {496, 366, 200, 110});

    connect(pbPreviewTexture, &TCombinePreview::pressed, this, [this](QMouseEvent* e) {
        if (e->button() != Qt::LeftButton)
            return;
        FIsPanning = true;
        FLastMousePos = e->position();
        pbPreviewTexture->setCursor(Qt::SizeAllCursor);
    });
    connect(pbPreviewTexture, &TCombinePreview::moved, this, [this](QMouseEvent* e) {
        if (!FIsPanning)
            return;
        PreviewPan(FLastMousePos, e->position());
        FLastMousePos = e->position();
    });
    connect(pbPreviewTexture, &TCombinePreview::released, this, [this](QMouseEvent* e) {
        if (e->button() != Qt::LeftButton)
            return;
        FIsPanning = false;
        pbPreviewTexture->setCursor(Qt::ArrowCursor);
    });
    connect(pbPreviewTexture, &TCombinePreview::wheelTurned, this, [this](QWheelEvent* e) {
        PreviewWheel(e->angleDelta().y(), e->modifiers() & Qt::ControlModifier);
    });
    connect(Button1, &TButton::clicked, this, &TFrameTextureSelector::Button1Click);
    connect(Button2, &TButton::clicked, this, &TFrameTextureSelector::Button2Click);
    connect(BtnLoadCustom, &TButton::clicked, this, &TFrameTextureSelector::BtnLoadCustomClick);
}

double TFrameTextureSelector::GetStrength() const { return NumberBoxStrength->textValue(); }

double TFrameTextureSelector::GetScale() const { return NumberBoxScale->textValue(); }

int TFrameTextureSelector::SelectedIndex() const { return Gallery->itemIndex(); }

void TFrameTextureSelector::LoadTextures(TImageList& list)
{
    Gallery->clear();
    FEntries.clear();
    FSelectedBitmap = QImage();
    FGrey.reset();
    const QSize cell = Gallery->pictureSize();
    list.decodeAll();
    for (int i = 0; i < list.count(); ++i) {
        const QImage bitmap = list[i].bitmap();
        if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
            continue;
        Gallery->addItem(TiledCell(bitmap, cell), list.name(i));
        FEntries.push_back({list.name(i), bitmap, nullptr});
    }
    RestoreTextureSettings();
    if (Gallery->itemIndex() < 0 && !FEntries.empty())
        SelectThumbnail(FEntries.size() >= 2 ? 1 : 0);
}

void TFrameTextureSelector::RestoreTextureSettings()
{
    if (!FStored.Valid)
        return;
    NumberBoxStrength->setValue(FStored.Strength);
    NumberBoxScale->setValue(FStored.Scale);
    if (FStored.Name.isEmpty())
        return;
    for (size_t i = 0; i < FEntries.size(); ++i)
        if (FEntries[i].name.compare(FStored.Name, Qt::CaseInsensitive) == 0) {
            SelectThumbnail(int(i));
            Gallery->scrollToTop(int(i));
            return;
        }
}

void TFrameTextureSelector::SelectThumbnail(int index)
{
    if (index < 0 || index >= int(FEntries.size()))
        return;
    Gallery->setItemIndex(index);
    Entry& entry = FEntries[size_t(index)];
    FSelectedBitmap = entry.bitmap;
    if (!entry.grey) {
        try {
            entry.grey = std::make_shared<const TTextureGrey>(MakeTextureGrey(&entry.bitmap));
            ++FGreyGridsMade;
        } catch (const std::bad_alloc&) {
            entry.grey.reset();
        }
    }
    FGrey = entry.grey;
    pbPreviewTexture->update();
}

void TFrameTextureSelector::NavigateGallery(int ADirection, bool AVertical)
{
    Gallery->navigate(ADirection, AVertical);
    Gallery->setFocus(Qt::OtherFocusReason);
}

void TFrameTextureSelector::PreviewWheel(int delta, bool ctrl)
{
    const float factor = FView.WheelZoom(pbPreviewTexture->size(), delta);
    if (ctrl)
        NumberBoxScale->setValue(std::clamp(GetScale() * factor, 0.1, 10.0));
    pbPreviewTexture->update();
}

void TFrameTextureSelector::PreviewPan(QPointF from, QPointF to)
{
    FView.PanX += float(to.x() - from.x());
    FView.PanY += float(to.y() - from.y());
    pbPreviewTexture->update();
}

void TFrameTextureSelector::DrawPreview(QPainter& painter)
{
    const QRectF D(pbPreviewTexture->rect());
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(D, Dp(16), Dp(16));
    painter.setClipPath(clip);
    painter.fillRect(D, QColor(0xD3, 0xD3, 0xD3));
    const auto say = [&](const QString& text, QColor colour) {
        QFont font = painter.font();
        font.setPixelSize(int(Dp(14) * 4 / 3));
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QPointF(D.left() + D.width() / 2 - Dp(60), D.top() + D.height() / 2),
                         TranslateForDisplay(text));
    };
    if (!FPicture) {
        say(QStringLiteral("No image loaded"), QColor(0xA9, 0xA9, 0xA9));
        return;
    }
    if (FView.FirstDraw)
        FView.Centre(D.size(), QSize(FPicture->width(), FPicture->height()));
    const TTextureRegion region = VisibleTextureRegion(FView, D.size(), QSize(FPicture->width(), FPicture->height()));
    if (region.Width <= 0 || region.Height <= 0)
        return;
    ISkImage shown;
    try {
        const bool textured = !FSelectedBitmap.isNull();
        shown = RenderTexturePreview(FPicture, region, textured ? FGrey.get() : nullptr,
                                     float(GetStrength() / 100), float(GetScale()));
    } catch (const std::bad_alloc&) {
        shown.reset();
    }
    if (shown) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(region.Target, shown->qimage());
    }
    if (FSelectedBitmap.isNull())
        say(QStringLiteral("Select a texture"), Qt::white);
}

void TFrameTextureSelector::StoreTextureSettings()
{
    TStoredTexture stored = FStored;
    stored.Valid = true;
    const int index = Gallery->itemIndex();
    if (index >= 0 && index < int(FEntries.size())) {
        if (!FEntries[size_t(index)].name.isEmpty())
            stored.Name = FEntries[size_t(index)].name;
        stored.Number = index;
    }
    stored.Strength = float(NumberBoxStrength->value());
    stored.Scale = float(NumberBoxScale->value());
    if (!FSelectedBitmap.isNull())
        stored.Bitmap = FSelectedBitmap;
    FStored = stored;
    if (OnStore)
        OnStore(stored);
}

void TFrameTextureSelector::Button1Click()
{
    FPreviewTimer.stop();
    NumberBoxStrength->commitText();
    NumberBoxScale->commitText();
    StoreTextureSettings();
    if (Gallery->itemIndex() >= 0 && !FSelectedBitmap.isNull() && OnTextureSelected)
        OnTextureSelected(FSelectedBitmap, Round(GetStrength()), float(GetScale()));
    if (OnClose)
        OnClose();
}

void TFrameTextureSelector::Button2Click()
{
    FPreviewTimer.stop();
    // As designed, Cancel also keeps the texture chosen for later effect runs.
    StoreTextureSettings();
    if (OnClose)
        OnClose();
}

void TFrameTextureSelector::BtnLoadCustomClick()
{
    if (!AddUserPicture(AskTextureFile, TextureList))
        return;
    LoadTextures(*TextureList);
    SelectLastCell(int(FEntries.size()));
}

std::vector<QWidget*> TFrameTextureSelector::TabStops()
{
    return {Gallery, NumberBoxScale, NumberBoxStrength, BtnLoadCustom, Button2, Button1};
}


} // namespace pv
