#include "KeyboardFixture.h"

#include "engine/ImageHistory.h"
#include "overlays/ManualBrush.h"
#include "overlays/OverlayHost.h"
#include "overlays/TextureSelector.h"
#include "workspace/gallery/GalleryStrip.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/TabNav.h"
#include "platform/widgets/ThumbnailGrid.h"
#include "shell/Theme.h"
#include "shell/WebPages.h"
#include "shell/WindowKeyFilter.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/text-and-print/PrintWindow.h"
#include "workspace/text-and-print/TextWindow.h"

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace pv {
namespace {

using test::ClearFocus;
using test::KeyboardForm;
using test::PressKey;

constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Alt = Qt::AltModifier;
constexpr auto Meta = Qt::MetaModifier;
constexpr auto Pad = Qt::KeypadModifier;

// Typing: the print window's margin box has the focus; TextEdit: the text
// window's edit.
enum class State { Bare, Typing, TextEdit, UIZoom, Crop, Coffee, Brush };

struct Row {
    int key;
    Qt::KeyboardModifiers mods;
    State state;
    const char* acts; // the row that acts, or null for none
    const char* text = "";
};

// Every row of the table: the row that acts, or nothing where none may.
const Row kRows[] = {
    {Qt::Key_Return, {}, State::Bare, nullptr},
    {Qt::Key_Return, {}, State::UIZoom, "confirm the interface size"},
    {Qt::Key_Return, {}, State::Crop, "apply the crop"},
    {Qt::Key_Return, {}, State::Coffee, "buy a coffee"},
    {Qt::Key_Escape, {}, State::Bare, nullptr},
    {Qt::Key_Escape, {}, State::UIZoom, "close the interface size"},
    {Qt::Key_Escape, {}, State::Crop, "cancel the crop"},
    {Qt::Key_Escape, {}, State::Coffee, "close the coffee prompt"},
    {Qt::Key_Escape, {}, State::Brush, "close the manual brush"},
    {Qt::Key_0, Ctrl, State::Bare, "100%"},
    {Qt::Key_0, Ctrl | Pad, State::Typing, "100%"},
    {Qt::Key_0, {}, State::Bare, nullptr},
    {Qt::Key_Minus, {}, State::Bare, "zoom out"},
    {Qt::Key_Minus, Pad, State::Bare, "zoom out"},
    {Qt::Key_Minus, {}, State::Typing, nullptr},
    {Qt::Key_Minus, Ctrl, State::Typing, "zoom out"},
    {Qt::Key_6, {}, State::Bare, "zoom out"},
    {Qt::Key_6, {}, State::Typing, nullptr},
    {Qt::Key_6, Pad, State::Bare, nullptr},
    {Qt::Key_Equal, {}, State::Bare, "zoom in"},
    {Qt::Key_Plus, Pad, State::Bare, "zoom in"},
    {0, {}, State::Bare, "zoom in", "+"},
    {Qt::Key_Plus, {}, State::Typing, nullptr},
    {Qt::Key_B, Ctrl, State::Bare, "batch mode"},
    {Qt::Key_B, {}, State::Bare, nullptr},
    {Qt::Key_V, Ctrl, State::Bare, "paste"},
    {Qt::Key_C, Ctrl, State::Bare, "copy"},
    // An edit keeps the keys it edits its text with; other Mod keys act.
    {Qt::Key_C, Ctrl, State::Typing, nullptr},
    {Qt::Key_V, Ctrl, State::Typing, nullptr},
    {Qt::Key_C, Ctrl, State::TextEdit, nullptr},
    {Qt::Key_V, Ctrl, State::TextEdit, nullptr},
    {Qt::Key_N, Ctrl | Shift, State::TextEdit, "full reset"},
    {Qt::Key_N, Ctrl | Shift, State::Typing, "full reset"},
    {Qt::Key_S, Ctrl, State::TextEdit, "save"},
    {Qt::Key_F11, {}, State::TextEdit, "combine"},
    {Qt::Key_S, {}, State::TextEdit, nullptr},
    {Qt::Key_Minus, {}, State::TextEdit, nullptr},
    {Qt::Key_Return, {}, State::TextEdit, "commit the text"},
    {Qt::Key_Escape, {}, State::TextEdit, "cancel the text"},
    {Qt::Key_C, {}, State::Bare, "coffee"},
    {Qt::Key_C, {}, State::Typing, nullptr},
    {Qt::Key_E, Ctrl, State::Typing, "script editor"},
    {Qt::Key_F, Ctrl, State::Bare, "fit the picture"},
    {Qt::Key_L, Ctrl | Shift, State::Bare, "export the languages"},
    {Qt::Key_L, Ctrl, State::Bare, "language"},
    {Qt::Key_L, Alt, State::Bare, "language"},
    {Qt::Key_L, {}, State::Bare, "rotate left"},
    {Qt::Key_L, {}, State::Typing, nullptr},
    {Qt::Key_M, {}, State::Bare, "switch the theme"},
    {Qt::Key_M, Ctrl, State::Bare, nullptr},
    {Qt::Key_M, {}, State::Typing, nullptr},
    {Qt::Key_N, Ctrl | Shift, State::Bare, "full reset"},
    {Qt::Key_N, Alt | Shift, State::Bare, nullptr},
    {Qt::Key_O, Ctrl, State::Bare, "open"},
    {Qt::Key_P, Ctrl, State::Typing, "print"},
    {Qt::Key_Q, Ctrl, State::Bare, "quit"},
    {Qt::Key_R, Ctrl, State::Bare, "resize"},
    {Qt::Key_R, {}, State::Bare, "rotate right"},
    {Qt::Key_S, Ctrl | Shift, State::Bare, "script editor"},
    {Qt::Key_S, Ctrl, State::Bare, "save"},
    {Qt::Key_S, Meta, State::Typing, "save"},
    {Qt::Key_S, {}, State::Bare, "split view"},
    {Qt::Key_U, {}, State::Bare, "check for an update"},
    {Qt::Key_U, {}, State::Typing, nullptr},
    {Qt::Key_Z, Ctrl, State::Typing, nullptr},
    {Qt::Key_Z, Ctrl | Shift, State::Typing, nullptr},
    {Qt::Key_Z, Ctrl | Alt, State::Typing, "undo"},
    {Qt::Key_Z, Ctrl, State::Bare, "undo"},
    {Qt::Key_Z, Ctrl | Alt, State::Bare, "undo"},
    {Qt::Key_Z, Ctrl | Shift, State::Bare, "redo"},
    {Qt::Key_Z, {}, State::Bare, "interface size"},
    {Qt::Key_Z, {}, State::Typing, nullptr},
    {Qt::Key_F1, Ctrl | Alt, State::Typing, "online help"},
    {Qt::Key_F2, {}, State::Bare, "about page"},
    {Qt::Key_F10, {}, State::Typing, "main menu"},
    {Qt::Key_F11, {}, State::Bare, "combine"},
    {Qt::Key_F12, Shift, State::Bare, "swap source and result"},
};

TEST(Shortcuts, EveryRowActsInItsStateAndNowhereElse)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    std::vector<std::string> acted;
    form.FShortcutProbe = [&acted](const char* name) { acted.emplace_back(name); };
    const auto focusEdit = [&form](State state) {
        if (state == State::Typing)
            form.PrintWindow->nbMargin->setFocus();
        if (state == State::TextEdit)
            form.TextWindow->TextToolEdit->setFocus();
    };
    for (const Row& r : kRows) {
        ClearFocus(form);
        if (r.state == State::Typing)
            form.PrintMIClick();
        if (r.state == State::TextEdit)
            form.Label9Click();
        if (r.state == State::UIZoom)
            form.ShowUIZoomWindow();
        if (r.state == State::Crop)
            form.Label5Click();
        if (r.state == State::Coffee)
            form.SpeedButton9Click();
        if (r.state == State::Brush)
            form.ShowManualBrushFrame();
        ClearFocus(form);
        focusEdit(r.state);
        if (r.state == State::Typing || r.state == State::TextEdit)
            ASSERT_TRUE(IsTypingControl(QApplication::focusWidget())) << r.key;
        QApplication::processEvents();
        acted.clear();
        const bool used = PressKey(form, r.key, r.mods, QString::fromLatin1(r.text));
        const std::string what = std::to_string(r.key) + " " + std::to_string(r.mods.toInt()) + " state " +
                                 std::to_string(int(r.state));
        if (r.acts) {
            ASSERT_EQ(acted.size(), 1u) << what;
            EXPECT_EQ(acted[0], r.acts) << what;
            EXPECT_TRUE(used) << what;
        } else {
            EXPECT_TRUE(acted.empty()) << what << " " << (acted.empty() ? "" : acted[0]);
        }
        form.FShortcutProbe = {};
        if (form.IsUIZoomWindowOpen())
            form.UIZoomCloseClick();
        if (form.IsCropActive())
            form.Cancel1Click();
        if (form.IsCoffeeOpen())
            form.CancelCoffeeButtonClick();
        if (form.FManualBrushFrame)
            form.CloseManualBrushFrame();
        if (form.PrintWindow->isVisible())
            form.PrintWindow->bnCancelClick();
        if (form.IsTextWindowVisible())
            form.CancelTextButtonClick();
        form.FShortcutProbe = [&acted](const char* name) { acted.emplace_back(name); };
    }
}

// A crop selection under the coffee prompt takes Enter and Esc first: a key
// meant for the crop never confirms the payment page. The next Esc closes
// the prompt.
TEST(Shortcuts, ACropUnderTheCoffeePromptTakesEnterAndEscFirst)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    std::vector<QUrl> opened;
    SetWebPageOpener([&opened](const QUrl& url) { opened.push_back(url); });
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        SCOPED_TRACE(key);
        form.Label5Click();
        form.SpeedButton9Click();
        ASSERT_TRUE(form.IsCropActive());
        ASSERT_TRUE(form.IsCoffeeOpen());
        EXPECT_TRUE(PressKey(form, key));
        EXPECT_FALSE(form.IsCropActive());
        EXPECT_TRUE(form.IsCoffeeOpen());
        EXPECT_TRUE(opened.empty());
        EXPECT_TRUE(PressKey(form, Qt::Key_Escape));
        EXPECT_FALSE(form.IsCoffeeOpen());
    }
    SetWebPageOpener({});
    EXPECT_TRUE(opened.empty());
}

