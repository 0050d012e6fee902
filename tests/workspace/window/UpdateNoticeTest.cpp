#include "FormFixture.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Dictionary.h"
#include "shell/Languages.h"
#include "shell/UpdateCheck.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(UpdateNotice, TheUpToDateLineStandsWholeInTheTitleBarAndLetsTheMouseThrough)
{
    test::RecordingForm form;
    test::ShowRestored(form);
    // The window as designed, and wider.
    for (const int width : {1419, 1800}) {
        form.resize(width, 900);
        QCoreApplication::processEvents();
        form.ShowUpToDateLine();
        TLabel* line = form.DebugLabel;
        EXPECT_EQ(line->parentWidget(), form.ProgramBarRect);
        EXPECT_TRUE(line->isVisibleTo(&form));
        EXPECT_EQ(line->height(), 17);
        EXPECT_LE(line->width(), 929);
        EXPECT_EQ(line->text(), QStringLiteral("Pelandrovium Brenix is up to date"));
        EXPECT_LE(QFontMetrics(line->font()).horizontalAdvance(line->text()), line->width()) << width;
        // Whole, over nothing else of the bar: the logo, the title, the buttons, the zoom row.
        EXPECT_TRUE(form.ProgramBarRect->rect().contains(line->geometry())) << width;
        for (QWidget* other : form.ProgramBarRect->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (other != line && other->isVisibleTo(&form))
                EXPECT_FALSE(other->geometry().intersects(line->geometry()))
                    << width << " " << other->objectName().toStdString();
    }
}

TEST(UpdateNotice, TheNoticeAsksInTheLanguageAndItsSiteButtonHoldsItsIconInTheIndent)
{
    test::RecordingForm form;
    test::ShowRestored(form);
    form.SwitchLanguage(QStringLiteral("de"));
    form.ShowUpdateNotice(QStringLiteral("4.51"), QStringLiteral("4.50"));
    const QString question = LanguageTable(QStringLiteral("de"))[212];
    EXPECT_TRUE(form.Check4UpdateText->text().endsWith(QString(question).replace(QStringLiteral("%s"), UpdateHost())))
        << form.Check4UpdateText->text().toStdString();
    form.SwitchLanguage(QStringLiteral("en"));

    TButton* site = form.BtnUpdate;
    EXPECT_EQ(site->text(), QString(9, u' ') + UpdateHost());
    EXPECT_EQ(site->textAlignment(), Qt::AlignLeft);
    auto* icon = site->findChild<TSvgIcon*>(QStringLiteral("SkSvg52"));
    ASSERT_TRUE(icon);
    EXPECT_TRUE(icon->isVisibleTo(site));
    // The icon lies in the indent, before the host's name begins.
    const int nameStarts = DpI(4) + QFontMetrics(site->font()).horizontalAdvance(QString(9, u' '));
    EXPECT_GT(icon->x(), 0);
    EXPECT_LT(icon->geometry().right(), nameStarts);
    EXPECT_TRUE(site->rect().contains(icon->geometry()));
}

} // namespace
} // namespace pv
