// The main window's keyboard: Tab and Shift+Tab in reading order with the
// one focus ring, Enter and Space on the control under the ring, the keys of
// the open main menu and the table of shortcuts. Every row is data: key,
// modifiers, the typing rule, a condition and the action. A key runs down
// the table once; a key no row uses goes on to the focused control.

#include "workspace/window/MainWindow.h"

#include "overlays/ManualBrush.h"
#include "overlays/OverlayHost.h"
#include "overlays/OverlayPanel.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/FloatingPanel.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/LineEdit.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/TabNav.h"
#include "platform/widgets/ThumbnailGrid.h"
#include "shell/WindowKeyFilter.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/preview/PreviewImage.h"
#include "workspace/text-and-print/PrintWindow.h"
#include "workspace/text-and-print/TextWindow.h"

#include <QApplication>

#include <functional>

namespace pv {
namespace {

// Who may use a row: any focus, only without an edit in focus, or with Mod
// held or without an edit in focus (the zoom keys).
enum class TTyping { Any, NotTyping, ModOrNotTyping };

using TWhen = bool (*)(TForm1&, const TKeyPress&);
// Returns true when the key was used.
using TAct = bool (*)(TForm1&, const TKeyPress&);

struct TShortcut {
    int key;
    TKeyMods mods;
    TTyping typing;
    const char* name;
    TWhen when; // null: always
    TAct act;   // null: the command is not available in this build
};

bool HasMod(const TKeyPress& k) { return k.modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier); }
bool Keypad(const TKeyPress& k) { return k.modifiers & Qt::KeypadModifier; }

template <void (TForm1::*Method)()>
bool Run(TForm1& f, const TKeyPress&)
{
    (f.*Method)();
    return true;
}

bool UIZoomOpen(TForm1& f, const TKeyPress&) { return f.IsUIZoomWindowOpen(); }
bool CropOpen(TForm1& f, const TKeyPress&) { return f.IsCropActive(); }
bool CoffeeOpen(TForm1& f, const TKeyPress&) { return f.IsCoffeeOpen(); }

// Enter commits what the text window placed (in its text box also when
// nothing is placed); Esc in the text box ends the text only, elsewhere both tools.
bool TextToCommit(TForm1& f, const TKeyPress&)
{
    return f.IsTextWindowVisible() && (f.IsTextToolActive() || f.TextWindow->TextBoxHasFocus());
}

bool CommitText(TForm1& f, const TKeyPress&)
{
    if (f.IsTextToolActive())
        f.ApplyTextButtonClick();
    return true;
}

bool TextOpen(TForm1& f, const TKeyPress&) { return f.IsTextWindowVisible(); }

bool CancelText(TForm1& f, const TKeyPress&)
{
    if (f.TextWindow->TextBoxHasFocus())
        f.TextWindow->EscapeInTextBox();
    else
        f.CancelTextButtonClick();
    return true;
}

bool RaiseCancel(TForm1& f, const TKeyPress&)
{
    f.Cancel = true;
    return false;
}

bool FullZoom(TForm1& f, const TKeyPress&)
{
    f.SkPaintBox1->FullSizeAndCenter();
    return true;
}

bool ZoomOut(TForm1& f, const TKeyPress&)
{
    f.SkPaintBox1->ZoomOut();
    return true;
}

bool ZoomIn(TForm1& f, const TKeyPress&)
{
    f.SkPaintBox1->ZoomIn();
    return true;
}

bool FitPicture(TForm1& f, const TKeyPress&)
{
    f.CalculateBestFitAndCenter();
    return true;
}

bool LanguagePopup(TForm1& f, const TKeyPress&)
{
    if (f.FLanguagePopup && f.FLanguagePopup->isVisible()) {
        f.CloseMainMenu();
        return true;
    }
    if (!f.MenuContainer->isVisible())
        f.bnMainMenuClick();
    f.OpenLanguageSubmenu();
    return true;
}

bool Resize(TForm1& f, const TKeyPress&)
{
    if (!f.IsEffectRunning() && f.FSkImage)
        f.ShowResizeFrame();
    return true;
}

bool BrushOpen(TForm1& f, const TKeyPress&) { return f.FManualBrushFrame != nullptr; }

// While a stroke is being applied Esc only cancels it; the panel stays.
bool CloseBrush(TForm1& f, const TKeyPress&)
{
    if (!f.FManualBrushFrame->IsApplying())
        f.CloseManualBrushFrame();
    return true;
}

bool PlainSix(TForm1&, const TKeyPress& k) { return !Keypad(k); }

// The table, in the order its rows are tried. Enter and Esc are used only
// when one of their rows acts. A crop selection under the coffee prompt takes
// them first: a key meant for the crop must never confirm the payment page.
const TShortcut kShortcuts[] = {
    {Qt::Key_Return, TKeyMods::Any, TTyping::Any, "confirm the interface size", UIZoomOpen, Run<&TForm1::UIZoomOKClick>},
    {Qt::Key_Return, TKeyMods::Any, TTyping::Any, "commit the text", TextToCommit, CommitText},
    {Qt::Key_Return, TKeyMods::Any, TTyping::Any, "apply the crop", CropOpen, Run<&TForm1::Check1Click>},
    {Qt::Key_Return, TKeyMods::Any, TTyping::Any, "buy a coffee", CoffeeOpen, Run<&TForm1::BuyCoffeeButtonClick>},
    {Qt::Key_Escape, TKeyMods::Any, TTyping::Any, "cancel the running work", nullptr, RaiseCancel},
    {Qt::Key_Escape, TKeyMods::Any, TTyping::Any, "close the interface size", UIZoomOpen,
     Run<&TForm1::UIZoomCloseClick>},
    {Qt::Key_Escape, TKeyMods::Any, TTyping::Any, "close the manual brush", BrushOpen, CloseBrush},
    {Qt::Key_Escape, TKeyMods::Any, TTyping::Any, "cancel the text", TextOpen, CancelText},
    {Qt::Key_Escape, TKeyMods::Any, TTyping::Any, "cancel the crop", CropOpen, Run<&TForm1::Cancel1Click>},
    {Qt::Key_Escape, TKeyMods::Any, TTyping::Any, "close the coffee prompt", CoffeeOpen,
     Run<&TForm1::CancelCoffeeButtonClick>},
    {Qt::Key_0, TKeyMods::Mod, TTyping::Any, "100%", nullptr, FullZoom},
    {Qt::Key_Minus, TKeyMods::Any, TTyping::ModOrNotTyping, "zoom out", nullptr, ZoomOut},
    {Qt::Key_Underscore, TKeyMods::Any, TTyping::ModOrNotTyping, "zoom out", nullptr, ZoomOut},
    {Qt::Key_6, TKeyMods::Any, TTyping::ModOrNotTyping, "zoom out", PlainSix, ZoomOut},
    {Qt::Key_Equal, TKeyMods::Any, TTyping::ModOrNotTyping, "zoom in", nullptr, ZoomIn},
    {Qt::Key_Plus, TKeyMods::Any, TTyping::ModOrNotTyping, "zoom in", nullptr, ZoomIn},
    {Qt::Key_B, TKeyMods::Mod, TTyping::Any, "batch mode", nullptr, Run<&TForm1::BatchMIClick>},
    {Qt::Key_C, TKeyMods::Mod, TTyping::Any, "copy", nullptr, Run<&TForm1::CopyMIClick>},
    {Qt::Key_C, TKeyMods::NoMod, TTyping::NotTyping, "coffee", nullptr, Run<&TForm1::CoffeeMIClick>},
    {Qt::Key_E, TKeyMods::Mod, TTyping::Any, "script editor", nullptr, Run<&TForm1::ScriptMIClick>},
    {Qt::Key_E, TKeyMods::NoMod, TTyping::NotTyping, "auto-enhance", nullptr, Run<&TForm1::LabelEnhanceClick>},
    {Qt::Key_F, TKeyMods::Mod, TTyping::Any, "fit the picture", nullptr, FitPicture},
    {Qt::Key_L, TKeyMods::CtrlShift, TTyping::Any, "export the languages", nullptr,
     Run<&TForm1::ExportLanguagesClick>},
    {Qt::Key_L, TKeyMods::Mod, TTyping::Any, "language", nullptr, LanguagePopup},
    {Qt::Key_L, TKeyMods::NoMod, TTyping::NotTyping, "rotate left", nullptr, Run<&TForm1::Label7Click>},
    {Qt::Key_M, TKeyMods::NoMod, TTyping::NotTyping, "switch the theme", nullptr, Run<&TForm1::ThemeSwitchClick>},
    {Qt::Key_N, TKeyMods::CtrlShift, TTyping::Any, "full reset", nullptr, Run<&TForm1::FullReset>},
    {Qt::Key_O, TKeyMods::Mod, TTyping::Any, "open", nullptr, Run<&TForm1::OpenMIClick>},
    {Qt::Key_P, TKeyMods::Mod, TTyping::Any, "print", nullptr, Run<&TForm1::PrintMIClick>},
    {Qt::Key_Q, TKeyMods::Mod, TTyping::Any, "quit", nullptr, Run<&TForm1::QuitMIClick>},
    {Qt::Key_R, TKeyMods::Mod, TTyping::Any, "resize", nullptr, Resize},
    {Qt::Key_R, TKeyMods::NoMod, TTyping::NotTyping, "rotate right", nullptr, Run<&TForm1::Label8Click>},
    {Qt::Key_S, TKeyMods::ModShift, TTyping::Any, "script editor", nullptr, Run<&TForm1::ShowScriptEditor>},
    {Qt::Key_S, TKeyMods::ModNoShift, TTyping::Any, "save", nullptr, Run<&TForm1::SaveMIClick>},
    {Qt::Key_S, TKeyMods::NoMod, TTyping::NotTyping, "split view", nullptr, Run<&TForm1::SplitViewMIClick>},
    {Qt::Key_U, TKeyMods::NoMod, TTyping::NotTyping, "check for an update", nullptr, Run<&TForm1::UpdateMIClick>},
    {Qt::Key_V, TKeyMods::Mod, TTyping::Any, "paste", nullptr, Run<&TForm1::PasteMIClick>},
    {Qt::Key_Z, TKeyMods::ModNoShift, TTyping::Any, "undo", nullptr, Run<&TForm1::SpeedButton5Click>},
    {Qt::Key_Z, TKeyMods::ModShift, TTyping::Any, "redo", nullptr, Run<&TForm1::SpeedButton6Click>},
    {Qt::Key_Z, TKeyMods::NoMod, TTyping::NotTyping, "interface size", nullptr, Run<&TForm1::UIZoomMIClick>},
    {Qt::Key_F1, TKeyMods::Any, TTyping::Any, "online help", nullptr, Run<&TForm1::HelpMIClick>},
    {Qt::Key_F2, TKeyMods::Any, TTyping::Any, "about page", nullptr, Run<&TForm1::InfoMIClick>},
    {Qt::Key_F10, TKeyMods::Any, TTyping::Any, "main menu", nullptr, Run<&TForm1::bnMainMenuClick>},
    {Qt::Key_F11, TKeyMods::Any, TTyping::Any, "combine", nullptr, Run<&TForm1::CombineMIClick>},
    {Qt::Key_F12, TKeyMods::Any, TTyping::Any, "swap source and result", nullptr, Run<&TForm1::SwapMIClick>},
};

// The focused control or its nearest ancestor that is an item list.
TItemList* ListAt(QWidget* w)
{
    for (; w; w = w->parentWidget())
        if (auto* list = qobject_cast<TItemList*>(w))
            return list;
    return nullptr;
}

// Controls that Enter and Space click under the ring: shapes, labels,
// expanders, icons and pictures with a click handler.
bool IsClickableShape(QWidget* w)
{
    return (qobject_cast<TRoundedPanel*>(w) || qobject_cast<TLabel*>(w) || qobject_cast<TExpander*>(w) ||
            qobject_cast<TSvgIcon*>(w) || qobject_cast<TPreviewImage*>(w)) &&
           HasClickHandler(w);
}

// Calls back whenever a watched control moves or changes size.
class TGeometryFollower : public QObject {
public:
    TGeometryFollower(QObject* parent, std::function<void()> changed) : QObject(parent), changed_(std::move(changed)) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Move || e->type() == QEvent::Resize)
            changed_();
        return false;
    }

