#include "workspace/gallery/GalleryMagnifier.h"

#include "platform/graphics/SkImage.h"
#include "platform/system/Numbers.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/RoundedPanel.h"
#include "shell/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace pv {

TLensTap LensSourcePixel(int j, int i, int w, int h)
{
    const float u = float(j) / float(w) - 0.5f;
    const float v = float(i) / float(h) - 0.5f;
    const float r2 = u * u + v * v;
    const float k = 1.0f - (1.0f - 2.0f * r2) * 0.25f;
    return {std::clamp(Round((u * k + 0.5f) * float(w)), 0, w - 1),
            std::clamp(Round((v * k + 0.5f) * float(h)), 0, h - 1)};
}

QPointF MagnifierCropOrigin(QPointF pos, int pictureW, int pictureH, double lensW, double lensH)
{
    const auto axis = [](double centre, int size, double lens) {
        double start = centre - lens / 2;
        if (start < 0)
            start = 0;
        else if (start + lens > size)
            start = size - lens;
        return start;
    };
    return {axis(pos.x() * pictureW, pictureW, lensW), axis(pos.y() * pictureH, pictureH, lensH)};
}

QPoint MagnifierPopupPos(const QRect& thumb, int side, int clientWidth)
{
    int x = thumb.left() + thumb.width() / 2 - side / 2;
    if (x < 0)
        x = 0;
    else if (x + side > clientWidth)
        x = clientWidth - side;
    int y = thumb.top() - side - 10;
    if (y < 0)
        y = thumb.top() + thumb.height() + 10;
    return {x, y};
}

namespace {

QColor Argb(TAlphaColor c) { return QColor::fromRgba(c); }

// The glass's white glints and dark shading at a ring's alpha.
TAlphaColor Glint(unsigned alpha) { return WithAlpha(kMagnifierGlint, alpha); }
TAlphaColor Shade(unsigned alpha) { return WithAlpha(kMagnifierShade, alpha); }

// A radial gradient over the whole picture.
void FillRadial(QPainter& p, QPointF centre, double radius,
                std::initializer_list<std::pair<double, TAlphaColor>> stops, QPainter::CompositionMode mode)
{
    QRadialGradient g(centre, radius);
    for (const auto& [at, colour] : stops)
        g.setColorAt(at, Argb(colour));
    g.setSpread(QGradient::PadSpread);
    p.setCompositionMode(mode);
    p.fillRect(QRectF(0, 0, p.device()->width(), p.device()->height()), g);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// The lens-shaped picture of the crop: every output pixel from its tap.
QImage BulgedCrop(const ISkImage& picture, QPoint origin, int w, int h)
{
    QImage crop(w, h, QImage::Format_ARGB32_Premultiplied);
    crop.fill(Qt::transparent);
    {
        QPainter p(&crop);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), picture->qimage(), QRect(origin, QSize(w, h)));
    }
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < h; ++i) {
        auto* dst = reinterpret_cast<uint32_t*>(out.scanLine(i));
        for (int j = 0; j < w; ++j) {
            const TLensTap t = LensSourcePixel(j, i, w, h);
            dst[j] = reinterpret_cast<const uint32_t*>(crop.constScanLine(t.row))[t.column];
        }
    }
    return out;
}

} // namespace

