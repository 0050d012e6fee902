#include "shell/Application.h"

#include "platform/system/Errors.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QStringList>

#include <stdexcept>

namespace pv {
namespace {

// An object whose event handler fails with the given error.
class FailingObject : public QObject {
public:
    explicit FailingObject(std::function<void()> fail) : fail_(std::move(fail)) {}
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            fail_();
        return QObject::event(e);
    }

private:
    std::function<void()> fail_;
};

TEST(TApplication, AnErrorEscapingAnEventHandlerIsReportedAndTheProgramGoesOn)
{
    TApplication* app = TApplication::Instance();
    ASSERT_NE(app, nullptr);
    QStringList reported;
    app->SetErrorReporter([&reported](const QString& message) { reported << message; });

    struct Case {
        std::function<void()> fail;
        const char* message;
    };
    const Case cases[] = {
        {[] { throw Exception("Invalid extension"); }, "Invalid extension"},
        {[] { throw std::runtime_error("disk gone"); }, "disk gone"},
        {[] { throw 42; }, "Unknown error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        reported.clear();
        FailingObject object(c.fail);
        QEvent sent(QEvent::User);
        EXPECT_FALSE(QCoreApplication::sendEvent(&object, &sent));
        // Posted events go through the same guard inside the event loop.
        QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        EXPECT_EQ(reported, QStringList({QString::fromUtf8(c.message), QString::fromUtf8(c.message)}));
    }
    app->SetErrorReporter({});
}

} // namespace
} // namespace pv
