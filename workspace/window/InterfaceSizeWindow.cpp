// The interface size: applying a new size to every open window, and the small
// "Interface size" window with its slider (50 % to 150 %), OK and close.

#include "workspace/window/MainWindow.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/Control.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/FloatingPanel.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/Rezoom.h"
#include "platform/widgets/RoundedPanel.h"
#include "shell/InterfaceSize.h"
#include "shell/Settings.h"
#include "shell/Theme.h"
#include "shell/Dictionary.h"

#include <QApplication>
#include <QLayout>

#include <cmath>

namespace pv {

namespace {
const QString kUIZoomSetting = QStringLiteral("uizoom");

QString SizeCaption(int percent)
{
    return TranslateText(QStringLiteral("Interface size")) + QStringLiteral(": ") + QString::number(percent) +
           QStringLiteral("%");
}
} // namespace

void TForm1::ApplyUIZoom(double AZoom, bool ASave)
{
    const double zoom = ClampUIZoom(AZoom);
    FUIZoom = zoom;
    if (ASave)
        SetSetting(kUIZoomSetting, UIZoomSettingText(zoom));
    UpdateUIZoomMenuLabel();
    const double old = UiZoom();
    if (UIZoomPercent(old) == UIZoomPercent(zoom))
        return;
    SetUiZoom(zoom);
    // Every open window of the program is laid out again at the new size.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        RezoomWidgetTree(w, old, zoom);
    // The menu's contents went to the new size too, even where a short
    // window had shown them smaller.
    FMenuScale = zoom;
    if (layout())
        layout()->setGeometry(rect());
    LayoutWindow();
    RepositionPictos();
    if (UIZoomWindow && UIZoomWindow->isVisible())
        CenterUIZoomWindow();
    if (Check4UpdateRect && Check4UpdateRect->isVisible())
        Check4UpdateRect->move((Layout2->width() - Check4UpdateRect->width()) / 2,
                               (Layout2->height() - Check4UpdateRect->height()) / 2);
}

void TForm1::UpdateUIZoomMenuLabel()
{
    if (TLabel* entry = MenuEntry("UIZoomMI"))
        entry->setDisplayText(SizeCaption(qRound(FUIZoom * 100)));
}

void TForm1::CenterUIZoomWindow()
{
    UIZoomWindow->move((width() - UIZoomWindow->width()) / 2, (height() - UIZoomWindow->height()) / 2);
}

void TForm1::CreateUIZoomWindow()
{
    UIZoomWindow = new TRoundedPanel(this);
    UIZoomWindow->setObjectName(QStringLiteral("UIZoomWindow"));
    UIZoomWindow->setRadius(15);
    UIZoomWindow->resize(DpI(320), DpI(132));
    UIZoomValueLabel = new TLabel({}, UIZoomWindow);
    UIZoomValueLabel->setObjectName(QStringLiteral("UIZoomValueLabel"));
    UIZoomValueLabel->setTranslatable(false); // composed from a translated row
    UIZoomValueLabel->setGeometry(DpI(24), DpI(16), DpI(272), DpI(22));
    UIZoomTrackBar = new TSlider(UIZoomWindow);
    UIZoomTrackBar->setObjectName(QStringLiteral("UIZoomTrackBar"));
    UIZoomTrackBar->setGeometry(DpI(24), DpI(52), DpI(272), DpI(24));
    UIZoomTrackBar->setCursor(Qt::PointingHandCursor);
    UIZoomTrackBar->setStep(5);
    UIZoomOKBtn = new TButton(QStringLiteral("OK"), TButton::Look::Standard, UIZoomWindow);
    UIZoomOKBtn->setObjectName(QStringLiteral("UIZoomOKBtn"));
    UIZoomOKBtn->setGeometry(DpI(127), DpI(90), DpI(66), DpI(28));
    UIZoomCloseBg = new TCloseBox(UIZoomWindow);
    UIZoomCloseBg->setObjectName(QStringLiteral("UIZoomCloseBg"));
    UIZoomCloseBg->setColour("cross", kText);
    UIZoomCloseBg->setGeometry(DpI(288), DpI(6), DpI(24), DpI(24));
    // The slider's 0..100 is the size's 50..150 %.
    connect(UIZoomTrackBar, &TSlider::tracking, this, [this](double v) {
        const int percent = int(std::lround(50 + v));
        UIZoomValueLabel->setText(SizeCaption(percent));
        if (!UIZoomTrackBar->isDragging())
            UIZoomApplyFromTrackBar();
    });
    connect(UIZoomTrackBar, &TSlider::dragEnded, this, &TForm1::UIZoomApplyFromTrackBar);
    connect(UIZoomOKBtn, &TButton::clicked, this, &TForm1::UIZoomOKClick);
    connect(UIZoomCloseBg, &TCloseBox::clicked, this, &TForm1::UIZoomCloseClick);
    FUIZoomApplyTimer.setInterval(150);
    connect(&FUIZoomApplyTimer, &QTimer::timeout, this, [this] {
        if (!UIZoomWindow || !UIZoomWindow->isVisible()) {
            FUIZoomApplyTimer.stop();
            return;
        }
        if (!UIZoomTrackBar->isDragging())
            UIZoomApplyFromTrackBar();
    });
    UIZoomWindow->hide();
}

void TForm1::ShowUIZoomWindow()
{
    if (!UIZoomWindow)
        CreateUIZoomWindow();
    UIZoomWindow->setFillColour(kPanelRaised);
    UIZoomWindow->setStroke(kBorder, 2);
    UIZoomValueLabel->setFontColour(ThemeMapTextColor(kText));
    // The caption shrinks until the widest one fits.
    double size = 16;
    const QString widest = TranslateText(QStringLiteral("Interface size")) + QStringLiteral(": 150%");
    while (size > 10 && !TextFits(widest, InterFont(size), UIZoomValueLabel->width(), UIZoomValueLabel->height(), false))
        size -= 0.5;
    UIZoomValueLabel->setFontSize(size);
    FUIZoomPctAtOpen = UIZoomPercent(FUIZoom);
    FUIZoomSettingAtOpen = GetSetting(kUIZoomSetting);
    FUIZoomOpening = true;
    UIZoomTrackBar->setValue(FUIZoomPctAtOpen - 50);
    FUIZoomOpening = false;
    UIZoomValueLabel->setText(SizeCaption(FUIZoomPctAtOpen));
    CenterUIZoomWindow();
    UIZoomWindow->show();
    UIZoomWindow->raise();
    FUIZoomApplyTimer.start();
    UIZoomTrackBar->setFocus(Qt::OtherFocusReason);
}

bool TForm1::IsUIZoomWindowOpen() const { return UIZoomWindow && UIZoomWindow->isVisible(); }

void TForm1::UIZoomApplyFromTrackBar()
{
    if (!UIZoomTrackBar || FUIZoomOpening)
        return;
    const int v = int(std::lround(50 + UIZoomTrackBar->value()));
    if (v == UIZoomPercent(FUIZoom))
        return;
    ApplyUIZoom(v / 100.0, true);
    CenterUIZoomWindow();
}

void TForm1::UIZoomOKClick()
{
    UIZoomApplyFromTrackBar();
    FUIZoomApplyTimer.stop();
    UIZoomWindow->hide();
}

void TForm1::UIZoomCloseClick()
{
    FUIZoomApplyTimer.stop();
    UIZoomWindow->hide();
    if (UIZoomPercent(FUIZoom) != FUIZoomPctAtOpen) {
        ApplyUIZoom(FUIZoomPctAtOpen / 100.0, false);
        SetSetting(kUIZoomSetting, FUIZoomSettingAtOpen);
    }
}

} // namespace pv
