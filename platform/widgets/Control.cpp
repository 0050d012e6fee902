#include "platform/widgets/Control.h"

#include <QWidget>

#include <atomic>
#include <cstring>

namespace pv {
namespace {
std::atomic<double> gUiZoom{1.0};
}

double UiZoom() { return gUiZoom.load(); }
void SetUiZoom(double zoom) { gUiZoom = zoom > 0 ? zoom : 1.0; }

QFont InterFont(double designPixelSize, int weight)
{
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(std::max(1, DpI(designPixelSize)));
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

TAlphaColor TControl::colour(const char* role) const
{
    for (const ColourSlot& s : colours_)
        if (std::strcmp(s.role, role) == 0)
            return s.value;
    return kColorTransparent;
}

void TControl::setColour(const char* role, TAlphaColor value)
{
    for (ColourSlot& s : colours_)
        if (std::strcmp(s.role, role) == 0) {
            if (s.value != value) {
                s.value = value;
                coloursChanged();
            }
            return;
        }
    colours_.push_back({role, ColourKind::Fill, value});
    coloursChanged();
}

void TControl::noteFocus(bool in, Qt::FocusReason reason)
{
    keyboardFocus_ = in && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                            reason == Qt::ShortcutFocusReason);
    if (QWidget* w = widget())
        w->update();
}

void TControl::addColour(const char* role, ColourKind kind, TAlphaColor value)
{
    colours_.push_back({role, kind, value});
}

void TControl::coloursChanged()
{
    if (QWidget* w = widget())
        w->update();
}

void TControl::setText(const QString& english)
{
    sourceText_ = english;
    setDisplayText(english);
}

void TControl::setDisplayText(const QString& shown)
{
    if (text_ == shown)
        return;
    text_ = shown;
    textChanged();
}

void TControl::textChanged()
{
    if (QWidget* w = widget()) {
        w->updateGeometry();
        w->update();
    }
}

std::vector<TControl*> ControlsUnder(QWidget* root)
{
    std::vector<TControl*> out;
    if (!root)
        return out;
    if (auto* c = dynamic_cast<TControl*>(root))
        out.push_back(c);
    for (QObject* child : root->children())
        if (auto* w = qobject_cast<QWidget*>(child)) {
            std::vector<TControl*> sub = ControlsUnder(w);
            out.insert(out.end(), sub.begin(), sub.end());
        }
    return out;
}

} // namespace pv