private:
    std::function<void()> changed_;
};

} // namespace

// ------------------------------------------------------------------ focus

QWidget* TForm1::ActiveTabRoot() const
{
    for (QWidget* w : {static_cast<QWidget*>(CoffeeRectangle), static_cast<QWidget*>(PrintWindow),
                       static_cast<QWidget*>(TextWindow), static_cast<QWidget*>(layOverlayContainer)})
        if (w && w->isVisible())
            return w;
    return const_cast<TForm1*>(this);
}

TExpander* TForm1::EffectExpanderContaining(QWidget* C) const
{
    for (QWidget* w = C; w; w = w->parentWidget())
        for (TExpander* e : Expanders)
            if (w == e)
                return e;
    return nullptr;
}

TRoundedPanel* TForm1::CategoryPillFor(TExpander* Exp) const
{
    for (int c = 0; c < 5; ++c)
        if (Expanders[size_t(c)] == Exp)
            return CategoryBackdrops[size_t(c)];
    return nullptr;
}

void TForm1::ShowRingOnCategoryPill(TExpander* Exp)
{
    TRoundedPanel* pill = CategoryPillFor(Exp);
    if (!pill || !pill->parentWidget())
        return;
    // The pill is the category's header row: the backdrop's top down to the
    // header's bottom and its margin.
    const int headerBottom = Exp->mapTo(pill, QPoint(0, 0)).y() + DpI(Exp->headerHeight());
    const QRect bounds(pill->x(), pill->y(), pill->width(), std::min(pill->height(), headerBottom + DpI(7)));
    ShowFocusRingAt(FFocusRing, pill->parentWidget(), bounds);
    FRingPill = Exp;
    FRingPillBounds = FFocusRing->geometry();
}

