// The effect-parameter file reader on any bytes: a refusal changes nothing;
// anything read keeps the captions, holds every value to 0..100 and survives
// being written and read again unchanged.

#include "FuzzSupport.h"

#include "platform/system/Errors.h"
#include "engine/ParameterFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pv;
    static const TParameterTable defaults = [] {
        TParameterTable t{};
        InitializeParameters(t);
        return t;
    }();
    TParameterTable table = defaults;
    try {
        ReadParameterText(fuzz::Bytes(data, size), table);
    } catch (const Exception&) {
        FUZZ_EXPECT(table == defaults);
        return 0;
    }
    for (size_t c = 0; c < table.size(); ++c)
        for (size_t i = 0; i < table[c].size(); ++i)
            for (int k = 1; k <= 5; ++k) {
                FUZZ_EXPECT(table[c][i].Name(k) == defaults[c][i].Name(k));
                const int v = table[c][i].Value(k);
                FUZZ_EXPECT(v == defaults[c][i].Value(k) || (v >= 0 && v <= 100));
            }
    TParameterTable again = defaults;
    ReadParameterText(WriteParameterText(table), again);
    FUZZ_EXPECT(again == table);
    return 0;
}
