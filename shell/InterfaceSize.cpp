#include "shell/InterfaceSize.h"

#include <algorithm>
#include <cmath>

namespace pv {

double ClampUIZoom(double Zoom)
{
    if (!std::isfinite(Zoom))
        return 1.0;
    return std::clamp(Zoom, kMinUIZoom, kMaxUIZoom);
}

double ComputeAutoUIZoom(QSizeF WorkArea)
{
    if (WorkArea.isEmpty())
        return 1.0;
    const double z = std::min((WorkArea.width() - 16) / 1419.0, (WorkArea.height() - 16) / 1150.0);
    return std::max(std::min(z, 1.0), 0.5);
}

double StartupUIZoom(const QString& StoredSetting, QSizeF WorkArea)
{
    if (StoredSetting.isEmpty())
        return ClampUIZoom(ComputeAutoUIZoom(WorkArea));
    bool ok = false;
    const int percent = StoredSetting.toInt(&ok);
    return ClampUIZoom((ok ? percent : 100) / 100.0);
}

int UIZoomPercent(double Zoom) { return int(std::lround(Zoom * 100)); }

QString UIZoomSettingText(double Zoom) { return QString::number(UIZoomPercent(Zoom)); }

QSize MinimumWindowSize(QSize WorkArea)
{
    return {std::max(0, std::min(WorkArea.width() - 16, 1080)), std::max(0, std::min(WorkArea.height() - 16, 768))};
}

} // namespace pv