void TForm1::FocusEffectList(TExpander* AExpander)
{
    TItemList* list = AExpander ? AExpander->list() : nullptr;
    if (!list)
        return;
    if (list->count() > 0 && list->itemIndex() < 0)
        list->setItemIndex(0);
    BeginKeyboardFocus();
    list->setFocus(Qt::TabFocusReason);
}

void TForm1::FocusRingUpdate(QWidget* Focused)
{
    if (FDestroying || !FFocusRing)
        return;
    if (Focused && Focused->window() != this)
        return;
    // The window itself holding the focus is the bare window: nothing focused.
    if (Focused == this)
        Focused = nullptr;
    if (TExpander* exp = EffectExpanderContaining(Focused)) {
        if (IsKeyboardFocusActive())
            ShowRingOnCategoryPill(exp);
        else
            HideFocusRing(FFocusRing, this);
        EndKeyboardFocus();
        return;
    }
    // A gallery marks its own selection: no ring around it.
    if (Focused && InGalleryOfPanel(Focused)) {
        HideFocusRing(FFocusRing, this);
        EndKeyboardFocus();
        return;
    }
    UpdateFocusRing(FFocusRing, Focused, ActiveTabRoot(), this);
}

bool TForm1::InGalleryOfPanel(QWidget* C) const
{
    auto* panel = qobject_cast<TGalleryPanel*>(ActiveOverlayFrame());
    if (!panel || !C || !panel->isAncestorOf(C))
        return false;
    for (QWidget* w = C; w && w != panel; w = w->parentWidget())
        if (qobject_cast<TThumbnailGrid*>(w))
            return true;
    return false;
}

