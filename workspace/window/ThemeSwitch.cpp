// The main window's side of the theme: the sun and moon icons that switch it,
// the style of the standard controls, and the walk that shows every control
// of the window and its companions in the current theme.

#include "workspace/window/MainWindow.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Theme.h"
#include "workspace/window/BatchProcessing.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/preview/PreviewImage.h"
#include "workspace/scripting/ScriptEditor.h"

#include <QPainter>
#include <QPainterPath>

namespace pv {

bool TForm1::IsLightThemeOn() const { return IsLightTheme(); }

void TForm1::ApplyTheme(bool Mode)
{
    SetLightTheme(Mode);
    ApplyStyle();
    ApplyThemeColors();
    SaveThemeSetting();
    update();
    RedrawCanvas();
}

void TForm1::ApplyStyle() { setStyleSheet(ThemeStyleSheet()); }

void TForm1::ApplyThemeColors()
{
    const bool light = IsLightTheme();
    ThemeWalk(this, light);
    if (FormScriptEditor)
        FormScriptEditor->ApplyEditorTheme();
    if (FBatch)
        FBatch->ApplyTheme();
    // Colours painted outside the widget kit.
    SkPaintBox1->SetBackgroundColor(ThemeMapColor(kBackgroundWorkspace));
    Image1->setLightTheme(light);
    UpdateThemeIcons();
    UpdateEmptyPreviewBg();
}

void TForm1::CreateThemeSwitch()
{
    const auto make = [this](const char* name, const char* source, const char* hint) {
        auto* icon = new TSvgIcon(ProgramBarRect);
        icon->setObjectName(QString::fromLatin1(name));
        icon->setSource(QString::fromLatin1(source));
        icon->setClickable(true);
        icon->setToolTip(QString::fromLatin1(hint));
        icon->setThemeWalkSkip(true);
        icon->resize(DpI(22), DpI(22));
        connect(icon, &TSvgIcon::clicked, this, &TForm1::ThemeSwitchClick);
        return icon;
    };
    moonsvg = make("moonsvg", ":/icons/moon.svg", "Switch to dark mode");
    Sunsvg = make("Sunsvg", ":/icons/sun.svg", "Switch to light mode");
    UpdateThemeIcons();
}

void TForm1::UpdateThemeIcons()
{
    const bool light = IsLightTheme();
    Sunsvg->setVisible(!light);
    moonsvg->setVisible(light);
    // The icons keep out of the walk; their colour is set here.
    for (TSvgIcon* icon : {Sunsvg, moonsvg}) {
        icon->setOverrideColour(kText);
        icon->applyTheme(light);
    }
}

void TForm1::UpdateEmptyPreviewBg()
{
    if (FSkImage || !Image1)
        return;
    QImage placeholder(Image1->size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    placeholder.fill(Qt::transparent);
    {
        QPainter p(&placeholder);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(ToQColor(ThemeMapColor(kPanelRaised)));
        const double rx = placeholder.width() * 16.0 / std::max(1, Image1->width());
        const double ry = placeholder.height() * 16.0 / std::max(1, Image1->height());
        p.drawRoundedRect(QRectF(placeholder.rect()), rx, ry);
    }
    FDefaultPreviewBitmap = placeholder;
    Image1->setBitmap(placeholder);
}

} // namespace pv
