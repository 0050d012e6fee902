#include "engine/ParameterFiles.h"

#include "platform/system/Errors.h"
#include "platform/system/Files.h"
#include "platform/system/TextDecoding.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <optional>

namespace pv {
namespace {

struct TLoadedParameter {
    std::array<QString, 6> Names;
    std::array<int, 6> Values{};
    std::array<bool, 6> HasName{}, HasValue{};
    bool SeenSection = false;
};

// A decimal integer (optional sign); an over-long number is no integer.
std::optional<int> ParseInteger(const QString& text)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// "Value3" -> 3, "name5" -> 5 for the given prefix (letter case ignored), else 0.
int KeyIndex(const QString& key, const QString& prefix)
{
    if (key.size() != prefix.size() + 1 || !key.startsWith(prefix, Qt::CaseInsensitive))
        return 0;
    const QChar d = key.back();
    return d >= QLatin1Char('1') && d <= QLatin1Char('5') ? d.unicode() - '0' : 0;
}

} // namespace

QByteArray WriteParameterText(const TParameterTable& table)
{
    QString text;
    const auto line = [&](const QString& s) { text += s + QStringLiteral("\r\n"); };
    line(QStringLiteral("# Pelandrovium Parameters File"));
    line(QStringLiteral("# Format: [Effect_Category_Index]"));
    line(QStringLiteral("FormatVersion=%1").arg(kParameterFormatVersion));
    line(QString());
    for (int c = 0; c < 10; ++c)
        for (int i = 0; i < 20; ++i) {
            const TParameters& slot = table[size_t(c)][size_t(i)];
            bool any = false;
            for (int k = 1; k <= 5; ++k)
                any = any || !slot.Name(k).isEmpty();
            if (!any)
                continue;
            line(QStringLiteral("[Effect_%1_%2]").arg(c).arg(i));
            for (int k = 1; k <= 5; ++k)
                if (!slot.Name(k).isEmpty())
                    line(QStringLiteral("Value%1=%2").arg(k).arg(slot.Value(k)));
            line(QString());
        }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

void ReadParameterText(const QByteArray& bytes, TParameterTable& table)
{
    // Files edited by hand come back in whatever the editor saved: UTF-16
    // with its byte-order mark, or a comment in a Windows code page. The keys,
    // sections and numbers are plain ASCII in all of them, so reading the
    // text as what it is gives the values that were written.
    const QString text = DecodeTextBytes(bytes);
    if (text.contains(QChar(0)))
        throw Exception("not a parameter file (it holds binary data, or text in UTF-16 without a byte-order mark)");

    std::array<std::array<TLoadedParameter, 20>, 10> loaded{};
    TLoadedParameter* current = nullptr;
    int version = 1;
    for (const QString& raw : SplitTextLines(text)) {
        const QString lineText = raw.trimmed();
        if (lineText.isEmpty() || lineText.startsWith(QLatin1Char('#')))
            continue;
        if (lineText.startsWith(QLatin1Char('[')) && lineText.endsWith(QLatin1Char(']'))) {
            current = nullptr;
            const QString inner = lineText.mid(1, lineText.size() - 2);
            const QStringList parts = inner.split(QLatin1Char('_'));
            if (inner.startsWith(QStringLiteral("Effect_")) && parts.size() == 3) {
                const auto c = ParseInteger(parts[1]), i = ParseInteger(parts[2]);
                if (c && i && *c >= 0 && *c <= 9 && *i >= 0 && *i <= 19) {
                    current = &loaded[size_t(*c)][size_t(*i)];
                    current->SeenSection = true;
                }
            }
            continue;
        }
        const int eq = lineText.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = lineText.left(eq).trimmed();
        const QString value = lineText.mid(eq + 1).trimmed();
        if (key.compare(QStringLiteral("FormatVersion"), Qt::CaseInsensitive) == 0) {
            if (!current) {
                const auto v = ParseInteger(value);
                version = v && *v >= 1 ? *v : 1;
            }
            continue;
        }
        if (!current)
            continue;
        if (const int k = KeyIndex(key, QStringLiteral("Name"))) {
            current->Names[size_t(k)] = value;
            current->HasName[size_t(k)] = true;
        } else if (const int k = KeyIndex(key, QStringLiteral("Value"))) {
            if (const auto v = ParseInteger(value)) {
                current->Values[size_t(k)] = *v;
                current->HasValue[size_t(k)] = true;
            }
        }
    }
    if (version > kParameterFormatVersion)
        throw Exception(QStringLiteral("Unsupported parameter file version %1 (maximum supported: %2).")
                            .arg(version)
                            .arg(kParameterFormatVersion)
                            .toStdString());
    for (int c = 0; c < 10; ++c)
        for (int i = 0; i < 20; ++i) {
            const TLoadedParameter& in = loaded[size_t(c)][size_t(i)];
            TParameters& slot = table[size_t(c)][size_t(i)];
            if (!in.SeenSection)
                continue;
            for (int k = 1; k <= 5; ++k) {
                const QString& name = slot.Name(k);
                if (!in.HasValue[size_t(k)] || name.isEmpty())
                    continue;
                if (version == 1 && (!in.HasName[size_t(k)] ||
                                     in.Names[size_t(k)].trimmed().compare(name, Qt::CaseInsensitive) != 0))
                    continue;
                slot.SetValue(k, std::clamp(in.Values[size_t(k)], 0, 100));
            }
        }
}

void SaveParameterFile(const QString& fileName, const TParameterTable& table)
{
    QString error;
    if (!WriteFileAtomically(fileName, WriteParameterText(table), &error))
        throw Exception(QStringLiteral("Cannot write file \"%1\": %2").arg(fileName, error).toStdString());
}

bool LoadParameterFile(const QString& fileName, TParameterTable& table)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return false;
    if (info.size() > kMaxParameterFileBytes)
        throw Exception("file too large");
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(file.errorString().toStdString());
    const QByteArray bytes = file.read(kMaxParameterFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw Exception(file.errorString().toStdString());
    if (bytes.size() > kMaxParameterFileBytes)
        throw Exception("file too large");
    TParameterTable loaded = table;
    ReadParameterText(bytes, loaded);
    table = loaded;
    return true;
}

} // namespace pv
