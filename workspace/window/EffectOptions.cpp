// The options under the sliders that change how effects draw: the erase
// switch, the texture switch, the contour switch with its floating colour
// window, the custom brush sheets of the stamped-brush effects and the
// lookup-table button; each is shown only for the effects that use it.

#include "workspace/window/EffectOptions.h"

#include "engine/EffectCatalogue.h"
#include "engine/Repository.h"
#include "platform/system/Errors.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/ColourPicker.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/FloatingPanel.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/Switch.h"
#include "shell/Theme.h"
#include "workspace/window/ImageFiles.h"
#include "workspace/window/MainWindow.h"

#include <QFileDialog>
#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>

namespace pv {

bool EraseOptionEnabled(int effect) { return HasEffectOption(effect, kEraseOption); }

bool ContourOptionShown(int effect) { return HasEffectOption(effect, kContourOption); }

bool BrushOptionShown(int effect) { return HasEffectOption(effect, kCustomBrushOption); }

bool LUTOptionShown(int effect) { return HasEffectOption(effect, kLUTOption); }

namespace {

constexpr int kOptionRowHeight = 30;
constexpr int kBrushBoxOn = 120, kBrushBoxOff = 64;
constexpr int kContourTitleBand = 40;

TLabel* OptionCaption(QWidget* parent, const char* name, const char* text, int x, int y, int w)
{
    auto* l = new TLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFontSize(13);
    l->setFontColour(ThemeMapTextColor(kText));
    l->setClickable(true);
    l->setGeometry(DpI(x), DpI(y), DpI(w), DpI(22));
    return l;
}

TSwitch* OptionSwitch(QWidget* parent, const char* name, bool on, int x, int y)
{
    auto* s = new TSwitch(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->move(DpI(x), DpI(y));
    s->resize(s->sizeHint());
    s->setChecked(on, false);
    return s;
}

bool* BrushSwitchOf(TForm1& form, int effect)
{
    switch (effect) {
    case 302:
        return &form.CustomBrushesOn302;
    case 303:
        return &form.CustomBrushesOn303;
    case 304:
        return &form.CustomBrushesOn304;
    default:
        return nullptr;
    }
}

QImage* BrushSheetOf(TForm1& form, int effect)
{
    switch (effect) {
    case 302:
        return &form.CustomBrushBitmap302;
    case 303:
        return &form.CustomBrushBitmap303;
    case 304:
        return &form.CustomBrushBitmap304;
    default:
        return nullptr;
    }
}

// The parameter-file icons rest faint and light up while the pointer is
// over the heading. When the housekeeping tick says so they stay lit 3 s
// more, then fade back over 3 s.
void MakeIconFade(TForm1& form, TSvgIcon* icon)
{
    auto* effect = new QGraphicsOpacityEffect(icon);
    effect->setOpacity(0.3);
    icon->setGraphicsEffect(effect);
    auto* fade = new QVariantAnimation(icon);
    fade->setDuration(3000 + 3000);
    fade->setStartValue(1.0);
    fade->setKeyValueAt(0.5, 1.0);
    fade->setEndValue(0.3);
    QObject::connect(fade, &QVariantAnimation::valueChanged, icon,
                     [effect](const QVariant& v) { effect->setOpacity(v.toDouble()); });
    QObject::connect(&form, &TForm1::paramIconsFade, fade, [fade] { fade->start(); });
    QObject::connect(&form, &TForm1::paramIconsLit, icon, [effect, fade](bool lit) {
        fade->stop();
        effect->setOpacity(lit ? 1.0 : 0.3);
    });
}

} // namespace

void TForm1::CreateEffectOptions()
{
    FTextureSwitchOn = true; // designed on
    // The contour option sits above Apply inside the parameter box.
    ContourSwitch = OptionSwitch(ParamsRect, "ContourSwitch", FDrawContourChecked, 16, 366);
    LabelContour = OptionCaption(ParamsRect, "LabelContour", "Draw shape contours", 62, 364, 180);
    connect(ContourSwitch, &TSwitch::toggled, this, [this](bool) { ContourSwitchClick(); });
    connect(LabelContour, &TLabel::clicked, this, &TForm1::ContourSwitchClick);
    ContourSwitch->hide();
    LabelContour->hide();

    OptionsRect = new TRoundedPanel(ParamsRect->parentWidget());
    OptionsRect->setObjectName(QStringLiteral("OptionsRect"));
    OptionsRect->setFillColour(ThemeMapColor(kPanelCard));
    OptionsRect->setRadius(14);
    const int w = ParamsRect->width() / UiZoom() + 0.5;
    EraseBdSwitch = OptionSwitch(OptionsRect, "EraseBdSwitch", FEraseBdChecked, 16, 14);
    Label23 = OptionCaption(OptionsRect, "Label23", "Erase background", 62, 12, w - 78);
    AddTextureSwitch = OptionSwitch(OptionsRect, "AddTextureSwitch", FTextureSwitchOn, 16, 14 + kOptionRowHeight);
    Label38 = OptionCaption(OptionsRect, "Label38", "Add texture", 62, 12 + kOptionRowHeight, w - 78);
    connect(EraseBdSwitch, &TSwitch::toggled, this, [this](bool) { EraseBdSwitchClick(); });
    connect(Label23, &TLabel::clicked, this, &TForm1::EraseBdSwitchClick);
    connect(AddTextureSwitch, &TSwitch::toggled, this, [this](bool) { AddTextureSwitchClick(); });
    connect(Label38, &TLabel::clicked, this, &TForm1::AddTextureSwitchClick);

    const int boxTop = 16 + 2 * kOptionRowHeight;
    LoadBrushesWindow = new TRoundedPanel(OptionsRect);
    LoadBrushesWindow->setObjectName(QStringLiteral("LoadBrushesWindow"));
    LoadBrushesWindow->setFillColour(ThemeMapColor(kPanelSide));
    LoadBrushesWindow->setRadius(15);
    LoadBrushesWindow->setGeometry(DpI(8), DpI(boxTop), DpI(w - 16), DpI(kBrushBoxOff));
    TestBrushButton = new TButton(QStringLiteral("Load custom brushes"), TButton::Look::Standard, LoadBrushesWindow);
    TestBrushButton->setObjectName(QStringLiteral("TestBrushButton"));
    TestBrushButton->setGeometry(DpI(12), DpI(12), DpI(w - 40), DpI(40));
    ResetBrushesButton = new TButton(QStringLiteral("Reset brushes"), TButton::Look::Ghost, LoadBrushesWindow);
    ResetBrushesButton->setObjectName(QStringLiteral("ResetBrushesButton"));
    ResetBrushesButton->setGeometry(DpI(12), DpI(66), DpI(w - 40), DpI(40));
    connect(TestBrushButton, &TButton::clicked, this, &TForm1::TestBrushButtonClick);
    connect(ResetBrushesButton, &TButton::clicked, this, &TForm1::ResetBrushesButtonClick);

    LoadLUTsWindow = new TRoundedPanel(OptionsRect);
    LoadLUTsWindow->setObjectName(QStringLiteral("LoadLUTsWindow"));
    LoadLUTsWindow->setFillColour(ThemeMapColor(kPanelSide));
    LoadLUTsWindow->setRadius(15);
    LoadLUTsWindow->setGeometry(DpI(8), DpI(boxTop), DpI(w - 16), DpI(kBrushBoxOff));
    SelectLUTButton = new TButton(QStringLiteral("Select LUT..."), TButton::Look::Standard, LoadLUTsWindow);
    SelectLUTButton->setObjectName(QStringLiteral("SelectLUTButton"));
    SelectLUTButton->setGeometry(DpI(12), DpI(12), DpI(w - 40), DpI(40));
    connect(SelectLUTButton, &TButton::clicked, this, &TForm1::SelectLUTButtonClick);

    // The contour colour window floats over the window.
    ContourColorWindow = new TFloatingPanel(this);
    ContourColorWindow->setObjectName(QStringLiteral("ContourColorWindow"));
    ContourColorWindow->setFillColour(ThemeMapColor(kPanelPopup));
    ContourColorWindow->setRadius(15);
    ContourColorWindow->resize(DpI(170), DpI(200));
    ContourColorWindow->setCursor(Qt::SizeAllCursor);
    // The band above the picker that the close box sits on.
    ContourColorWindow->setTitleBand(kContourTitleBand, kOverlayTitleBand, kOverlayDarkHover);
    ContourColorPanel = new TColourPicker(ContourColorWindow);
    ContourColorPanel->setObjectName(QStringLiteral("ContourColorPanel"));
    ContourColorPanel->setGeometry(DpI(10), DpI(40), DpI(150), DpI(150));
    ContourColorPanel->setCursor(Qt::ArrowCursor);
    ContourColorWindow->hide();
    connect(ContourColorPanel, &TColourPicker::colourChanged, this, [this](TAlphaColor) { ContourColorTimerTick(); });
    connect(ContourColorWindow, &TFloatingPanel::closeClicked, this, &TForm1::HideContourColorWindow);
    FContourColorTimer.setInterval(120);
    connect(&FContourColorTimer, &QTimer::timeout, this, &TForm1::ContourColorTimerTick);

    // The parameter-file icons beside the heading.
    SkSvg45 = new TSvgIcon(ParamsRect);
    SkSvg45->setObjectName(QStringLiteral("SkSvg45"));
    SkSvg45->setSource(QStringLiteral(":/icons/paramsave.svg"));
    SkSvg45->setToolTip(QStringLiteral("Save parameter file"));
    SkSvg44 = new TSvgIcon(ParamsRect);
    SkSvg44->setObjectName(QStringLiteral("SkSvg44"));
    SkSvg44->setSource(QStringLiteral(":/icons/paramload.svg"));
    SkSvg44->setToolTip(QStringLiteral("Load parameter file"));
    for (TSvgIcon* icon : {SkSvg44, SkSvg45}) {
        icon->setOverrideColour(ThemeMapTextColor(kText));
        icon->setClickable(true);
        connect(icon, &TSvgIcon::hoverChanged, this, [this](bool over) {
            if (over)
                ParamsLabelMouseMove();
        });
    }
    SkSvg45->setGeometry(DpI(w - 16 - 16), DpI(16), DpI(16), DpI(16));
    SkSvg44->setGeometry(DpI(w - 16 - 16 - 26), DpI(16), DpI(16), DpI(16));
    connect(SkSvg44, &TSvgIcon::clicked, this, &TForm1::SkSvg44Click);
    connect(SkSvg45, &TSvgIcon::clicked, this, &TForm1::SkSvg45Click);
    MakeIconFade(*this, SkSvg44);
    MakeIconFade(*this, SkSvg45);
    connect(ParamsLabel, &TLabel::hoverChanged, this, [this](bool over) {
        if (over)
            ParamsLabelMouseMove();
    });

    if (!ChooseFiles)
        ChooseFiles = [this](const QString& title, const QString& filter) {
            return QFileDialog::getOpenFileNames(this, title, QString(), filter);
        };
    UpdateEffectOptions();
}

void TForm1::ParamsLabelMouseMove()
{
    // The housekeeping tick counts this down (CleanUpTimerTimer).
    FParamIconsTag = 2;
    Q_EMIT paramIconsLit(true);
}

void TForm1::UpdateEffectOptions()
{
    if (!OptionsRect)
        return;
    const int effect = SelectedEffectNumber;
    EraseBdSwitch->setEnabled(EraseOptionEnabled(effect));
    Label23->setEnabled(EraseOptionEnabled(effect));
    const bool contour = ContourOptionShown(effect);
    ContourSwitch->setVisible(contour);
    LabelContour->setVisible(contour);
    if (!contour)
        HideContourColorWindow();
    LoadBrushesWindow->setVisible(BrushOptionShown(effect));
    LoadLUTsWindow->setVisible(LUTOptionShown(effect));
    UpdateBrushButtons();

    int height = 16 + 2 * kOptionRowHeight;
    if (BrushOptionShown(effect))
        height += LoadBrushesWindow->height() / UiZoom() + 0.5 + 8;
    else if (LUTOptionShown(effect))
        height += kBrushBoxOff + 8;
    OptionsRect->setGeometry(ParamsRect->x(), ParamsRect->geometry().bottom() + 1 + DpI(10), ParamsRect->width(),
                             DpI(height));
    FitRightPanelContent();
}

void TForm1::EraseBdSwitchClick()
{
    FEraseBdChecked = !FEraseBdChecked;
    EraseBdSwitch->setChecked(FEraseBdChecked);
}

void TForm1::ContourSwitchClick()
{
    FDrawContourChecked = !FDrawContourChecked;
    ContourSwitch->setChecked(FDrawContourChecked);
    if (FDrawContourChecked)
        ShowContourColorWindow();
    else
        HideContourColorWindow();
    RequestEffectPreview();
}

void TForm1::PositionContourColorWindowNearSwitch()
{
    const QPoint switchAt = ContourSwitch->mapTo(this, QPoint(0, 0));
    const QPoint panelAt = RightPanelRect->mapTo(this, QPoint(0, 0));
    const int x = std::max(DpI(8), panelAt.x() - DpI(12) - ContourColorWindow->width());
    const int y = std::clamp(switchAt.y() - DpI(20), DpI(8), std::max(DpI(8), height() - DpI(8) - ContourColorWindow->height()));
    ContourColorWindow->move(x, y);
}

void TForm1::ShowContourColorWindow()
{
    ContourColorPanel->setColour(FContourColor.load());
    PositionContourColorWindowNearSwitch();
    ContourColorWindow->show();
    ContourColorWindow->raise();
    FContourColorTimer.start();
}

void TForm1::HideContourColorWindow()
{
    FContourColorTimer.stop();
    if (ContourColorWindow)
        ContourColorWindow->hide();
}

TAlphaColor TForm1::ReadContourPanelColor() const { return ContourColorPanel->colour(); }

void TForm1::ContourColorTimerTick()
{
    const TAlphaColor c = ReadContourPanelColor();
    if (c == FContourColor.load())
        return;
    FContourColor = c;
    RequestEffectPreview();
}

void TForm1::UpdateBrushButtons()
{
    const bool* on = BrushSwitchOf(*this, SelectedEffectNumber);
    const bool isOn = on && *on;
    ResetBrushesButton->setVisible(isOn);
    LoadBrushesWindow->resize(LoadBrushesWindow->width(), DpI(isOn ? kBrushBoxOn : kBrushBoxOff));
}

void TForm1::TestBrushButtonClick()
{
    bool* on = BrushSwitchOf(*this, SelectedEffectNumber);
    if (!on)
        return;
    const QStringList files = ChooseFiles(FilesView().TranslateUiText(QStringLiteral("Select brush files")),
                                          QStringLiteral("PNG and ZIP Files (*.png *.zip);;PNG Images (*.png);;"
                                                         "ZIP Archives (*.zip);;All Files (*)"));
    if (files.isEmpty())
        return;
    const QString failure = FilesView().TranslateUiText(QStringLiteral("Error loading custom brushes"));
    int count = 0;
    try {
        count = Form3().LoadBrushesToRepository(files);
    } catch (const std::exception& e) {
        // Nothing changes: neither the sheets nor the brush count.
        ShowMessage(failure + QStringLiteral(": ") + QString::fromUtf8(e.what()));
        return;
    }
    if (count <= 0) {
        ShowMessage(failure);
        return;
    }
    GlobalBrushCount = count;
    *on = true;
    *BrushSheetOf(*this, SelectedEffectNumber) = Form3().Brushes.bitmap();
    if (SelectedEffectNumber == 304)
        CustomBrushCount304 = count;
    UpdateEffectOptions();
    UpdatePreviewTimer.start();
}

void TForm1::ResetBrushesButtonClick()
{
    if (bool* on = BrushSwitchOf(*this, SelectedEffectNumber))
        *on = false;
    UpdateEffectOptions();
    UpdatePreviewTimer.start();
}

} // namespace pv
