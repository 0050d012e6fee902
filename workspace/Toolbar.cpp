// The top bar's full row of buttons (open, save, copy, paste, undo, redo,
// print, split view, help, coffee, quit) with the main-menu button in front,
// and the small forwarding commands the menu entries and the shortcuts share.

#include "workspace/Unit1.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/U_Theme.h"
#include "shell/WebPages.h"
#include "workspace/CanvasView.h"

static void InitToolbarIcons() { Q_INIT_RESOURCE(toolbar); }

namespace pv {

void TForm1::CreateToolbar()
{
    InitToolbarIcons();
    const auto makeButton = [this](TIconButton*& field, const char* name, const char* icon, const char* hint) {
        auto* button = new TIconButton(ProgramBarRect);
        button->setObjectName(QString::fromLatin1(name));
        button->icon()->setSource(QString::fromLatin1(icon));
        button->icon()->setOverrideColour(ThemeMapTextColor(0xFFD5D5D5u));
        button->setToolTip(QString::fromLatin1(hint));
        button->resize(DpI(38), DpI(38));
        button->show();
        field = button;
        return button;
    };
    makeButton(bnMainMenu, "bnMainMenu", ":/toolbar/menu.svg", "Menu");
    makeButton(SpeedButton3, "SpeedButton3", ":/toolbar/copy.svg", "Copy to clipboard");
    makeButton(SpeedButton4, "SpeedButton4", ":/toolbar/paste.svg", "Paste from clipboard");
    makeButton(SpeedButton7, "SpeedButton7", ":/toolbar/print.svg", "Print");
    makeButton(SpeedButton8, "SpeedButton8", ":/toolbar/help.svg", "Help");
    makeButton(SpeedButton9, "SpeedButton9", ":/toolbar/coffee.svg", "A cup of coffee?");
    makeButton(SpeedButton23, "SpeedButton23", ":/toolbar/quit.svg", "Close Pelandrovium");
    SpeedButton23->setHoverColour(0xFFFF0000u);
    CoffeeCup = SpeedButton9->icon();

    // The row after the menu button is laid out with the window's buttons.
    bnMainMenu->move(DpI(214), DpI(9));
    LayoutWindowButtons();

    connect(bnMainMenu, &TIconButton::clicked, this, &TForm1::bnMainMenuClick);
    connect(SpeedButton7, &TIconButton::clicked, this, &TForm1::SpeedButton7Click);
    connect(SpeedButton8, &TIconButton::clicked, this, &TForm1::HelpMIClick);
    connect(SpeedButton9, &TIconButton::clicked, this, &TForm1::SpeedButton9Click);
    connect(SpeedButton23, &TIconButton::clicked, this, &TForm1::QuitMIClick);
    // A right-button release on the quit button starts afresh.
    connect(SpeedButton23, &TIconButton::released, this, [this](Qt::MouseButton b) {
        if (b == Qt::RightButton && SpeedButton23->rect().contains(SpeedButton23->mapFromGlobal(QCursor::pos())))
            FullReset();
    });
    connect(SpeedButton3, &TIconButton::clicked, this, &TForm1::CopyMIClick);
    connect(SpeedButton4, &TIconButton::clicked, this, &TForm1::PasteMIClick);
}

void TForm1::OpenMIClick()
{
    CloseMainMenu();
    SpeedButton1Click();
}

void TForm1::SaveMIClick()
{
    CloseMainMenu();
    SpeedButton2Click();
}

void TForm1::QuitMIClick() { close(); }

void TForm1::SwapMIClick()
{
    if (!FSkImage || !FSkSourceImage)
        return;
    std::swap(FSkImage, FSkSourceImage);
    RedrawCanvas();
}

void TForm1::BatchMIClick()
{
    CloseMainMenu();
    StartBatchMode();
}

void TForm1::ScriptMIClick()
{
    CloseMainMenu();
    ShowScriptEditor();
}

void TForm1::HelpMIClick() { OpenWebPage(HelpPageUrl()); }

void TForm1::InfoMIClick() { OpenWebPage(AboutPageUrl()); }

void TForm1::UpdateMIClick()
{
    CloseMainMenu();
    Check4Update();
}

void TForm1::UIZoomMIClick()
{
    CloseMainMenu();
    ShowUIZoomWindow();
}

} // namespace pv
