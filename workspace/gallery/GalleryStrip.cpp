#include "workspace/gallery/GalleryStrip.h"

#include "platform/widgets/Control.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "shell/Theme.h"
#include "shell/Dictionary.h"
#include "workspace/gallery/GalleryItems.h"

#include <QApplication>
#include <QCursor>
#include <QDrag>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

namespace pv {

namespace {

constexpr int kAddPanelWidth = 104;
constexpr int kThumbSide = 102;
constexpr int kCellPitch = 106;
constexpr int kThumbTop = 4;
constexpr int kTabHeight = 22;

int S(double units, double scale) { return int(units * scale + 0.5); }

QColor Q(TAlphaColor c) { return QColor::fromRgba(c); }

} // namespace

// ------------------------------------------------------------------ layout

QRect TGalleryStripLayout::TabRect() const
{
    return {width - tabWidth - 1, 0, tabWidth, S(kTabHeight, scale)};
}

QRect TGalleryStripLayout::AddButtonRect() const
{
    const int side = S(55, scale);
    const int x = (S(kAddPanelWidth, scale) - side) / 2;
    const int y = S(kThumbTop, scale) + (S(kThumbSide, scale) - side) / 2;
    return {x, y, side, side};
}

QRect TGalleryStripLayout::RowRect() const
{
    const int left = S(kAddPanelWidth, scale);
    return {left, 0, std::max(0, width - left), height};
}

int TGalleryStripLayout::CellPitch() const { return S(kCellPitch, scale); }

QRect TGalleryStripLayout::ThumbnailRect(int index, int scroll) const
{
    const int x = RowRect().left() + index * CellPitch() - scroll + S(2, scale);
    return {x, S(kThumbTop, scale), S(kThumbSide, scale), S(kThumbSide, scale)};
}

int TGalleryStripLayout::ThumbnailAt(QPoint p, int count, int scroll) const
{
    if (!RowRect().contains(p))
        return -1;
    const int pitch = CellPitch();
    if (pitch <= 0)
        return -1;
    const int index = (p.x() - RowRect().left() + scroll) / pitch;
    if (index < 0 || index >= count || !ThumbnailRect(index, scroll).contains(p))
        return -1;
    return index;
}

int TGalleryStripLayout::MaxScroll(int count) const
{
    return std::max(0, count * CellPitch() - RowRect().width());
}

// ------------------------------------------------------------------ strip

TGalleryStrip::TGalleryStrip(TGalleryItems& items, QWidget* parent) : QWidget(parent), items_(items)
{
    setObjectName(QStringLiteral("HistoryRect"));
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    FitGalleryToggleLabel();
}

TGalleryStripLayout TGalleryStrip::Layout() const
{
    TGalleryStripLayout l;
    l.width = width();
    l.height = height();
    l.scale = UiZoom();
    l.tabWidth = tabWidth_;
    return l;
}

int TGalleryStrip::StripHeight() const { return DpI(open_ ? kGalleryOpenHeight : kGalleryCollapsedHeight); }

QString TGalleryStrip::TabText() const
{
    return open_ ? TranslateText(QStringLiteral("Hide gallery")) + QStringLiteral("  \u25BC")
                 : TranslateText(QStringLiteral("Show gallery")) + QStringLiteral("  \u25B2");
}

void TGalleryStrip::FitGalleryToggleLabel()
{
    QFont f = font();
    f.setPixelSize(DpI(12));
    const int textWidth = QFontMetrics(f).horizontalAdvance(TabText());
    const int label = std::max(textWidth + DpI(20), DpI(100));
    tabWidth_ = label + DpI(10);
    update();
}

void TGalleryStrip::SetOpen(bool open)
{
    open_ = open;
    if (!open_) {
        SetHovered(-1, {});
        addHovered_ = false;
    }
    FitGalleryToggleLabel();
    update();
}

void TGalleryStrip::ItemsChanged()
{
    SetScroll(scroll_);
    // Another thumbnail may lie under the pointer now: the hover ends (the
    // magnifier closes) and the next move starts it over.
    SetHovered(-1, {});
    update();
}

void TGalleryStrip::SetScroll(int scroll)
{
    scroll_ = std::clamp(scroll, 0, Layout().MaxScroll(items_.Count()));
    update();
}

QString TGalleryStrip::HintFor(int index) const
{
    if (!items_.IsValidIndex(index))
        return {};
    const TGalleryItem& item = items_.Item(index);
    const QString name = item.NameIsFile ? item.ShortName : TranslateText(item.ShortName);
    return name + QStringLiteral("\r\n") + QString::number(item.Width) + QStringLiteral(" \u00D7 ") +
           QString::number(item.Height) + QStringLiteral(" px\r\n") +
           TranslateText(QStringLiteral("Right-click: set as source or result")) + QStringLiteral("\r\n") +
           TranslateText(QStringLiteral("Drag && drop: blend with current")).replace(QStringLiteral("&&"),
                                                                                     QStringLiteral("&"));
}

QRect TGalleryStrip::ThumbnailWindowRect(int index) const
{
    const QRect r = Layout().ThumbnailRect(index, scroll_);
    return QRect(mapTo(window(), r.topLeft()), r.size());
}

void TGalleryStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const TGalleryStripLayout l = Layout();
    const bool bright = open_ || mouseInside_;
    p.setOpacity(bright ? 0.85 : 0.25);
    const double radius = Dp(10);
    p.setPen(Qt::NoPen);
    p.setBrush(Q(ThemeMapColor(open_ ? kPanelRaised : kBackgroundWorkspace)));
    p.drawRoundedRect(QRectF(rect()), radius, radius);

