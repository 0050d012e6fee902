#include "shell/UpdateCheck.h"

#include "shell/Dictionary.h"
#include "shell/Languages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace pv {
namespace {

TEST(UpdateCheck, VersionsParseAsTwoIntegers)
{
    struct Case {
        const char* text;
        bool ok;
        int major, minor;
    } cases[] = {
        {"4.50", true, 4, 50},  {" 4.51 \n", true, 4, 51}, {"v5.0_beta", true, 5, 0},
        {"V4.6", true, 4, 6},   {"latest", false, 0, 0},   {"4", false, 0, 0},
        {"4.5.1", false, 0, 0}, {"4. 5", false, 0, 0},     {".5", false, 0, 0},
        {"", false, 0, 0},      {"4.x", false, 0, 0},
    };
    for (const Case& c : cases) {
        int major = -1, minor = -1;
        EXPECT_EQ(ParseVersion(QString::fromUtf8(c.text), major, minor), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(major, c.major) << c.text;
            EXPECT_EQ(minor, c.minor) << c.text;
        }
    }
    EXPECT_EQ(CleanVersion(QStringLiteral("  v5.0_rc2 ")), QStringLiteral("v5.0"));
}

TEST(UpdateCheck, AnswersAreJudgedAgainstTheProgramsVersion)
{
    struct Case {
        const char* body;
        TUpdateVerdict::Kind kind;
        const char* remote;
    } cases[] = {
        {"4.51", TUpdateVerdict::Newer, "4.51"},     {"v5.0_beta", TUpdateVerdict::Newer, "v5.0"},
        {"4.50", TUpdateVerdict::UpToDate, "4.50"},  {"4.6", TUpdateVerdict::UpToDate, "4.6"},
        {"3.99", TUpdateVerdict::UpToDate, "3.99"},  {"latest", TUpdateVerdict::Unknown, ""},
    };
    for (const Case& c : cases) {
        const TUpdateVerdict v = JudgeVersionBody(QString::fromUtf8(c.body));
        EXPECT_EQ(v.kind, c.kind) << c.body;
        EXPECT_EQ(v.remote, QString::fromUtf8(c.remote)) << c.body;
        if (c.kind != TUpdateVerdict::Unknown)
            EXPECT_EQ(v.local, QStringLiteral("4.50"));
    }
}

TEST(UpdateCheck, TheDefaultAddressIsAReservedHost)
{
    EXPECT_TRUE(UpdateHost().endsWith(QStringLiteral(".example")));
    EXPECT_EQ(UpdateVersionUrl().host(), UpdateHost());
    EXPECT_EQ(UpdateVersionUrl().path(), QStringLiteral("/brenix_version.txt"));
    EXPECT_EQ(WithUpdateHost(UpdateVisitQuestionRow()),
              QStringLiteral("Would you like to visit ") + UpdateHost() + QStringLiteral(" to download it?"));
}

TEST(UpdateCheck, TheRowsNamingTheHostAreTranslatedForAnyHost)
{
    // A build for another site asks the same translated question.
    const QString host = QStringLiteral("updates.another-site.test");
    const QStringList english = LanguageTable(QStringLiteral("en"));
    struct Case {
        QString row;
        int line;
    } cases[] = {{UpdateVisitQuestionRow(), 213}, {UpdateConnectErrorRow(), 210}};
    for (const TLanguage& language : Languages()) {
        const QString code = QString::fromLatin1(language.code);
        const QStringList table = LanguageTable(code);
        BuildTranslations(english, table);
        SetCurrentLanguage(code);
        for (const Case& c : cases) {
            ASSERT_EQ(english.value(c.line - 1), c.row);
            const QString shown = WithUpdateHost(c.row, host);
            EXPECT_EQ(shown, QString(table.value(c.line - 1)).replace(QStringLiteral("%s"), host))
                << language.code << " row " << c.line;
            EXPECT_FALSE(table.value(c.line - 1).contains(UpdateHost())) << language.code << " row " << c.line;
        }
    }
    SetCurrentLanguage(QStringLiteral("en"));
    ClearTranslations();
}

// A one-shot HTTP server on 127.0.0.1 that gives every request the same
// answer, or never answers when the answer is empty.
class LocalServer : public QObject {
public:
    explicit LocalServer(QByteArray answer) : answer_(std::move(answer))
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                ++requests_;
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    s->readAll();
                    if (!answer_.isEmpty()) {
                        s->write(answer_);
                        s->disconnectFromHost();
                    }
                });
            }
        });
    }
    QUrl Url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/brenix_version.txt").arg(server_.serverPort()));
    }
    int requests_ = 0;

