#include "workspace/window/LUTSources.h"

#include "effects/colour-and-shapes/lut/EmbeddedLUTs.h"
#include "workspace/window/MainWindow.h"

namespace pv {
namespace {

void UseLUT(TForm1& form, TNamedLUT&& lut)
{
    form.FLUTData = std::move(lut.Data);
    form.FLUTName = std::move(lut.Name);
    if (!form.FLUTData.isEmpty())
        form.UpdatePreviewTimer.start();
}

} // namespace

void InitEmbeddedLUTs(TForm1& form)
{
    if (auto lut = FirstEmbeddedLUT())
        UseLUT(form, std::move(*lut));
}

bool LoadEmbeddedLUT(TForm1& form, const QString& AName)
{
    auto lut = FindEmbeddedLUT(AName);
    if (!lut)
        return false;
    form.FLUTFilePath.clear();
    UseLUT(form, std::move(*lut));
    return true;
}

bool TForm1::ChooseLutFile(const QString& path)
{
    FLUTFilePath = path;
    FLUTData.clear();
    FLUTName.clear();
    return true;
}

bool TForm1::ChooseEmbeddedLut(const QString& name)
{
    FLUTFilePath.clear();
    if (!LoadEmbeddedLUT(*this, name))
        InitEmbeddedLUTs(*this);
    return true;
}

} // namespace pv
