// The widget kit under a theme switch: every colour slot follows the theme
// except those that look the same in both (switch thumbs, the close box's red
// hover, picker markers, the grid's selection outline), and switching back
// restores the design exactly.

#include "platform/widgets/ColourPicker.h"
#include "platform/widgets/ComboBox.h"
#include "platform/widgets/FloatingPanel.h"
#include "platform/widgets/NumberBox.h"
#include "platform/widgets/Switch.h"
#include "platform/widgets/ThumbnailGrid.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

namespace pv {
namespace {

constexpr TAlphaColor kMarked = 0xFF010203u;
bool AlwaysLight() { return true; }
TAlphaColor Mark(TAlphaColor c, bool toLight) { return toLight ? kMarked : c; }

TEST(ThemeSlots, EverySlotFollowsTheThemeExceptTheFixedOnes)
{
    struct Case {
        const char* name;
        std::function<std::unique_ptr<TControl>()> make;
        std::set<std::string> fixed;
    };
    const Case cases[] = {
        {"switch", [] { return std::make_unique<TSwitch>(); }, {"thumbOn", "thumbOff"}},
        {"close box", [] { return std::make_unique<TCloseBox>(); }, {"hoverFill", "crossHover"}},
        {"picker", [] { return std::make_unique<TColourPicker>(); }, {"marker", "markerShade"}},
        {"grid", [] { return std::make_unique<TThumbnailGrid>(); }, {"outline"}},
        {"number box", [] { return std::make_unique<TNumberBox>(); }, {}},
        {"combo box", [] { return std::make_unique<TComboBox>(); }, {}},
        {"swatch", [] { return std::make_unique<TColourSwatch>(); }, {}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TControl> control = c.make();
        SetThemeHooks({&AlwaysLight, &Mark, &Mark});
        control->applyTheme(true);
        for (const auto& slot : control->colourSlots())
            EXPECT_EQ(slot.value, c.fixed.count(slot.role) ? slot.design : kMarked) << c.name << " " << slot.role;
        control->applyTheme(false);
        for (const auto& slot : control->colourSlots())
            EXPECT_EQ(slot.value, slot.design) << c.name << " " << slot.role;
        SetThemeHooks({});
    }
}

} // namespace
} // namespace pv
