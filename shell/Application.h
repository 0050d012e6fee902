#pragma once
// The desktop program's application object. An error that escapes an event
// handler is shown to the user and the program goes on running, instead of
// the exception tearing down the event loop.

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

namespace pv {

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Where escaped errors go. The default shows the standard error box with
    // the error's message once the current event is done; tests put their own.
    using ErrorReporter = std::function<void(const QString& message)>;
    void SetErrorReporter(ErrorReporter reporter);

    // Logs an escaped error and hands its message to the reporter.
    void AppException(std::exception_ptr error);

    static TApplication* Instance();

private:
    void ShowErrorBox(const QString& message);

    ErrorReporter reporter_;
    bool boxShown_ = false;
};

} // namespace pv
