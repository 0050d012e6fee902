// The script parser on any text: bytes decoded as a script file is read, split
// into lines, every line parsed.

#include "FuzzSupport.h"

#include "scripts/ScriptParser.h"
#include "scripts/ScriptLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pv;
    const QStringList lines = SplitScriptLines(DecodeScriptBytes(fuzz::Bytes(data, size)));
    std::vector<TScriptCommand> commands;
    QStringList errors;
    const bool ok = ParseScript(lines, commands, errors);
    FUZZ_EXPECT(ok == errors.isEmpty());
    FUZZ_EXPECT(commands.size() <= size_t(lines.size()));
    int previous = 0;
    for (const TScriptCommand& c : commands) {
        FUZZ_EXPECT(c.LineNumber > previous && c.LineNumber <= lines.size());
        previous = c.LineNumber;
    }
    for (const QString& e : errors)
        FUZZ_EXPECT(e.startsWith(QLatin1String("Line ")));
    ScriptErrorsMessage(errors);
    return 0;
}
