#include "workspace/text-and-print/TextWindow.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/ColourPicker.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/LineEdit.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/Switch.h"
#include "shell/Theme.h"
#include "workspace/text-and-print/FontFamilies.h"
#include "workspace/text-and-print/TextTool.h"

#include <QCursor>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace pv {

namespace {

// The white bar under the colour letter that fades in and out while the window is open.
class TPulseBar : public QWidget {
public:
    explicit TPulseBar(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }
    double opacity = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setOpacity(opacity);
        p.fillRect(rect(), Qt::white);
    }
};

TLabel* Caption(const char* name, const char* text, QWidget* parent, int x, int y, int w = 170)
{
    auto* l = new TLabel(QString::fromLatin1(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFontSize(13);
    l->setFontColour(kText);
    l->setGeometry(DpI(x), DpI(y), DpI(w), DpI(20));
    return l;
}

TLabel* StyleIcon(const char* name, const char* letter, QWidget* parent, int x, int y)
{
    auto* l = new TLabel(QString::fromLatin1(letter), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTranslatable(false);
    l->setAlignment(Qt::AlignCenter);
    l->setFontColour(kText);
    l->setClickable(true);
    l->setGeometry(DpI(x), DpI(y), DpI(28), DpI(28));
    return l;
}

void Place(QWidget* w, int x, int y, int width, int height) { w->setGeometry(DpI(x), DpI(y), DpI(width), DpI(height)); }

constexpr TAlphaColor kStyleOn = kAccent, kStyleOff = kText;

} // namespace

TTextWindow::TTextWindow(QWidget* parent, TTextTool& tool) : TFloatingPanel(parent), tool_(tool)
{
    setObjectName(QStringLiteral("TextWindow"));
    setFillColour(kPanelPopup);
    setRadius(15);
    resize(DpI(386), DpI(496));
    setTitle(QStringLiteral("Add text/watermark"));
    closeBox()->setObjectName(QStringLiteral("TextCloseBtn"));
    InstalledFamilies = [] { return QFontDatabase::families(); };

    TextToolEdit = new TLineEdit(this);
    TextToolEdit->setObjectName(QStringLiteral("TextToolEdit"));
    TextToolEdit->setPrompt(QStringLiteral("Enter your text here"));
    TextToolEdit->setFontSize(24);
    TextToolEdit->setAlignment(Qt::AlignCenter);
    TextToolEdit->setColour("font", kDefaultTextColour);
    Place(TextToolEdit, 16, 44, 354, 46);
    connect(TextToolEdit, &TLineEdit::textEdited, this, &TTextWindow::TextToolEditChangeTracking);

    Caption("FontFamilyLabel", "Font family", this, 16, 100);
    FontListScroll = new QScrollArea(this);
    FontListScroll->setObjectName(QStringLiteral("FontListScroll"));
    FontListScroll->setFrameShape(QFrame::NoFrame);
    FontListScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FontListScroll->setWidgetResizable(false);
    FontListScroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    FontListScroll->viewport()->setAutoFillBackground(false);
    Place(FontListScroll, 16, 122, 170, 163);
    FontListBox = new TItemList;
    FontListBox->setObjectName(QStringLiteral("FontListBox"));
    FontListBox->setTranslatable(false);
    FontListBox->setItemHeight(26);
    FontListBox->setItemsInOwnFamily(true);
    FontListBox->setFont(InterFont(14));
    FontListScroll->setWidget(FontListBox);
    // The list shows the window's own colour in either theme (the scroll box
    // would fill it with the palette's).
    FontListBox->setAutoFillBackground(false);
    connect(FontListBox, &TItemList::itemClicked, this, &TTextWindow::FontListBoxChange);

    Caption("FontSizeLabel", "Font size", this, 200, 100);
    NumberBox1 = new TNumberBox(this);
    NumberBox1->setObjectName(QStringLiteral("NumberBox1"));
    NumberBox1->setRange(kMinTextSize, kMaxTextSize);
    NumberBox1->setValue(24);
    NumberBox1->setStepButtons(true);
    Place(NumberBox1, 200, 122, 170, 30);
    connect(NumberBox1, &TNumberBox::valueChanged, this, &TTextWindow::NumberBox1ChangeTracking);
    connect(NumberBox1, &TLineEdit::keyReleased, this, &TTextWindow::NumberBox1KeyUp);

    Caption("FontStyleLabel", "Font style", this, 200, 162);
    Bold = StyleIcon("Bold", "B", this, 200, 184);
    Bold->setFontSize(18, QFont::Bold);
    Italic = StyleIcon("Italic", "I", this, 236, 184);
    QFont italicFont = InterFont(18);
    italicFont.setItalic(true);
    Italic->setFont(italicFont);
    FontColor = StyleIcon("FontColor", "A", this, 272, 184);
    FontColor->setFontSize(18, QFont::DemiBold);
    Rectangle4 = new TPulseBar(this);
    Rectangle4->setObjectName(QStringLiteral("Rectangle4"));
    Place(Rectangle4, 274, 211, 24, 3);
    connect(Bold, &TLabel::clicked, this, &TTextWindow::BoldClick);
    connect(Italic, &TLabel::clicked, this, &TTextWindow::ItalicClick);
    // The style icons light under the pointer like any clickable label, and
    // return to their state's colour when it leaves: a click meanwhile
    // changed that colour.
    for (TLabel* style : {Bold, Italic})
        connect(style, &TLabel::hoverChanged, this, [this, style](bool over) {
            if (over)
                style->setFontColour(IsLightTheme() ? kAccent : kTextBright);
            else
                ShowStyleColours();
        });
    connect(FontColor, &TLabel::clicked, this, &TTextWindow::FontColorClick);

    Caption("DropShadowLabel", "Drop shadow", this, 200, 226);
    ShadowCheckBox = new TSwitch(this);
    ShadowCheckBox->setObjectName(QStringLiteral("ShadowCheckBox"));
    ShadowCheckBox->setTrack(40, 20, 9);
    ShadowCheckBox->setThumb(18, 18);
    Place(ShadowCheckBox, 200, 250, 40, 20);
    connect(ShadowCheckBox, &TSwitch::toggled, this, &TTextWindow::ShadowCheckBoxClick);

    Caption("WatermarkLabel", "Watermark / logo", this, 16, 300, 354);
    LoadWatermarkBtn = new TButton(QStringLiteral("Load watermark..."), TButton::Look::Standard, this);
    LoadWatermarkBtn->setObjectName(QStringLiteral("LoadWatermarkBtn"));
    LoadWatermarkBtn->setFontSize(13);
    Place(LoadWatermarkBtn, 16, 324, 354, 34);
    connect(LoadWatermarkBtn, &TButton::clicked, this, [this] {
        if (OnLoadWatermark)
            OnLoadWatermark();
    });

    CancelTextButton = new TButton(QStringLiteral("Cancel"), TButton::Look::Ghost, this);
    CancelTextButton->setObjectName(QStringLiteral("CancelTextButton"));
    CancelTextButton->setFontSize(13);
    Place(CancelTextButton, 16, 440, 120, 36);
    ApplyTextButton = new TButton(QStringLiteral("Apply text/watermark"), TButton::Look::Primary, this);
    ApplyTextButton->setObjectName(QStringLiteral("ApplyTextButton"));
    ApplyTextButton->setFontSize(13);
    Place(ApplyTextButton, 146, 440, 224, 36);
    const auto cancel = [this] {
        if (OnCancel)
            OnCancel();
    };
    connect(CancelTextButton, &TButton::clicked, this, cancel);
    connect(this, &TFloatingPanel::closeClicked, this, cancel);
    connect(ApplyTextButton, &TButton::clicked, this, [this] {
        if (OnApply)
            OnApply();
    });

    // The colour popup over the lower controls.
    auto* popup = new TRoundedPanel(this);
    popup->setObjectName(QStringLiteral("FontColorRect"));
    popup->setFillColour(kPanelRaised);
    popup->setRadius(10);
    popup->setShadow({6, 0, 3, kShadow});
    Place(popup, 194, 214, 185, 171);
    ColorPanel1 = new TColourPicker(popup);
    ColorPanel1->setObjectName(QStringLiteral("ColorPanel1"));
    ColorPanel1->setColour(kDefaultTextColour);
    Place(ColorPanel1, 6, 6, 173, 159);
    connect(ColorPanel1, &TColourPicker::colourChanged, this, &TTextWindow::ColorPanel1Change);
    popup->hide();
    FontColorRect = popup;

    FontColorTimer.setInterval(3000);
    connect(&FontColorTimer, &QTimer::timeout, this, &TTextWindow::FontColorTimerTimer);
    FTextBoxPulseTimer.setInterval(300);
    connect(&FTextBoxPulseTimer, &QTimer::timeout, this, &TTextWindow::FTextBoxPulseTimerTimer);

    SetShadowChecked(tool_.FShadowChecked);
    ApplyStyleLook();
    hide();
}

TTextWindow::~TTextWindow() = default;

bool TTextWindow::TextBoxHasFocus() const { return TextToolEdit->hasEditFocus(); }

void TTextWindow::ShowWindow()
{
    if (!TextToolEdit->editText().isEmpty() && !tool_.FTextToolActive)
        ActivateTextTool();
    if (FontListBox->count() == 0)
        PopulateFontListBox();
    if (tool_.FTextFontName.trimmed().isEmpty()) {
        tool_.FTextFontName = QStringLiteral("Arial");
        ShowFamilyInTextBox();
        const int i = int(FontListBox->sourceItems().indexOf(tool_.FTextFontName));
        if (i >= 0)
            FontListBox->setItemIndex(i);
    }
    show();
    raise();
    TextToolEdit->editor()->setFocus(Qt::OtherFocusReason);
    StartPulse();
}

void TTextWindow::ActivateTextTool()
{
    tool_.FTextString = TextToolEdit->editText();
    tool_.FTextColor = ColorPanel1->colour();
    tool_.ActivateText();
}

void TTextWindow::PopulateFontListBox()
{
    const QStringList installed = InstalledFamilies ? InstalledFamilies() : QStringList();
    const QStringList families = FontListFamilies(installed);
    FontListBox->setItems(families);
    FontListBox->resize(FontListScroll->viewport()->width(), DpI(26) * int(families.size()));
    if (!tool_.FTextFontName.isEmpty()) {
        const QString wanted = NormaliseFontFamily(tool_.FTextFontName, installed);
        for (int i = 0; i < families.size(); ++i)
            if (families[i].compare(wanted, Qt::CaseInsensitive) == 0) {
                FontListBox->setItemIndex(i);
                FontListScroll->ensureVisible(0, FontListBox->itemTop(i) + DpI(13), 0, DpI(70));
                break;
            }
    }
}

void TTextWindow::ShowFamilyInTextBox()
{
    QFont f = TextToolEdit->editor()->font();
    f.setFamilies({tool_.FTextFontName});
    f.setBold(bold_);
    f.setItalic(italic_);
    TextToolEdit->editor()->setFont(f);
}

void TTextWindow::TextToolEditChangeTracking()
{
    const QString text = TextToolEdit->editText();
    if (!text.isEmpty() && !tool_.FTextToolActive)
        ActivateTextTool();
    tool_.FTextString = text;
    tool_.Redraw();
}

void TTextWindow::FontListBoxChange(int index)
{
    if (index < 0 || index >= FontListBox->count())
        return;
    FontListBox->setItemIndex(index);
    tool_.FTextFontName = FontListBox->sourceItems()[index];
    ShowFamilyInTextBox();
    tool_.Redraw();
}

void TTextWindow::NumberBox1ChangeTracking()
{
    tool_.FTextFontSize = float(NumberBox1->value());
    tool_.Redraw();
}

void TTextWindow::NumberBox1KeyUp()
{
    // A typed size counts at once, held in the range; nothing positive, nothing changes.
    const double typed = NumberBox1->textValue();
    if (!(typed > 0))
        return;
    const float size = std::clamp(float(typed), kMinTextSize, kMaxTextSize);
    if (size != tool_.FTextFontSize) {
        tool_.FTextFontSize = size;
        tool_.Redraw();
    }
}

void TTextWindow::ShowTextSize(float size)
{
    const QSignalBlocker block(NumberBox1);
    NumberBox1->setValue(size);
}

void TTextWindow::ShowStyleColours()
{
    Bold->setFontColour(bold_ ? kStyleOn : kStyleOff);
    Italic->setFontColour(italic_ ? kStyleOn : kStyleOff);
}

void TTextWindow::ApplyStyleLook()
{
    ShowStyleColours();
    tool_.FTextFontStyle = {bold_ ? 700 : 400, italic_};
    ShowFamilyInTextBox();
    tool_.Redraw();
}

void TTextWindow::BoldClick()
{
    bold_ = !bold_;
    ApplyStyleLook();
}

void TTextWindow::ItalicClick()
{
    italic_ = !italic_;
    ApplyStyleLook();
}

void TTextWindow::ShadowCheckBoxClick() { SetShadowChecked(ShadowCheckBox->isChecked()); }

void TTextWindow::SetShadowChecked(bool Value)
{
    tool_.FShadowChecked = Value;
    if (ShadowCheckBox->isChecked() != Value)
        ShadowCheckBox->setChecked(Value);
    tool_.Redraw();
}

void TTextWindow::FontColorClick()
{
    FontColorRect->show();
    FontColorRect->raise();
    FontColorTimer.start();
}

void TTextWindow::ColorPanel1Change()
{
    tool_.FTextColor = ColorPanel1->colour();
    TextToolEdit->setColour("font", tool_.FTextColor);
    tool_.Redraw();
}

void TTextWindow::FontColorTimerTimer()
{
    const auto stop = [this] {
        FontColorTimer.stop();
        FontColorTimer.setInterval(3000);
    };
    if (!FontColorRect->isVisible()) {
        stop();
        return;
    }
    FontColorTimer.setInterval(300);
    if (FontColorRect->rect().contains(FontColorRect->mapFromGlobal(QCursor::pos()))) {
        if (ColorPanel1->colour() != tool_.FTextColor)
            ColorPanel1Change();
        return;
    }
    FontColorRect->hide();
    stop();
}

void TTextWindow::StartPulse()
{
    FOpacityTarget = 1;
    static_cast<TPulseBar*>(Rectangle4)->opacity = 0;
    FTextBoxPulseTimer.setInterval(50);
    FTextBoxPulseTimer.start();
}

double TTextWindow::PulseOpacity() const { return static_cast<const TPulseBar*>(Rectangle4)->opacity; }

void TTextWindow::FTextBoxPulseTimerTimer()
{
    auto* bar = static_cast<TPulseBar*>(Rectangle4);
    if (!isVisible()) {
        FTextBoxPulseTimer.stop();
        bar->opacity = 0;
        bar->update();
        return;
    }
    const double step = FOpacityTarget > bar->opacity ? 0.02 : -0.02;
    bar->opacity = std::clamp(bar->opacity + step, 0.0, 1.0);
    if (bar->opacity >= 1)
        FOpacityTarget = 0;
    else if (bar->opacity <= 0)
        FOpacityTarget = 1;
    bar->update();
}

void TTextWindow::EscapeInTextBox()
{
    tool_.FTextToolActive = false;
    hide();
    tool_.Redraw();
}

} // namespace pv
