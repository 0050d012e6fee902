#include "shell/Dictionary.h"

#include "platform/widgets/Button.h"
#include "platform/widgets/ItemList.h"
#include "platform/widgets/Label.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace pv {
namespace {

// Every test starts and ends in English with an empty dictionary.
class DictionaryTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        ClearTranslations();
        SetCurrentLanguage(QStringLiteral("en"));
    }
    static void German()
    {
        BuildTranslations({QStringLiteral("Crop"), QStringLiteral("Resize"), QStringLiteral("Close"),
                           QStringLiteral("Apply effect"), QStringLiteral("Processing image %d of %d..."),
                           QStringLiteral("Batch will run script: %s"), QStringLiteral("Crop")},
                          {QStringLiteral("Zuschneiden"), QString(), QStringLiteral("Schließen"),
                           QStringLiteral("Den gewählten Effekt auf das ganze Bild anwenden"),
                           QStringLiteral("Bild %d von %s..."), QStringLiteral("Skript: %s"),
                           QStringLiteral("Beschneiden")});
        SetCurrentLanguage(QStringLiteral("de"));
    }
};

TEST_F(DictionaryTest, LooksUpExactEnglishTextsOnlyOutsideEnglish)
{
    German();
    SetCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(TranslateText(QStringLiteral("Close")), QStringLiteral("Close"));
    SetCurrentLanguage(QStringLiteral("de"));
    const struct {
        const char* in;
        QString out;
    } cases[] = {
        {"Close", QStringLiteral("Schließen")},
        {"Crop", QStringLiteral("Beschneiden")}, // the later row replaces the earlier
        {"Resize", QStringLiteral("Resize")},    // an empty translation is not entered
        {"close", QStringLiteral("close")},      // case counts
        {"Not a row", QStringLiteral("Not a row")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranslateText(QString::fromUtf8(c.in)), c.out) << c.in;
    EXPECT_EQ(TranslationCount(), 5);
}

TEST_F(DictionaryTest, FormattedRowsNeverUseATranslationWithOtherPlaceholders)
{
    German();
    const struct {
        const char* english;
        QStringList values;
        QString out;
    } cases[] = {
        {"Processing image %d of %d...", {QStringLiteral("3"), QStringLiteral("9")},
         QStringLiteral("Processing image 3 of 9...")}, // "%d ... %s" does not match "%d ... %d"
        {"Batch will run script: %s", {QStringLiteral("100%s %d.vls")}, QStringLiteral("Skript: 100%s %d.vls")},
        {"Batch will run script: %s", {}, QStringLiteral("Skript: ")},
        {"Error saving image \"%s\": %s", {QStringLiteral("a.png"), QStringLiteral("disk full")},
         QStringLiteral("Error saving image \"a.png\": disk full")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TranslateFormat(QString::fromUtf8(c.english), c.values), c.out) << c.english;
    EXPECT_EQ(PlaceholderSequence(QStringLiteral("%d of %s, 100% %x %d")), QStringLiteral("dsd"));
}

TEST_F(DictionaryTest, TranslateRevertTranslateShowsTheTranslationOfTheEnglishText)
{
    QWidget window;
    auto* label = new TLabel(QStringLiteral("Crop"), &window);
    label->setToolTip(QStringLiteral("Close"));
    auto* list = new TItemList(&window);
    list->setItems({QStringLiteral("Close"), QStringLiteral("Cartoon")});
    auto* number = new TLabel(QStringLiteral("Close"), &window);
    number->setTranslatable(false);

    German();
    TranslateComponent(&window);
    EXPECT_EQ(label->text(), QStringLiteral("Beschneiden"));
    EXPECT_EQ(label->toolTip(), QStringLiteral("Schließen"));
    EXPECT_EQ(list->items(), (QStringList{QStringLiteral("Schließen"), QStringLiteral("Cartoon")}));
    EXPECT_EQ(number->text(), QStringLiteral("Close"));
    // Code sets a new English text while German is on: shown translated at once.
    label->setText(QStringLiteral("Apply effect"));
    EXPECT_EQ(label->text(), QStringLiteral("Den gewählten Effekt auf das ganze Bild anwenden"));
    label->setToolTip(QStringLiteral("Crop")); // a new English hint

    RevertComponent(&window);
    SetCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(label->text(), QStringLiteral("Apply effect"));
    EXPECT_EQ(label->toolTip(), QStringLiteral("Crop"));
    EXPECT_EQ(list->items()[0], QStringLiteral("Close"));

    SetCurrentLanguage(QStringLiteral("de"));
    TranslateComponent(&window);
    TranslateComponent(&window);
    EXPECT_EQ(label->sourceText(), QStringLiteral("Apply effect"));
    EXPECT_EQ(label->toolTip(), QStringLiteral("Beschneiden"));
}

TEST_F(DictionaryTest, ALongCaptionShrinksInSteps_WrapsAndGrowsBackInEnglish)
{
    QWidget window;
    window.resize(400, 200);
    auto* button = new TButton(QStringLiteral("Apply effect"), TButton::Look::Primary, &window);
    button->setFontSize(16);
    button->setGeometry(0, 0, 120, 34);
    auto* fits = new TLabel(QStringLiteral("Close"), &window);
    fits->setFontSize(14);
    fits->setGeometry(0, 50, 200, 20);
    auto* wrapping = new TLabel(QStringLiteral("Apply effect"), &window);
    wrapping->setFontSize(14);
    wrapping->setWordWrap(true);
    wrapping->setGeometry(0, 80, 40, 20);
    const int designButton = button->font().pixelSize();
    const int designLabel = fits->font().pixelSize();

    German();
    TranslateComponent(&window);
    FitTranslatedTexts(&window);
    EXPECT_LT(button->font().pixelSize(), designButton);
    EXPECT_GE(button->font().pixelSize(), 9);
    EXPECT_TRUE(button->wrapsText());
    EXPECT_EQ(fits->font().pixelSize(), designLabel); // a caption that fits keeps its size
    EXPECT_EQ(wrapping->font().pixelSize(), designLabel); // multi-line labels are never shrunk

    SetCurrentLanguage(QStringLiteral("en"));
    RevertComponent(&window);
    FitTranslatedTexts(&window);
    EXPECT_EQ(button->font().pixelSize(), designButton);
    EXPECT_FALSE(button->wrapsText());

    // An impossible width stops at the floor.
    SetCurrentLanguage(QStringLiteral("de"));
    TranslateComponent(&window);
    button->resize(20, 34);
    FitTranslatedTexts(&window);
    EXPECT_EQ(button->font().pixelSize(), 9);
}

TEST_F(DictionaryTest, TextFitsMeasuresWithTheControlsOwnFont)
{
    QFont font = TLabel().font();
    font.setPixelSize(16);
    const double w = QFontMetricsF(font).horizontalAdvance(QStringLiteral("Resize"));
    EXPECT_TRUE(TextFits(QStringLiteral("Resize"), font, w, 20, false));
    EXPECT_FALSE(TextFits(QStringLiteral("Resize"), font, w - 2, 20, false));
    EXPECT_TRUE(TextFits(QString(), font, 1, 1, false));
    EXPECT_TRUE(TextFits(QStringLiteral("Apply effect"), font, w, 100, true));
    EXPECT_FALSE(TextFits(QStringLiteral("Apply effect"), font, w, 10, true));
}

} // namespace
} // namespace pv