    if (open_) {
        // Add button: a round button with a plus.
        const QRect add = l.AddButtonRect();
        p.setBrush(Q(ThemeMapColor(kPanelSide)));
        p.drawEllipse(add);
        QPen plus(Q(addHovered_ ? kTextBright : kText), Dp(3), Qt::SolidLine, Qt::RoundCap);
        p.setPen(plus);
        const QPointF c = QRectF(add).center();
        const double arm = add.width() * 0.22;
        p.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
        p.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));

        p.save();
        p.setClipRect(l.RowRect());
        for (int i = 0; i < items_.Count(); ++i) {
            const QRect r = l.ThumbnailRect(i, scroll_);
            if (r.right() < l.RowRect().left() || r.left() > l.RowRect().right())
                continue;
            const TGalleryItem& item = items_.Item(i);
            QPainterPath clip;
            clip.addRoundedRect(QRectF(r), Dp(15), Dp(15));
            p.setPen(Qt::NoPen);
            p.fillRect(QRectF(r).translated(Dp(2), Dp(2)).adjusted(Dp(4), Dp(4), 0, 0), QColor(0, 0, 0, 40));
            p.setBrush(Q(ThemeMapColor(kBackgroundWorkspace)));
            p.drawPath(clip);
            p.save();
            p.setClipPath(clip, Qt::IntersectClip);
            const QImage& t = item.Thumbnail;
            if (!t.isNull() && height() >= DpI(50)) {
                const double k = std::min(double(r.width()) / t.width(), double(r.height()) / t.height());
                const QSizeF size(t.width() * k, t.height() * k);
                const QRectF dst(QPointF(r.left() + (r.width() - size.width()) / 2,
                                         r.top() + (r.height() - size.height()) / 2),
                                 size);
                p.drawImage(dst, t);
            }
            if (i == hovered_) {
                p.setBrush(QColor(255, 255, 255, 24));
                p.drawPath(clip);
            }
            p.restore();
            if (item.IsSource) {
                p.setBrush(Q(kAccentSourceDot));
                p.setPen(QPen(Qt::white, 1));
                p.drawEllipse(QRectF(r.left() + r.width() / 2.0 - Dp(5), r.top() + Dp(2), Dp(10), Dp(10)));
            }
        }
        p.restore();
    }

    // The tab.
    const QRect tab = l.TabRect();
    p.setOpacity(bright ? 1.0 : 0.6);
    p.setPen(Qt::NoPen);
    p.setBrush(Q(ThemeMapColor(kBackgroundWorkspaceVeil)));
    p.drawRoundedRect(QRectF(tab), radius, radius);
    QFont f = font();
    f.setPixelSize(DpI(12));
    p.setFont(f);
    p.setPen(Q(ThemeMapTextColor(kText)));
    p.drawText(tab, Qt::AlignCenter, TabText());
}

