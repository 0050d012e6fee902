// The main window's side of the interface languages: the language popup, the
// switch that re-texts the window, the script editor and the effect lists,
// the choice at start-up and the export of the tables.

#include "workspace/window/MainWindow.h"

#include "platform/widgets/DesignColours.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"
#include "platform/widgets/RoundedPanel.h"
#include "platform/widgets/SvgIcon.h"
#include "shell/Settings.h"
#include "shell/Dictionary.h"
#include "shell/Languages.h"
#include "workspace/scripting/ScriptEditor.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>

namespace pv {
namespace {

// The effect lists' texts as the tables spell them ("Cartoon" is never looked up).
const QStringList& EffectListKeys(int list)
{
    static const QStringList keys[5] = {
        {QStringLiteral("Pencil Sketch 1"), QStringLiteral("Pencil Sketch 2"), QStringLiteral("Pencil Sketch 3"),
         QStringLiteral("Crosshatch")},
        {QStringLiteral("Black & White"), QStringLiteral("Stippling"), QStringLiteral("Felt-tip pen"),
         QStringLiteral("Comic print")},
        {QStringLiteral("Watercolor"), QStringLiteral("Watercolor 2"), QStringLiteral("Oil Pastel"),
         QStringLiteral("Watercolor splashes"), QStringLiteral("Impasto brushstrokes"), QStringLiteral("Brushstrokes 2"),
         QStringLiteral("Smooth painting"), QStringLiteral("Stochastic Painting"), QStringLiteral("Gouache Painting")},
        {QStringLiteral("Orton filter"), QStringLiteral("Adjustments"), QStringLiteral("Vintage / Sepia"),
         QStringLiteral("Retro film"), QStringLiteral("LUTs")},
        {QStringLiteral("Mosaic"), QStringLiteral("Cartoon"), QStringLiteral("Circles"), QStringLiteral("Triangles")},
    };
    return keys[list];
}

} // namespace

void TForm1::SwitchLanguage(const QString& Code)
{
    // Scrolling captions go back to their places before their texts change.
    TeardownMenuMarquee();
    TeardownUILabelMarquee();
    TeardownExpanderMarquee();
    TeardownCoffeeBtnMarquee();
    RevertComponent(this);
    if (FormScriptEditor)
        RevertComponent(FormScriptEditor);
    ClearTranslations();
    // A code without a table is English everywhere, also for later code that
    // asks which language is on.
    const QStringList table = Code == QLatin1String("en") ? QStringList() : LanguageTable(Code);
    SetCurrentLanguage(table.isEmpty() ? QStringLiteral("en") : Code);
    if (!table.isEmpty()) {
        BuildTranslations(LanguageTable(QStringLiteral("en")), table);
        TranslateComponent(this);
        if (FormScriptEditor)
            FormScriptEditor->ApplyLanguage();
    }
    // Qt's own dialogs and buttons speak the language too.
    LoadQtTranslations(GetCurrentLanguage());
    // The gallery tab and the interface-size entry compose their texts.
    RefreshGalleryHints();
    UpdateUIZoomMenuLabel();
    FitTranslatedButtons();
    CenterDropZone();
    if (FormScriptEditor)
        FitTranslatedTexts(FormScriptEditor);
    for (int list = 0; list < 5; ++list) {
        const QStringList& keys = EffectListKeys(list);
        for (int i = 0; i < keys.size() && i < ListBoxes[list]->count(); ++i)
            ListBoxes[list]->setItemDisplayText(i, list == 4 && i == 1 ? keys[i] : TranslateText(keys[i]));
    }
    // Hints that have no translation are shown in English only.
    const bool english = GetCurrentLanguage() == QLatin1String("en");
    Sunsvg->setToolTip(english ? QStringLiteral("Switch to light mode") : QString());
    moonsvg->setToolTip(english ? QStringLiteral("Switch to dark mode") : QString());
    for (int k = 1; k <= 5; ++k)
        ParamLabel(k)->setToolTip(english ? QStringLiteral("Double-click to reset this slider") : QString());
    // The selected effect's list marks it again.
    const int category = SelectedEffectNumber / 100;
    if (category >= 1 && category <= 5)
        UpdateEffectAccent(ListBoxes[category - 1], SelectedEffectNumber % 100);
    if (MenuContainer && MenuContainer->isVisible())
        SetupMenuMarquee();
    SetupUILabelMarquee();
    SetupExpanderMarquee();
}

void TForm1::LanguageMIClick()
{
    if (!FLanguagePopup) {
        FLanguagePopup = new TRoundedPanel(this);
        FLanguagePopup->setObjectName(QStringLiteral("FLanguagePopup"));
        FLanguagePopup->resize(DpI(160), DpI(365));
        FLanguagePopup->setRadius(10);
        FLanguagePopup->setFillColour(kPanelRaised);
        FLanguagePopup->setStroke(kBorder, 2);
        FLanguagePopup->setShadow({4, 2.83, 2.83, kShadow});
        for (int i = 0; i < kLanguageCount; ++i) {
            auto* label = new TLabel(QString::fromUtf8(Languages()[i].nativeName), FLanguagePopup);
            label->setObjectName(QStringLiteral("LangOption%1").arg(i));
            label->setTranslatable(false);
            label->setFontSize(16);
            label->setFontColour(kText);
            label->setClickable(true);
            label->setGeometry(DpI(15), DpI(i * 25 + 5), DpI(130), DpI(22));
            connect(label, &TLabel::clicked, this, [this, i] { LangOptionClick(i); });
        }
        WireLabelHover(FLanguagePopup);
        FLanguagePopup->hide();
    }
    // Until the main menu exists the popup opens under the top bar's left end.
    int y = DpI(56);
    if (y + FLanguagePopup->height() > height() - 5)
        y = std::max(5, height() - FLanguagePopup->height() - 5);
    FLanguagePopup->move(DpI(20), y);
    FLanguagePopup->setVisible(!FLanguagePopup->isVisible());
    FLanguagePopup->raise();
}

void TForm1::LangOptionClick(int Tag)
{
    if (Tag >= 0 && Tag < kLanguageCount) {
        const QString code = QString::fromLatin1(Languages()[Tag].code);
        SwitchLanguage(code);
        SetSetting(QStringLiteral("language"), code);
    }
    // A pick closes the popup and the menu it came from.
    CloseMainMenu();
}

void TForm1::DetectAndSetSystemLanguage() { SwitchLanguage(LanguageOfLocale(QLocale::system().name())); }

void TForm1::ExportLanguagesClick()
{
    const TExportResult result = ExportLanguages(QCoreApplication::applicationDirPath());
    if (result.folder.isEmpty())
        return;
    if (result.written)
        ShowMessage(QStringLiteral("All 14 language files exported to:\r\n") + result.folder);
    else
        ShowMessage(QStringLiteral("The language files could not be exported:\r\n") + result.error);
}

} // namespace pv
