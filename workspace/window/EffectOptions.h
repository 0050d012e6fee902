#pragma once
// Which effects use which of the options under the sliders (as the effect
// catalogue marks them).

namespace pv {

// The erase-background switch is enabled only for the effects that paint over their canvas.
bool EraseOptionEnabled(int effect);
// The contour switch belongs to the space-filling effects.
bool ContourOptionShown(int effect);
// The custom brush sheets belong to the stamped-brush effects.
bool BrushOptionShown(int effect);
// The lookup-table button belongs to the LUT effect.
bool LUTOptionShown(int effect);

} // namespace pv
