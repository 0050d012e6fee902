// The effect panel: choosing an effect in the five lists, the sliders of its
// five parameters with their captions and values, the resets by
// double-click, and the category expanders.

#include "workspace/window/MainWindow.h"

#include "platform/system/Numbers.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "shell/Theme.h"

#include "workspace/window/LUTSources.h"

#include <QLayout>
#include <QScrollArea>

namespace pv {

TSlider* TForm1::TrackBar(int k) const { return ParamRows[k - 1]->slider(); }
TLabel* TForm1::ParamLabel(int k) const { return ParamRows[k - 1]->caption(); }
TLabel* TForm1::ParamLabelPc(int k) const { return ParamRows[k - 1]->valueLabel(); }

void TForm1::InitializeParameters() { pv::InitializeParameters(Params); }

void TForm1::ListBoxItemClick(int category, int index)
{
    SelectedEffectNumber = category * 100 + index;
    // The LUT effect starts with the first built-in table until one is chosen.
    if (SelectedEffectNumber == 404 && FLUTFilePath.isEmpty() && FLUTData.isEmpty())
        InitEmbeddedLUTs(*this);
    UpdateListboxes(ListBoxes[category - 1], index);
}

void TForm1::UpdateListboxes(TItemList* LBox, int ItemIndex)
{
    const TParameters empty;
    const TParameters* slot = ParamsSlot(Params, SelectedEffectNumber);
    if (!slot)
        slot = &empty;
    for (int k = 1; k <= 5; ++k)
        ParamLabel(k)->setText(slot->Name(k));
    for (int k = 1; k <= 5; ++k)
        TrackBar(k)->setValue(slot->Value(k));
    for (int k = 1; k <= 5; ++k) {
        const bool enabled = !slot->Name(k).isEmpty();
        TrackBar(k)->setEnabled(enabled);
        ParamLabelPc(k)->setEnabled(enabled);
    }
    for (TItemList* list : ListBoxes)
        if (list != LBox)
            list->setItemIndex(-1);
    if (LBox) {
        LBox->setItemIndex(ItemIndex);
        UpdateEffectAccent(LBox, ItemIndex);
    }
    // The shape effects keep room for their contour option under the sliders.
    const bool contourOption =
        SelectedEffectNumber == 500 || SelectedEffectNumber == 502 || SelectedEffectNumber == 503;
    const QRect box = ParamsRect->panelRect();
    ParamsRect->setPanelGeometry(QRect(ParamsRect->geometry().topLeft() + box.topLeft(),
                                       QSize(box.width(), DpI(contourOption ? 469 : 435))));
    Button1->move(Button1->x(), DpI(contourOption ? 398 : 364));
    UpdateEffectOptions();
    FitRightPanelContent();
    SetupUILabelMarquee();
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

void TForm1::UpdateEffectAccent(TItemList* LBox, int AItemIndex)
{
    if (!FEffectAccentBar) {
        FEffectAccentBar = new TRoundedPanel();
        FEffectAccentBar->setObjectName(QStringLiteral("FEffectAccentBar"));
        FEffectAccentBar->setFillColour(pv::ThemeMapColor(kAccent));
        FEffectAccentBar->setRadius(2);
        FEffectAccentBar->setHitTest(false);
    }
    FEffectAccentBar->hide();
    FEffectAccentBar->setParent(nullptr);
    if (!LBox || AItemIndex < 0 || AItemIndex >= LBox->count())
        return;
    const int itemHeight = DpI(LBox->itemHeight());
    QWidget* parent = LBox->parentWidget() ? LBox->parentWidget() : LBox;
    const QPoint itemTopLeft = LBox->mapTo(parent, QPoint(0, LBox->itemTop(AItemIndex)));
    FEffectAccentBar->setParent(parent);
    FEffectAccentBar->setPanelGeometry(
        QRect(itemTopLeft.x() - DpI(18), itemTopLeft.y() + (itemHeight - DpI(18)) / 2, DpI(4), DpI(18)));
    FEffectAccentBar->raise();
    FEffectAccentBar->show();
}

void TForm1::TrackBarTracking(int k)
{
    ParamLabelPc(k)->setText(QString::number(Round(TrackBar(k)->value())));
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
}

void TForm1::ParamsLabelDblClick()
{
    const TParameterTable saved = Params;
    TParameterTable defaults = saved;
    pv::InitializeParameters(defaults);
    const TParameters* taken = ParamsSlot(defaults, SelectedEffectNumber);
    if (!taken)
        return;
    Params = saved;
    *ParamsSlot(Params, SelectedEffectNumber) = *taken;
    for (int k = 1; k <= 5; ++k)
        TrackBar(k)->setValue(taken->Value(k));
}

void TForm1::ParamLabelDblClick(int k)
{
    TParameterTable defaults = Params;
    pv::InitializeParameters(defaults);
    const TParameters* taken = ParamsSlot(defaults, SelectedEffectNumber);
    if (!taken)
        return;
    const double before = TrackBar(k)->value();
    TrackBar(k)->setValue(taken->Value(k));
    if (TrackBar(k)->value() == before)
        TrackBarTracking(k);
}

void TForm1::ExpanderClick(int category)
{
    for (int c = 1; c <= 5; ++c) {
        TExpander* e = Expanders[c - 1];
        e->setExpanded(c == category ? !e->isExpanded() : false);
    }
}

void TForm1::ExpanderExpandedChanged(int) { RepositionPictos(); }

void TForm1::RepositionPictos()
{
    if (FRepositioning || !EffectsLayout)
        return;
    FRepositioning = true;
    if (QLayout* column = EffectsLayout->layout())
        column->activate();
    FRepositioning = false;
}

} // namespace pv