void TGalleryStrip::SetHovered(int index, QPoint at)
{
    if (index != hovered_) {
        const int old = hovered_;
        hovered_ = index;
        update();
        if (old >= 0 && OnThumbnailLeave)
            OnThumbnailLeave();
        if (index >= 0 && OnThumbnailEnter)
            OnThumbnailEnter(index, ThumbnailWindowRect(index));
    }
    if (index >= 0 && OnThumbnailMove) {
        const QRect r = Layout().ThumbnailRect(index, scroll_);
        const QPointF f(std::clamp(double(at.x() - r.left()) / r.width(), 0.0, 1.0),
                        std::clamp(double(at.y() - r.top()) / r.height(), 0.0, 1.0));
        OnThumbnailMove(index, f);
    }
}

void TGalleryStrip::mousePressEvent(QMouseEvent* e)
{
    const QPoint at = e->position().toPoint();
    const TGalleryStripLayout l = Layout();
    if (l.TabRect().contains(at)) {
        if (e->button() == Qt::LeftButton && OnToggle)
            OnToggle();
        return;
    }
    if (!open_) {
        if (e->button() == Qt::LeftButton && OnToggle)
            OnToggle();
        return;
    }
    if (l.AddButtonRect().contains(at)) {
        if (e->button() == Qt::LeftButton && OnAddClicked)
            OnAddClicked();
        return;
    }
    const int index = l.ThumbnailAt(at, items_.Count(), scroll_);
    if (index < 0) {
        // The strip's empty parts collapse it.
        if (e->button() == Qt::LeftButton && OnToggle)
            OnToggle();
        return;
    }
    if (e->button() == Qt::RightButton) {
        SetHovered(-1, {});
        if (OnContextMenu)
            OnContextMenu(index, e->globalPosition().toPoint());
    } else if (e->button() == Qt::LeftButton) {
        pressed_ = index;
        pressPos_ = at;
    }
}

void TGalleryStrip::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint at = e->position().toPoint();
    const TGalleryStripLayout l = Layout();
    if (pressed_ >= 0 && (e->buttons() & Qt::LeftButton)) {
        if ((at - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
            const int index = pressed_;
            pressed_ = -1;
            StartDrag(index);
        }
        return;
    }
    if (!open_)
        return;
    const bool overAdd = l.AddButtonRect().contains(at);
    if (overAdd != addHovered_) {
        addHovered_ = overAdd;
        update();
    }
    SetHovered(l.ThumbnailAt(at, items_.Count(), scroll_), at);
}

void TGalleryStrip::mouseReleaseEvent(QMouseEvent*) { pressed_ = -1; }

void TGalleryStrip::StartDrag(int index)
{
    if (!items_.IsValidIndex(index))
        return;
    SetHovered(-1, {});
    if (OnDragStarted)
        OnDragStarted(index);
    const QRect r = Layout().ThumbnailRect(index, scroll_);
    QImage image(r.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(image.rect()), Dp(15), Dp(15));
        p.setClipPath(clip);
        p.fillRect(image.rect(), Q(ThemeMapColor(kBackgroundWorkspace)));
        const QImage& t = items_.Item(index).Thumbnail;
        const double k = std::min(double(r.width()) / t.width(), double(r.height()) / t.height());
        const QSizeF size(t.width() * k, t.height() * k);
        p.drawImage(QRectF(QPointF((r.width() - size.width()) / 2, (r.height() - size.height()) / 2), size), t);
    }
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kGalleryThumbnailMime), QByteArray::number(index));
    drag->setMimeData(mime);
    drag->setPixmap(QPixmap::fromImage(image));
    drag->setHotSpot(QPoint(r.width() / 2, r.height() / 2));
    drag->exec(Qt::CopyAction);
}

