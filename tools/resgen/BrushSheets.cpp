#include "tools/resgen/Pictures.h"
#include "tools/resgen/Procedural.h"

#include <QPainter>

namespace resgen {

static QImage Sheet(int rows, int cells)
{
    QImage img(2048, rows * 256, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 20));
    for (int k = 0; k < cells; ++k)
        p.drawEllipse(QRectF(256 * (k % 8) + 28, 256 * (k / 8) + 88, 200, 80));
    return img;
}

QImage DefaultBrushSheet() { return Sheet(6, 40); }
QImage WatercolorBrushSheet() { return Sheet(3, 24); }
QImage PastelBrushSheet() { return Sheet(2, 16); }

QImage TemplateMatchingAtlas()
{
    QImage img(1250, 2000, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 10, 10));
    for (int k = 0; k < 38; ++k)
        p.drawEllipse(QRectF(250 * (k % 5) + 25, 250 * (k / 5) + 90, 200, 70));
    return img;
}

QImage BrushMask(int w, int h, unsigned)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(w / 2.0, h / 2.0, std::min(w, h) / 2.0);
    g.setColorAt(0, QColor(0, 0, 0, 255));
    g.setColorAt(1, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRect(0, 0, w, h);
    return img;
}

} // namespace resgen