private:
    QTcpServer server_;
    QByteArray answer_;
};

QByteArray HttpAnswer(const char* status, const QByteArray& body)
{
    return QByteArray("HTTP/1.1 ") + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

struct Outcome {
    QString kind; // "newer", "uptodate" or "" (silent)
    QString remote, local;
    bool finished = false;
    qint64 elapsedMs = 0;
};

Outcome RunCheck(TUpdateCheck& check)
{
    Outcome out;
    QObject::connect(&check, &TUpdateCheck::NewerAvailable, [&out](const QString& r, const QString& l) {
        out.kind = QStringLiteral("newer");
        out.remote = r;
        out.local = l;
    });
    QObject::connect(&check, &TUpdateCheck::UpToDate, [&out] { out.kind = QStringLiteral("uptodate"); });
    QObject::connect(&check, &TUpdateCheck::Finished, [&out] { out.finished = true; });
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(check.Start());
    while (!out.finished && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    out.elapsedMs = t.elapsed();
    return out;
}

TEST(UpdateCheck, ALocalServersAnswersGiveTheNoticeTheLineOrSilence)
{
    struct Case {
        const char* name;
        QByteArray answer;
        const char* kind;
        const char* remote;
    } cases[] = {
        {"newer", HttpAnswer("200 OK", "4.51\r\n"), "newer", "4.51"},
        {"newer with suffix", HttpAnswer("200 OK", "v5.0_beta"), "newer", "v5.0"},
        {"older", HttpAnswer("200 OK", "4.6"), "uptodate", ""},
        {"same", HttpAnswer("200 OK", " 4.50 "), "uptodate", ""},
        {"not found", HttpAnswer("404 Not Found", "4.99"), "", ""},
        {"garbage", HttpAnswer("200 OK", "<html>latest</html>"), "", ""},
        {"over-long", HttpAnswer("200 OK", "4.99" + QByteArray(100000, ' ')), "", ""},
        {"not http", QByteArray("\x01\x02 nonsense\r\n\r\n"), "", ""},
    };
    for (const Case& c : cases) {
        LocalServer server(c.answer);
        TUpdateCheck check;
        check.SetAddress(server.Url());
        const Outcome out = RunCheck(check);
        EXPECT_TRUE(out.finished) << c.name;
        EXPECT_EQ(out.kind, QString::fromUtf8(c.kind)) << c.name;
        if (out.kind == QStringLiteral("newer")) {
            EXPECT_EQ(out.remote, QString::fromUtf8(c.remote)) << c.name;
            EXPECT_EQ(out.local, QStringLiteral("4.50")) << c.name;
        }
        EXPECT_GE(server.requests_, 1) << c.name; // Qt may retry a broken answer
        EXPECT_FALSE(check.IsRunning()) << c.name;
    }
}

TEST(UpdateCheck, AServerThatNeverAnswersEndsSilentlyAtTheDeadline)
{
    LocalServer server{QByteArray()};
    TUpdateCheck check;
    check.SetAddress(server.Url());
    check.SetTimeouts(5000, 400);
    const Outcome out = RunCheck(check);
    EXPECT_TRUE(out.finished);
    EXPECT_TRUE(out.kind.isEmpty());
    EXPECT_LT(out.elapsedMs, 5000);
    // The transfer timeout alone also ends it.
    TUpdateCheck stalled;
    stalled.SetAddress(server.Url());
    stalled.SetTimeouts(300, 60000);
    const Outcome out2 = RunCheck(stalled);
    EXPECT_TRUE(out2.finished);
    EXPECT_TRUE(out2.kind.isEmpty());
    EXPECT_LT(out2.elapsedMs, 5000);
}

TEST(UpdateCheck, OnlyOneRequestRunsAtATime)
{
    LocalServer server(HttpAnswer("200 OK", "4.51"));
    TUpdateCheck check;
    check.SetAddress(server.Url());
    int newer = 0;
    QObject::connect(&check, &TUpdateCheck::NewerAvailable, [&newer] { ++newer; });
    ASSERT_TRUE(check.Start());
    EXPECT_TRUE(check.IsRunning());
    EXPECT_FALSE(check.Start());
    QElapsedTimer t;
    t.start();
    while (check.IsRunning() && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(newer, 1);
    EXPECT_EQ(server.requests_, 1);
    // A finished check can run again.
    EXPECT_TRUE(check.Start());
    while (check.IsRunning() && t.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(newer, 2);
}

} // namespace
} // namespace pv