// ------------------------------------------------------------------ the table

void TForm1::InstallShortcuts()
{
    FFocusRing = CreateFocusRing(this);
    SetWindowDrawsFocusRing(this);
    // A ring on a category's pill stays on it while the categories open and
    // close around it (the pills move and grow as they animate).
    auto* follower = new TGeometryFollower(this, [this] {
        if (FRingPill && FocusRingShown(FFocusRing) && FFocusRing->geometry() == FRingPillBounds)
            ShowRingOnCategoryPill(FRingPill);
    });
    for (int c = 0; c < 5; ++c)
        for (QWidget* w : {static_cast<QWidget*>(Expanders[size_t(c)]), static_cast<QWidget*>(CategoryBackdrops[size_t(c)])})
            if (w)
                w->installEventFilter(follower);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusRingUpdate(now); });

    // While the main menu is open nothing behind it moves or clicks.
    const auto menuClosed = [this](const TKeyPress&) { return !MenuContainer || !MenuContainer->isVisible(); };

    // Tab: from nothing on the bare window to the menu button, otherwise the
    // next stop of the open window or panel.
    FKeyFilter->AddRow({Qt::Key_Tab, TKeyMods::NoMod, TKeyStage::Navigation, false, menuClosed,
                        [this](const TKeyPress& k) {
                            QWidget* root = ActiveTabRoot();
                            // The window itself in focus counts as nothing focused.
                            QWidget* current =
                                k.focus && k.focus != this && k.focus->window() == this ? k.focus : nullptr;
                            const bool backward = k.modifiers & Qt::ShiftModifier;
                            BeginKeyboardFocus();
                            if (!current && root == this && !backward)
                                bnMainMenu->setFocus(Qt::TabFocusReason);
                            else
                                MoveTabFocus(root, current, backward);
                            return true;
                        },
                        "next stop"});
    // Enter and Space on what the ring marks.
    const auto underRing = [this](const TKeyPress& k) {
        if (!FocusRingShown(FFocusRing) || !k.focus)
            return false;
        if (k.key == Qt::Key_Return) {
            TItemList* list = ListAt(k.focus);
            if (list && list->itemIndex() >= 0 && list->count() > 0) {
                TExpander* exp = EffectExpanderContaining(list);
                Q_EMIT list->itemClicked(list->itemIndex());
                if (exp)
                    ShowRingOnCategoryPill(exp);
                else
                    HideFocusRing(FFocusRing, this);
                return true;
            }
        }
        if (IsClickableShape(k.focus)) {
            QWidget* control = k.focus;
            TExpander* exp = EffectExpanderContaining(control);
            if (auto* expander = qobject_cast<TExpander*>(control)) {
                Q_EMIT expander->headerClicked();
                if (expander->isExpanded())
                    FocusEffectList(expander);
            } else {
                QMetaObject::invokeMethod(control, "clicked");
            }
            if (exp)
                ShowRingOnCategoryPill(exp);
            else
                HideFocusRing(FFocusRing, this);
            return true;
        }
        if (k.key == Qt::Key_Return && (qobject_cast<TButton*>(k.focus) || qobject_cast<TIconButton*>(k.focus) ||
                                        qobject_cast<TCloseBox*>(k.focus))) {
            HideFocusRing(FFocusRing, this);
            QMetaObject::invokeMethod(k.focus, "clicked");
            return true;
        }
        return false;
    };
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Space)})
        FKeyFilter->AddRow({key, TKeyMods::Any, TKeyStage::Navigation, false, menuClosed, underRing,
                            "click under the ring"});
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape)})
        FKeyFilter->AddRow({key, TKeyMods::Any, TKeyStage::Navigation, false, {},
                            [this](const TKeyPress&) {
                                HideFocusRing(FFocusRing, this);
                                return false;
                            },
                            "hide the ring"});

    // The open main menu takes its keys first.
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape), int(Qt::Key_Up), int(Qt::Key_Down), int(Qt::Key_Left),
                    int(Qt::Key_Right)})
        FKeyFilter->AddRow({key, TKeyMods::Any, TKeyStage::Menu, false, {},
                            [this](const TKeyPress& k) { return HandleMenuKey(k.key); }, "main menu"});
    // Tab, and Space outside an edit, stop at the open menu.
    FKeyFilter->AddRow({Qt::Key_Tab, TKeyMods::NoMod, TKeyStage::Menu, false, {},
                        [menuClosed](const TKeyPress& k) { return !menuClosed(k); }, "main menu"});
    FKeyFilter->AddRow({Qt::Key_Space, TKeyMods::Any, TKeyStage::Menu, true, {},
                        [menuClosed](const TKeyPress& k) { return !menuClosed(k); }, "main menu"});

    for (const TShortcut& s : kShortcuts) {
        TKeyRow row;
        row.key = s.key;
        row.mods = s.mods;
        row.stage = TKeyStage::Shortcuts;
        row.notTyping = s.typing == TTyping::NotTyping;
        row.name = s.name;
        const TWhen when = s.when;
        const TTyping typing = s.typing;
        row.condition = [this, when, typing](const TKeyPress& k) {
            if (typing == TTyping::ModOrNotTyping && !HasMod(k) && k.typing)
                return false;
            // An edit in focus keeps the keys it edits its text with.
            if (k.typing && IsEditingKey(k.key, k.modifiers))
                return false;
            return !when || when(*this, k);
        };
        const TAct act = s.act;
        const char* name = s.name;
        const bool passesOn = act == RaiseCancel;
        if (act)
            row.action = [this, act, name, passesOn](const TKeyPress& k) {
                if (FShortcutProbe && !passesOn) {
                    FShortcutProbe(name);
                    return true;
                }
                return act(*this, k);
            };
        FKeyFilter->AddRow(std::move(row));
    }
}

} // namespace pv
