#include "overlays/CombineImages.h"

#include "platform/graphics/SkImage.h"
#include "platform/system/Numbers.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/ComboBox.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "shell/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <new>

namespace pv {

namespace {
constexpr double kPreviewRadius = 15;
} // namespace

TCombinePreview::TCombinePreview(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::SizeAllCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TCombinePreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (OnDraw)
        OnDraw(painter);
}

void TCombinePreview::wheelEvent(QWheelEvent* e)
{
    e->accept();
    Q_EMIT wheelTurned(e);
}

TFrame4::TFrame4(QWidget* parent) : TOverlayPanel(QSize(1200, 816), QPoint(1164, 8), parent)
{
    setObjectName(QStringLiteral("TFrame4"));
    setShadow({4, 3.5, 3.5, kShadowToolbar});
    // It may hold the focus, but Tab visits the controls inside it.
    setFocusPolicy(Qt::ClickFocus);

    auto* title = new TLabel(QStringLiteral("Combine images"), this);
    title->setObjectName(QStringLiteral("Label1"));
    title->setFontSize(16, QFont::DemiBold);
    title->setFontColour(kTextBright);
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(0, DpI(8), width(), DpI(26));

    SkPaintBox1 = new TCombinePreview(this);
    SkPaintBox1->setObjectName(QStringLiteral("SkPaintBox1"));
    SkPaintBox1->setGeometry(DpI(30), DpI(40), DpI(1138), DpI(600));
    SkPaintBox1->OnDraw = [this](QPainter& p) { DrawPreview(p); };

    auto* controls = new TRoundedPanel(this);
    controls->setObjectName(QStringLiteral("Rectangle2"));
    controls->setFillColour(kPanelRaised);
    controls->setRadius(15);
    controls->setShadow({4, 2.8, 2.8, kShadowControls});
    controls->setGeometry(DpI(30), DpI(670), DpI(513), DpI(110));
    const auto caption = [controls](const char* name, const char* text, int y) {
        auto* l = new TLabel(QString::fromLatin1(text), controls);
        l->setObjectName(QString::fromLatin1(name));
        l->setFontSize(14);
        l->setFontColour(kTextBright);
        l->setGeometry(DpI(24), DpI(y), DpI(180), DpI(30));
        return l;
    };
    caption("Label2", "Blend amount", 18);
    caption("Label3", "Blend mode", 62);
    TrackBar1 = new TSlider(controls);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(DpI(210), DpI(20), DpI(200), DpI(26));
    Label4 = new TLabel(QStringLiteral("50%"), controls);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFontSize(14);
    Label4->setFontColour(kTextBright);
    Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label4->setGeometry(DpI(420), DpI(18), DpI(60), DpI(30));
    ComboBox1 = new TComboBox(controls);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(DpI(210), DpI(62), DpI(200), DpI(30));

    Button2 = new TButton(QStringLiteral("Cancel"), TButton::Look::Ghost, this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(DpI(878), DpI(720), DpI(137), DpI(37));
    Button1 = new TButton(QStringLiteral("Apply"), TButton::Look::Primary, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(DpI(1032), DpI(710), DpI(136), DpI(57));

    Timer1.setSingleShot(true);
    Timer1.setInterval(kAmountDelayMs);
    connect(&Timer1, &QTimer::timeout, this, [this] {
        Timer1.stop();
        FBlendAmount = float(TrackBar1->value() / 100.0);
        UpdateAmountLabel();
    });
    connect(TrackBar1, &TSlider::tracking, this, [this](double v) {
        Label4->setText(QStringLiteral("%1%").arg(Round(v)));
        if (!Timer1.isActive())
            Timer1.start();
    });
    connect(ComboBox1, &TComboBox::changed, this, [this](int index) {
        FMode = TCombineMode(std::clamp(index, 0, 3));
        UpdateAmountLabel();
    });
    connect(Button1, &TButton::clicked, this, &TFrame4::Button1Click);
    connect(Button2, &TButton::clicked, this, &TFrame4::Button2Click);

    connect(SkPaintBox1, &TCombinePreview::pressed, this, [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton) {
            FIsPanning = true;
            FLastMousePos = e->position();
        } else if (e->button() != Qt::RightButton) {
            return;
        }
        FShowingSource = true;
        SkPaintBox1->update();
    });
    connect(SkPaintBox1, &TCombinePreview::moved, this, [this](QMouseEvent* e) {
        if (!FIsPanning)
            return;
        FView.pan += e->position() - FLastMousePos;
        FLastMousePos = e->position();
        SkPaintBox1->update();
    });
    connect(SkPaintBox1, &TCombinePreview::released, this, [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton)
            FIsPanning = false;
        else if (e->button() != Qt::RightButton)
            return;
        FShowingSource = false;
        SkPaintBox1->update();
    });
    connect(SkPaintBox1, &TCombinePreview::wheelTurned, this, [this](QWheelEvent* e) {
        const int delta = e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x();
        FView = WheelZoomPreview(FView, e->position(), delta);
        SkPaintBox1->update();
    });
}

void TFrame4::SetImages(const ISkImage& ABaseImage, const ISkImage& ABlendImage)
{
    FBaseImage = ABaseImage;
    FBlendImage = ABlendImage;
    FBlendAmount = 0.5f;
    FMode = TCombineMode::Normal;
    if (FBaseImage)
        FView = CentredPreview(QSizeF(SkPaintBox1->size()), QSize(FBaseImage->width(), FBaseImage->height()));
    TrackBar1->setValue(50);
    Timer1.stop();
    ComboBox1->setItems(CombineModeNames());
    ComboBox1->setItemIndex(0);
    UpdateAmountLabel();
}

void TFrame4::UpdateAmountLabel()
{
    SkPaintBox1->update();
    Label4->setText(QStringLiteral("%1%").arg(Round(FBlendAmount * 100.0f)));
}

void TFrame4::DrawPreview(QPainter& painter)
{
    const qreal dpr = SkPaintBox1->devicePixelRatioF();
    const QSize pixels = (QSizeF(SkPaintBox1->size()) * dpr).toSize();
    if (FPreviewRaster.size() != pixels)
        FPreviewRaster = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    if (FPreviewRaster.isNull())
        return;
    TPreviewView view = FView;
    view.pan *= dpr;
    view.zoom *= float(dpr);
    const TAlphaColor background = IsLightTheme() ? DarkenColorKeepAlpha(kLightBaseField) : kBackgroundCombinePreview;
    DrawCombinePreview(FPreviewRaster, FBaseImage, FBlendImage, view, FBlendAmount, FMode, FShowingSource, background);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(SkPaintBox1->rect()), kPreviewRadius, kPreviewRadius);
    FPreviewRaster.setDevicePixelRatio(dpr);
    painter.fillPath(clip, QBrush(FPreviewRaster));
}

ISkImage TFrame4::RenderCombined() const { return pv::RenderCombined(FBaseImage, FBlendImage, FBlendAmount, FMode); }

bool TFrame4::DialogKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Return) {
        Button1Click();
        return true;
    }
    if (key == Qt::Key_Escape) {
        Button2Click();
        return true;
    }
    return TOverlayPanel::DialogKey(key, modifiers);
}

void TFrame4::Button1Click()
{
    ISkImage result;
    try {
        result = RenderCombined();
    } catch (const std::bad_alloc&) {
        if (OnOutOfMemory)
            OnOutOfMemory();
        return;
    }
    // Without a result nothing happens and the panel stays.
    if (result && OnApply)
        OnApply(result);
}

void TFrame4::Button2Click()
{
    if (OnCancel)
        OnCancel();
}

} // namespace pv