TEST(Shortcuts, EscRaisesTheCancelFlagAndPassesOn)
{
    KeyboardForm form;
    form.Cancel = false;
    EXPECT_FALSE(PressKey(form, Qt::Key_Escape));
    EXPECT_TRUE(form.Cancel.load());
}

TEST(Shortcuts, AKeyActsOnceAndTheActionsAreTheWindowsOwn)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200, 0xFF102030u));
    const ISkImage before = form.FSkImage;
    form.FSkImage = test::FlatPicture(300, 200, 0xFF405060u);
    const ISkImage result = form.FSkImage;
    // F12 swaps exactly once per press (twice would give the start back).
    EXPECT_TRUE(PressKey(form, Qt::Key_F12));
    EXPECT_EQ(form.FSkImage.get(), before.get());
    EXPECT_EQ(form.FSkSourceImage.get(), result.get());

    std::vector<QUrl> opened;
    SetWebPageOpener([&opened](const QUrl& url) { opened.push_back(url); });
    PressKey(form, Qt::Key_F1);
    PressKey(form, Qt::Key_F2);
    SetWebPageOpener({});
    EXPECT_EQ(opened, (std::vector<QUrl>{HelpPageUrl(), AboutPageUrl()}));

    const bool light = IsLightTheme();
    PressKey(form, Qt::Key_M);
    EXPECT_NE(IsLightTheme(), light);
    PressKey(form, Qt::Key_M);
    EXPECT_EQ(IsLightTheme(), light);

    // Ctrl+Alt+Z undoes: back to the first opened picture.
    ASSERT_TRUE(test::OpenFlatPicture(form, 120, 80));
    EXPECT_TRUE(PressKey(form, Qt::Key_Z, Ctrl | Alt));
    EXPECT_EQ(form.FSkImage->width(), 300);

    // Typing 6 into an edit inserts it; on the bare window it zooms out.
    form.edit->setFocus();
    PressKey(form, Qt::Key_6, {}, QStringLiteral("6"));
    EXPECT_EQ(form.edit->text(), QStringLiteral("6"));
    ClearFocus(form);
    form.SkPaintBox1->FullSizeAndCenter();
    PressKey(form, Qt::Key_6, {}, QStringLiteral("6"));
    EXPECT_LT(form.FZoomFactor, 1.0f);
}

