#include "workspace/text-and-print/FontFamilies.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace pv {

namespace {

// Style words in the order they are tried; each with its leading blank.
const char* const kStyleSuffixes[] = {
    " Extra Condensed", " Semi Condensed", " Ultra Condensed", " Ultra Expanded", " Extra Expanded",
    " Semi Expanded",   " Ultra Compressed", " Medium Cond",   " Demi Cond",      " Bold Cond",
    " Light Cond",      " Black Cond",      " ExtraBold",      " SemiBold",       " DemiBold",
    " UltraBold",       " Extra Bold",      " SuperBold",      " ExtraLight",     " UltraLight",
    " SemiLight",       " Extra Light",     " Condensed",      " Expanded",       " Compressed",
    " Narrow",          " Wide",            " Medium",         " Black",          " Heavy",
    " Thin",            " Regular",         " Normal",         " Book",           " Ret",
    " Bold",            " Italic",          " Oblique",
};

QString WithoutTag(const QString& name)
{
    static const QRegularExpression tag(QStringLiteral("\\s*\\[[^\\]]*\\]\\s*$"));
    return QString(name).remove(tag).trimmed();
}

QSet<QString> InstalledKeys(const QStringList& installed)
{
    QSet<QString> keys;
    for (const QString& f : installed)
        keys.insert(WithoutTag(f).toCaseFolded());
    return keys;
}

QString Normalise(const QString& name, const QSet<QString>& installed)
{
    QString n = WithoutTag(name);
    const auto isInstalled = [&](const QString& s) { return installed.contains(s.toCaseFolded()); };
    static const QString variable = QStringLiteral("Segoe UI Variable");
    if (n.startsWith(variable, Qt::CaseInsensitive) && isInstalled(variable))
        return variable;
    // Style words come off one by one as the table finds them; the name
    // listed is the shortest installed one on the way, else the name itself.
    QString listed = n;
    for (bool cut = true; cut;) {
        cut = false;
        for (const char* suffix : kStyleSuffixes) {
            const QString s = QString::fromLatin1(suffix);
            if (n.size() <= s.size() || !n.endsWith(s, Qt::CaseInsensitive))
                continue;
            n = n.left(n.size() - s.size()).trimmed();
            if (isInstalled(n))
                listed = n;
            cut = true;
            break;
        }
    }
    return listed;
}

} // namespace

QString NormaliseFontFamily(const QString& name, const QStringList& installed)
{
    return Normalise(name, InstalledKeys(installed));
}

QStringList FontListFamilies(const QStringList& installed)
{
    const QSet<QString> keys = InstalledKeys(installed);
    QStringList out;
    QSet<QString> seen;
    for (const QString& face : installed) {
        const QString trimmed = face.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'@'))
            continue;
        const QString n = Normalise(trimmed, keys);
        if (!n.isEmpty() && !seen.contains(n.toCaseFolded())) {
            seen.insert(n.toCaseFolded());
            out << n;
        }
    }
    std::sort(out.begin(), out.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return out;
}

} // namespace pv
