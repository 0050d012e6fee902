// The user's brush import from a zip archive: its ".png" entries become cells
// of a new brush sheet; a broken archive raises pv::Exception and keeps the
// sheet.

#include "FuzzSupport.h"

#include "engine/Repository.h"
#include "platform/system/Errors.h"

#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pv;
    static TForm3 repository;
    const QString path = fuzz::ScratchFile(fuzz::Bytes(data, size), QStringLiteral(".zip"));
    const ISkImage before = repository.Brushes.image();
    int placed = 0;
    try {
        placed = repository.LoadBrushesToRepository({path});
    } catch (const Exception&) {
        FUZZ_EXPECT(repository.Brushes.image() == before);
        return 0;
    }
    FUZZ_EXPECT(placed >= 0 && placed <= TForm3::kMaxBrushCount);
    if (placed == 0) {
        FUZZ_EXPECT(repository.Brushes.image() == before);
    } else {
        const QImage sheet = repository.Brushes.bitmap();
        FUZZ_EXPECT(!sheet.isNull() && sheet.width() > 0 && sheet.height() > 0);
    }
    return 0;
}
