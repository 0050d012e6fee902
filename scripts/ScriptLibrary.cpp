#include "scripts/ScriptLibrary.h"

#include "platform/system/Files.h"
#include "platform/system/TextDecoding.h"
#include "platform/system/Zip.h"
#include "scripts/ScriptFormatters.h"

#include <QFile>
#include <QFileInfo>
#include <QResource>

namespace pv {
namespace {

QString Same(const QString& text) { return text; }

} // namespace

QString ScriptEntryName(const QString& path)
{
    QString name = path;
    name.replace(u'/', u'\\');
    name = name.mid(name.lastIndexOf(u'\\') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    return name.replace(u'_', u' ');
}

std::vector<TScriptEntry> ReadScriptArchive(const ZipArchive& archive, bool BuiltIn, QStringList* refused)
{
    std::vector<TScriptEntry> entries;
    for (int i = 0; i < archive.count(); ++i) {
        const QString name = archive.entryNames()[i];
        if (LowerExtension(QString(name).replace(u'\\', u'/')) != QLatin1String(".vls"))
            continue;
        try {
            entries.push_back({ScriptEntryName(name), QString::fromUtf8(archive.read(i, kMaxScriptBytes)), BuiltIn});
        } catch (const std::exception&) {
            if (refused)
                refused->append(name);
        }
    }
    return entries;
}

QByteArray EmbeddedScriptArchive()
{
    QResource resource(QStringLiteral(":/PELANDROVIUM_SCRIPTS"));
    if (!resource.isValid())
        return {};
    return resource.uncompressedData();
}

std::vector<TScriptEntry> LoadEmbeddedScripts()
{
    try {
        const QByteArray data = EmbeddedScriptArchive();
        if (data.isEmpty())
            return {};
        return ReadScriptArchive(ZipArchive::FromData(data, QStringLiteral("PELANDROVIUM_SCRIPTS")), true);
    } catch (const std::exception&) {
        return {};
    }
}


std::vector<TScriptEntry> ImportScriptFiles(const QStringList& paths, QStringList* refused)
{
    std::vector<TScriptEntry> entries;
    for (const QString& path : paths) {
        try {
            if (LowerExtension(path) == QLatin1String(".zip")) {
                for (TScriptEntry& e : ReadScriptArchive(ZipArchive::FromFile(path), false, refused))
                    entries.push_back(std::move(e));
                continue;
            }
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = file.read(kMaxScriptBytes + 1);
            if (file.error() != QFileDevice::NoError)
                continue;
            if (bytes.size() > kMaxScriptBytes) {
                if (refused)
                    refused->append(QFileInfo(path).fileName());
                continue;
            }
            entries.push_back({ScriptEntryName(path), DecodeScriptBytes(bytes), false});
        } catch (const std::exception&) {
            // an archive that cannot be opened is skipped
        }
    }
    return entries;
}

namespace {

bool HasUnpairedSurrogate(const QString& text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

} // namespace

QByteArray EncodeScriptForSave(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    // UTF-8 cannot hold a lone surrogate: such a text goes out as UTF-16 with
    // its byte-order mark, which keeps every code unit.
    if (HasUnpairedSurrogate(text)) {
        QByteArray out("\xFF\xFE");
        for (const QChar c : text) {
            out += char(c.unicode() & 0xFF);
            out += char(c.unicode() >> 8);
        }
        return out;
    }
    // A text that begins with U+FEFF gets a mark of its own in front, which
    // reading drops again, so the character itself survives.
    const QByteArray utf8 = text.toUtf8();
    return text.startsWith(QChar(0xFEFF)) ? QByteArray("\xEF\xBB\xBF") + utf8 : utf8;
}


const QStringList& StartupScriptLines()
{
    static const QStringList lines = {
        QStringLiteral("######################################"),
        QStringLiteral("###   Pelandrovium Example Script  ###"),
        QStringLiteral("###     Triple Watercolor Script   ###"),
        QStringLiteral("# Lines starting with # are comments #"),
        QStringLiteral("######################################"),
        QString(),
        QStringLiteral("#Start from the source image"),
        QStringLiteral("RESET"),
        QStringLiteral("CLEAR"),
        QStringLiteral("EFFECT Watercolor 30 40 40 100 20"),
        QStringLiteral("SAVE myslot"),
        QStringLiteral("RESET"),
        QStringLiteral("EFFECT Watercolor2 90 20 55 20 55"),
        QStringLiteral("BLEND myslot 50"),
        QStringLiteral("SAVE myslot"),
        QStringLiteral("RESET"),
        QStringLiteral("NOCLEAR"),
        QStringLiteral("EFFECT WatercolorSplashes 10 70 10 50 80"),
        QStringLiteral("BLEND myslot 70"),
        QStringLiteral("EFFECT Adjustments 55 52 55 15 52"),
        QStringLiteral("FONT Georgia 24 italic #AAFFFFFF"),
        QStringLiteral("TEXT 99% 99% 'Pelandrovium' shadow=on"),
        QStringLiteral("FRAME brushstrokes 20 #FFFFFFFF"),
        QStringLiteral("TEXTURE #1 30 1"),
    };
    return lines;
}

const QStringList& ResetScriptLines()
{
    static const QStringList lines = {
        QStringLiteral("# Pelandrovium Example Script"),
        QStringLiteral("# Lines starting with # are comments"),
        QStringLiteral("####################################"),
        QString(),
        QStringLiteral("#Start from the source image"),
        QStringLiteral("RESET"),
        QStringLiteral("EFFECT Watercolor 30 40 40 100 20"),
        QStringLiteral("SAVE myslot"),
        QStringLiteral("RESET"),
        QStringLiteral("EFFECT Watercolor2 90 20 55 20 55"),
        QStringLiteral("BLEND myslot 50"),
        QStringLiteral("SAVE myslot"),
        QStringLiteral("NOCLEAR"),
        QStringLiteral("EFFECT WatercolorSplashes 10 70 10 50 80"),
        QStringLiteral("BLEND myslot 70"),
        QStringLiteral("EFFECT Adjustments 55 52 55 15 52"),
        QStringLiteral("FONT Georgia 24 italic #AAFFFFFF"),
        QStringLiteral("TEXT 99% 99% 'Pelandrovium' shadow=on"),
        QStringLiteral("FRAME brushstrokes 20 #FFFFFFFF"),
        QStringLiteral("TEXTURE #2 30 1"),
    };
    return lines;
}

QString ScriptErrorsMessage(const QStringList& errors, QString (*Translate)(const QString&))
{
    if (!Translate)
        Translate = &Same;
    QString message = Translate(QStringLiteral("Script errors:")) + QStringLiteral("\n\n");
    const qsizetype shown = std::min<qsizetype>(errors.size(), 5);
    message += errors.mid(0, shown).join(u'\n');
    if (errors.size() > 5)
        message += u'\n' + Translate(QStringLiteral("... and %d more errors"))
                               .replace(QStringLiteral("%d"), QString::number(errors.size() - 5));
    return message;
}

int InsertedLineIndex(int caretLine, int lineCount)
{
    return caretLine < lineCount ? caretLine + 1 : lineCount;
}

QString HexColorText(TAlphaColor color)
{
    return u'#' + QStringLiteral("%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

QStringList InsertEffectLines(const TScriptInsertState& s)
{
    if (s.EffectNumber <= 0)
        return {QStringLiteral("EFFECT 100 50 50 50 50 50")};
    QStringList lines;
    if (s.EffectNumber == 404) {
        if (s.LutFilePath.isEmpty())
            lines << QStringLiteral("LUT_FILE C:\\path\\to\\your.cube");
        else if (s.LutFilePath.contains(u' '))
            lines << QStringLiteral("LUT_FILE \"") + s.LutFilePath + u'"';
        else
            lines << QStringLiteral("LUT_FILE ") + s.LutFilePath;
    }
    lines << FormatEffectLine(s.EffectNumber, s.P[0], s.P[1], s.P[2], s.P[3], s.P[4]);
    return lines;
}

QString InsertTextureLine(const TScriptInsertState& s)
{
    if (s.TextureStrength < 0)
        return QStringLiteral("TEXTURE");
    return FormatTextureLine(s.TextureNumber, s.TextureStrength, s.TextureScale);
}

QString InsertFrameLine(const TScriptInsertState& s)
{
    if (s.FrameSize < 0)
        return QStringLiteral("FRAME");
    return FormatFrameLine(s.FrameNumber, s.FrameSize, HexColorText(s.FrameColor));
}

QString InsertBrushFrameLine(const TScriptInsertState& s)
{
    if (s.FrameSize < 0)
        return QStringLiteral("FRAME brushstrokes 60");
    return FormatBrushFrameLine(s.FrameSize, HexColorText(s.FrameColor), 40);
}

QString InsertContourLine(const TScriptInsertState& s)
{
    return QStringLiteral("CONTOUR ON ") + HexColorText(s.ContourColor);
}

QString InsertBlendLine(const QString& mode)
{
    return FormatBlendLine(QStringLiteral("myslot"), 50, mode == QLatin1String("normal") ? QString() : mode);
}

} // namespace pv