TEST(Shortcuts, CopyAndPasteInANumberBoxWorkOnItsText)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    form.PrintMIClick();
    ASSERT_TRUE(form.PrintWindow->isVisible());
    TNumberBox* margin = form.PrintWindow->nbMargin;
    margin->setFocus();
    margin->editor()->setText(QStringLiteral("12"));
    margin->editor()->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("-"));
    EXPECT_TRUE(PressKey(form, Qt::Key_C, Ctrl));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("12"));
    QApplication::clipboard()->setText(QStringLiteral("7"));
    margin->editor()->selectAll();
    const ISkImage picture = form.FSkImage;
    EXPECT_TRUE(PressKey(form, Qt::Key_V, Ctrl));
    EXPECT_EQ(margin->editor()->text(), QStringLiteral("7"));
    EXPECT_EQ(form.FSkImage.get(), picture.get());
    form.PrintWindow->bnCancelClick();
}

TEST(Shortcuts, NothingBehindTheOpenMenuMovesOrClicks)
{
    KeyboardForm form;
    ClearFocus(form);
    // The ring on the menu button; the menu opens over the window.
    PressKey(form, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form.bnMainMenu);
    ASSERT_TRUE(FocusRingShown(form.FFocusRing));
    PressKey(form, Qt::Key_F10);
    ASSERT_TRUE(form.MenuContainer->isVisible());
    for (int key : {int(Qt::Key_Tab), int(Qt::Key_Backtab), int(Qt::Key_Space)}) {
        EXPECT_TRUE(PressKey(form, key, key == Qt::Key_Backtab ? Shift : Qt::NoModifier)) << key;
        EXPECT_EQ(QApplication::focusWidget(), form.bnMainMenu) << key;
        EXPECT_TRUE(form.MenuContainer->isVisible()) << key;
    }
    // Enter runs the menu's entry, not the ringed button (which would close the menu and open nothing).
    PressKey(form, Qt::Key_Up);
    ASSERT_TRUE(form.MenuContainer->isVisible());
    ASSERT_GE(form.FMenuSelIndex, 0);
    ASSERT_EQ(form.FMenuItems[size_t(form.FMenuSelIndex)], form.MenuEntry("UIZoomMI"));
    EXPECT_TRUE(PressKey(form, Qt::Key_Return));
    EXPECT_FALSE(form.MenuContainer->isVisible());
    EXPECT_TRUE(form.IsUIZoomWindowOpen());
    form.UIZoomCloseClick();
}

