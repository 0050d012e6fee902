#pragma once
// The interface size: the widget kit's design-unit factor (0.5 to 1.5) that
// geometry and fonts are multiplied by, on top of the monitor scaling Qt
// already applies. Stored as the whole percentage "uizoom".

#include <QSize>
#include <QSizeF>
#include <QString>

namespace pv {

inline constexpr double kMinUIZoom = 0.5;
inline constexpr double kMaxUIZoom = 1.5;

double ClampUIZoom(double Zoom);
// The size that fits the designed window (1419 x 1150 with a margin of 16)
// into a work area: min((w - 16) / 1419, (h - 16) / 1150), between 0.5 and
// 1.0; an empty work area gives 1.0.
double ComputeAutoUIZoom(QSizeF WorkArea);
// The start-up size: the stored percentage when there is one (a non-number
// counts as 100), else the automatic size; clamped to 0.5..1.5.
double StartupUIZoom(const QString& StoredSetting, QSizeF WorkArea);
// The stored form of a size: its whole percentage.
QString UIZoomSettingText(double Zoom);
int UIZoomPercent(double Zoom);

// The window's minimum size on a work area: min(w - 16, 1080) x min(h - 16, 768).
QSize MinimumWindowSize(QSize WorkArea);

} // namespace pv
