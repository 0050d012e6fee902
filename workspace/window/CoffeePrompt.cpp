// The coffee prompt: a small window inviting the user to support the program
// through a payment page, opened from the coffee cup of the top bar, the
// menu or the key C. To draw attention without interrupting, the cup steams
// for 30 s after every 20th saved picture and for 10 s whenever the mouse
// moves over it; the steam stands still while work runs or the window is
// inactive.

#include "workspace/window/MainWindow.h"

#include "platform/graphics/SkBlur.h"
#include "platform/widgets/Button.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/FloatingPanel.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/PaintBox.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Marquee.h"
#include "shell/Settings.h"
#include "shell/Theme.h"
#include "shell/WebPages.h"

#include <QEvent>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <limits>

namespace pv {
namespace {

constexpr int kCoffeeWidth = 488, kCoffeeHeight = 421;
// The confirm button's caption leaves room for its cup icon.
const char kBuyCaption[] = "         Buy me a coffee";
constexpr double kSteamBlurSigma = 0.5;

QString DonationText()
{
    return QStringLiteral("Pelandrovium Brenix is free - for personal and commercial work, no watermark, no "
                          "attribution. It stays that way because a small number of users chip in from time to "
                          "time.\r\n\r\nIf you've had fun with Pelandrovium, you can buy me a coffee via ") +
           DonationServiceName() + QStringLiteral(". No account needed.\r\n\r\nHappy Pelandrovizing!");
}

// Three soft wisps rising from the bottom edge, fading towards the top and the
// sides.
void DrawSteam(QPainter& p, const QRectF& dest, double progress, bool light)
{
    if (dest.isEmpty())
        return;
    const QColor c = ToQColor(light ? kLightTextNotice : kTextNotice);
    const double phase = progress * 14 * M_PI;
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    QImage layer((dest.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    {
        // Drawn in design units, at the interface size.
        const double zoom = UiZoom();
        QPainter l(&layer);
        l.setRenderHint(QPainter::Antialiasing);
        l.scale(zoom, zoom);
        const QRectF r(QPointF(0, 0), dest.size() / zoom);
        QLinearGradient rise(r.center().x(), r.top(), r.center().x(), r.bottom());
        QColor clear = c;
        clear.setAlpha(0);
        rise.setColorAt(0, clear);
        rise.setColorAt(0.6, c);
        rise.setColorAt(1, c);
        for (int i = 0; i < 3; ++i) {
            const double shift = phase + 2.1 * i;
            const double baseX = r.center().x() + (i - 1) * 5;
            QPainterPath path;
            for (int j = 0; j <= 16; ++j) {
                const double t = j / 16.0;
                const double amplitude = 2.2 * t + 0.4;
                const QPointF pt(baseX + amplitude * std::sin(3.8 * M_PI * t - shift), r.bottom() - t * r.height());
                if (j == 0)
                    path.moveTo(pt);
                else
                    path.lineTo(pt);
            }
            l.setOpacity(std::clamp(0.1 * std::sin(2 * M_PI * progress + 1.3 * i) + 0.7, 0.0, 1.0));
            l.setPen(QPen(QBrush(rise), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            l.drawPath(path);
        }
        l.end();
        // The wisps are soft: blurred by half a design pixel.
        const SkPlane plane{layer.bits(), layer.width(), layer.height(), size_t(layer.bytesPerLine()), 4};
        const float sigma = float(kSteamBlurSigma * zoom * dpr);
        GaussianBlur(plane, plane, sigma, sigma, SkTileMode::kDecal);
        l.begin(&layer);
        l.setRenderHint(QPainter::Antialiasing);
        l.scale(zoom, zoom);
        l.setOpacity(1);
        QLinearGradient sides(r.left(), r.center().y(), r.right(), r.center().y());
        sides.setColorAt(0, Qt::transparent);
        sides.setColorAt(0.4, Qt::white);
        sides.setColorAt(0.6, Qt::white);
        sides.setColorAt(1, Qt::transparent);
        l.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        l.fillRect(r, sides);
    }
    p.drawImage(dest.topLeft(), layer);
}

} // namespace

void TForm1::CreateCoffeePrompt()
{
    auto* panel = new TFloatingPanel(Layout2);
    panel->setObjectName(QStringLiteral("CoffeeRectangle"));
    panel->setFillColour(kPanelRaised);
    panel->setRadius(15);
    panel->setRestingShadow({12, 0, 4, kShadow});
    panel->resize(DpI(kCoffeeWidth), DpI(kCoffeeHeight));
    panel->closeBox()->setObjectName(QStringLiteral("CoffeeCloseBtn"));
    panel->closeBox()->setGeometry(DpI(454), DpI(8), DpI(26), DpI(26));
    CoffeeRectangle = panel;

    auto* portrait = new TSvgIcon(panel);
    portrait->setObjectName(QStringLiteral("CoffeePortrait"));
    portrait->setSource(QStringLiteral(":/toolbar/portrait.svg"));
    portrait->setOverrideColour(0);
    portrait->setRoundClip(true);
    portrait->setGeometry(DpI(195), DpI(15), DpI(110), DpI(110));

    CoffeeText = new TLabel({}, panel);
    CoffeeText->setObjectName(QStringLiteral("Text1"));
    CoffeeText->setTranslatable(false);
    CoffeeText->setFontSize(14);
    CoffeeText->setFontColour(ThemeMapTextColor(kTextBright));
    CoffeeText->setWordWrap(true);
    // The text stands in the middle of its box, between the portrait and the
    // signature.
    CoffeeText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    CoffeeText->setGeometry(DpI(24), DpI(112), DpI(441), DpI(223));

    // The signature lies over the text's box, reaching out of it to the left
    // and below.
    auto* signature = new TSvgIcon(panel);
    signature->setObjectName(QStringLiteral("signature"));
    signature->setSource(QStringLiteral(":/toolbar/signature.svg"));
    signature->setOverrideColour(ThemeMapTextColor(kTextBright));
    signature->setGeometry(DpI(24 - 8), DpI(112 + 187), DpI(175), DpI(55));

    CancelCoffeeButton = new TButton(QStringLiteral("Cancel"), TButton::Look::Ghost, panel);
    CancelCoffeeButton->setObjectName(QStringLiteral("CancelCoffeeButton"));
    CancelCoffeeButton->setGeometry(DpI(151), DpI(372), DpI(97), DpI(33));
    BuyCoffeeButton = new TButton(QString::fromLatin1(kBuyCaption), TButton::Look::Primary, panel);
    BuyCoffeeButton->setObjectName(QStringLiteral("BuyCoffeeButton"));
    BuyCoffeeButton->setFontSize(16);
    BuyCoffeeButton->setTextAlignment(Qt::AlignLeft);
    BuyCoffeeButton->setGeometry(DpI(257), DpI(372), DpI(208), DpI(33));
    auto* cup = new TSvgIcon(BuyCoffeeButton);
    cup->setObjectName(QStringLiteral("SkSvg46"));
    cup->setSource(QStringLiteral(":/toolbar/cup.svg"));
    cup->setOverrideColour(ThemeMapTextColor(kTextBright));
    cup->setGeometry(DpI(14), DpI(6), DpI(21), DpI(21));

    connect(BuyCoffeeButton, &TButton::clicked, this, &TForm1::BuyCoffeeButtonClick);
    connect(CancelCoffeeButton, &TButton::clicked, this, &TForm1::CancelCoffeeButtonClick);
    connect(panel, &TFloatingPanel::closeClicked, this, &TForm1::CancelCoffeeButtonClick);
    panel->hide();

    FCoffeeBtnMarquee = std::make_unique<TMarqueeGroup>(100.0f);
    FCoffeeBtnMarquee->KeepRunning = [this] { return CoffeeRectangle && CoffeeRectangle->isVisible(); };
    SetupSteam();
}

bool TForm1::IsCoffeeOpen() const { return CoffeeRectangle && CoffeeRectangle->isVisible(); }

void TForm1::SpeedButton9Click()
{
    // Not while the manual brush is in use.
    if (FManualBrushFrame)
        return;
    CoffeeText->setText(DonationText());
    CenterCoffeePrompt();
    CoffeeRectangle->show();
    CoffeeRectangle->raise();
    SetupCoffeeBtnMarquee();
    BuyCoffeeButton->setFocus(Qt::OtherFocusReason);
}

void TForm1::CenterCoffeePrompt()
{
    CoffeeRectangle->move((Layout2->width() - CoffeeRectangle->width()) / 2,
                          (Layout2->height() - CoffeeRectangle->height()) / 2);
}

void TForm1::CoffeeMIClick()
{
    if (MenuContainer)
        MenuContainer->hide();
    SpeedButton9Click();
}

void TForm1::BuyCoffeeButtonClick()
{
    OpenWebPage(DonationPageUrl());
    TeardownCoffeeBtnMarquee();
    CoffeeRectangle->hide();
}

void TForm1::CancelCoffeeButtonClick()
{
    TeardownCoffeeBtnMarquee();
    CoffeeRectangle->hide();
}

void TForm1::SetupCoffeeBtnMarquee()
{
    TeardownCoffeeBtnMarquee();
    QString caption = BuyCoffeeButton->text();
    while (!caption.isEmpty() && (caption.front() == u' ' || caption.front() == QChar(0xA0)))
        caption.remove(0, 1);
    if (caption.isEmpty())
        return;
    const QWidget* cup = BuyCoffeeButton->findChild<QWidget*>(QStringLiteral("SkSvg46"));
    const int left = (cup ? cup->geometry().right() + 1 : 0) + DpI(4);
    const int avail = BuyCoffeeButton->width() - left - DpI(8);
    const QFont font = InterFont(16);
    const float textWidth = float(QFontMetricsF(font).horizontalAdvance(caption));
    if (textWidth <= avail + 1)
        return;
    const QString shown = BuyCoffeeButton->text();
    BuyCoffeeButton->setDisplayText(QString(9, u' '));
    auto* clip = new QWidget(CoffeeRectangle);
    clip->setObjectName(QStringLiteral("CoffeeBtnClip"));
    clip->setAttribute(Qt::WA_TransparentForMouseEvents);
    clip->setGeometry(BuyCoffeeButton->x() + left, BuyCoffeeButton->y(), avail, BuyCoffeeButton->height());
    auto* label = new TLabel(caption, clip);
    label->setTranslatable(false);
    label->setFont(font);
    label->setFontColour(ThemeMapTextColor(kTextBright));
    label->setGeometry(0, (BuyCoffeeButton->height() - DpI(20)) / 2, int(textWidth) + 4, DpI(20));
    clip->show();
    clip->raise();
    TMarqueeState state;
    state.LabelWidth = float(avail);
    state.TextWidth = textWidth;
    FCoffeeBtnMarquee->Add(state, [label = QPointer<TLabel>(label)](float x) {
        if (label)
            label->move(int(std::lround(x)), label->y());
    });
    // The teardown puts the caption back and drops the clip.
    clip->setProperty("pvShownText", shown);
    FCoffeeBtnMarquee->Start();
}

void TForm1::TeardownCoffeeBtnMarquee()
{
    if (FCoffeeBtnMarquee)
        FCoffeeBtnMarquee->Teardown();
    if (!CoffeeRectangle)
        return;
    if (auto* clip = CoffeeRectangle->findChild<QWidget*>(QStringLiteral("CoffeeBtnClip"),
                                                          Qt::FindDirectChildrenOnly)) {
        BuyCoffeeButton->setDisplayText(clip->property("pvShownText").toString());
        delete clip;
    }
}

// ------------------------------------------------------------------ steam

void TForm1::SetupSteam()
{
    auto* box = new TPaintBox(ProgramBarRect);
    box->setObjectName(QStringLiteral("steam"));
    box->setDraw([](QPainter& p, const QRectF& dest, double progress) { DrawSteam(p, dest, progress, IsLightTheme()); });
    box->setGeometry(SpeedButton9->x() + DpI(7), SpeedButton9->y() - DpI(6) + DpI(8), DpI(24), DpI(22));
    steam = box;
    QFile full(QStringLiteral(":/toolbar/coffee.svg"));
    if (full.open(QIODevice::ReadOnly))
        FSteamSvgFull = full.readAll();
    connect(SpeedButton9, &TIconButton::hoverChanged, this, [this](bool over) {
        if (over)
            SteamHoverEnter();
    });
    FSteamTimer.setInterval(100);
    connect(&FSteamTimer, &QTimer::timeout, this, &TForm1::SteamTimerTick);
    StopSteam();
}

void TForm1::NoteImageSaved()
{
    bool ok = false;
    int n = GetSetting(QStringLiteral("saves"), QStringLiteral("0")).toInt(&ok);
    n = ok ? n : 0;
    if (n < std::numeric_limits<int>::max()) // the count stops at the largest number it can hold
        ++n;
    SetSetting(QStringLiteral("saves"), QString::number(n));
    if (n % 20 == 0)
        StartSteam(30000);
}

void TForm1::StartSteam(int ADurationMs)
{
    auto* box = qobject_cast<TPaintBox*>(steam);
    if (!box)
        return;
    if (FSteamTicksLeft <= 0) {
        QFile cup(QStringLiteral(":/toolbar/cup.svg"));
        if (cup.open(QIODevice::ReadOnly))
            CoffeeCup->setSvgData(cup.readAll());
        FSteamProgress = 0;
        box->setProgress(0);
        box->show();
        box->raise();
    }
    FSteamTicksLeft = std::max(ADurationMs / 100, FSteamTicksLeft);
    FSteamTimer.start();
}

void TForm1::StopSteam()
{
    FSteamTicksLeft = 0;
    FSteamTimer.stop();
    if (steam)
        steam->hide();
    if (!FSteamSvgFull.isEmpty())
        CoffeeCup->setSvgData(FSteamSvgFull);
}

void TForm1::SteamTimerTick()
{
    // The steam stands still while work runs.
    if (IsBackgroundWorkRunning())
        return;
    if (FSteamTicksLeft <= 0) {
        StopSteam();
        return;
    }
    --FSteamTicksLeft;
    FSteamProgress += 0.0125f;
    if (FSteamProgress >= 1)
        FSteamProgress -= 1;
    if (auto* box = qobject_cast<TPaintBox*>(steam))
        box->setProgress(FSteamProgress);
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (!isActiveWindow())
        FSteamTimer.stop();
    else if (FSteamTicksLeft > 0)
        FSteamTimer.start();
}

} // namespace pv
