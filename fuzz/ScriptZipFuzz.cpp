// The script editor's open of a zip archive: every ".vls" entry becomes a
// script, a broken archive gives none, and nothing escapes.

#include "FuzzSupport.h"

#include "scripts/ScriptLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pv;
    const QString path = fuzz::ScratchFile(fuzz::Bytes(data, size), QStringLiteral(".zip"));
    const std::vector<TScriptEntry> scripts = ImportScriptFiles({path});
    for (const TScriptEntry& s : scripts)
        FUZZ_EXPECT(!s.BuiltIn);
    return 0;
}