// The names of the focused control and its parents inside root.
void NoteFocused(QWidget* root, std::set<QString>& reached)
{
    for (QWidget* w = QApplication::focusWidget(); w && w != root; w = w->parentWidget())
        reached.insert(w->objectName());
}

TEST(Shortcuts, TabReachesEveryControlOfTheGalleryCombineAndTablePanels)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    struct Case {
        const char* panel;
        std::function<void()> open;
        std::vector<const char*> stops, skipped;
    };
    const Case cases[] = {
        {"TFrame3", [&form] { form.Label21Click(); },
         {"ScrollBoxFrames", "NumberBox1", "BtnLoadCustom", "BtnApplyBrushstrokeFrame", "Button2", "Button1", "CloseBtn"},
         {"ComboColorBox1"}},
        {"TFrameTextureSelector", [&form] { form.Label10Click(); },
         {"ScrollBoxTextures", "NumberBoxScale", "NumberBoxStrength", "BtnLoadCustom", "Button2", "Button1", "CloseBtn"},
         {}},
        {"TFrame4", [&form] { form.CombineMIClick(); }, {"TrackBar1", "ComboBox1", "Button2", "Button1", "CloseBtn"}, {}},
        {"TFrameLUTSelector", [&form] { form.ShowLUTSelector(); },
         {"LstLUTs", "BtnLoadDisk", "BtnCancel", "BtnApply", "CloseBtn"},
         {}},
    };
    for (const Case& c : cases) {
        c.open();
        QWidget* panel = form.ActiveOverlayFrame();
        ASSERT_TRUE(panel && panel->objectName() == QLatin1String(c.panel)) << c.panel;
        QApplication::processEvents();
        std::set<QString> reached;
        for (size_t i = 0; i < 3 * c.stops.size(); ++i) {
            EXPECT_TRUE(PressKey(form, Qt::Key_Tab));
            ASSERT_TRUE(panel->isAncestorOf(QApplication::focusWidget())) << c.panel;
            NoteFocused(panel, reached);
        }
        for (const char* name : c.stops)
            EXPECT_TRUE(reached.count(QString::fromLatin1(name))) << c.panel << " " << name;
        for (const char* name : c.skipped)
            EXPECT_FALSE(reached.count(QString::fromLatin1(name))) << c.panel << " " << name;
        form.CloseOverlay();
        QApplication::processEvents();
        ASSERT_EQ(form.ActiveOverlayFrame(), nullptr);
    }
}

