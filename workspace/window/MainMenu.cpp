// The main menu: a drawn panel under the menu button with the FILE, EDIT and
// HELP entries, each with its icon and shortcut caption. The mouse clicks an
// entry; the keyboard walks the entries with Up and Down (wrapping), opens
// the language popup with Right or Enter on "Language" and runs an entry
// with Enter. Also the scrolling of over-long captions (menu entries, the
// left panel's captions, the effect-category headers) and the hover colour
// of clickable labels.

#include "workspace/window/MainWindow.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/Rezoom.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/TabNav.h"
#include "shell/InterfaceSize.h"
#include "shell/Marquee.h"
#include "shell/Theme.h"
#include "shell/Dictionary.h"

#include <QCursor>

#include <algorithm>
#include <limits>

namespace pv {
namespace {

constexpr int kMenuX = 14, kMenuY = 90, kMenuWidth = 353;
// Designed 708 high; the interface-size entry adds 29.
constexpr int kMenuHeight = 708 + 29;
constexpr int kEntryX = 62, kEntryHeight = 22;
constexpr int kShortcutRight = 338;

struct TMenuEntry {
    const char* name;
    const char* caption;
    int y;
    const char* shortcut;
    const char* icon;
    void (*handler)(TForm1&); // null: not available in this build
};

template <void (TForm1::*Method)()>
void Call(TForm1& f)
{
    (f.*Method)();
}

void CopyEntry(TForm1& f)
{
    f.CloseMainMenu();
    f.CopyMIClick();
}

void PasteEntry(TForm1& f)
{
    f.CloseMainMenu();
    f.PasteMIClick();
}

// Top to bottom: the keyboard's order.
const TMenuEntry kEntries[] = {
    {"OpenMI", "Open", 46, "CTRL+O", ":/icons/open.svg", Call<&TForm1::OpenMIClick>},
    {"SaveMI", "Save", 73, "CTRL+S", ":/icons/save.svg", Call<&TForm1::SaveMIClick>},
    {"PrintMI", "Print", 101, "CTRL+P", ":/toolbar/print.svg", Call<&TForm1::PrintMIClick>},
    {"QuitMI", "Quit", 130, "CTRL+Q", ":/toolbar/quit.svg", Call<&TForm1::QuitMIClick>},
    {"UndoMI", "Undo", 215, "CTRL+Z", ":/icons/undo.svg", Call<&TForm1::SpeedButton5Click>},
    {"RedoMI", "Redo", 243, "CTRL+SHIFT+Z", ":/icons/redo.svg", Call<&TForm1::SpeedButton6Click>},
    {"CopyMI", "Copy to clipboard", 271, "CTRL+C", ":/toolbar/copy.svg", CopyEntry},
    {"PasteMI", "Paste from clipboard", 299, "CTRL+V", ":/toolbar/paste.svg", PasteEntry},
    {"SplitViewMI", "View source image", 328, "S", ":/toolbar/view.svg", Call<&TForm1::SplitViewMIClick>},
    {"SwapMI", "Swap Source/Result", 356, "F12", ":/toolbar/swap.svg", Call<&TForm1::SwapMIClick>},
    {"CombineMI", "Combine source/result", 384, "F11", ":/toolbar/combine.svg", Call<&TForm1::CombineMIClick>},
    {"BatchMI", "Batch mode", 411, "CTRL+B", ":/toolbar/batch.svg", Call<&TForm1::BatchMIClick>},
    {"ScriptMI", "Script Editor", 439, "CTRL+E", ":/toolbar/script.svg", Call<&TForm1::ScriptMIClick>},
    {"AutoEnhanceMI", "Auto-enhance", 467, "E", ":/toolbar/enhance.svg", Call<&TForm1::LabelEnhanceClick>},
    {"HelpMI", "Online help", 553, "F1", ":/toolbar/help.svg", Call<&TForm1::HelpMIClick>},
    {"LanguageMI", "Language", 581, "CTRL+L", ":/toolbar/language.svg", Call<&TForm1::LanguageEntryClick>},
    {"InfoMI", "About Pelandrovium", 609, "F2", ":/toolbar/info.svg", Call<&TForm1::InfoMIClick>},
    {"UpdateMI", "Check for update", 637, "U", ":/toolbar/update.svg", Call<&TForm1::UpdateMIClick>},
    {"CoffeeMI", "How about a coffee?", 666, "C", ":/toolbar/coffee.svg", Call<&TForm1::CoffeeMIClick>},
    {"UIZoomMI", "Interface size", 695, "Z", ":/toolbar/uisize.svg", Call<&TForm1::UIZoomMIClick>},
};

TAlphaColor SelectedEntryColour() { return IsLightTheme() ? kAccent : kTextBright; }

// The UI labels whose captions scroll, by name: those of panels built
// elsewhere join when they exist.
const char* const kUILabelNames[] = {"Label5",  "Label6",  "Label7",       "Label8",   "Label9",
                                     "Label10", "Label21", "LabelEnhance", "ToolsLabel", "EffectsLabel",
                                     "Label23", "Label38", "LabelContour"};

} // namespace

void TForm1::CreateMainMenu()
{
    MenuContainer = new TRoundedPanel(this);
    MenuContainer->setObjectName(QStringLiteral("MenuContainer"));
    MenuContainer->setRadius(15);
    MenuContainer->setFillColour(kPanelRaised);
    MenuContainer->setStroke(kBorder, 2);
    MenuContainer->setShadow({10, 0, 4, kShadow});
    MenuContainer->setGeometry(DpI(kMenuX), DpI(kMenuY), DpI(kMenuWidth), DpI(kMenuHeight));
    FMenuFullHeight = DpI(kMenuHeight);
    FMenuScale = UiZoom();

    const auto heading = [this](const char* text, int y) {
        auto* label = new TLabel(QString::fromLatin1(text), MenuContainer);
        label->setObjectName(QStringLiteral("MenuHeading") + QString::fromLatin1(text));
        label->setFontSize(12, QFont::DemiBold);
        label->setLetterSpacing(118);
        label->setFontColour(ThemeMapTextColor(kTextMuted));
        label->setGeometry(DpI(20), DpI(y), DpI(200), DpI(18));
    };
    heading("FILE", 16);
    heading("EDIT", 185);
    heading("HELP", 523);
    for (int y : {168, 506}) {
        auto* line = new TRoundedPanel(MenuContainer);
        line->setObjectName(QStringLiteral("MenuSeparator%1").arg(y));
        line->setRadius(0);
        line->setFillColour(kBorder);
        line->setHitTest(false);
        line->setGeometry(DpI(20), DpI(y), DpI(kMenuWidth - 40), DpI(1));
    }

    QFont shortcutFont = InterFont(12, QFont::Medium);
    for (const TMenuEntry& e : kEntries) {
        const std::function<void()> run = [this, handler = e.handler] {
            if (handler)
                handler(*this);
        };
        const QString name = QString::fromLatin1(e.name);
        auto* shortcut = new TLabel(QString::fromLatin1(e.shortcut), MenuContainer);
        shortcut->setObjectName(name + QStringLiteral("Shortcut"));
        shortcut->setTranslatable(false);
        shortcut->setFontSize(12, QFont::Medium);
        shortcut->setFontColour(ThemeMapTextColor(kTextHint));
        shortcut->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int shortcutWidth = QFontMetrics(shortcut->font()).horizontalAdvance(shortcut->text()) + DpI(4);
        shortcut->setGeometry(DpI(kShortcutRight) - shortcutWidth, DpI(e.y), shortcutWidth, DpI(kEntryHeight));

        auto* icon = new TSvgIcon(MenuContainer);
        icon->setObjectName(name + QStringLiteral("Icon"));
        icon->setSource(QString::fromLatin1(e.icon));
        icon->setOverrideColour(ThemeMapTextColor(kText));
        icon->setGeometry(DpI(20), DpI(e.y + 1), DpI(20), DpI(20));

        auto* label = new TLabel(QString::fromLatin1(e.caption), MenuContainer);
        label->setObjectName(name);
        label->setFontSize(16);
        label->setFontColour(ThemeMapTextColor(kText));
        label->setGeometry(DpI(kEntryX), DpI(e.y), shortcut->x() - DpI(kEntryX) - DpI(8), DpI(kEntryHeight));
        label->setEnabled(e.handler != nullptr);
        icon->setEnabled(e.handler != nullptr);
        shortcut->setEnabled(e.handler != nullptr);
        // The icon and the shortcut caption run the entry too.
        for (QWidget* part : {static_cast<QWidget*>(label), static_cast<QWidget*>(icon), static_cast<QWidget*>(shortcut)}) {
            SetClickGroup(part, name);
            part->setCursor(Qt::PointingHandCursor);
        }
        label->setClickable(true);
        icon->setClickable(true);
        shortcut->setClickable(true);
        connect(label, &TLabel::clicked, this, run);
        connect(icon, &TSvgIcon::clicked, this, run);
        connect(shortcut, &TLabel::clicked, this, run);
        // Hover lights the entry; leaving gives it back its own colour.
        const auto hover = [this, label](bool on) {
            if (on)
                label->setFontColour(SelectedEntryColour());
            else
                HighlightMenuEntry(FMenuItems, FMenuSelIndex);
        };
        for (TLabel* part : {label, shortcut})
            connect(part, &TLabel::hoverChanged, this, hover);
        connect(icon, &TSvgIcon::hoverChanged, this, hover);
    }
    // The size entry composes its caption from a translated row.
    if (TLabel* zoom = MenuEntry("UIZoomMI"))
        zoom->setTranslatable(false);
    connect(MenuContainer, &TRoundedPanel::hoverChanged, this, [this](bool over) {
        if (!over)
            MenuContainerMouseLeave();
    });
    MenuContainer->hide();
    FMenuMarquee = std::make_unique<TMarqueeGroup>(50.0f);
    FMenuMarquee->KeepRunning = [this] { return MenuContainer && MenuContainer->isVisible(); };
    FUILabelMarquee = std::make_unique<TMarqueeGroup>(50.0f);
    FExpanderMarquee = std::make_unique<TMarqueeGroup>(50.0f);
}

TLabel* TForm1::MenuEntry(const char* Name) const
{
    return MenuContainer ? MenuContainer->findChild<TLabel*>(QString::fromLatin1(Name)) : nullptr;
}

void TForm1::ScaleMainMenu(double Scale)
{
    const double now = FMenuScale > 0 ? FMenuScale : UiZoom();
    RezoomWidgetTree(MenuContainer, now, Scale);
    FMenuScale = Scale;
    MenuContainer->resize(int(kMenuWidth * Scale + 0.5), int(kMenuHeight * Scale + 0.5));
}

void TForm1::bnMainMenuClick()
{
    if (!MenuContainer)
        return;
    if (MenuContainer->isVisible()) {
        CloseMainMenu();
        return;
    }
    UpdateUIZoomMenuLabel();
    MenuContainer->move(DpI(kMenuX), DpI(kMenuY));
    // A window too short for the whole menu shows all of it smaller, down to
    // the smallest interface size; only a shorter one cuts it to the room
    // below its top.
    FMenuFullHeight = DpI(kMenuHeight);
    const int room = std::max(DpI(200), height() - MenuContainer->y() - DpI(10));
    ScaleMainMenu(std::clamp(double(room) / kMenuHeight, std::min(kMinUIZoom, UiZoom()), UiZoom()));
    if (MenuContainer->height() > room)
        MenuContainer->resize(MenuContainer->width(), room);
    MenuContainer->show();
    MenuContainer->raise();
    SetupMenuMarquee();
    BuildMenuItemList();
    if (FMenuLastSel >= 0 && FMenuLastSel < int(FMenuItems.size()))
        SelectMenuItem(FMenuLastSel);
    else
        HighlightMenuEntry(FMenuItems, -1);
}

void TForm1::CloseMainMenu()
{
    if (MenuContainer && MenuContainer->isVisible()) {
        TeardownMenuMarquee();
        MenuContainer->hide();
    }
    if (FLanguagePopup)
        FLanguagePopup->hide();
    if (FMenuSelIndex >= 0)
        FMenuLastSel = FMenuSelIndex;
    FMenuSelIndex = -1;
    FLangSelIndex = -1;
}

void TForm1::MenuContainerMouseLeave()
{
    if (!MenuContainer || !MenuContainer->isVisible())
        return;
    const QPoint at = QCursor::pos();
    if (MenuContainer->rect().contains(MenuContainer->mapFromGlobal(at)))
        return;
    if (FLanguagePopup && FLanguagePopup->isVisible() && FLanguagePopup->rect().contains(FLanguagePopup->mapFromGlobal(at)))
        return;
    TeardownMenuMarquee();
    MenuContainer->hide();
    if (FLanguagePopup)
        FLanguagePopup->hide();
}

void TForm1::BuildMenuItemList()
{
    // Every shown entry stays selectable, scrolling or not.
    FMenuItems.clear();
    for (const TMenuEntry& e : kEntries)
        if (TLabel* label = MenuEntry(e.name); label && !label->isHidden())
            FMenuItems.push_back(label);
    FMenuSelIndex = -1;
}

void TForm1::BuildLangItemList()
{
    FLangItems.clear();
    if (!FLanguagePopup)
        return;
    for (TLabel* label : FLanguagePopup->findChildren<TLabel*>(QString(), Qt::FindDirectChildrenOnly))
        FLangItems.push_back(label);
    std::stable_sort(FLangItems.begin(), FLangItems.end(), [](TLabel* a, TLabel* b) { return a->y() < b->y(); });
}

void TForm1::SelectMenuItem(int Index)
{
    if (FMenuItems.empty())
        return;
    const int n = int(FMenuItems.size());
    FMenuSelIndex = Index < 0 ? n - 1 : Index >= n ? 0 : Index;
    HighlightMenuEntry(FMenuItems, FMenuSelIndex);
}

void TForm1::SelectLangItem(int Index)
{
    if (FLangItems.empty())
        return;
    const int n = int(FLangItems.size());
    FLangSelIndex = Index < 0 ? n - 1 : Index >= n ? 0 : Index;
    HighlightMenuEntry(FLangItems, FLangSelIndex);
}

void TForm1::HighlightMenuEntry(const std::vector<TLabel*>& Items, int Index)
{
    for (TLabel* label : Items)
        label->setFontColour(kText);
    if (Index >= 0 && Index < int(Items.size()))
        Items[size_t(Index)]->setFontColour(SelectedEntryColour());
}

void TForm1::LanguageEntryClick()
{
    LanguageMIClick();
    // Shown from the open menu, the popup overlaps the menu's right part,
    // level with the entry: the mouse reaches it without leaving the menu.
    TLabel* entry = MenuEntry("LanguageMI");
    if (FLanguagePopup && FLanguagePopup->isVisible() && MenuContainer->isVisible() && entry) {
        // A scrolling caption runs inside a clip at the entry's own place and width.
        const QWidget* slot = entry->parentWidget() == MenuContainer ? static_cast<QWidget*>(entry) : entry->parentWidget();
        const QPoint at = slot->mapTo(this, QPoint(0, 0));
        int y = at.y();
        if (y + FLanguagePopup->height() > height() - DpI(5))
            y = std::max(DpI(5), height() - FLanguagePopup->height() - DpI(5));
        FLanguagePopup->move(at.x() + slot->width() + DpI(5), y);
        FLanguagePopup->raise();
    }
}

void TForm1::OpenLanguageSubmenu()
{
    if (!FLanguagePopup || FLanguagePopup->isHidden())
        LanguageEntryClick();
    for (int i = 0; i < int(FMenuItems.size()); ++i)
        if (FMenuItems[size_t(i)] == MenuEntry("LanguageMI"))
            SelectMenuItem(i);
    BuildLangItemList();
    SelectLangItem(0);
}

bool TForm1::HandleMenuKey(int Key)
{
    if (!MenuContainer || !MenuContainer->isVisible())
        return false;
    if (FLanguagePopup && FLanguagePopup->isVisible()) {
        switch (Key) {
        case Qt::Key_Return:
            if (FLangSelIndex >= 0 && FLangSelIndex < int(FLangItems.size())) {
                const int option = FLanguagePopup->findChildren<TLabel*>(QString(), Qt::FindDirectChildrenOnly)
                                       .indexOf(FLangItems[size_t(FLangSelIndex)]);
                CloseMainMenu();
                LangOptionClick(option);
            }
            return true;
        case Qt::Key_Escape:
        case Qt::Key_Left:
            FLanguagePopup->hide();
            HighlightMenuEntry(FMenuItems, FMenuSelIndex);
            return true;
        case Qt::Key_Up:
            SelectLangItem(FLangSelIndex - 1);
            return true;
        case Qt::Key_Down:
            SelectLangItem(FLangSelIndex + 1);
            return true;
        default:
            return false;
        }
    }
    switch (Key) {
    case Qt::Key_Return:
    case Qt::Key_Right:
        if (FMenuSelIndex >= 0 && FMenuSelIndex < int(FMenuItems.size())) {
            TLabel* entry = FMenuItems[size_t(FMenuSelIndex)];
            if (entry == MenuEntry("LanguageMI")) {
                OpenLanguageSubmenu();
            } else if (Key == Qt::Key_Return) {
                CloseMainMenu();
                if (entry->isEnabled())
                    Q_EMIT entry->clicked();
            }
        }
        return true;
    case Qt::Key_Escape:
        CloseMainMenu();
        return true;
    case Qt::Key_Up:
        SelectMenuItem(FMenuSelIndex - 1);
        return true;
    case Qt::Key_Down:
        SelectMenuItem(FMenuSelIndex + 1);
        return true;
    default:
        return false;
    }
}

// ------------------------------------------------------------------ marquees

void TForm1::SetupMenuMarquee()
{
    if (!FMenuMarquee)
        return;
    TeardownMenuMarquee();
    for (const TMenuEntry& e : kEntries)
        FMenuMarquee->AddLabel(MenuEntry(e.name));
    FMenuMarquee->Start();
}

void TForm1::TeardownMenuMarquee()
{
    if (FMenuMarquee)
        FMenuMarquee->Teardown();
}

void TForm1::SetupUILabelMarquee()
{
    if (!FUILabelMarquee)
        return;
    TeardownUILabelMarquee();
    for (const char* name : kUILabelNames)
        if (auto* label = findChild<TLabel*>(QString::fromLatin1(name)); label && label->isVisibleTo(this))
            FUILabelMarquee->AddLabel(label);
    for (int k = 1; k <= 5; ++k)
        if (TLabel* label = ParamLabel(k); label && label->isVisibleTo(this))
            FUILabelMarquee->AddLabel(label);
    FUILabelMarquee->Start();
}

void TForm1::TeardownUILabelMarquee()
{
    if (FUILabelMarquee)
        FUILabelMarquee->Teardown();
}

void TForm1::SetupExpanderMarquee()
{
    if (!FExpanderMarquee)
        return;
    TeardownExpanderMarquee();
    bool animated = false;
    for (TExpander* exp : Expanders) {
        const int room = exp->headerTextRoom(), textWidth = exp->headerTextWidth();
        if (room <= 0 || textWidth <= room + 2)
            continue;
        // A small overflow shows uncut and still; a larger one scrolls.
        exp->setHeaderTextScroll(true, 0);
        TMarqueeState state;
        state.LabelWidth = float(room);
        state.TextWidth = float(textWidth);
        if (textWidth > room + 14) {
            FExpanderMarquee->Add(state, [exp = QPointer<TExpander>(exp)](float x) {
                if (exp)
                    exp->setHeaderTextScroll(true, x);
            });
            animated = true;
        } else {
            // Still: its teardown only switches the uncut caption off.
            state.Phase = TMarqueePhase::WaitStart;
            state.WaitCount = std::numeric_limits<int>::max();
            FExpanderMarquee->Add(state, {});
        }
    }
    if (animated)
        FExpanderMarquee->Start();
}

void TForm1::TeardownExpanderMarquee()
{
    if (FExpanderMarquee)
        FExpanderMarquee->Teardown();
    for (TExpander* exp : Expanders)
        if (exp)
            exp->setHeaderTextScroll(false);
}

} // namespace pv
