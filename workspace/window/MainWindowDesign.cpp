// The main window's design: the controls of the top bar, the effect lists on
// the left, the workspace in the middle and the preview box and parameter
// panel on the right, all in the dark design colours (through the theme).

#include "workspace/window/MainWindow.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/CaptionedSlider.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/ProgressBar.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "platform/widgets/TabNav.h"
#include "shell/InterfaceSize.h"
#include "shell/Theme.h"
#include "shell/WindowChrome.h"
#include "workspace/canvas/CanvasView.h"
#include "workspace/preview/PreviewImage.h"

#include <QFontMetrics>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <iterator>

static void InitWorkspaceIcons() { Q_INIT_RESOURCE(icons); }

namespace pv {
namespace {

// Design measures of the window (design units).
constexpr int kMargin = 12;
constexpr int kTopBarHeight = 56;
constexpr int kLeftPanelWidth = 250;
constexpr int kRightPanelWidth = 270;
constexpr int kPreviewBoxSize = 225;
constexpr int kPreviewBoxTop = 20;
constexpr int kParamsTop = kPreviewBoxTop + kPreviewBoxSize + 18;

TShadow PanelShadow() { return {10, 0, 4, kShadowSidePanel}; }

TLabel* Heading(const QString& english, QWidget* parent)
{
    auto* label = new TLabel(english, parent);
    label->setFontSize(12, QFont::DemiBold);
    label->setLetterSpacing(118);
    label->setFontColour(ThemeMapTextColor(kTextMuted));
    return label;
}

} // namespace

void TForm1::CreateDesign()
{
    InitWorkspaceIcons();
    setWindowTitle(QStringLiteral("Pelandrovium 4.50"));
    UpdateMinConstraintsForWorkArea();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect work = screen->availableGeometry();
        resize(qRound(0.98 * work.width()), qRound(0.98 * work.height()));
        move(work.left() + (work.width() - width()) / 2, work.top() + (work.height() - height()) / 2);
    } else {
        resize(1419, 1033);
    }

    auto* body = new TRoundedPanel();
    body->setObjectName(QStringLiteral("Body"));
    body->setRadius(0);
    body->setFillColour(BodyColour(false));
    Body = body;
    setCentralWidget(Body);

    CreateTopBar();
    CreateEffectPanel();
    CreateWorkspace();
    CreateRightPanel();
    CreateDropZone();
    LayoutWindow();
}