TEST(Shortcuts, CloseCrossesAreStopsAndEnterOnOneCloses)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    struct Case {
        const char* cross;
        std::function<void()> open;
        std::function<QWidget*()> window;
    };
    const Case cases[] = {
        {"CoffeeCloseBtn", [&form] { form.SpeedButton9Click(); }, [&form] { return form.CoffeeRectangle; }},
        {"PrintCloseBtn", [&form] { form.PrintMIClick(); }, [&form] { return form.PrintWindow; }},
        {"TextCloseBtn", [&form] { form.Label9Click(); }, [&form] { return form.TextWindow; }},
        {"CloseBtn", [&form] { form.Label6Click(); }, [&form] { return form.ActiveOverlayFrame(); }},
    };
    for (const Case& c : cases) {
        ClearFocus(form);
        c.open();
        QPointer<QWidget> window = c.window();
        ASSERT_TRUE(window && window->isVisible()) << c.cross;
        QApplication::processEvents();
        const auto focused = [] {
            const QWidget* f = QApplication::focusWidget();
            return f ? f->objectName() : QString();
        };
        for (int i = 0; i < 40 && focused() != QLatin1String(c.cross); ++i)
            PressKey(form, Qt::Key_Tab);
        ASSERT_EQ(focused(), QLatin1String(c.cross));
        EXPECT_TRUE(FocusRingShown(form.FFocusRing)) << c.cross;
        EXPECT_TRUE(PressKey(form, Qt::Key_Return)) << c.cross;
        test::WaitUntil([&] { return !window || !window->isVisible(); });
        EXPECT_TRUE(!window || !window->isVisible()) << c.cross;
    }
}

TEST(Shortcuts, TabSkipsTheHiddenZoomBarOfThePreviewAndTheGalleryStrip)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    ASSERT_TRUE(form.PreviewZoomRect->isVisibleTo(&form));
    std::vector<QWidget*> stops;
    CollectTabStops(&form, stops);
    ASSERT_FALSE(stops.empty());
    for (QWidget* w : stops)
        for (QWidget* skipped : {static_cast<QWidget*>(form.PreviewZoomRect), static_cast<QWidget*>(form.HistoryRect)})
            EXPECT_FALSE(IsDescendantOf(w, skipped)) << w->objectName().toStdString();
}

TEST(Shortcuts, TheFirstTabAfterStartUpGoesToTheMenuButton)
{
    // Activating the window hands the focus to none of its controls.
    KeyboardForm form;
    QWidget* focus = QApplication::focusWidget();
    EXPECT_TRUE(focus == nullptr || focus == &form) << focus->objectName().toStdString();
    EXPECT_TRUE(PressKey(form, Qt::Key_Tab));
    EXPECT_EQ(QApplication::focusWidget(), form.bnMainMenu);
    EXPECT_TRUE(FocusRingShown(form.FFocusRing));
    // Tab goes on past the top bar into the side panels: their scroll boxes
    // are no stops of their own, the effect headers and apply button are.
    std::vector<QWidget*> stops;
    CollectTabStops(&form, stops);
    const auto has = [&stops](QWidget* w) { return std::find(stops.begin(), stops.end(), w) != stops.end(); };
    EXPECT_TRUE(has(form.Expanders[0]));
    EXPECT_TRUE(has(form.Button1));
    for (QWidget* w : stops)
        EXPECT_EQ(qobject_cast<QAbstractScrollArea*>(w), nullptr) << w->objectName().toStdString();
}

