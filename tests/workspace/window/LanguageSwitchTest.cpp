#include "FormFixture.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/Expander.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Marquee.h"
#include "shell/Settings.h"
#include "shell/Dictionary.h"
#include "shell/Languages.h"
#include "workspace/gallery/GalleryStrip.h"
#include "workspace/scripting/ScriptEditor.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <gtest/gtest.h>

namespace pv {
namespace {

// The window starts in English and the test leaves the stored language English.
class LanguageSwitchTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        form.SwitchLanguage(QStringLiteral("en"));
        SetSetting(QStringLiteral("language"), QStringLiteral("en"));
    }
    static QString Row(const char* code, int row) { return LanguageTable(QString::fromLatin1(code))[row - 1]; }
    test::RecordingForm form;
};

TEST_F(LanguageSwitchTest, ChoosingDeutschRetextsWindowListsAndEditorAndIsStored)
{
    ASSERT_TRUE(test::OpenFlatPicture(form, 8, 8));
    form.ShowScriptEditor();
    ASSERT_TRUE(form.FormScriptEditor);
    form.LanguageMIClick();
    ASSERT_TRUE(form.FLanguagePopup && form.FLanguagePopup->isVisibleTo(&form));
    form.LangOptionClick(1);
    EXPECT_FALSE(form.FLanguagePopup->isVisibleTo(&form));
    EXPECT_EQ(GetSetting(QStringLiteral("language")), QStringLiteral("de"));
    EXPECT_EQ(GetCurrentLanguage(), QStringLiteral("de"));
    EXPECT_EQ(form.Button1->text(), Row("de", 118));
    EXPECT_EQ(form.Expanders[1]->text(), Row("de", 44));
    EXPECT_EQ(form.ListBoxes[1]->items()[0], Row("de", 51)); // "Black & White", spelt otherwise in the catalogue
    EXPECT_EQ(form.ListBoxes[2]->items()[2], Row("de", 55)); // "Oil Pastel"
    EXPECT_EQ(form.ListBoxes[4]->items()[1], QStringLiteral("Cartoon"));
    EXPECT_EQ(form.ListBoxes[1]->sourceItems()[0], QStringLiteral("Black & white"));
    QStringList editorTexts;
    for (TControl* c : ControlsUnder(form.FormScriptEditor))
        editorTexts << c->text();
    EXPECT_TRUE(editorTexts.contains(Row("de", 220))) << "Run";

    // German to French goes through English: no German text is left.
    form.LangOptionClick(4);
    EXPECT_EQ(form.Button1->text(), Row("fr", 118));
    EXPECT_EQ(form.ListBoxes[1]->items()[0], Row("fr", 51));
    for (TControl* c : ControlsUnder(&form))
        if (c->translatable() && !c->text().isEmpty() && c->text() != c->sourceText())
            EXPECT_EQ(c->text(), TranslateText(c->sourceText())) << c->sourceText().toStdString();

    EXPECT_TRUE(form.Sunsvg->toolTip().isEmpty()); // no translation: no hint

    form.LangOptionClick(2);
    EXPECT_EQ(form.Sunsvg->toolTip(), QStringLiteral("Switch to light mode"));
    EXPECT_EQ(form.Button1->text(), QStringLiteral("Apply effect"));
    EXPECT_EQ(form.ListBoxes[1]->items()[0], QStringLiteral("Black & White"));
}

TEST_F(LanguageSwitchTest, TheGalleryTabIsRetextedAndRefittedByEverySwitch)
{
    TGalleryStrip& tab = *form.HistoryRect;
    for (const char* code : {"en", "ru", "de", "fr", "uk"}) {
        form.SwitchLanguage(QString::fromLatin1(code));
        EXPECT_EQ(tab.TabText(), Row(code, 142) + QStringLiteral("  \u25B2")) << code;
        // Fitted to this language's text: fitting again changes nothing.
        const int fitted = tab.Layout().tabWidth;
        tab.FitGalleryToggleLabel();
        EXPECT_EQ(tab.Layout().tabWidth, fitted) << code;
        QFont f = tab.font();
        f.setPixelSize(DpI(12));
        EXPECT_LE(QFontMetrics(f).horizontalAdvance(tab.TabText()), tab.Layout().TabRect().width()) << code;
    }
}

