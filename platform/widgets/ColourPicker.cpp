#include "platform/widgets/ColourPicker.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/LineEdit.h"
#include "platform/widgets/Popup.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cctype>
#include <cmath>

namespace pv {

TAlphaColor HsvaToColour(const THsva& c)
{
    const double h = std::fmod(std::fmod(c.h, 360.0) + 360.0, 360.0) / 60.0;
    const double s = std::clamp(c.s, 0.0, 1.0), v = std::clamp(c.v, 0.0, 1.0);
    const double chroma = v * s;
    const double x = chroma * (1 - std::fabs(std::fmod(h, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (int(h)) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
    }
    const double m = v - chroma;
    const auto byte = [](double f) { return TAlphaColor(std::lround(std::clamp(f, 0.0, 1.0) * 255.0)); };
    return byte(c.a) << 24 | byte(r + m) << 16 | byte(g + m) << 8 | byte(b + m);
}

THsva ColourToHsva(TAlphaColor c, const THsva& previous)
{
    const double r = ((c >> 16) & 0xFF) / 255.0, g = ((c >> 8) & 0xFF) / 255.0, b = (c & 0xFF) / 255.0;
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const double d = hi - lo;
    THsva out;
    out.a = (c >> 24) / 255.0;
    out.v = hi;
    out.s = hi > 0 ? d / hi : previous.s;
    if (d <= 0)
        out.h = previous.h;
    else if (hi == r)
        out.h = 60 * std::fmod((g - b) / d + 6, 6.0);
    else if (hi == g)
        out.h = 60 * ((b - r) / d + 2);
    else
        out.h = 60 * ((r - g) / d + 4);
    return out;
}

std::optional<TAlphaColor> ParseHexColour(const QString& text, TAlphaColor current)
{
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('#')) || t.startsWith(QLatin1Char('$')))
        t.remove(0, 1);
    if (t.size() != 3 && t.size() != 6 && t.size() != 8)
        return std::nullopt;
    for (QChar ch : t)
        if (!std::isxdigit(ch.unicode() < 128 ? int(ch.unicode()) : 0))
            return std::nullopt;
    const uint v = t.toUInt(nullptr, 16);
    if (t.size() == 8)
        return TAlphaColor(v);
    if (t.size() == 6)
        return (current & 0xFF000000u) | v;
    const uint r = (v >> 8) & 0xF, g = (v >> 4) & 0xF, b = v & 0xF;
    return (current & 0xFF000000u) | (r * 17) << 16 | (g * 17) << 8 | (b * 17);
}

QString FormatHexColour(TAlphaColor c)
{
    const bool opaque = (c >> 24) == 0xFF;
    return QLatin1Char('#') + QString::number(opaque ? c & 0xFFFFFFu : c, 16).rightJustified(opaque ? 6 : 8, QLatin1Char('0')).toUpper();
}

void DrawCheckerboard(QPainter& p, const QRectF& r, double cell)
{
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.fillRect(r, QColor(0xC8, 0xC8, 0xC8));
    const int cols = int(std::ceil(r.width() / cell)), rows = int(std::ceil(r.height() / cell));
    for (int y = 0; y < rows; ++y)
        for (int x = y % 2; x < cols; x += 2)
            p.fillRect(QRectF(r.left() + x * cell, r.top() + y * cell, cell, cell), QColor(0x8C, 0x8C, 0x8C));
    p.restore();
}

// ------------------------------------------------------------------ picker

namespace {
constexpr double kStrip = 12, kGap = 8, kHexRow = 26;
}

TColourPicker::TColourPicker(QWidget* parent) : QWidget(parent), hex_(new TLineEdit(this))
{
    addColour("marker", ColourKind::Fixed, kControlKnob);
    addColour("markerShade", ColourKind::Fixed, kShadowDeep);
    addColour("stroke", ColourKind::Fill, kBorder);
    hex_->setObjectName(QStringLiteral("hex"));
    hex_->setFontSize(13);
    hex_->setRadius(6);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::CrossCursor);
    hex_->setCursor(Qt::IBeamCursor);
    connect(hex_, &TLineEdit::textEdited, this, [this](const QString& text) {
        if (const auto c = ParseHexColour(text, colour_)) {
            const TAlphaColor typed = alphaShown_ ? *c : (*c | 0xFF000000u);
            if (typed != colour_) {
                colour_ = typed;
                hsva_ = ColourToHsva(typed, hsva_);
                update();
                Q_EMIT colourChanged(colour_);
            }
        }
    });
    connect(hex_, &TLineEdit::editingFinished, this, &TColourPicker::showHex);
    showHex();
}

