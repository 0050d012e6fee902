// Labels the user can click light up under the mouse and get their own
// colour back when it leaves; labels that only show a text never change.
// And the buttons whose captions are refitted after a translation.

#include "workspace/window/MainWindow.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/TabNav.h"
#include "shell/Theme.h"
#include "shell/Dictionary.h"

namespace pv {
namespace {

// The design colour a lit label returns to.
constexpr char kRestColour[] = "pvHoverRestColour";
constexpr char kHoverWired[] = "pvHoverWired";

} // namespace

void TForm1::LabelMouseEnter(TLabel* L)
{
    if (!L || !HasClickHandler(L))
        return;
    if (!L->property(kRestColour).isValid())
        L->setProperty(kRestColour, uint(L->designColour("font")));
    L->setFontColour(IsLightTheme() ? kAccent : kTextBright);
}

void TForm1::LabelMouseLeave(TLabel* L)
{
    if (!L)
        return;
    const QVariant rest = L->property(kRestColour);
    if (!rest.isValid())
        return;
    L->setProperty(kRestColour, QVariant());
    L->setFontColour(TAlphaColor(rest.toUInt()));
}

void TForm1::WireLabelHover(QWidget* Root)
{
    if (!Root)
        return;
    for (TLabel* l : Root->findChildren<TLabel*>()) {
        // Labels that light with their row or their entry (tool rows, menu
        // entries, close crosses) keep their own handling.
        if (l->property(kHoverWired).toBool() || l->hasHoverHandler())
            continue;
        l->setProperty(kHoverWired, true);
        connect(l, &TLabel::hoverChanged, this, [this, l](bool on) {
            if (on)
                LabelMouseEnter(l);
            else
                LabelMouseLeave(l);
        });
    }
}

void TForm1::FitTranslatedButtons()
{
    static const char* const kNames[] = {"DefaultImageButton", "Button3",        "TestBrushButton", "ResetBrushesButton",
                                         "SelectLUTButton",    "Button1",        "CancelCoffeeButton", "CancelUpdate",
                                         "CancelTextButton",   "ApplyTextButton", "bnCancel",        "bnPrint"};
    for (const char* name : kNames)
        for (TButton* b : findChildren<TButton*>(QString::fromLatin1(name)))
            FitControlText(b);
}

} // namespace pv
