// Program entry: the headless runner claims "--wctest" command lines; every
// other start opens the desktop program.

#include "HeadlessRunner.h"
#include "engine/Effect.h"
#include "platform/system/Errors.h"
#include "platform/widgets/Control.h"
#include "shell/Application.h"
#include "shell/InterfaceSize.h"
#include "shell/Splash.h"
#include "shell/Settings.h"
#include "workspace/window/MainWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>
#include <exception>

namespace {

// Start-up failures end the program with a message box (or on stderr when no
// window can be shown).
void ShowStartupError(const QString& message)
{
    const QString text = QStringLiteral("Pelandrovium startup error: ") + message +
                         QStringLiteral("\r\n\r\nThe application will now exit.");
    if (QApplication::instance())
        QMessageBox::critical(nullptr, QStringLiteral("Pelandrovium"), text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

int RunDesktop(int argc, char** argv)
{
    pv::TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelandrovium"));
    try {
        // The interface size is decided before any window is built: the
        // stored one, else what fits the screen's work area.
        const QScreen* screen = QGuiApplication::primaryScreen();
        pv::SetUiZoom(pv::StartupUIZoom(pv::GetSetting(QStringLiteral("uizoom")),
                                        screen ? QSizeF(screen->availableGeometry().size()) : QSizeF()));
        // The splash first, on screen while the main window is built; it
        // shows the window when it hands over.
        pv::TForm2 splash;
        splash.show();
        QCoreApplication::processEvents();
        pv::RegisterInterFont();
        pv::TForm1 form;
        form.FSplash = &splash;
        // Showing opens a picture named on the command line; without one the
        // canvas shows its drop zone. A font warning answered late has held
        // the start past the hand-over time: then the window shows at once.
        splash.BindHandOver([&form] {
            form.show();
            form.raise();
            form.activateWindow();
        });
        return app.exec();
    } catch (const std::exception& e) {
        ShowStartupError(QString::fromUtf8(e.what()));
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    pv::EngineStart();
    int exitCode = 0;
    try {
        if (pv::RunWcTest(argc, argv)) {
            pv::EngineEnd();
            return 0;
        }
        exitCode = RunDesktop(argc, argv);
    } catch (const std::exception& e) {
        ShowStartupError(QString::fromUtf8(e.what()));
        exitCode = 1;
    }
    pv::EngineEnd();
    return exitCode;
}
