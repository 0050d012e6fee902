#include "shell/UpdateCheck.h"

#include "shell/Dictionary.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#ifndef PV_UPDATE_HOST
#define PV_UPDATE_HOST "pelandrovium.example"
#endif

namespace pv {

QString ProgramVersion() { return QStringLiteral("4.50"); }

QString UpdateHost() { return QStringLiteral(PV_UPDATE_HOST); }

QUrl UpdateVersionUrl()
{
    return QUrl(QStringLiteral("https://") + UpdateHost() + QStringLiteral("/brenix_version.txt"));
}

QUrl UpdateHomePage() { return QUrl(QStringLiteral("https://") + UpdateHost() + QStringLiteral("/")); }

QString UpdateVisitQuestionRow() { return QStringLiteral("Would you like to visit %s to download it?"); }

QString UpdateConnectErrorRow() { return QStringLiteral("Error connecting to %s"); }

QString WithUpdateHost(const QString& Row, const QString& Host) { return TranslateFormat(Row, {Host}); }

QString CleanVersion(const QString& S)
{
    QString t = S.trimmed();
    const qsizetype cut = t.indexOf(QLatin1Char('_'));
    if (cut >= 0)
        t.truncate(cut);
    return t;
}

bool ParseVersion(const QString& S, int& Major, int& Minor)
{
    QString t = CleanVersion(S);
    if (t.startsWith(QLatin1Char('V')) || t.startsWith(QLatin1Char('v')))
        t.remove(0, 1);
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    // Plain integers: no blanks, no signs beyond what toInt takes, no fraction.
    const QString a = t.left(dot), b = t.mid(dot + 1);
    auto plain = [](const QString& s) {
        if (s.isEmpty())
            return false;
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            if (!(c.isDigit() || (i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')))))
                return false;
        }
        return true;
    };
    if (!plain(a) || !plain(b))
        return false;
    bool okA = false, okB = false;
    const int major = a.toInt(&okA), minor = b.toInt(&okB);
    if (!okA || !okB)
        return false;
    Major = major;
    Minor = minor;
    return true;
}

TUpdateVerdict JudgeVersionBody(const QString& Body, const QString& Local)
{
    TUpdateVerdict v;
    int lMajor = 0, lMinor = 0, rMajor = 0, rMinor = 0;
    if (!ParseVersion(Local, lMajor, lMinor) || !ParseVersion(Body, rMajor, rMinor))
        return v;
    v.local = CleanVersion(Local);
    v.remote = CleanVersion(Body);
    const bool newer = rMajor > lMajor || (rMajor == lMajor && rMinor > lMinor);
    v.kind = newer ? TUpdateVerdict::Newer : TUpdateVerdict::UpToDate;
    return v;
}

TUpdateCheck::TUpdateCheck(QObject* parent)
    : QObject(parent), FManager(new QNetworkAccessManager(this)), FDeadline(new QTimer(this)),
      FUrl(UpdateVersionUrl())
{
    FDeadline->setSingleShot(true);
    connect(FDeadline, &QTimer::timeout, this, &TUpdateCheck::Abandon);
}

TUpdateCheck::~TUpdateCheck()
{
    if (FReply) {
        FReply->disconnect(this);
        FReply->abort();
        FReply->deleteLater();
        FReply = nullptr;
    }
}

void TUpdateCheck::SetTimeouts(int TransferMs, int DeadlineMs)
{
    FTransferMs = TransferMs;
    FDeadlineMs = DeadlineMs;
}

bool TUpdateCheck::Start()
{
    if (FReply)
        return false;
    FBody.clear();
    FDropped = false;
    QNetworkRequest request(FUrl);
    request.setTransferTimeout(FTransferMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    FReply = FManager->get(request);
    connect(FReply, &QNetworkReply::readyRead, this, &TUpdateCheck::OnReadyRead);
    connect(FReply, &QNetworkReply::finished, this, &TUpdateCheck::OnFinished);
    FDeadline->start(FDeadlineMs);
    return true;
}

void TUpdateCheck::OnReadyRead()
{
    if (!FReply || FDropped)
        return;
    FBody += FReply->read(FBodyLimit + 1 - FBody.size());
    if (FBody.size() > FBodyLimit) {
        FDropped = true;
        FReply->abort();
    }
}

void TUpdateCheck::Abandon()
{
    if (!FReply)
        return;
    FDropped = true;
    FReply->abort(); // finishes the reply, which ends the check silently
}

void TUpdateCheck::OnFinished()
{
    QNetworkReply* reply = FReply;
    if (!reply)
        return;
    FReply = nullptr;
    FDeadline->stop();
    if (!FDropped && reply->isOpen())
        FBody += reply->read(FBodyLimit + 1 - FBody.size());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = !FDropped && reply->error() == QNetworkReply::NoError && status == 200 &&
                    FBody.size() <= FBodyLimit;
    reply->deleteLater();
    if (ok) {
        const TUpdateVerdict v = JudgeVersionBody(QString::fromUtf8(FBody).trimmed());
        if (v.kind == TUpdateVerdict::Newer)
            Q_EMIT NewerAvailable(v.remote, v.local);
        else if (v.kind == TUpdateVerdict::UpToDate)
            Q_EMIT UpToDate();
    }
    FBody.clear();
    Q_EMIT Finished();
}

} // namespace pv