QImage RenderMagnifier(const ISkImage& picture, QPointF pos, double seconds, bool lightTheme, int side)
{
    QImage canvas(side, side, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    const QRectF D(0, 0, side, side);
    const QPointF C = D.center();
    const double R = 220;
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(D, Argb(lightTheme ? DarkenColorKeepAlpha(kLightBaseWorkspace) : kBackgroundWorkspace));
        if (picture && picture->width() > 0 && picture->height() > 0) {
            const int Wp = picture->width(), Hp = picture->height();
            const double Wd = D.width(), Hd = D.height();
            if (Wd > Wp || Hd > Hp) {
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                p.drawImage(D, picture->qimage());
            } else {
                const int Wi = Round(Wd), Hi = Round(Hd);
                const QPointF origin = MagnifierCropOrigin(pos, Wp, Hp, Wd, Hd);
                // Drawn unscaled with nearest sampling: the pixel whose centre lands on
                // each crop pixel's centre.
                const QPoint o(int(std::floor(origin.x() + 0.5)), int(std::floor(origin.y() + 0.5)));
                p.drawImage(D.topLeft(), BulgedCrop(picture, o, Wi, Hi));

                // Glass: the drawing blurred, kept towards the rim, with a faint white rim.
                QImage glass = canvas.copy();
                BlurImage(glass, 8);
                {
                    QPainter g(&glass);
                    const QPointF gc(C.x() + 0.18 * R, C.y() + 0.18 * R);
                    FillRadial(g, gc, 1.25 * R,
                               {{0, Glint(0x00)}, {0.65, Glint(0x00)}, {0.85, Glint(0x44)}, {1, Glint(0x99)}},
                               QPainter::CompositionMode_DestinationIn);
                    FillRadial(g, gc, 1.25 * R,
                               {{0, Glint(0x00)}, {0.65, Glint(0x00)}, {0.85, Glint(0x23)}, {1, Glint(0x3D)}},
                               QPainter::CompositionMode_SourceOver);
                }
                p.drawImage(QPointF(0, 0), glass);

                // Shading.
                FillRadial(p, QPointF(C.x() + 0.35 * R, C.y() + 0.35 * R), 1.5 * R,
                           {{0, Shade(0x00)}, {0.78, Shade(0x00)}, {0.93, Shade(0x1F)}, {1, Shade(0x80)}},
                           QPainter::CompositionMode_SourceOver);
                FillRadial(p, C, R,
                           {{0, Shade(0x00)},
                            {0.35, Shade(0x0D)},
                            {0.65, Shade(0x26)},
                            {0.85, Shade(0x1A)},
                            {1, Shade(0x00)}},
                           QPainter::CompositionMode_SourceOver);

                // Highlights drifting with the clock.
                const double ox = std::sin(1.2 * seconds) * R * 0.025;
                const double oy = std::cos(0.9 * seconds) * R * 0.025;
                FillRadial(p, QPointF(D.left() + 0.3 * Wd + ox, D.top() + 0.28 * Hd + oy), 0.65 * R,
                           {{0, Glint(0x73)}, {0.5, Glint(0x26)}, {1, Glint(0x00)}}, QPainter::CompositionMode_Plus);
                FillRadial(p, QPointF(D.left() + 0.72 * Wd - ox, D.top() + 0.78 * Hd - oy), 0.36 * R,
                           {{0, Glint(0x66)}, {0.5, Glint(0x1A)}, {1, Glint(0x00)}}, QPainter::CompositionMode_Plus);
                FillRadial(p, QPointF(D.left() - 0.15 * Wd + ox, D.top() - 0.15 * Hd + oy), 1.9 * R,
                           {{0, Glint(0x00)}, {0.55, Glint(0x00)}, {0.78, Glint(0x2D)}, {1, Glint(0x00)}},
                           QPainter::CompositionMode_Plus);

                // Edge.
                p.setPen(QPen(Argb(kShadowMagnifierEdge), 2));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(C, R, R);
            }
        }
        // The anti-aliased round clip, applied to everything drawn.
        QImage circle(side, side, QImage::Format_ARGB32_Premultiplied);
        circle.fill(Qt::transparent);
        {
            QPainter m(&circle);
            m.setRenderHint(QPainter::Antialiasing);
            m.setPen(Qt::NoPen);
            m.setBrush(Qt::black);
            m.drawEllipse(C, R, R);
        }
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(QPoint(0, 0), circle);
    }
    return canvas;
}

// ------------------------------------------------------------------ popup

TGalleryMagnifier::TGalleryMagnifier(QWidget* window) : QWidget(window)
{
    setObjectName(QStringLiteral("FGalleryPopup"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    resize(kMagnifierSide, kMagnifierSide);
    Clock = [] {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    };
    hide();
}

void TGalleryMagnifier::ShowOver(const QRect& thumbnailInWindow, int clientWidth, const ISkImage& picture)
{
    picture_ = picture;
    pos_ = {0.5, 0.5};
    move(MagnifierPopupPos(thumbnailInWindow, width(), clientWidth));
    show();
    raise();
    update();
}

void TGalleryMagnifier::SetMagnifyPos(QPointF fraction)
{
    pos_ = {std::clamp(fraction.x(), 0.0, 1.0), std::clamp(fraction.y(), 0.0, 1.0)};
    update();
}

void TGalleryMagnifier::Hide()
{
    hide();
    picture_ = nullptr;
}

void TGalleryMagnifier::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // The soft shadow below and right of the glass.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x11, 0x18, 0x27, 70));
    p.drawEllipse(QRectF(rect()).adjusted(6, 6, -1, -1));
    p.drawImage(QPoint(0, 0), RenderMagnifier(picture_, pos_, Clock ? Clock() : 0.0, IsLightTheme(), width()));
}

} // namespace pv