void TForm1::CreateTopBar()
{
    ProgramBarRect = new QWidget(Body);
    ProgramBarRect->setObjectName(QStringLiteral("ProgramBarRect"));

    PVLogo = new TSvgIcon(ProgramBarRect);
    PVLogo->setObjectName(QStringLiteral("PVLogo"));
    PVLogo->setSource(QStringLiteral(":/icons/logo.svg"));
    PVLogo->setOverrideColour(0);
    PVLogo->setToolTip(QStringLiteral("Pelandrovium 4.50"));
    PVLogo->setGeometry(DpI(20), DpI(14), DpI(28), DpI(28));

    TitleLabel = new TLabel(QStringLiteral("Pelandrovium"), ProgramBarRect);
    TitleLabel->setObjectName(QStringLiteral("TitleLabel"));
    TitleLabel->setFontSize(18, QFont::DemiBold);
    TitleLabel->setFontColour(ThemeMapTextColor(kTextBright));
    TitleLabel->setGeometry(DpI(58), DpI(12), DpI(150), DpI(32));

    struct BarButton {
        TIconButton** field;
        const char* name;
        const char* icon;
        const char* hint;
    };
    const auto makeButton = [this](const BarButton& b) {
        auto* button = new TIconButton(ProgramBarRect);
        button->setObjectName(QString::fromLatin1(b.name));
        button->icon()->setSource(QString::fromLatin1(b.icon));
        button->icon()->setOverrideColour(ThemeMapTextColor(kText));
        button->setToolTip(QString::fromLatin1(b.hint));
        button->resize(DpI(38), DpI(38));
        *b.field = button;
        return button;
    };
    const BarButton left[] = {
        {&SpeedButton1, "SpeedButton1", ":/icons/open.svg", "Open image"},
        {&SpeedButton2, "SpeedButton2", ":/icons/save.svg", "Save image"},
        {&SpeedButton5, "SpeedButton5", ":/icons/undo.svg", "Undo"},
        {&SpeedButton6, "SpeedButton6", ":/icons/redo.svg", "Redo"},
        {&SpeedButton24, "SpeedButton24", ":/icons/split.svg", "Split view on"},
    };
    int x = 224;
    for (const BarButton& b : left) {
        makeButton(b)->move(DpI(x), DpI(9));
        x += 44;
    }
    // The marker under the split-view button: opaque while split view is on.
    auto* marker = new TRoundedPanel(ProgramBarRect);
    marker->setObjectName(QStringLiteral("SplitRectangle"));
    marker->setFillColour(ThemeMapColor(kAccentMarker));
    marker->setRadius(1.5);
    marker->setHitTest(false);
    marker->setGeometry(SpeedButton24->x() + DpI(9), SpeedButton24->geometry().bottom() + DpI(2), DpI(20), DpI(3));
    marker->hide();
    SplitRectangle = marker;

    const BarButton zoom[] = {
        {&SpeedButton10, "SpeedButton10", ":/icons/zoomout.svg", "Zoom out"},
        {&SpeedButton11, "SpeedButton11", ":/icons/zoom100.svg", "100% zoom"},
        {&SpeedButton12, "SpeedButton12", ":/icons/zoomin.svg", "Zoom in"},
    };
    for (const BarButton& b : zoom)
        makeButton(b);
    ZoomLabel = new TLabel(QStringLiteral("100%"), ProgramBarRect);
    ZoomLabel->setObjectName(QStringLiteral("ZoomLabel"));
    ZoomLabel->setFontSize(14, QFont::DemiBold);
    ZoomLabel->setFontColour(ThemeMapTextColor(kText));
    ZoomLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ZoomLabel->resize(DpI(80), DpI(38));

    // A passing line of the title bar (the update check's up-to-date line,
    // the memory report); empty otherwise. LayoutWindowButtons places it.
    DebugLabel = new TLabel({}, ProgramBarRect);
    DebugLabel->setObjectName(QStringLiteral("DebugLabel"));
    DebugLabel->setFontSize(14);
    DebugLabel->setFontColour(ThemeMapTextColor(kText));
    DebugLabel->resize(DpI(929), DpI(17));
}

void TForm1::LayoutWindowButtons()
{
    // The theme icons stand left of the title buttons, the zoom row left of them.
    const int W = LayoutTitleButtons() - DpI(27);
    const int y = DpI(9);
    for (QWidget* icon : {static_cast<QWidget*>(Sunsvg), static_cast<QWidget*>(moonsvg)})
        if (icon)
            icon->move(W, y + DpI(8));
    SpeedButton12->move(W - DpI(50), y);
    SpeedButton11->move(SpeedButton12->x() - DpI(44), y);
    SpeedButton10->move(SpeedButton11->x() - DpI(44), y);
    const int labelRight = SpeedButton10->x() - DpI(14);

    // The tool row after the menu button, 44 apart. On a bar too short for
    // it and the zoom label's widest reading it closes up, down to its
    // buttons touching, so the reading never runs under the quit button.
    int rowEnd = 0;
    if (SpeedButton23) {
        TIconButton* const row[] = {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4,  SpeedButton5, SpeedButton6,
                                    SpeedButton7, SpeedButton24, SpeedButton8, SpeedButton9, SpeedButton23};
        const int n = int(std::size(row)), start = DpI(270), buttonWidth = row[0]->width();
        const int widest = QFontMetrics(ZoomLabel->font()).horizontalAdvance(QStringLiteral("1000%"));
        const int latestEnd = labelRight - widest - DpI(6);
        int step = DpI(44);
        if (start + (n - 1) * step + buttonWidth > latestEnd)
            step = std::max(buttonWidth, (latestEnd - start - buttonWidth) / (n - 1));
        for (int i = 0; i < n; ++i)
            row[i]->move(start + i * step, y);
        SplitRectangle->move(SpeedButton24->x() + DpI(9), SplitRectangle->y());
        rowEnd = SpeedButton23->x() + SpeedButton23->width();
    }
    // The label (its text to the right) narrows from the left to stay clear of the row.
    const int labelLeft = std::max(labelRight - DpI(80), rowEnd + DpI(6));
    ZoomLabel->setGeometry(labelLeft, y, std::max(0, labelRight - labelLeft), DpI(38));
    // The passing line takes the free stretch of the bar between the button
    // row and the zoom row, level with the buttons.
    if (DebugLabel && SpeedButton23) {
        const int left = SpeedButton23->geometry().right() + 1 + DpI(22);
        const int room = std::clamp(ZoomLabel->x() - DpI(8) - left, 0, DpI(929));
        DebugLabel->setGeometry(left, y + (SpeedButton23->height() - DpI(17)) / 2, room, DpI(17));
    }
}

