#include "platform/widgets/ItemList.h"

#include <QFontDatabase>
#include <gtest/gtest.h>

namespace pv {
namespace {

// A font list draws each name in its own family, except a symbol font's: its
// letters are symbols, so its name would be unreadable.
TEST(ItemList, SymbolFontsNamesAreNotDrawnInTheirOwnFamily)
{
    struct Case {
        const char* family;
        bool drawsNames;
    };
    int checked = 0;
    for (const Case& c : {Case{"DejaVu Sans", true}, Case{"Nimbus Sans", true}, Case{"D050000L", false},
                          Case{"Standard Symbols PS", false}}) {
        const QString family = QString::fromLatin1(c.family);
        if (!QFontDatabase::families().contains(family))
            continue;
        EXPECT_EQ(FamilyDrawsLatinNames(family), c.drawsNames) << c.family;
        ++checked;
    }
    if (checked == 0)
        GTEST_SKIP() << "none of the sample families is installed";
}

} // namespace
} // namespace pv
