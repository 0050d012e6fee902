// Script text decoding (byte-order marks, UTF-8, UTF-16, Windows-1252) and the
// line splitting and encoding that saving uses: whatever a file held, its
// lines read back exactly as they were saved.

#include "FuzzSupport.h"

#include "scripts/ScriptLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pv;
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString text = DecodeScriptBytes(bytes);
    const bool marked = bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!marked && !bytes.isValidUtf8())
        FUZZ_EXPECT(text.size() == bytes.size()); // Windows-1252: one character per byte
    const QStringList lines = SplitScriptLines(text);
    for (const QString& line : lines)
        FUZZ_EXPECT(!line.contains(u'\r') && !line.contains(u'\n'));
    FUZZ_EXPECT(SplitScriptLines(DecodeScriptBytes(EncodeScriptForSave(lines))) == lines);
    return 0;
}
