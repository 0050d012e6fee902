#include "platform/widgets/Rezoom.h"

#include "platform/widgets/Control.h"

#include <QRectF>
#include <QVariant>
#include <QWidget>

#include <cmath>
#include <vector>

namespace pv {
namespace {

const char* const kDesignGeometry = "pvDesignGeometry";
const char* const kDesignFont = "pvDesignFont";
const char* const kGeometryAtZoom = "pvGeometryAtZoom";
const char* const kDesignFitted = "pvDesignFitted";

int Scaled(double designUnits, double zoom) { return int(std::lround(designUnits * zoom)); }

// `now` is where the widget was before this rezoom began: a parent's resize
// handler may already have placed it at the new size, and scaling that again
// would make it drift.
void RezoomOne(QWidget* w, const QRect& now, double oldZoom, double newZoom, bool moveIt)
{
    // The design geometry is taken again whenever something else placed the
    // widget since the last rezoom.
    const QVariant placed = w->property(kGeometryAtZoom);
    QRectF design = w->property(kDesignGeometry).toRectF();
    if (!placed.isValid() || placed.toRect() != now)
        design = QRectF(now.x() / oldZoom, now.y() / oldZoom, now.width() / oldZoom, now.height() / oldZoom);
    const QRect target(Scaled(design.x(), newZoom), Scaled(design.y(), newZoom), Scaled(design.width(), newZoom),
                       Scaled(design.height(), newZoom));
    if (moveIt) {
        w->setGeometry(target);
        w->setProperty(kDesignGeometry, design);
        w->setProperty(kGeometryAtZoom, target);
    }

    if (w->font().pixelSize() > 0 && w->testAttribute(Qt::WA_SetFont)) {
        QVariant df = w->property(kDesignFont);
        const double designPx = df.isValid() && std::lround(df.toDouble() * oldZoom) == w->font().pixelSize()
                                    ? df.toDouble()
                                    : w->font().pixelSize() / oldZoom;
        QFont f = w->font();
        f.setPixelSize(std::max(1, Scaled(designPx, newZoom)));
        w->setFont(f);
        w->setProperty(kDesignFont, designPx);
    }
    if (auto* c = dynamic_cast<TControl*>(w); c && c->fittedDesignSize() > 0) {
        QVariant df = w->property(kDesignFitted);
        const double design = df.isValid() && std::abs(df.toDouble() * oldZoom - c->fittedDesignSize()) < 0.01
                                  ? df.toDouble()
                                  : c->fittedDesignSize() / oldZoom;
        c->setFittedDesignSize(design * newZoom);
        w->setProperty(kDesignFitted, design);
    }
    w->updateGeometry();
    w->update();
}

} // namespace

void RezoomWidgetTree(QWidget* Root, double OldZoom, double NewZoom)
{
    if (!Root || OldZoom <= 0 || NewZoom <= 0 || OldZoom == NewZoom)
        return;
    // The root keeps its place; only what it holds is scaled.
    RezoomOne(Root, Root->geometry(), OldZoom, NewZoom, false);
    const QList<QWidget*> children = Root->findChildren<QWidget*>();
    std::vector<QRect> before;
    before.reserve(size_t(children.size()));
    for (QWidget* w : children)
        before.push_back(w->geometry());
    for (qsizetype i = 0; i < children.size(); ++i)
        if (!children[i]->isWindow())
            RezoomOne(children[i], before[size_t(i)], OldZoom, NewZoom, true);
}

} // namespace pv