TEST_F(LanguageSwitchTest, AMousePickClosesPopupAndMenuAndTheSizeEntryKeepsTheSize)
{
    test::ShowRestored(form);
    form.ApplyUIZoom(0.86, false);
    form.bnMainMenuClick();
    ASSERT_TRUE(form.MenuContainer->isVisible());
    EXPECT_EQ(form.MenuEntry("UIZoomMI")->text(), QStringLiteral("Interface size: 86%"));
    form.LanguageEntryClick();
    ASSERT_TRUE(form.FLanguagePopup && form.FLanguagePopup->isVisible());
    auto* deutsch = form.FLanguagePopup->findChild<TLabel*>(QStringLiteral("LangOption1"));
    ASSERT_TRUE(deutsch);
    const QPointF at = QRectF(deutsch->rect()).center();
    test::SendMouse(deutsch, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    test::SendMouse(deutsch, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(GetCurrentLanguage(), QStringLiteral("de"));
    EXPECT_FALSE(form.FLanguagePopup->isVisible());
    EXPECT_FALSE(form.MenuContainer->isVisible());
    EXPECT_FALSE(form.FMenuMarquee->Running());
    EXPECT_EQ(form.MenuEntry("UIZoomMI")->text(), Row("de", 297) + QStringLiteral(": 86%"));
    form.ApplyUIZoom(1.0, false);
    EXPECT_EQ(form.MenuEntry("UIZoomMI")->text(), Row("de", 297) + QStringLiteral(": 100%"));
}

TEST_F(LanguageSwitchTest, ThePanelHeadingsAreTableRowsInEveryLanguage)
{
    struct Case {
        TLabel* heading;
        int row;
    } cases[] = {{form.ToolsLabel, 30}, {form.EffectsLabel, 31}, {form.ParamsLabel, 32}};
    for (const char* code : {"en", "de", "ru"}) {
        form.SwitchLanguage(QString::fromLatin1(code));
        for (const Case& c : cases)
            EXPECT_EQ(c.heading->text(), Row(code, c.row)) << code << " row " << c.row;
    }
}

TEST_F(LanguageSwitchTest, QtsOwnButtonsAndFileDialogsFollowTheSwitch)
{
    struct Case {
        const char* code;
        const char* yes;
        const char* no;
        const char* cancel;
    } cases[] = {
        {"de", "&Ja", "&Nein", "Abbrechen"}, {"fr", "&Oui", "&Non", "Annuler"},
        {"ru", "&Да", "&Нет", "Отмена"},     {"en", "&Yes", "&No", "Cancel"},
    };
    for (const Case& c : cases) {
        form.SwitchLanguage(QString::fromLatin1(c.code));
        QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel);
        EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text(), QString::fromUtf8(c.yes)) << c.code;
        EXPECT_EQ(box.button(QDialogButtonBox::No)->text(), QString::fromUtf8(c.no)) << c.code;
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8(c.cancel)) << c.code;
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        ASSERT_TRUE(buttons) << c.code;
        EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8(c.cancel)) << c.code;
    }
}

TEST_F(LanguageSwitchTest, ACodeWithoutATableIsEnglishEverywhere)
{
    for (const char* code : {"EN", "en-US", "sv", ""}) {
        form.SwitchLanguage(QStringLiteral("de"));
        form.SwitchLanguage(QString::fromLatin1(code));
        EXPECT_EQ(GetCurrentLanguage(), QStringLiteral("en")) << code;
        EXPECT_EQ(form.Button1->text(), QStringLiteral("Apply effect")) << code;
        EXPECT_EQ(TranslateText(QStringLiteral("Apply effect")), QStringLiteral("Apply effect")) << code;
    }
}

} // namespace
} // namespace pv