void TForm1::CreateEffectPanel()
{
    LeftPanelRect = new TRoundedPanel(Body);
    LeftPanelRect->setObjectName(QStringLiteral("LeftPanelRect"));
    LeftPanelRect->setFillColour(ThemeMapColor(kPanelSide));
    LeftPanelRect->setShadow(PanelShadow());

    EffectsLabel = Heading(QStringLiteral("ARTISTIC FILTERS"), LeftPanelRect);
    EffectsLabel->setObjectName(QStringLiteral("EffectsLabel"));

    PresentedScrollBox2 = new QScrollArea(LeftPanelRect);
    PresentedScrollBox2->setObjectName(QStringLiteral("PresentedScrollBox2"));
    // The panel only scrolls: Tab visits the controls inside it.
    PresentedScrollBox2->setFocusPolicy(Qt::NoFocus);
    PresentedScrollBox2->setFrameShape(QFrame::NoFrame);
    PresentedScrollBox2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PresentedScrollBox2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PresentedScrollBox2->setWidgetResizable(true);
    PresentedScrollBox2->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    PresentedScrollBox2->viewport()->setAutoFillBackground(false);

    // The list column paints the panel colour itself: the scroll box's
    // viewport does not show what lies behind it.
    auto* effectsLayout = new TRoundedPanel();
    effectsLayout->setRadius(0);
    effectsLayout->setFillColour(ThemeMapColor(kPanelSide));
    EffectsLayout = effectsLayout;
    EffectsLayout->setObjectName(QStringLiteral("EffectsLayout"));
    auto* column = new QVBoxLayout(EffectsLayout);
    column->setContentsMargins(DpI(10), DpI(4), DpI(10), DpI(10));
    column->setSpacing(DpI(8));

    static const char* const kIcons[5] = {":/icons/sketch.svg", ":/icons/ink.svg", ":/icons/painting.svg",
                                          ":/icons/photolab.svg", ":/icons/stylize.svg"};
    static const char* const kBackdropNames[5] = {"Rectangle13", "Rectangle12", "Rectangle11", "Rectangle10",
                                                  "Rectangle16"};
    const auto& categories = EffectCategories();
    for (int c = 0; c < 5; ++c) {
        auto* backdrop = new TRoundedPanel(EffectsLayout);
        backdrop->setObjectName(QString::fromLatin1(kBackdropNames[c]));
        backdrop->setFillColour(ThemeMapColor(kPanelCard));
        backdrop->setRadius(12);
        auto* inside = new QVBoxLayout(backdrop);
        inside->setContentsMargins(DpI(4), DpI(7), DpI(4), DpI(7));

        auto* expander = new TExpander(backdrop);
        expander->setObjectName(QStringLiteral("Expander%1").arg(c + 1));
        expander->setText(categories[c].caption);
        expander->icon()->setSource(QString::fromLatin1(kIcons[c]));
        expander->setColour("font", ThemeMapTextColor(kText));
        expander->setColour("fontHover", ThemeMapTextColor(kTextBright));
        TItemList* list = expander->list();
        list->setObjectName(QStringLiteral("ListBox%1").arg(c + 1));
        list->setItems(categories[c].items);
        list->setItemHeight(30);
        // A hovered effect takes the accent colour in the light theme.
        list->setStyledColour("fontHover", kTextBright, kAccent);
        expander->setListIndent(25);
        expander->setExpanded(false, false);
        inside->addWidget(expander);
        column->addWidget(backdrop);

        CategoryBackdrops[c] = backdrop;
        Expanders[c] = expander;
        ListBoxes[c] = list;
        const int category = c + 1;
        connect(expander, &TExpander::headerClicked, this, [this, category] { ExpanderClick(category); });
        connect(expander, &TExpander::expandedChanged, this, [this, category] { ExpanderExpandedChanged(category); });
        connect(list, &TItemList::itemClicked, this, [this, category](int index) { ListBoxItemClick(category, index); });
    }
    CreateImageTools(column);
    column->addStretch(1);
    CreateManualBrushButton(column);
    DefaultImageButton = new TButton(QStringLiteral("Default Image"), TButton::Look::Ghost, EffectsLayout);
    DefaultImageButton->setObjectName(QStringLiteral("DefaultImageButton"));
    DefaultImageButton->setFontSize(14);
    DefaultImageButton->setFixedHeight(DpI(36));
    column->addSpacing(DpI(10));
    column->addWidget(DefaultImageButton);
    PresentedScrollBox2->setWidget(EffectsLayout);
}