QSize TColourPicker::sizeHint() const
{
    const double h = 92 + (kStrip + kGap) * (alphaShown_ ? 2 : 1) + kHexRow;
    return {DpI(160), DpI(h)};
}

QRectF TColourPicker::squareRect() const
{
    const double below = (Dp(kStrip) + Dp(kGap)) * (alphaShown_ ? 2 : 1) + Dp(kHexRow) + Dp(kGap);
    return {0, 0, double(width()), std::max(Dp(20), height() - below)};
}

QRectF TColourPicker::hueRect() const
{
    return {0, squareRect().bottom() + Dp(kGap), double(width()), Dp(kStrip)};
}

QRectF TColourPicker::alphaRect() const
{
    if (!alphaShown_)
        return {};
    return {0, hueRect().bottom() + Dp(kGap), double(width()), Dp(kStrip)};
}

void TColourPicker::resizeEvent(QResizeEvent*)
{
    const double top = (alphaShown_ ? alphaRect() : hueRect()).bottom() + Dp(kGap);
    const int preview = DpI(kHexRow);
    hex_->setGeometry(preview + DpI(8), int(top), width() - preview - DpI(8), DpI(kHexRow));
}

void TColourPicker::setAlphaShown(bool shown)
{
    alphaShown_ = shown;
    if (!shown && (colour_ >> 24) != 0xFF) {
        colour_ |= 0xFF000000u;
        hsva_.a = 1;
    }
    showHex();
    updateGeometry();
    resizeEvent(nullptr);
    update();
}

void TColourPicker::setColour(TAlphaColor c)
{
    if (!alphaShown_)
        c |= 0xFF000000u;
    if (c == colour_)
        return;
    colour_ = c;
    hsva_ = ColourToHsva(c, hsva_);
    showHex();
    update();
}

void TColourPicker::showHex() { hex_->setEditText(FormatHexColour(colour_)); }

void TColourPicker::setHsvaByUser(const THsva& c)
{
    hsva_ = c;
    if (!alphaShown_)
        hsva_.a = 1;
    const TAlphaColor next = HsvaToColour(hsva_);
    update();
    if (next == colour_)
        return;
    colour_ = next;
    showHex();
    Q_EMIT colourChanged(colour_);
}

