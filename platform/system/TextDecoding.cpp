#include "platform/system/TextDecoding.h"

#include <QStringDecoder>

#include <cstdint>
#include <initializer_list>

namespace pv {
namespace {

// The characters Windows-1252 puts at 0x80..0x9F; the five codes it leaves
// undefined map to the C1 control of the same number, as Windows does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DecodeWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = uint8_t(bytes[i]);
        out[i] = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
    }
    return text;
}

bool IsValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

bool HasPrefix(const QByteArray& bytes, std::initializer_list<uint8_t> prefix)
{
    if (bytes.size() < qsizetype(prefix.size()))
        return false;
    qsizetype i = 0;
    for (uint8_t b : prefix)
        if (uint8_t(bytes[i++]) != b)
            return false;
    return true;
}

// Only the mark that chose the encoding is dropped: a U+FEFF right after it
// belongs to the text.
QString DecodeUtf8AfterMark(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(bytes).sliced(3));
}

// UTF-16 code units as they stand, unpaired surrogates included, so that any
// text written as UTF-16 reads back unchanged; an odd last byte is dropped.
QString DecodeUtf16AfterMark(const QByteArray& bytes, bool bigEndian)
{
    const qsizetype units = (bytes.size() - 2) / 2;
    QString text(units, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const uint8_t*>(bytes.constData()) + 2;
    for (qsizetype i = 0; i < units; ++i) {
        const uint8_t a = in[2 * i], b = in[2 * i + 1];
        out[i] = bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
    }
    return text;
}

} // namespace

QString DecodeTextBytes(const QByteArray& bytes)
{
    if (HasPrefix(bytes, {0xEF, 0xBB, 0xBF}))
        return DecodeUtf8AfterMark(bytes);
    if (HasPrefix(bytes, {0xFF, 0xFE}))
        return DecodeUtf16AfterMark(bytes, false);
    if (HasPrefix(bytes, {0xFE, 0xFF}))
        return DecodeUtf16AfterMark(bytes, true);
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return DecodeWindows1252(bytes);
}

QStringList SplitTextLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

} // namespace pv
