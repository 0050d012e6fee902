// The frameless window's title area: minimise, maximise and close at the top
// right of the top bar, the bar itself as the drag strip (held to move, a
// double click maximises or restores), the edge strips and corner grips, and
// the window's own maximise onto the work area.

#include "workspace/window/MainWindow.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Theme.h"
#include "shell/WindowChrome.h"
#include "workspace/canvas/CanvasView.h"

#include <QGuiApplication>
#include <QWindow>

namespace pv {

namespace {

const QByteArray kMinimiseIcon = QByteArrayLiteral(
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" fill="none" stroke="#000" stroke-width="1.8" )"
    R"(stroke-linecap="round"><path d="M6 12.5h12"/></svg>)");
const QByteArray kMaximiseIcon = QByteArrayLiteral(
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" fill="none" stroke="#000" stroke-width="1.8" )"
    R"(stroke-linejoin="round"><rect x="6" y="6" width="12" height="12" rx="1.5"/></svg>)");
const QByteArray kRestoreIcon = QByteArrayLiteral(
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" fill="none" stroke="#000" stroke-width="1.8" )"
    R"(stroke-linejoin="round" stroke-linecap="round"><rect x="5.5" y="8.5" width="10" height="10" rx="1.5"/>)"
    R"(<path d="M8.5 5.5h8.5a1.5 1.5 0 0 1 1.5 1.5v8.5"/></svg>)");
const QByteArray kCloseIcon = QByteArrayLiteral(
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" fill="none" stroke="#000" stroke-width="1.8" )"
    R"(stroke-linecap="round"><path d="M6.5 6.5l11 11M17.5 6.5l-11 11"/></svg>)");

// The body: its design colour at rest; while the window is pressed, moved or
// resized a light veil lies over it.
constexpr TAlphaColor kBodyFill = kBackgroundTitleBar;
constexpr TAlphaColor kBodyPressedVeil = kTitleBarPressedVeil;

TAlphaColor Over(TAlphaColor top, TAlphaColor below)
{
    const unsigned a = top >> 24;
    TAlphaColor out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned t = (top >> shift) & 0xFFu, b = (below >> shift) & 0xFFu;
        out |= TAlphaColor((t * a + b * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

} // namespace

TAlphaColor BodyColour(bool pressed)
{
    const TAlphaColor rest = ThemeMapColor(kBodyFill);
    return pressed ? Over(ThemePanelColor(kBodyPressedVeil), rest) : rest;
}

void TForm1::CreateWindowChrome()
{
    FChrome = new TWindowChrome(this);
    FChrome->SetDragStrip(ProgramBarRect);
    FChrome->SetDragSurface(Body);

    const auto make = [this](const char* name, const QByteArray& icon, TAlphaColor hoverDark, TAlphaColor hoverLight) {
        auto* button = new TIconButton(ProgramBarRect);
        button->setObjectName(QString::fromLatin1(name));
        button->icon()->setSvgData(icon);
        button->icon()->setOverrideColour(ThemeMapTextColor(kText));
        button->setStyledColour("hoverFill", hoverDark, hoverLight);
        button->setIconSize(18);
        button->setCursor(Qt::ArrowCursor);
        button->resize(DpI(38), DpI(38));
        return button;
    };
    MinSpeedButton = make("MinSpeedButton", kMinimiseIcon, kTitleBarButtonHover, kLightTitleBarButtonHover);
    MaxSpeedButton = make("MaxSpeedButton", kMaximiseIcon, kTitleBarButtonHover, kLightTitleBarButtonHover);
    CloseSpeedButton = make("CloseSpeedButton", kCloseIcon, kStateCloseTitleBar, kStateCloseTitleBar);
    connect(MinSpeedButton, &TIconButton::clicked, this, &TForm1::MinButtonClick);
    connect(MaxSpeedButton, &TIconButton::clicked, this, &TForm1::MaxButtonClick);
    connect(CloseSpeedButton, &TIconButton::clicked, this, &TForm1::CloseButtonClick);
    // A right-button click on close is the full reset.
    connect(CloseSpeedButton, &TIconButton::rightClicked, this, [this] { CloseSpeedButtonMouseUp(Qt::RightButton); });

    PVLogo->setClickable(true);
    connect(PVLogo, &TSvgIcon::clicked, this, &TForm1::PVLogoClick);
    // Leaving the window ends a pan of the canvas.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        if (SkPaintBox1 && focus != windowHandle())
            SkPaintBox1->EndPan();
    });

    connect(FChrome, &TWindowChrome::pressedChanged, this,
            [this](bool pressed) { Body->setFillColour(BodyColour(pressed)); });
    connect(FChrome, &TWindowChrome::maximizedChanged, this,
            [this](bool maximized) { MaxSpeedButton->icon()->setSvgData(maximized ? kRestoreIcon : kMaximiseIcon); });
    connect(FChrome, &TWindowChrome::relayoutNeeded, this, [this] {
        LayoutWindow();
        RepositionPictos();
    });
}

int TForm1::LayoutTitleButtons()
{
    if (!CloseSpeedButton)
        return ProgramBarRect->width();
    // The handles follow the window, whatever rescaled the controls.
    FChrome->LayoutHandles();
    const int y = DpI(9);
    CloseSpeedButton->move(ProgramBarRect->width() - CloseSpeedButton->width() - DpI(5), y);
    MaxSpeedButton->move(CloseSpeedButton->x() - DpI(40), y);
    MinSpeedButton->move(MaxSpeedButton->x() - DpI(40), y);
    return MinSpeedButton->x();
}

bool TForm1::IsCustomMaximized() const { return FChrome && FChrome->IsCustomMaximized(); }

void TForm1::MaxButtonClick() { FChrome->MaxButtonClick(); }

void TForm1::MinButtonClick() { FChrome->MinButtonClick(); }

void TForm1::CloseButtonClick() { close(); }

void TForm1::CloseSpeedButtonMouseUp(Qt::MouseButton Button)
{
    if (Button == Qt::RightButton)
        FullReset();
}

void TForm1::SpeedButton23MouseUp(Qt::MouseButton Button)
{
    if (Button == Qt::RightButton)
        FullReset();
}

void TForm1::MaximizeAtFirstShow()
{
    FChrome->UpdateMinConstraintsForWorkArea();
    if (!FChrome->IsCustomMaximized())
        FChrome->MaxButtonClick();
}

void TForm1::SettleWindowAtStartup()
{
    FChrome->UpdateMinConstraintsForWorkArea();
    // Restoring gives a centred window of 90 % of the work area.
    const QRect restore = StartupRestoreRect(FChrome->WorkArea(), minimumSize());
    if (FChrome->IsCustomMaximized())
        FChrome->MaximizeToWorkArea();
    else
        FChrome->MaxButtonClick();
    FChrome->SetRestoreBounds(restore);
    LayoutWindow();
}

} // namespace pv
