// Test entry: a GUI application object on the offscreen platform, so queued
// calls have an event loop to run on and painting has fonts. Every test binary
// keeps its settings in a folder of its own, English at the designed size, so
// a developer's own settings never change a test.

#include "engine/Effect.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(PV_TEST_SHELL_APPLICATION)
#include "shell/Application.h"
using TestApplication = pv::TApplication;
#elif defined(PV_TEST_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#else
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("PELANDROVIUM_NO_UPDATE_CHECK", "1");
    QTemporaryDir settingsFolder;
    qputenv("PELANDROVIUM_SETTINGS_DIR", settingsFolder.path().toUtf8());
    QFile settings(settingsFolder.path() + QStringLiteral("/settings.txt"));
    if (settings.open(QIODevice::WriteOnly))
        settings.write("language=en\r\nuizoom=100\r\n");
    settings.close();
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    pv::EngineStart();
    const int result = RUN_ALL_TESTS();
    pv::EngineEnd();
    return result;
}