void TForm1::CreateWorkspace()
{
    Layout2 = new QWidget(Body);
    Layout2->setObjectName(QStringLiteral("Layout2"));

    WorskpaceRect = new TRoundedPanel(Layout2);
    WorskpaceRect->setObjectName(QStringLiteral("WorskpaceRect"));
    WorskpaceRect->setFillColour(kBackgroundWorkspace);
    WorskpaceRect->setRadius(15);
    WorskpaceRect->setStroke(ThemeMapColor(kPanelField), 1);

    SkPaintBox1 = new CanvasView(*this, WorskpaceRect);
    SkPaintBox1->setObjectName(QStringLiteral("SkPaintBox1"));
    SkPaintBox1->SetBackgroundColor(ThemeMapColor(kBackgroundWorkspace));
    connect(SkPaintBox1, &CanvasView::panZoomChanged, this, [this](float zoom, QPointF pan, QRectF) {
        FZoomFactor = zoom;
        FPanOffset = pan;
    });

    ProgressBarRect = new TProgressBar(Layout2);
    ProgressBarRect->setObjectName(QStringLiteral("ProgressBarRect"));
    ProgressBarRect->setBarOrigin(85);
    ProgressBarRect->setReserve(170);
}

void TForm1::CreateRightPanel()
{
    RightPanelRect = new TRoundedPanel(Body);
    RightPanelRect->setObjectName(QStringLiteral("RightPanelRect"));
    RightPanelRect->setFillColour(ThemeMapColor(kPanelSide));
    RightPanelRect->setShadow(PanelShadow());

    RightPanelScroll = new QScrollArea(RightPanelRect);
    RightPanelScroll->setObjectName(QStringLiteral("RightPanelScroll"));
    // The panel only scrolls: Tab visits the controls inside it.
    RightPanelScroll->setFocusPolicy(Qt::NoFocus);
    RightPanelScroll->setFrameShape(QFrame::NoFrame);
    RightPanelScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RightPanelScroll->setWidgetResizable(false);
    RightPanelScroll->setStyleSheet(
        QStringLiteral("QScrollArea { background: transparent; }"
                       "QScrollBar:vertical { width: %1px; margin: %2px 0; background: transparent; }"
                       "QScrollBar::handle:vertical { background: %3; border-radius: %4px; min-height: %5px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
            .arg(DpI(6))
            .arg(DpI(14))
            .arg(ToQColor(ThemeMapColor(kBorderOutline)).name())
            .arg(DpI(3))
            .arg(DpI(30)));
    RightPanelScroll->viewport()->setAutoFillBackground(false);
    RightPanelContent = new QWidget();
    RightPanelContent->setObjectName(QStringLiteral("RightPanelContent"));
    RightPanelScroll->setWidget(RightPanelContent);
    // The scroll box would fill the content with the style's window colour.
    RightPanelContent->setAutoFillBackground(false);
    QWidget* const content = RightPanelContent;
    const QPoint origin(0, 0);
    const int boxX = (kRightPanelWidth - kPreviewBoxSize) / 2;

    // A soft shadow under the preview box.
    auto* boxShadow = new TRoundedPanel(content);
    boxShadow->setObjectName(QStringLiteral("PreviewShadow"));
    boxShadow->setFillColour(ThemeMapColor(kBackgroundWorkspace));
    boxShadow->setRadius(16);
    boxShadow->setShadow({8, 0, 4, kShadowDeep});
    boxShadow->setHitTest(false);
    boxShadow->setPanelGeometry(QRect(origin + QPoint(DpI(boxX), DpI(kPreviewBoxTop)),
                                      QSize(DpI(kPreviewBoxSize), DpI(kPreviewBoxSize))));

    Image1 = new TPreviewImage(content);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setColour("corner", ThemeMapColor(kPanelSide));
    Image1->setGeometry(QRect(origin + QPoint(DpI(boxX), DpI(kPreviewBoxTop)),
                              QSize(DpI(kPreviewBoxSize), DpI(kPreviewBoxSize))));
    {
        // The placeholder shown until a picture is opened: the panel colour.
        QImage placeholder(Image1->size(), QImage::Format_ARGB32_Premultiplied);
        placeholder.fill(ToQColor(ThemeMapColor(kPanelRaised)));
        FDefaultPreviewBitmap = placeholder;
        Image1->setBitmap(placeholder);
    }
    connect(Image1, &TPreviewImage::mousePressed, this, [this](QMouseEvent* e) { Image1MouseDown(e->position()); });
    connect(Image1, &TPreviewImage::mouseMoved, this,
            [this](QMouseEvent* e) { Image1MouseMove(e->position(), e->buttons() & Qt::LeftButton); });
    connect(Image1, &TPreviewImage::mouseReleased, this, [this](QMouseEvent*) { Image1MouseUp(); });
    connect(Image1, &TPreviewImage::wheelTurned, this, [this](QWheelEvent* e) { Image1MouseWheel(e->angleDelta().y()); });

    PreviewPC = new TLabel({}, Image1);
    PreviewPC->setObjectName(QStringLiteral("PreviewPC"));
    PreviewPC->setFontSize(16, QFont::Bold);
    PreviewPC->setFontColour(ThemeMapTextColor(kTextBright));
    PreviewPC->setAlignment(Qt::AlignCenter);
    PreviewPC->setGeometry((Image1->width() - DpI(60)) / 2, (Image1->height() - DpI(24)) / 2, DpI(60), DpI(24));
    PreviewPC->hide();
    Image1->setRingRadius(PreviewPC->height() / 2.0 + Dp(10));

    PreviewZoomRect = new TRoundedPanel(Image1);
    PreviewZoomRect->setObjectName(QStringLiteral("PreviewZoomRect"));
    PreviewZoomRect->setFillColour(ThemeMapColor(kBackgroundWorkspace));
    PreviewZoomRect->setRadius(15);
    PreviewZoomRect->setPanelGeometry(
        QRect((Image1->width() - DpI(100)) / 2, Image1->height() - DpI(36) - DpI(12), DpI(100), DpI(36)));
    PreviewZoomRect->setCursor(Qt::PointingHandCursor);
    // The bar shows only under the mouse: a ring around it would mark nothing.
    SetTabSkip(PreviewZoomRect);
    auto* zoomOpacity = new QGraphicsOpacityEffect(PreviewZoomRect);
    zoomOpacity->setOpacity(0.0);
    PreviewZoomRect->setGraphicsEffect(zoomOpacity);
    const auto setZoomBarOpacity = [zoomOpacity](double o) { zoomOpacity->setOpacity(o); };

    zoomoutskvg = new TSvgIcon(PreviewZoomRect);
    zoomoutskvg->setObjectName(QStringLiteral("zoomoutskvg"));
    zoomoutskvg->setSource(QStringLiteral(":/icons/zoomout.svg"));
    zoomoutskvg->setOverrideColour(ThemeMapTextColor(kText));
    zoomoutskvg->setClickable(true);
    zoomoutskvg->setToolTip(QStringLiteral("Zoom out"));
    zoominskvg = new TSvgIcon(PreviewZoomRect);
    zoominskvg->setObjectName(QStringLiteral("zoominskvg"));
    zoominskvg->setSource(QStringLiteral(":/icons/zoomin.svg"));
    zoominskvg->setOverrideColour(ThemeMapTextColor(kText));
    zoominskvg->setClickable(true);
    zoominskvg->setToolTip(QStringLiteral("Zoom in"));
    Label22 = new TLabel(QStringLiteral("100%"), PreviewZoomRect);
    Label22->setObjectName(QStringLiteral("Label22"));
    Label22->setFontSize(12, QFont::DemiBold);
    Label22->setFontColour(ThemeMapTextColor(kTextBright));
    Label22->setAlignment(Qt::AlignCenter);
    Label22->setClickable(true);
    const QRect bar = PreviewZoomRect->panelRect();
    zoomoutskvg->setGeometry(bar.left() + DpI(9), bar.top() + DpI(8), DpI(20), DpI(20));
    zoominskvg->setGeometry(bar.right() - DpI(28), bar.top() + DpI(8), DpI(20), DpI(20));
    Label22->setGeometry(bar.left() + DpI(30), bar.top(), DpI(40), bar.height());
    connect(zoominskvg, &TSvgIcon::clicked, this, &TForm1::zoominskvgClick);
    connect(zoomoutskvg, &TSvgIcon::clicked, this, &TForm1::zoomoutskvgClick);
    connect(PreviewZoomRect, &TRoundedPanel::clicked, this, &TForm1::PreviewZoomRectClick);
    connect(Label22, &TLabel::clicked, this, &TForm1::PreviewZoomRectClick);
    connect(PreviewZoomRect, &TRoundedPanel::hoverChanged, this, [this, setZoomBarOpacity](bool over) {
        setZoomBarOpacity(over ? 0.8 : 0.0);
        if (over)
            ShowZoomLabel();
    });
    for (TSvgIcon* icon : {zoominskvg, zoomoutskvg})
        connect(icon, &TSvgIcon::hoverChanged, this, [setZoomBarOpacity](bool over) {
            if (over)
                setZoomBarOpacity(0.8);
        });

    ParamsRect = new TRoundedPanel(content);
    ParamsRect->setObjectName(QStringLiteral("ParamsRect"));
    ParamsRect->setFillColour(ThemeMapColor(kPanelCard));
    ParamsRect->setRadius(14);
    ParamsRect->setPanelGeometry(
        QRect(origin + QPoint(DpI(12), DpI(kParamsTop)), QSize(DpI(kRightPanelWidth - 24), DpI(435))));

    ParamsLabel = Heading(QStringLiteral("PARAMETERS"), ParamsRect);
    ParamsLabel->setObjectName(QStringLiteral("ParamsLabel"));
    ParamsLabel->setClickable(true);
    ParamsLabel->setToolTip(QStringLiteral("Double-click to reset this effect's parameters"));
    ParamsLabel->setGeometry(DpI(16), DpI(14), DpI(180), DpI(20));
    connect(ParamsLabel, &TLabel::doubleClicked, this, &TForm1::ParamsLabelDblClick);

    for (int k = 1; k <= 5; ++k) {
        auto* row = new TCaptionedSlider(ParamsRect);
        row->setObjectName(QStringLiteral("ParamRow%1").arg(k));
        row->caption()->setObjectName(QStringLiteral("Param%1Label").arg(k));
        row->caption()->setToolTip(QStringLiteral("Double-click to reset this slider"));
        row->caption()->setFontColour(ThemeMapTextColor(kText));
        row->valueLabel()->setObjectName(QStringLiteral("P%1labelpc").arg(k));
        row->valueLabel()->setFontColour(ThemeMapTextColor(kTextBright));
        row->slider()->setObjectName(QStringLiteral("TrackBar%1").arg(k));
        row->setGeometry(DpI(16), DpI(48 + (k - 1) * 62), DpI(kRightPanelWidth - 24 - 32), DpI(50));
        ParamRows[k - 1] = row;
        connect(row, &TCaptionedSlider::tracking, this, [this, k] { TrackBarTracking(k); });
        connect(row, &TCaptionedSlider::captionDoubleClicked, this, [this, k] { ParamLabelDblClick(k); });
    }

    Button1 = new TButton(QStringLiteral("Apply effect"), TButton::Look::Primary, ParamsRect);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFontSize(16, QFont::DemiBold);
    Button1->setGeometry(DpI(16), DpI(364), DpI(kRightPanelWidth - 24 - 32), DpI(44));
    connect(Button1, &TButton::clicked, this, &TForm1::Button1Click);
    auto* applyShadow = new QGraphicsDropShadowEffect(Button1);
    applyShadow->setBlurRadius(Dp(12));
    applyShadow->setOffset(0, Dp(4));
    applyShadow->setColor(QColor(0, 0, 0, 140));
    Button1->setGraphicsEffect(applyShadow);
    connect(Button1, &TButton::pressed, this, [this] { ButtonPressEffect(Button1); });
    connect(Button1, &TButton::released, this, [this] { ButtonReleaseEffect(Button1); });

    // Hidden buttons kept for diagnosis: an immediate preview and the
    // history's memory report.
    UpdatePreviewButton = new TButton(QStringLiteral("Update preview"), TButton::Look::Standard, ParamsRect);
    UpdatePreviewButton->setObjectName(QStringLiteral("UpdatePreviewButton"));
    UpdatePreviewButton->hide();
    connect(UpdatePreviewButton, &TButton::clicked, this, &TForm1::UpdatePreviewButtonClick);
    Button2 = new TButton(QStringLiteral("Memory usage"), TButton::Look::Standard, ParamsRect);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->hide();
    connect(Button2, &TButton::clicked, this, &TForm1::Button2Click);
    CreateEffectOptions();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    LayoutWindow();
    // A window of another size shows the whole picture again, fitted and
    // centred in the canvas it now has.
    if (width() != FLastFitW || height() != FLastFitH) {
        if (FSkImage && !FDestroying) {
            CalculateBestFitAndCenter();
            SkPaintBox1->UpdateDivider();
        }
        RedrawCanvas();
        FLastFitW = width();
        FLastFitH = height();
    }
}

void TForm1::LayoutWindow()
{
    if (!Body)
        return;
    const int W = Body->width(), H = Body->height();
    const int m = DpI(kMargin);
    const int top = DpI(kTopBarHeight);
    ProgramBarRect->setGeometry(0, 0, W, top);
    LayoutWindowButtons();

    const int panelsHeight = std::max(0, H - top - m);
    LeftPanelRect->setPanelGeometry(QRect(m, top, DpI(kLeftPanelWidth), panelsHeight));
    const QRect left = LeftPanelRect->panelRect();
    EffectsLabel->setGeometry(left.left() + DpI(20), left.top() + DpI(16), DpI(180), DpI(18));
    PresentedScrollBox2->setGeometry(left.left(), left.top() + DpI(42), left.width(), left.height() - DpI(48));

    const int rightX = W - m - DpI(kRightPanelWidth);
    RightPanelRect->setPanelGeometry(QRect(rightX, top, DpI(kRightPanelWidth), panelsHeight));
    FitRightPanelContent();

    const int workX = m + DpI(kLeftPanelWidth) + m;
    Layout2->setGeometry(workX, top, std::max(0, rightX - m - workX), panelsHeight);
    WorskpaceRect->setPanelGeometry(Layout2->rect());
    SkPaintBox1->setGeometry(WorskpaceRect->panelRect().adjusted(1, 1, -1, -1));
    CenterDropZone();
    ProgressBarRect->setGeometry(0, Layout2->height() - DpI(30), Layout2->width(), DpI(18));
    ProgressBarRect->raise();
    RepositionGalleryToggle();
    if (IsCoffeeOpen())
        CenterCoffeePrompt();
    ManualBrushFollowCanvas();
    RepositionPictos();
}

void TForm1::UpdateMinConstraintsForWorkArea()
{
    ApplyMinimumSizeForWorkArea(this);
}

void TForm1::FitRightPanelContent()
{
    if (!RightPanelScroll || !ParamsRect)
        return;
    RightPanelScroll->setGeometry(RightPanelRect->panelRect());
    const QWidget* lowest = OptionsRect ? static_cast<QWidget*>(OptionsRect) : ParamsRect;
    const int contentHeight = lowest->geometry().bottom() + 1 + DpI(kMargin);
    const bool fits = contentHeight <= RightPanelScroll->height();
    RightPanelScroll->setVerticalScrollBarPolicy(fits ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    RightPanelContent->resize(RightPanelScroll->width() - (fits ? 0 : DpI(6)), contentHeight);
}

} // namespace pv
