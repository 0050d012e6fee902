#pragma once
// Re-lays out built widgets for a new interface zoom: every widget under a
// root gets its geometry and font size at the new zoom. Each widget's size at
// zoom 1 is remembered the first time, so going back and forth never drifts.
// Widgets whose place a layout computes are simply placed again by it later.

class QWidget;

namespace pv {

void RezoomWidgetTree(QWidget* Root, double OldZoom, double NewZoom);

} // namespace pv
