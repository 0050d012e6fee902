#include "tools/resgen/Pictures.h"
#include "tools/resgen/Procedural.h"

#include <QPainter>

namespace resgen {

QImage Frame(int number)
{
    const int w = 2244, h = 2424, b = 160;
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(90 + 15 * number, 60 + 10 * number, 30));
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(b, b, w - 2 * b, h - 2 * b, Qt::transparent);
    return img;
}

} // namespace resgen