TEST(Shortcuts, EscClosesTheManualBrushButNotWhileAStrokeIsApplied)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    form.ShowManualBrushFrame();
    ASSERT_TRUE(form.FManualBrushFrame);
    ClearFocus(form);
    form.FManualBrushFrame->SetApplying(true);
    form.Cancel = false;
    EXPECT_TRUE(PressKey(form, Qt::Key_Escape));
    EXPECT_TRUE(form.Cancel.load());
    ASSERT_TRUE(form.FManualBrushFrame);
    form.FManualBrushFrame->SetApplying(false);
    form.Cancel = false;
    EXPECT_TRUE(PressKey(form, Qt::Key_Escape));
    EXPECT_TRUE(form.Cancel.load());
    EXPECT_FALSE(form.FManualBrushFrame);
}

TEST(Shortcuts, ArrowsWalkTheGalleryOfTheTexturePanelAndTheRingGoes)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    form.Label10Click();
    auto* panel = qobject_cast<TFrameTextureSelector*>(form.ActiveOverlayFrame());
    ASSERT_TRUE(panel);
    ASSERT_GT(panel->Gallery->count(), 2);
    // Tab puts the ring on a button of the panel; the arrows take it away.
    for (int i = 0; i == 0 || (i < 10 && !qobject_cast<TButton*>(QApplication::focusWidget())); ++i)
        PressKey(form, Qt::Key_Tab);
    ASSERT_TRUE(qobject_cast<TButton*>(QApplication::focusWidget()));
    EXPECT_TRUE(FocusRingShown(form.FFocusRing));
    const int start = panel->SelectedIndex();
    EXPECT_TRUE(PressKey(form, Qt::Key_Right));
    EXPECT_EQ(panel->SelectedIndex(), start < 0 ? 0 : start + 1);
    EXPECT_EQ(QApplication::focusWidget(), panel->Gallery);
    EXPECT_FALSE(FocusRingShown(form.FFocusRing));
    const int moved = panel->SelectedIndex();
    PressKey(form, Qt::Key_Left);
    EXPECT_EQ(panel->SelectedIndex(), moved - 1);
    // Reaching the gallery by Tab shows no ring either: it marks its own choice.
    BeginKeyboardFocus();
    panel->NumberBoxScale->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    BeginKeyboardFocus();
    panel->Gallery->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(FocusRingShown(form.FFocusRing));
    // An arrow in a number box stays there.
    panel->NumberBoxScale->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const int before = panel->SelectedIndex();
    PressKey(form, Qt::Key_Right);
    EXPECT_EQ(panel->SelectedIndex(), before);
    panel->Button2Click();
}

TEST(Shortcuts, CtrlZeroShowsFullSizeAndTheBrushPaintsWhereThePictureNowIs)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 400, 300, 0xFF808080u));
    form.FSkImage = test::FlatPicture(400, 300, 0xFF0000FFu);
    form.History->Save(form.FSkImage, form.FSkSourceImage);
    form.SelectedEffectNumber = 9999; // no effect: the source shows through the stroke
    form.ShowManualBrushFrame();
    TFrameManualBrush* panel = form.FManualBrushFrame;
    ASSERT_TRUE(panel);
    panel->SetSliders(20, 0, 100);
    form.SkPaintBox1->ZoomOut();
    ClearFocus(form);
    EXPECT_TRUE(PressKey(form, Qt::Key_0, Ctrl));
    EXPECT_EQ(form.FZoomFactor, 1.0f);
    const CanvasGeometry& g = form.SkPaintBox1->Geometry();
    const QPointF at = form.layOverlayContainer->mapFromGlobal(
        form.SkPaintBox1->mapToGlobal(g.ImageOrigin() - g.Scroll + QPointF(300, 60)));
    panel->BeginStroke(at);
    panel->EndStroke(at);
    test::WaitUntil([&] { return form.FBackgroundWorkers == 0 && !panel->IsApplying(); });
    SkPixmap pm;
    ASSERT_TRUE(form.FSkImage->peekPixels(pm));
    EXPECT_EQ(pm.at(300, 60), 0xFF808080u);
    EXPECT_EQ(pm.at(100, 240), 0xFF0000FFu);
    form.CloseManualBrushFrame();
}

