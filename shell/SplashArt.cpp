#include "shell/SplashArt.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/RoundedPanel.h"

#include <QConicalGradient>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pv {

namespace {

// A linear fade from `from` to `to` that starts at `delay` and lasts `length` seconds.
double Ramp(double t, double delay, double length, double from, double to)
{
    const double f = std::clamp((t - delay) / length, 0.0, 1.0);
    return from + (to - from) * f;
}

// Design rectangles of the parts (design units).
constexpr QRectF kCardRect(18, 18, 476, 476);
constexpr double kCardRadius = 36;
constexpr QRectF kSwirlRect(135, 87, 234, 213);
constexpr QRectF kLogoBox(142, 355, 234, 50);
constexpr QSize kLogoSource(1500, 220);
constexpr QRectF kEditionRect(142 + 74, 355 + 47, 90, 26);
constexpr QPointF kVersionAt(364, 352);
constexpr QPointF kVersionShadowAt(365, 353);
constexpr QPointF kBackShadowOffset(3.5, 3.5); // distance 5 towards the lower right

QImage Blank(QSizeF designSize, double scale)
{
    QImage img(std::max(1, int(std::lround(designSize.width() * scale))),
               std::max(1, int(std::lround(designSize.height() * scale))), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// A small fixed sequence, so every run draws the same bristles.
struct Lcg {
    uint32_t seed;
    double Next()
    {
        seed = seed * 134775813u + 1u;
        return double(seed) / 4294967296.0;
    }
};

// A spiral of paint: strokes along r = r0 * exp(-k * a) around the centre,
// each a bundle of thin bristle lines coloured by a conical gradient.
void PaintSpiral(QPainter& p, QPointF centre, double r0, double k, double turns, double widest, double phase,
                 const QGradientStops& colours, int bristles, uint32_t seed)
{
    QConicalGradient gradient(centre, phase * 180.0 / M_PI);
    gradient.setStops(colours);
    Lcg random{seed};
    const int steps = int(turns * 140);
    for (int b = 0; b < bristles; ++b) {
        const double offset = (random.Next() - 0.5) * widest;
        const double alpha = 0.35 + 0.65 * random.Next();
        const double thin = 0.6 + 1.6 * random.Next();
        QPainterPath path;
        for (int i = 0; i <= steps; ++i) {
            const double a = phase + 2 * M_PI * turns * i / steps;
            // The stroke narrows towards the centre of the swirl.
            const double taper = 1.0 - 0.8 * double(i) / steps;
            const double r = r0 * std::exp(-k * (a - phase)) + offset * taper;
            const QPointF at(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
            if (i == 0)
                path.moveTo(at);
            else
                path.lineTo(at);
        }
        QPen pen(QBrush(gradient), thin);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setOpacity(alpha);
        p.strokePath(path, pen);
    }
    p.setOpacity(1);
}

// The picture's alpha, blurred and tinted.
QImage Silhouette(const QImage& source, QColor colour, double sigma)
{
    QImage out = source.copy();
    {
        QPainter p(&out);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(out.rect(), colour);
    }
    BlurImage(out, sigma);
    return out;
}

QImage MakeCard(double s)
{
    QImage img = Blank(QSizeF(kSplashSize, kSplashSize), s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(s, s);
    // The shadow below the card.
    int margin = 0;
    const QImage shadow = RoundedShadowImage(QSize(int(kCardRect.width() * s), int(kCardRect.height() * s)),
                                             kCardRadius * s, 7 * s, kShadowSplashCard, &margin);
    p.drawImage(QRectF(kCardRect.left() - margin / s, kCardRect.top() - margin / s + 5, shadow.width() / s,
                       shadow.height() / s),
                shadow);
    QPainterPath card;
    card.addRoundedRect(kCardRect, kCardRadius, kCardRadius);
    QLinearGradient ground(kCardRect.topLeft(), kCardRect.bottomRight());
    ground.setColorAt(0, QColor(0x24, 0x32, 0x4A));
    ground.setColorAt(1, QColor(0x0B, 0x12, 0x1D));
    p.fillPath(card, ground);
    p.setClipPath(card);
    QRadialGradient cool(QPointF(150, 120), 320);
    cool.setColorAt(0, QColor(0x61, 0xB9, 0xD2, 70));
    cool.setColorAt(1, QColor(0x61, 0xB9, 0xD2, 0));
    p.fillRect(kCardRect, cool);
    QRadialGradient warm(QPointF(430, 450), 260);
    warm.setColorAt(0, QColor(0xF0, 0x8A, 0x5D, 45));
    warm.setColorAt(1, QColor(0xF0, 0x8A, 0x5D, 0));
    p.fillRect(kCardRect, warm);
    p.setClipping(false);
    p.setPen(QPen(QColor(255, 255, 255, 28), 1.2));
    p.drawPath(card);
    return img;
}

QGradientStops PaintColours()
{
    return {{0.00, QColor(0x61, 0xB9, 0xD2)}, {0.22, QColor(0x3B, 0x82, 0xF6)}, {0.45, QColor(0x8B, 0x5C, 0xF6)},
            {0.65, QColor(0xEC, 0x48, 0x99)}, {0.85, QColor(0xF5, 0x9E, 0x0B)}, {1.00, QColor(0x61, 0xB9, 0xD2)}};
}

QImage MakeSwirl(double s, bool top)
{
    QImage img = Blank(kSwirlRect.size(), s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(s, s);
    const QPointF centre(kSwirlRect.width() / 2, kSwirlRect.height() / 2 + 4);
    if (top) {
        const QGradientStops light = {{0.0, QColor(255, 255, 255, 230)},
                                      {0.5, QColor(0xBF, 0xE6, 0xF0, 200)},
                                      {1.0, QColor(255, 255, 255, 230)}};
        PaintSpiral(p, centre, 92, 0.32, 1.6, 6, 2.4, light, 10, 0x51A5Du);
    } else {
        PaintSpiral(p, centre, 100, 0.26, 2.2, 26, 0.3, PaintColours(), 90, 0xC0FFEEu);
        // A second, darker pass gives the paint some depth.
        const QGradientStops deep = {{0.0, QColor(0x1E, 0x3A, 0x5F, 160)}, {1.0, QColor(0x4C, 0x1D, 0x95, 160)}};
        PaintSpiral(p, centre, 84, 0.26, 1.9, 8, 0.9, deep, 24, 0xBADA55u);
    }
    return img;
}

QImage MakeLogo()
{
    QImage img(kLogoSource, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(180);
    font.setWeight(QFont::Bold);
    font.setLetterSpacing(QFont::PercentageSpacing, 98);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("Pelandrovium"));
    const QRectF box = text.boundingRect();
    // Centred, filling the picture's width with a little room.
    const double fit = std::min((kLogoSource.width() - 40) / box.width(), (kLogoSource.height() - 20) / box.height());
    p.translate(kLogoSource.width() / 2.0, kLogoSource.height() / 2.0);
    p.scale(fit, fit);
    p.translate(-box.center());
    QLinearGradient fill(box.topLeft(), box.topRight());
    fill.setColorAt(0, QColor(0xF3, 0xF4, 0xF6));
    fill.setColorAt(0.6, QColor(0xD8, 0xEE, 0xF4));
    fill.setColorAt(1, QColor(0x61, 0xB9, 0xD2));
    p.fillPath(text, fill);
    return img;
}

QImage MakeEditionWord(double s)
{
    QImage img = Blank(kEditionRect.size(), s);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(std::max(1, int(std::lround(11 * s))));
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::PercentageSpacing, 130);
    p.setFont(font);
    p.setPen(QColor(0x9C, 0xA3, 0xAF));
    p.drawText(QRectF(img.rect()), Qt::AlignCenter, QStringLiteral("LINUX"));
    return img;
}

} // namespace

TSplashLook SplashLookAt(double t)
{
    TSplashLook look;
    look.whole = Ramp(t, 4.0, 1.5, 1.0, 0.0);
    look.logo = Ramp(t, 0.1, 3.5, 0.0, 1.0);
    look.version = Ramp(t, 1.1, 2.5, 0.0, 1.0);
    look.versionShadow = Ramp(t, 1.1, 2.5, 0.0, 0.85);
    look.backSwirl = Ramp(t, 0.5, 2.0, 0.4, 1.0);
    look.backShadow = Ramp(t, 0.5, 2.0, 0.0, 0.8);
    look.glowSoftness = Ramp(t, 0.0, 2.5, 2.0, 0.0);
    return look;
}

TSplashArt::TSplashArt(double scale) : scale_(std::max(0.1, scale))
{
    card_ = MakeCard(scale_);
    back_ = MakeSwirl(scale_, false);
    backShadow_ = Silhouette(back_, Qt::black, 1.5 * 2 * scale_);
    top_ = MakeSwirl(scale_, true);
    topGlow_ = Silhouette(top_, QColor(0x33, 0x43, 0x56), 4 * scale_);
    const QImage logo = MakeLogo();
    const QSizeF shown(220, 220.0 * logo.height() / logo.width());
    logo_ = logo.scaled(QSize(int(std::lround(shown.width() * scale_)), int(std::lround(shown.height() * scale_))),
                        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    edition_ = MakeEditionWord(scale_);
}

void TSplashArt::Paint(QPainter& p, const TSplashLook& look, const QString& version) const
{
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    const double whole = std::clamp(look.whole, 0.0, 1.0);
    const auto draw = [&](const QRectF& r, const QImage& img, double opacity) {
        if (opacity <= 0)
            return;
        p.setOpacity(whole * std::min(1.0, opacity));
        p.drawImage(r, img);
    };
    draw(QRectF(0, 0, kSplashSize, kSplashSize), card_, 1);
    draw(kSwirlRect.translated(kBackShadowOffset), backShadow_, look.backShadow * look.backSwirl);
    draw(kSwirlRect, back_, look.backSwirl);
    draw(kSwirlRect, topGlow_, 0.3 * look.glowSoftness / 2);
    draw(kSwirlRect, top_, 1);
    // The word mark, 220 wide, centred in its box; the edition word below it.
    const QSizeF logoSize(220, 220.0 * kLogoSource.height() / kLogoSource.width());
    const QRectF logoRect(kLogoBox.center().x() - logoSize.width() / 2, kLogoBox.center().y() - logoSize.height() / 2,
                          logoSize.width(), logoSize.height());
    draw(logoRect, logo_, look.logo);
    draw(kEditionRect, edition_, look.logo);
    // The version, size 16, over its shadow.
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(16);
    font.setWeight(QFont::DemiBold);
    p.setFont(font);
    const double ascent = QFontMetricsF(font).ascent();
    if (look.versionShadow > 0) {
        p.setOpacity(whole * look.versionShadow);
        p.setPen(Qt::black);
        p.drawText(kVersionShadowAt + QPointF(0, ascent), version);
    }
    if (look.version > 0) {
        p.setOpacity(whole * look.version);
        p.setPen(QColor(0x77, 0x88, 0x99)); // light slate grey
        p.drawText(kVersionAt + QPointF(0, ascent), version);
    }
    p.restore();
}

} // namespace pv
