#include "shell/Settings.h"

#include "platform/system/Files.h"
#include "platform/system/TextDecoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace pv {
namespace {

// Far above any settings file the program writes (a few hundred bytes).
constexpr qint64 kMaxSettingsFileBytes = 64 * 1024;

struct TSettingsStore {
    QStringList lines;
    bool loaded = false;
    // The file exists but could not be read: writing the few lines of this
    // run over it would lose everything else it holds.
    bool unreadable = false;
};

TSettingsStore& Store()
{
    static TSettingsStore store;
    return store;
}

QString NameOf(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.left(eq);
}

// The index of the first line named name, or -1. Lines without "=" never match.
qsizetype FindLine(const QStringList& lines, const QString& name)
{
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].contains(u'=') && NameOf(lines[i]).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// A value (or name) is one line of the file: line breaks inside it would
// start lines of their own.
QString OneLine(QString text)
{
    text.remove(u'\r');
    text.remove(u'\n');
    return text;
}

void LoadSettings()
{
    TSettingsStore& s = Store();
    if (s.loaded)
        return;
    s.loaded = true;
    try {
        const QFileInfo info(SettingsFilePath());
        if (!info.exists())
            return;
        // A settings file is a few hundred bytes. Anything that is no plain
        // file (a pipe would block the start) or far too large to be ours is
        // left untouched, like a file that cannot be read.
        QFile file(info.filePath());
        if (!info.isFile() || info.size() > kMaxSettingsFileBytes || !file.open(QIODevice::ReadOnly)) {
            s.unreadable = true;
            return;
        }
        const QByteArray bytes = file.read(kMaxSettingsFileBytes + 1);
        if (bytes.size() > kMaxSettingsFileBytes) {
            s.unreadable = true;
            return;
        }
        s.lines = SplitTextLines(DecodeTextBytes(bytes));
    } catch (...) {
        s.unreadable = true;
        s.lines.clear();
    }
}

void SaveSettings()
{
    TSettingsStore& s = Store();
    if (s.unreadable)
        return;
    try {
        if (!QDir().mkpath(SettingsFolder()))
            return;
        QByteArray data;
        for (const QString& line : s.lines)
            data += line.toUtf8() + "\r\n";
        WriteFileAtomically(SettingsFilePath(), data);
    } catch (...) {
        // the value stays in memory for the rest of the run
    }
}

} // namespace

QString SettingsFolder()
{
    const QString own = qEnvironmentVariable("PELANDROVIUM_SETTINGS_DIR");
    if (!own.isEmpty())
        return QDir::cleanPath(own);
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                           QStringLiteral("/Pelandrovium"));
}

QString SettingsFilePath() { return SettingsFolder() + QStringLiteral("/settings.txt"); }

QString GetSetting(const QString& Name, const QString& Default)
{
    LoadSettings();
    const TSettingsStore& s = Store();
    const qsizetype i = FindLine(s.lines, Name);
    return i < 0 ? Default : s.lines[i].mid(s.lines[i].indexOf(u'=') + 1);
}

void SetSetting(const QString& Name, const QString& Value)
{
    LoadSettings();
    TSettingsStore& s = Store();
    const QString name = OneLine(Name);
    const QString value = OneLine(Value);
    const qsizetype i = FindLine(s.lines, name);
    if (!value.isEmpty()) {
        const QString line = name + u'=' + value;
        if (i < 0)
            s.lines << line;
        else
            s.lines[i] = line;
    } else if (i >= 0) {
        s.lines.removeAt(i);
    }
    SaveSettings();
}

void ForgetLoadedSettings()
{
    TSettingsStore& s = Store();
    s.lines.clear();
    s.loaded = false;
    s.unreadable = false;
}

} // namespace pv
