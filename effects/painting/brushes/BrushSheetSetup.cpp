#include "effects/painting/brushes/BrushSheetSetup.h"

#include "engine/EngineHost.h"
#include "engine/Effect.h"
#include "engine/Repository.h"

namespace pv {

namespace {

constexpr int kBuiltInBrushCount = 40;

void UseSheet(const TRepositoryImage& sheet) { Form3().Brushes.setImage(sheet.image()); }

} // namespace

void BrushSheetSetup(int effectNumber)
{
    TForm3& repo = Form3();
    TEngineHost* host = EngineHost();
    switch (effectNumber) {
    case 302:
        if (host && host->CustomBrushesOn302)
            repo.Brushes.setBitmap(host->CustomBrushBitmap302);
        else
            UseSheet(repo.PastelBrushes);
        break;
    case 303:
        if (host && host->CustomBrushesOn303)
            repo.Brushes.setBitmap(host->CustomBrushBitmap303);
        else
            UseSheet(repo.WatercolorBrushes);
        break;
    case 304:
        if (host && host->CustomBrushesOn304) {
            host->GlobalBrushCount = host->CustomBrushCount304;
            repo.Brushes.setBitmap(host->CustomBrushBitmap304);
        } else {
            if (host)
                host->GlobalBrushCount = kBuiltInBrushCount;
            UseSheet(repo.DefaultBrushes);
        }
        break;
    case 307:
        // Effect 307 follows the switch of 304; with it on the sheet stays as it is.
        if (!(host && host->CustomBrushesOn304))
            UseSheet(repo.DefaultBrushes);
        break;
    default: break;
    }
}

namespace {
const bool kBrushSheetSetupInstalled = (SetBrushSheetSetup(&BrushSheetSetup), true);
} // namespace

} // namespace pv
