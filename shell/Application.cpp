#include "shell/Application.h"

#include "engine/DebugLog.h"
#include "platform/system/Errors.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

namespace pv {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    reporter_ = [this](const QString& message) { ShowErrorBox(message); };
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        AppException(std::current_exception());
    }
    return false;
}

void TApplication::SetErrorReporter(ErrorReporter reporter) { reporter_ = std::move(reporter); }

void TApplication::AppException(std::exception_ptr error)
{
    const ErrorDescription what = DescribeError(error);
    DebugLogFmt("!!! UNHANDLED {}: {}", what.className, what.message);
    if (reporter_)
        reporter_(QString::fromStdString(what.message));
}

TApplication* TApplication::Instance() { return qobject_cast<TApplication*>(QCoreApplication::instance()); }

void TApplication::ShowErrorBox(const QString& message)
{
    // The box opens after the failed event, never inside it; while one is on
    // screen further errors (a failing paint repeats with every repaint) are
    // only logged.
    if (boxShown_)
        return;
    boxShown_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            QPointer<QWidget> parent = activeWindow();
            QMessageBox::critical(parent, applicationName().isEmpty() ? QStringLiteral("Pelandrovium") : applicationName(),
                                  message);
            boxShown_ = false;
        },
        Qt::QueuedConnection);
}

} // namespace pv
