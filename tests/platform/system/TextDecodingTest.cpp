#include "platform/system/TextDecoding.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

TEST(TextDecoding, ByByteOrderMarkThenUtf8ThenWindows1252)
{
    const struct {
        const char* what;
        QByteArray bytes;
        QString text;
    } cases[] = {
        {"UTF-8 mark", QByteArray("\xEF\xBB\xBFTEXT 1 1 \"\xC3\xA9t\xC3\xA9\""), QStringLiteral("TEXT 1 1 \"été\"")},
        {"UTF-16 LE mark", QByteArray("\xFF\xFE" "R\0E\0S\0E\0T\0", 12), QStringLiteral("RESET")},
        {"UTF-16 BE mark", QByteArray("\xFE\xFF\0S\0W\0A\0P", 10), QStringLiteral("SWAP")},
        {"valid UTF-8", QByteArray("# \xE2\x82\xAC caf\xC3\xA9"), QStringLiteral("# € café")},
        {"Windows-1252", QByteArray("# caf\xE9 \x80 \x93x\x94"), QStringLiteral("# café € “x”")},
        {"broken UTF-8 sequence", QByteArray("\xC3( RESET"), QStringLiteral("Ã( RESET")},
        {"empty", QByteArray(), QString()},
        {"U+FEFF after the mark", QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx"), QString(QChar(0xFEFF)) + QLatin1Char('x')},
        {"lone surrogate in UTF-16", QByteArray("\xFF\xFE" "a\0\x00\xD8", 6), QStringLiteral("a") + QChar(0xD800)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeTextBytes(c.bytes), c.text) << c.what;
}

} // namespace
} // namespace pv
