#include "workspace/text-and-print/FontFamilies.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(FontFamilies, StyleWordsAreCutOnlyDownToAnInstalledFamily)
{
    struct Case {
        QString face;
        QStringList installed; // besides the face itself
        QString listed;
    };
    const Case cases[] = {
        {"Arial Black", {"Arial"}, "Arial"},
        {"Arial Black Italic", {"Arial", "Arial Black"}, "Arial"},
        // Through a name that is not installed to one that is.
        {"Bahnschrift SemiBold Condensed", {"Bahnschrift"}, "Bahnschrift"},
        // "Inter Semi" is no family: the name stays whole.
        {"Inter Semi Bold", {"Inter"}, "Inter Semi Bold"},
        {"Liberation Sans Narrow", {}, "Liberation Sans Narrow"},
        // The table has no plain " Light".
        {"Calibri Light", {"Calibri"}, "Calibri Light"},
        {"Segoe UI Variable Display", {"Segoe UI Variable"}, "Segoe UI Variable"},
        {"Segoe UI Variable Display", {}, "Segoe UI Variable Display"},
        // Regardless of case, and the foundry tag is not shown.
        {"nimbus sans BOLD [urw]", {"Nimbus Sans [urw]"}, "nimbus sans"},
        {"Nimbus Sans [UKWN]", {}, "Nimbus Sans"},
        {"  Liberation Serif  ", {}, "Liberation Serif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face.toStdString());
        EXPECT_EQ(NormaliseFontFamily(c.face, c.installed + QStringList{c.face}), c.listed);
    }
}

TEST(FontFamilies, ListIsSortedWithoutDuplicatesOrVerticalVariants)
{
    const QStringList installed = {"Nimbus Sans [urw]", "Nimbus Sans [UKWN]", "arial", "Arial Black", "Arial",
                                   "@MS Gothic",       "",                   "  ",    "DejaVu Sans", "Inter Semi Bold",
                                   "Inter"};
    EXPECT_EQ(FontListFamilies(installed),
              (QStringList{"arial", "DejaVu Sans", "Inter", "Inter Semi Bold", "Nimbus Sans"}));
    EXPECT_TRUE(FontListFamilies({}).isEmpty());
}

} // namespace
} // namespace pv
