#include "workspace/window/DropZone.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/SvgIcon.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/window/MainWindow.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace pv {

TDropZone::TDropZone(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DropZoneRect"));
    addColour("stroke", ColourKind::Fill, kOutline);
    resize(DpI(kWidth), DpI(kHeight));

    icon_ = new TSvgIcon(this);
    icon_->setObjectName(QStringLiteral("SkSvg23"));
    icon_->setSource(QStringLiteral(":/icons/picture.svg"));
    icon_->setGeometry((width() - DpI(81)) / 2, DpI(36), DpI(81), DpI(81));

    title_ = new TLabel(QStringLiteral("No image loaded"), this);
    title_->setObjectName(QStringLiteral("Label10"));
    title_->setFontSize(18, QFont::DemiBold);
    title_->setFontColour(kText);
    title_->setAlignment(Qt::AlignCenter);
    title_->setGeometry(0, DpI(132), width(), DpI(28));

    // "Drop image here or Browse files" reads as one centred line.
    hint_ = new TLabel(QStringLiteral("Drop image here or"), this);
    hint_->setObjectName(QStringLiteral("Label11"));
    hint_->setFontSize(14);
    hint_->setFontColour(kTextHint);
    hint_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    browse_ = new TLabel(QStringLiteral("Browse files"), this);
    browse_->setObjectName(QStringLiteral("Label12"));
    browse_->setFontSize(14, QFont::DemiBold);
    browse_->setFontColour(kAccentLink);
    browse_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    browse_->setClickable(true);
    LayoutHintLine();
    connect(browse_, &TLabel::clicked, this, &TDropZone::browseClicked);

    setOutline(kOutline);
}

void TDropZone::LayoutHintLine()
{
    const int hintWidth = hint_->sizeHint().width(), linkWidth = browse_->sizeHint().width();
    const int gap = DpI(5);
    const int left = std::max(0, (width() - hintWidth - gap - linkWidth) / 2);
    hint_->setGeometry(left, DpI(170), hintWidth, DpI(24));
    browse_->setGeometry(left + hintWidth + gap, DpI(170), linkWidth, DpI(24));
}

void TDropZone::setOutline(TAlphaColor design)
{
    setColour("stroke", design);
    icon_->setOverrideColour(design);
    update();
}

void TDropZone::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = Dp(2);
    QPen pen(qcolour("stroke"), w);
    pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(w / 2, w / 2, -w / 2, -w / 2), Dp(20), Dp(20));
}

void TDropZone::enterEvent(QEnterEvent*) { setOutline(kOutlineHover); }

void TDropZone::leaveEvent(QEvent*) { setOutline(kOutline); }

// ---------------------------------------------------------------- TForm1

void TForm1::CreateDropZone()
{
    DropZoneRect = new TDropZone(SkPaintBox1);
    connect(DropZoneRect, &TDropZone::browseClicked, this, &TForm1::Label12Click);
    DropZoneRect->setVisible(!FSkImage);
}

void TForm1::CenterDropZone()
{
    if (!DropZoneRect)
        return;
    DropZoneRect->LayoutHintLine();
    DropZoneRect->move((SkPaintBox1->width() - DropZoneRect->width()) / 2,
                       (SkPaintBox1->height() - DropZoneRect->height()) / 2);
}

void TForm1::HideDropZone()
{
    if (DropZoneRect)
        DropZoneRect->hide();
}

void TForm1::Label12Click() { LoadImageFile(FilesView()); }

} // namespace pv