void TColourPicker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double r = Dp(6);
    const QColor marker = qcolour("marker"), shade = qcolour("markerShade");

    // Saturation to the right, value upwards, over the pure hue.
    const QRectF sq = squareRect();
    QPainterPath clip;
    clip.addRoundedRect(sq, r, r);
    p.save();
    p.setClipPath(clip);
    p.fillRect(sq, ToQColor(HsvaToColour({hsva_.h, 1, 1, 1})));
    QLinearGradient white(sq.topLeft(), sq.topRight());
    white.setColorAt(0, Qt::white);
    white.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(sq, white);
    QLinearGradient black(sq.topLeft(), sq.bottomLeft());
    black.setColorAt(0, QColor(0, 0, 0, 0));
    black.setColorAt(1, Qt::black);
    p.fillRect(sq, black);
    p.restore();
    const QPointF at(sq.left() + hsva_.s * sq.width(), sq.top() + (1 - hsva_.v) * sq.height());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(shade, Dp(3)));
    p.drawEllipse(at, Dp(5), Dp(5));
    p.setPen(QPen(marker, Dp(1.5)));
    p.drawEllipse(at, Dp(5), Dp(5));

    const auto handle = [&](const QRectF& strip, double t) {
        const double x = strip.left() + t * strip.width();
        const QRectF hr(x - Dp(3), strip.top() - Dp(2), Dp(6), strip.height() + Dp(4));
        p.setPen(QPen(shade, Dp(1)));
        p.setBrush(marker);
        p.drawRoundedRect(hr, Dp(2), Dp(2));
    };

    const QRectF hue = hueRect();
    QLinearGradient rainbow(hue.topLeft(), hue.topRight());
    for (int i = 0; i <= 6; ++i)
        rainbow.setColorAt(i / 6.0, ToQColor(HsvaToColour({60.0 * i, 1, 1, 1})));
    p.setPen(Qt::NoPen);
    p.setBrush(rainbow);
    p.drawRoundedRect(hue, hue.height() / 2, hue.height() / 2);
    handle(hue, hsva_.h / 360.0);

    if (alphaShown_) {
        const QRectF al = alphaRect();
        QPainterPath pill;
        pill.addRoundedRect(al, al.height() / 2, al.height() / 2);
        p.save();
        p.setClipPath(pill);
        DrawCheckerboard(p, al, al.height() / 2);
        QLinearGradient fade(al.topLeft(), al.topRight());
        QColor solid = ToQColor(colour_ | 0xFF000000u);
        QColor clear = solid;
        clear.setAlpha(0);
        fade.setColorAt(0, clear);
        fade.setColorAt(1, solid);
        p.fillRect(al, fade);
        p.restore();
        handle(al, hsva_.a);
    }

    // The chosen colour beside the hex field.
    const QRectF preview(0, hex_->geometry().top(), Dp(kHexRow), Dp(kHexRow));
    QPainterPath box;
    box.addRoundedRect(preview, r, r);
    p.save();
    p.setClipPath(box);
    DrawCheckerboard(p, preview, preview.height() / 4);
    p.fillRect(preview, ToQColor(colour_));
    p.restore();
    p.setPen(QPen(qcolour("stroke"), Dp(1)));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(preview.adjusted(0.5, 0.5, -0.5, -0.5), r, r);
}

void TColourPicker::dragTo(QPointF pt)
{
    THsva c = hsva_;
    switch (dragging_) {
    case Part::Square: {
        const QRectF sq = squareRect();
        c.s = std::clamp((pt.x() - sq.left()) / sq.width(), 0.0, 1.0);
        c.v = 1 - std::clamp((pt.y() - sq.top()) / sq.height(), 0.0, 1.0);
        break;
    }
    case Part::Hue: {
        const QRectF hue = hueRect();
        c.h = std::clamp((pt.x() - hue.left()) / hue.width(), 0.0, 1.0) * 360.0;
        break;
    }
    case Part::Alpha: {
        const QRectF al = alphaRect();
        c.a = std::clamp((pt.x() - al.left()) / al.width(), 0.0, 1.0);
        break;
    }
    case Part::None:
        return;
    }
    setHsvaByUser(c);
}

void TColourPicker::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    const QPointF pt = e->position();
    const double slack = Dp(3);
    const auto near = [&](const QRectF& r) { return r.adjusted(0, -slack, 0, slack).contains(pt); };
    dragging_ = squareRect().contains(pt) ? Part::Square
                : near(hueRect())          ? Part::Hue
                : alphaShown_ && near(alphaRect()) ? Part::Alpha
                                                   : Part::None;
    dragTo(pt);
    e->accept();
}

void TColourPicker::mouseMoveEvent(QMouseEvent* e)
{
    dragTo(e->position());
    e->accept();
}

void TColourPicker::mouseReleaseEvent(QMouseEvent* e)
{
    dragTo(e->position());
    dragging_ = Part::None;
    e->accept();
}

// ------------------------------------------------------------------ swatch

// The swatch's open picker: a rounded panel in the swatch's window.
class TColourPopup : public QWidget {
public:
    explicit TColourPopup(TColourSwatch* swatch) : QWidget(swatch->window()), swatch_(swatch), picker_(new TColourPicker(this))
    {
        setAttribute(Qt::WA_TranslucentBackground);
        picker_->setObjectName(QStringLiteral("picker"));
        watcher_ = new TPopupWatcher(this, [swatch] { swatch->hidePicker(); });
    }