TEST(Shortcuts, ClickableLabelsLightUnderTheMouseAndGetTheirOwnColourBack)
{
    KeyboardForm form;
    struct Case {
        TLabel* label;
        bool lights;
    };
    // A heading that only shows a text, and a clickable label in a colour of its own.
    auto* own = new TLabel(QStringLiteral("Own"), form.Layout2);
    own->setFontColour(0xFF8899AAu);
    own->setClickable(true);
    QObject::connect(own, &TLabel::clicked, own, [] {});
    form.WireLabelHover(&form);
    for (const Case& c : {Case{form.Label5, true}, Case{own, true}, Case{form.ToolsLabel, false}}) {
        const TAlphaColor rest = c.label->fontColour();
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(c.label, &enter);
        EXPECT_EQ(c.label->fontColour(), c.lights ? (IsLightTheme() ? 0xFF61B9D2u : 0xFFFFFFFFu) : rest)
            << c.label->objectName().toStdString();
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(c.label, &leave);
        EXPECT_EQ(c.label->fontColour(), rest) << c.label->objectName().toStdString();
    }
}

TEST(Shortcuts, TabFromTheBareWindowGoesToTheMenuButtonAndTheRingFollows)
{
    KeyboardForm form;
    ClearFocus(form);
    EXPECT_TRUE(PressKey(form, Qt::Key_Tab));
    EXPECT_EQ(QApplication::focusWidget(), form.bnMainMenu);
    EXPECT_TRUE(FocusRingShown(form.FFocusRing));
    EXPECT_EQ(form.FFocusRing->parentWidget(), form.bnMainMenu->parentWidget());
    // The next stop in reading order: the open button right of it.
    PressKey(form, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.SpeedButton1);
    PressKey(form, Qt::Key_Tab, Shift);
    EXPECT_EQ(QApplication::focusWidget(), form.bnMainMenu);
    // Shift+Tab from nothing cycles backward through the window's stops.
    ClearFocus(form);
    PressKey(form, Qt::Key_Tab, Shift);
    EXPECT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_NE(QApplication::focusWidget(), form.bnMainMenu);
    // A mouse focus hides the ring.
    form.Button1->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(FocusRingShown(form.FFocusRing));
    // Enter hides the ring too.
    PressKey(form, Qt::Key_Tab);
    PressKey(form, Qt::Key_Escape);
    EXPECT_FALSE(FocusRingShown(form.FFocusRing));
}

TEST(Shortcuts, EnterOnAnEffectListUnderTheRingChoosesTheEffectSpaceDoesNot)
{
    KeyboardForm form;
    ASSERT_TRUE(test::OpenFlatPicture(form, 300, 200));
    TExpander* sketch = form.Expanders[0];
    ASSERT_FALSE(sketch->isExpanded());
    // The expander is a stop: Enter under the ring opens it and moves into its list.
    BeginKeyboardFocus();
    sketch->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(FocusRingShown(form.FFocusRing));
    EXPECT_TRUE(PressKey(form, Qt::Key_Return));
    EXPECT_TRUE(sketch->isExpanded());
    TItemList* list = form.ListBoxes[0];
    EXPECT_EQ(QApplication::focusWidget(), list);
    EXPECT_EQ(list->itemIndex(), 0);
    // The ring marks the category's pill.
    EXPECT_TRUE(FocusRingShown(form.FFocusRing));
    EXPECT_EQ(form.FFocusRing->parentWidget(), form.CategoryBackdrops[0]->parentWidget());
    EXPECT_EQ(form.FFocusRing->x(), form.CategoryBackdrops[0]->x());

    // Arrows move the selection; Space chooses nothing; Enter chooses.
    const int before = form.SelectedEffectNumber;
    PressKey(form, Qt::Key_Down);
    EXPECT_EQ(list->itemIndex(), 1);
    PressKey(form, Qt::Key_Space);
    EXPECT_EQ(form.SelectedEffectNumber, before);
    EXPECT_TRUE(PressKey(form, Qt::Key_Return));
    EXPECT_EQ(form.SelectedEffectNumber, 101);
    EXPECT_TRUE(FocusRingShown(form.FFocusRing));

    // Opening the next category closes this one while they animate; the
    // ring ends on the new category's pill where it stands at the end.
    TExpander* pen = form.Expanders[1];
    BeginKeyboardFocus();
    pen->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(PressKey(form, Qt::Key_Return));
    QElapsedTimer animation;
    animation.start();
    while (animation.elapsed() < 500)
        QApplication::processEvents();
    EXPECT_FALSE(sketch->isExpanded());
    EXPECT_TRUE(FocusRingShown(form.FFocusRing));
    EXPECT_EQ(form.FFocusRing->y(), form.CategoryBackdrops[1]->y());
}

} // namespace
} // namespace pv
