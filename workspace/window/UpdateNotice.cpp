// The window's side of the update check: the notice that names a newer
// version (with a button to the web site) and the fading up-to-date line.

#include "workspace/window/MainWindow.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/DesignColours.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Theme.h"
#include "shell/Dictionary.h"
#include "shell/UpdateCheck.h"
#include "shell/WebPages.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QRandomGenerator>

namespace pv {

bool AutomaticUpdateCheckAllowed()
{
    // Test runs switch the automatic check off so they never reach out.
    return qEnvironmentVariableIsEmpty("PELANDROVIUM_NO_UPDATE_CHECK");
}

void TForm1::MaybeCheck4UpdateAtStartup()
{
    if (AutomaticUpdateCheckAllowed() && QRandomGenerator::global()->bounded(100) >= 90)
        Check4Update();
}

void TForm1::Check4Update()
{
    if (!FUpdateCheck) {
        FUpdateCheck = new TUpdateCheck(this);
        connect(FUpdateCheck, &TUpdateCheck::NewerAvailable, this, &TForm1::ShowUpdateNotice);
        connect(FUpdateCheck, &TUpdateCheck::UpToDate, this, &TForm1::ShowUpToDateLine);
    }
    FUpdateCheck->Start(); // a check already under way answers for both
}

void TForm1::CreateUpdateNotice()
{
    Check4UpdateRect = new TRoundedPanel(Layout2);
    Check4UpdateRect->setObjectName(QStringLiteral("Check4UpdateRect"));
    Check4UpdateRect->setFillColour(kPanelRaised);
    Check4UpdateRect->setRadius(15);
    Check4UpdateRect->setShadow(TShadow{8, 0, 4, kShadowNotice});
    Check4UpdateRect->resize(DpI(369), DpI(210));
    Check4UpdateText = new TLabel({}, Check4UpdateRect);
    Check4UpdateText->setObjectName(QStringLiteral("Check4UpdateText"));
    Check4UpdateText->setTranslatable(false); // composed of translated rows
    Check4UpdateText->setFontColour(kTextBright);
    Check4UpdateText->setFontSize(14);
    Check4UpdateText->setWordWrap(true);
    Check4UpdateText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Check4UpdateText->setGeometry(DpI(24), DpI(16), DpI(321), DpI(129));
    CancelUpdate = new TButton(QStringLiteral("Cancel"), TButton::Look::Standard, Check4UpdateRect);
    CancelUpdate->setObjectName(QStringLiteral("CancelUpdate"));
    CancelUpdate->setGeometry(DpI(23), DpI(161), DpI(97), DpI(33));
    // The site's name after an indent that holds the icon.
    BtnUpdate = new TButton(QString(9, u' ') + UpdateHost(), TButton::Look::Standard, Check4UpdateRect);
    BtnUpdate->setObjectName(QStringLiteral("BtnUpdate"));
    BtnUpdate->setTranslatable(false);
    BtnUpdate->setTextAlignment(Qt::AlignLeft);
    BtnUpdate->setGeometry(DpI(152), DpI(161), DpI(193), DpI(33));
    auto* siteIcon = new TSvgIcon(BtnUpdate);
    siteIcon->setObjectName(QStringLiteral("SkSvg52"));
    siteIcon->setSource(QStringLiteral(":/toolbar/update.svg"));
    siteIcon->setOverrideColour(ThemeMapTextColor(kText));
    siteIcon->setGeometry(DpI(12), DpI(7), DpI(19), DpI(19));
    connect(CancelUpdate, &TButton::clicked, this, &TForm1::CancelUpdateClick);
    connect(BtnUpdate, &TButton::clicked, this, &TForm1::BtnUpdateClick);
    Check4UpdateRect->hide();
}

void TForm1::ShowUpdateNotice(const QString& RemoteVersion, const QString& LocalVersion)
{
    if (!Check4UpdateRect)
        CreateUpdateNotice();
    Check4UpdateText->setText(TranslateFormat(QStringLiteral("Version %s is available."), {RemoteVersion}) +
                              QStringLiteral("\r\n") +
                              TranslateFormat(QStringLiteral("You are currently using %s."), {LocalVersion}) +
                              QStringLiteral("\r\n\r\n") + WithUpdateHost(UpdateVisitQuestionRow()));
    Check4UpdateRect->move((Layout2->width() - Check4UpdateRect->width()) / 2,
                           (Layout2->height() - Check4UpdateRect->height()) / 2);
    Check4UpdateRect->show();
    Check4UpdateRect->raise();
}

void TForm1::ShowUpToDateLine()
{
    DebugLabel->setText(TranslateText(QStringLiteral("Pelandrovium Brenix is up to date")));
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(DebugLabel->graphicsEffect());
    if (!fade) {
        fade = new QGraphicsOpacityEffect(DebugLabel);
        DebugLabel->setGraphicsEffect(fade);
    }
    fade->setOpacity(1.0);
    delete FUpToDateFade;
    // Visible for 3 s, then it fades for 2 s and is emptied.
    auto* anim = new QPropertyAnimation(fade, "opacity", DebugLabel);
    anim->setDuration(5000);
    anim->setKeyValueAt(0.0, 1.0);
    anim->setKeyValueAt(0.6, 1.0);
    anim->setKeyValueAt(1.0, 0.0);
    FUpToDateFade = anim;
    connect(anim, &QPropertyAnimation::finished, this, [this, anim, fade] {
        DebugLabel->setText({});
        fade->setOpacity(1.0);
        if (FUpToDateFade == anim)
            FUpToDateFade = nullptr;
        anim->deleteLater();
    });
    anim->start();
}

void TForm1::BtnUpdateClick()
{
    Check4UpdateRect->hide();
    OpenWebPage(UpdateHomePage());
}

void TForm1::CancelUpdateClick() { Check4UpdateRect->hide(); }

} // namespace pv