void TGalleryStrip::wheelEvent(QWheelEvent* e)
{
    const QPoint d = e->angleDelta();
    const int notch = d.y() != 0 ? d.y() : d.x();
    if (open_ && notch != 0)
        SetScroll(scroll_ - notch * Layout().CellPitch() / 120);
    e->accept();
}

void TGalleryStrip::enterEvent(QEnterEvent* e)
{
    mouseInside_ = true;
    update();
    QWidget::enterEvent(e);
}

void TGalleryStrip::leaveEvent(QEvent* e)
{
    mouseInside_ = false;
    addHovered_ = false;
    SetHovered(-1, {});
    update();
    QWidget::leaveEvent(e);
}

bool TGalleryStrip::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const TGalleryStripLayout l = Layout();
        QString tip;
        if (open_ && l.AddButtonRect().contains(help->pos()))
            tip = TranslateText(QStringLiteral("Add image to gallery"));
        else if (open_)
            tip = HintFor(l.ThumbnailAt(help->pos(), items_.Count(), scroll_));
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), QString(tip).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                               this);
        return true;
    }
    return QWidget::event(e);
}

// ------------------------------------------------------------------ context menu

TGalleryContextMenu::TGalleryContextMenu(QWidget* window) : TRoundedPanel(window)
{
    setObjectName(QStringLiteral("FGalleryContextMenu"));
    setRadius(15);
    setFillColour(kPanelSide);
    setStroke(kBorderPanel, 1);
    setShadow({6, 2, -2, kShadowDeep});
    resize(DpI(220), DpI(58));
    const struct {
        TRoundedPanel** item;
        const char* name;
        const char* text;
        int top;
    } rows[] = {{&FGalleryMenuSetResult, "FGalleryMenuSetResult", "Set as Result", 2},
                {&FGalleryMenuSetSource, "FGalleryMenuSetSource", "Set as Source", 28}};
    for (const auto& row : rows) {
        auto* item = new TRoundedPanel(this);
        item->setObjectName(QString::fromLatin1(row.name));
        item->setRadius(15);
        item->setFillColour(kColorTransparent);
        item->setCursor(Qt::PointingHandCursor);
        item->setGeometry(DpI(1), DpI(row.top), DpI(218), DpI(28));
        auto* label = new TLabel(QString::fromLatin1(row.text), item);
        label->setObjectName(QString::fromLatin1(row.name) + QStringLiteral("Label"));
        label->setFontSize(14);
        label->setFontColour(kTextBright);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setGeometry(DpI(14), 0, DpI(200), DpI(28));
        connect(item, &TRoundedPanel::hoverChanged, item,
                [item](bool over) { item->setFillColour(over ? kPanelItemHover : kColorTransparent); });
        *row.item = item;
    }
    connect(FGalleryMenuSetResult, &TRoundedPanel::clicked, this, [this] {
        if (OnSetAsResult)
            OnSetAsResult();
    });
    connect(FGalleryMenuSetSource, &TRoundedPanel::clicked, this, [this] {
        if (OnSetAsSource)
            OnSetAsSource();
    });
    FGalleryContextTimer.setInterval(150);
    connect(&FGalleryContextTimer, &QTimer::timeout, this, [this] { GalleryContextTimerTimer(); });
    hide();
}

QPoint TGalleryContextMenu::PlaceFor(QPoint click, QSize menu, int windowWidth)
{
    const int x = std::clamp(click.x(), 0, std::max(0, windowWidth - menu.width()));
    const int y = std::max(click.y() - menu.height(), 0);
    return {x, y};
}

void TGalleryContextMenu::Popup(QPoint windowPos)
{
    move(PlaceFor(windowPos, size(), parentWidget()->width()));
    show();
    raise();
    FGalleryContextTimer.start();
}

void TGalleryContextMenu::Close()
{
    FGalleryContextTimer.stop();
    hide();
}

void TGalleryContextMenu::GalleryContextTimerTimer()
{
    if (!isVisible()) {
        FGalleryContextTimer.stop();
        return;
    }
    const QPoint at = parentWidget()->mapFromGlobal(QCursor::pos());
    if (!geometry().adjusted(-6, -6, 6, 6).contains(at))
        Close();
}

} // namespace pv
