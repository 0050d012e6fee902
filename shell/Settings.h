#pragma once
// The preferences that survive a restart ("theme", "language", "uizoom",
// "saves") as name=value lines of "settings.txt" in the folder "Pelandrovium"
// of the user's documents folder. The file is read on first use and rewritten
// on every change; file-system failures are swallowed. UI thread only.
//
// The environment variable PELANDROVIUM_SETTINGS_DIR, when set, names the
// folder to use instead (tests and trial runs keep their own settings there).

#include <QString>

namespace pv {

// The value of the first line named Name (letter case ignored), or Default
// when no line has that name. "name=" with nothing after it gives "".
QString GetSetting(const QString& Name, const QString& Default = {});
// Replaces the first line named Name (or appends one); an empty Value removes
// that line. The file is rewritten afterwards.
void SetSetting(const QString& Name, const QString& Value);

// The folder of the settings file and the file itself.
QString SettingsFolder();
QString SettingsFilePath();

// Forgets what was loaded, so the next call reads the file again (tests).
void ForgetLoadedSettings();

} // namespace pv
