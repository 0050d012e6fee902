#include "platform/system/NumberText.h"

#include <QLocale>

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace pv {
namespace {

std::atomic<char16_t> gSeparator{0};

QChar SystemDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 ? point.front() : QChar('.');
}

bool IsDigit(QChar c) { return c >= QChar('0') && c <= QChar('9'); }

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

QChar DecimalSeparator()
{
    char16_t sep = gSeparator.load(std::memory_order_relaxed);
    if (sep == 0) {
        sep = SystemDecimalSeparator().unicode();
        char16_t expected = 0;
        gSeparator.compare_exchange_strong(expected, sep);
        sep = gSeparator.load(std::memory_order_relaxed);
    }
    return QChar(sep);
}

void SetDecimalSeparator(QChar separator) { gSeparator.store(separator.unicode(), std::memory_order_relaxed); }

bool TryStrToInt(const QString& text, int& value)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == QChar(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QChar('-') || text[i] == QChar('+')))
        negative = text[i++] == QChar('-');
    if (i >= n)
        return false;

    bool hex = false;
    if (text[i] == QChar('$')) {
        hex = true;
        ++i;
    } else if (text[i] == QChar('0') && i + 1 < n && (text[i + 1] == QChar('x') || text[i + 1] == QChar('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;

    if (hex) {
        if (n - i > 8)
            return false;
        uint32_t bits = 0;
        for (; i < n; ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0)
                return false;
            bits = (bits << 4) | uint32_t(d);
        }
        const uint32_t result = negative ? uint32_t(0) - bits : bits;
        value = int32_t(result);
        return true;
    }

    int64_t magnitude = 0;
    for (; i < n; ++i) {
        if (!IsDigit(text[i]))
            return false;
        magnitude = magnitude * 10 + (text[i].unicode() - '0');
        if (magnitude > int64_t(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int>::max() || signedValue < std::numeric_limits<int>::min())
        return false;
    value = int(signedValue);
    return true;
}

bool TryStrToFloat(const QString& text, float& value)
{
    const QChar sep = DecimalSeparator();
    const qsizetype n = text.size();
    qsizetype i = 0, end = n;
    while (i < end && text[i] == QChar(' '))
        ++i;
    while (end > i && text[end - 1] == QChar(' '))
        --end;

    // Rewritten in the C notation for the locale-independent reader.
    std::string plain;
    plain.reserve(size_t(end - i));
    if (i < end && (text[i] == QChar('-') || text[i] == QChar('+'))) {
        if (text[i] == QChar('-'))
            plain.push_back('-');
        ++i;
    }
    int digits = 0;
    for (; i < end && IsDigit(text[i]); ++i, ++digits)
        plain.push_back(char(text[i].unicode()));
    if (i < end && text[i] == sep) {
        plain.push_back('.');
        for (++i; i < end && IsDigit(text[i]); ++i, ++digits)
            plain.push_back(char(text[i].unicode()));
    }
    if (digits == 0)
        return false;
    if (i < end && (text[i] == QChar('e') || text[i] == QChar('E'))) {
        plain.push_back('e');
        ++i;
        if (i < end && (text[i] == QChar('-') || text[i] == QChar('+')))
            plain.push_back(char(text[i++].unicode()));
        int expDigits = 0;
        for (; i < end && IsDigit(text[i]); ++i, ++expDigits)
            plain.push_back(char(text[i].unicode()));
        if (expDigits == 0)
            return false;
    }
    if (i != end)
        return false;

    double parsed = 0;
    const auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    if (ptr != plain.data() + plain.size())
        return false;
    if (ec == std::errc::result_out_of_range) {
        // A tiny value reads as zero; an overflow is no number at all.
        if (plain.find("e-") == std::string::npos)
            return false;
        parsed = 0;
    } else if (ec != std::errc()) {
        return false;
    }
    if (!(std::abs(parsed) <= double(std::numeric_limits<float>::max())))
        return false;
    value = float(parsed);
    return true;
}

QString FormatDecimal(double value, int maxDecimals)
{
    QString s = QString::number(value, 'f', maxDecimals < 0 ? 0 : maxDecimals);
    if (s.contains(QChar('.'))) {
        while (s.endsWith(QChar('0')))
            s.chop(1);
        if (s.endsWith(QChar('.')))
            s.chop(1);
    }
    if (s == QStringLiteral("-0"))
        s = QStringLiteral("0");
    s.replace(QChar('.'), DecimalSeparator());
    return s;
}

} // namespace pv
