#include "platform/widgets/Rezoom.h"

#include "platform/widgets/Control.h"

#include <QLayout>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace pv {
namespace {

int Scaled(double designUnits, double zoom) { return int(std::lround(designUnits * zoom)); }

// One length of a widget or layout in design units. The design value is kept
// beside the pixels it gave last time; when something else has set other
// pixels since, the design value is taken again from them. So a length only
// this code sets never picks up rounding, however many sizes it goes through.
class TDesignLength {
public:
    TDesignLength(QObject* owner, const char* name) : owner_(owner), name_(name) {}

    // The pixels at the new zoom for a length that is `now` pixels at the old one.
    int Rezoom(int now, double oldZoom, double newZoom) const
    {
        const QVariant kept = owner_->property(name_);
        const QPointF pair = kept.toPointF(); // x: design units, y: pixels they gave
        const double design = kept.isValid() && int(pair.y()) == now ? pair.x() : now / oldZoom;
        const int pixels = Scaled(design, newZoom);
        owner_->setProperty(name_, QPointF(design, pixels));
        return pixels;
    }

private:
    QObject* owner_;
    const char* name_;
};

bool PlacedByLayout(const QWidget* w)
{
    const QWidget* parent = w->parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(const_cast<QWidget*>(w)) >= 0;
}

// Margins and spacing of a layout (and the layouts nested in it).
void RezoomLayout(QLayout* layout, double oldZoom, double newZoom)
{
    if (!layout)
        return;
    const QMargins m = layout->contentsMargins();
    layout->setContentsMargins(TDesignLength(layout, "pvDesignMarginLeft").Rezoom(m.left(), oldZoom, newZoom),
                               TDesignLength(layout, "pvDesignMarginTop").Rezoom(m.top(), oldZoom, newZoom),
                               TDesignLength(layout, "pvDesignMarginRight").Rezoom(m.right(), oldZoom, newZoom),
                               TDesignLength(layout, "pvDesignMarginBottom").Rezoom(m.bottom(), oldZoom, newZoom));
    if (layout->spacing() > 0)
        layout->setSpacing(TDesignLength(layout, "pvDesignSpacing").Rezoom(layout->spacing(), oldZoom, newZoom));
    for (int i = 0; i < layout->count(); ++i)
        RezoomLayout(layout->itemAt(i)->layout(), oldZoom, newZoom);
}

// `now` is where the widget was before this rezoom began: a parent's resize
// handler may already have placed it at the new size, and scaling that again
// would make it drift.
void RezoomOne(QWidget* w, const QRect& now, double oldZoom, double newZoom, bool moveIt)
{
    if (moveIt) {
        // A fixed size (an open category's height, say) is scaled with the rest.
        if (w->minimumWidth() == w->maximumWidth())
            w->setFixedWidth(TDesignLength(w, "pvDesignFixedWidth").Rezoom(w->minimumWidth(), oldZoom, newZoom));
        if (w->minimumHeight() == w->maximumHeight())
            w->setFixedHeight(TDesignLength(w, "pvDesignFixedHeight").Rezoom(w->minimumHeight(), oldZoom, newZoom));
        // A layout places its widgets itself once its spacing is scaled.
        if (!PlacedByLayout(w))
            w->setGeometry(TDesignLength(w, "pvDesignX").Rezoom(now.x(), oldZoom, newZoom),
                           TDesignLength(w, "pvDesignY").Rezoom(now.y(), oldZoom, newZoom),
                           TDesignLength(w, "pvDesignWidth").Rezoom(now.width(), oldZoom, newZoom),
                           TDesignLength(w, "pvDesignHeight").Rezoom(now.height(), oldZoom, newZoom));
    }
    RezoomLayout(w->layout(), oldZoom, newZoom);

    if (w->font().pixelSize() > 0 && w->testAttribute(Qt::WA_SetFont)) {
        QFont f = w->font();
        f.setPixelSize(std::max(1, TDesignLength(w, "pvDesignFont").Rezoom(f.pixelSize(), oldZoom, newZoom)));
        w->setFont(f);
    }
    if (auto* c = dynamic_cast<TControl*>(w); c && c->fittedDesignSize() > 0) {
        const QVariant df = w->property("pvDesignFitted");
        const double design = df.isValid() && std::abs(df.toDouble() * oldZoom - c->fittedDesignSize()) < 0.01
                                  ? df.toDouble()
                                  : c->fittedDesignSize() / oldZoom;
        c->setFittedDesignSize(design * newZoom);
        w->setProperty("pvDesignFitted", design);
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