    TColourPicker* picker() const { return picker_; }
    void stopWatching() { watcher_->stop(); }

    void place()
    {
        const int pad = DpI(12);
        const QSize ps = picker_->sizeHint();
        const QSize size(ps.width() + 2 * pad, ps.height() + 2 * pad);
        setGeometry(QRect(PopupPosition(swatch_, size, DpI(6)), size));
        picker_->setGeometry(pad, pad, ps.width(), ps.height());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(swatch_->qcolour("popupStroke"), Dp(1)));
        p.setBrush(swatch_->qcolour("popupFill"));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), Dp(12), Dp(12));
    }
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            swatch_->hidePicker();
            swatch_->setFocus(Qt::OtherFocusReason);
            e->accept();
            return;
        }
        QWidget::keyPressEvent(e);
    }

private:
    TColourSwatch* swatch_;
    TColourPicker* picker_;
    TPopupWatcher* watcher_;
};

TColourSwatch::TColourSwatch(QWidget* parent) : QWidget(parent)
{
    addColour("stroke", ColourKind::Fill, kBorder);
    addColour("strokeHover", ColourKind::Fill, kAccent);
    addColour("popupFill", ColourKind::Fill, kPanelPopup);
    addColour("popupStroke", ColourKind::Fill, kBorder);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

TColourSwatch::~TColourSwatch() { delete popup_.data(); }

QSize TColourSwatch::sizeHint() const { return {DpI(26), DpI(26)}; }

void TColourSwatch::setColour(TAlphaColor c)
{
    if (c == colour_)
        return;
    colour_ = c;
    if (TColourPicker* p = picker())
        p->setColour(c);
    update();
}

TColourPicker* TColourSwatch::picker() const
{
    return popup_ ? static_cast<TColourPopup*>(popup_.data())->picker() : nullptr;
}

void TColourSwatch::showPicker()
{
    if (popup_ || !isEnabled())
        return;
    auto* popup = new TColourPopup(this);
    popup_ = popup;
    TColourPicker* p = popup->picker();
    p->setAlphaShown(alphaShown_);
    p->setColour(colour_);
    connect(p, &TColourPicker::colourChanged, this, [this](TAlphaColor c) {
        colour_ = c;
        update();
        Q_EMIT colourChanged(c);
    });
    popup->place();
    popup->show();
    popup->raise();
    update();
}

void TColourSwatch::hidePicker()
{
    if (!popup_)
        return;
    auto* popup = static_cast<TColourPopup*>(popup_.data());
    popup_ = nullptr;
    popup->stopWatching();
    popup->hide();
    popup->deleteLater();
    update();
}

void TColourSwatch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double rad = std::min(Dp(6), height() / 2.0);
    QPainterPath box;
    box.addRoundedRect(r, rad, rad);
    p.save();
    p.setClipPath(box);
    DrawCheckerboard(p, r, std::max(2.0, r.height() / 4));
    p.fillRect(r, ToQColor(colour_));
    p.restore();
    const bool lit = underMouse() || popup_ || (hasFocus() && keyboardFocus());
    p.setPen(QPen(qcolour(lit ? "strokeHover" : "stroke"), Dp(lit ? 1.5 : 1)));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, rad, rad);
}

void TColourSwatch::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(e);
    showPicker();
    e->accept();
}

void TColourSwatch::keyPressEvent(QKeyEvent* e)
{
    const int key = e->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (popup_)
            hidePicker();
        else
            showPicker();
        e->accept();
        return;
    }
    if (key == Qt::Key_Escape && popup_) {
        hidePicker();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TColourSwatch::hideEvent(QHideEvent* e)
{
    hidePicker();
    QWidget::hideEvent(e);
}

void TColourSwatch::focusInEvent(QFocusEvent* e)
{
    noteFocus(true, e->reason());
    QWidget::focusInEvent(e);
}

void TColourSwatch::focusOutEvent(QFocusEvent* e)
{
    noteFocus(false);
    QWidget::focusOutEvent(e);
}

} // namespace pv
