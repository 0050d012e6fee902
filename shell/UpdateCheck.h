#pragma once
// Asks the product web site whether a newer version exists. The site's host is
// a build setting (PV_UPDATE_HOST); the default is a reserved ".example" host,
// so an ordinary build never contacts anyone. The check is asynchronous: one
// request at a time, a transfer timeout, an overall deadline and a cap on the
// answer's size. Every network or server failure ends the check silently.
// UI thread only.

#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace pv {

// The program's own version and the host of the product web site.
QString ProgramVersion();
QString UpdateHost();
// The version file at the root of the site, and the site's home page.
QUrl UpdateVersionUrl();
QUrl UpdateHomePage();
// The rows that name the host: "%s" stands for it in every language.
QString UpdateVisitQuestionRow();
QString UpdateConnectErrorRow();
// Such a row in the current language with a host filled in.
QString WithUpdateHost(const QString& Row, const QString& Host = UpdateHost());

// S trimmed, then cut before its first "_".
QString CleanVersion(const QString& S);
// Major "." minor, both plain integers, after CleanVersion and an optional
// leading "V"/"v". "4.6" has minor 6, so it is lower than "4.50".
bool ParseVersion(const QString& S, int& Major, int& Minor);

// What an answer body means for a program of version Local.
struct TUpdateVerdict {
    enum Kind { Unknown, Newer, UpToDate } kind = Unknown;
    QString remote; // cleaned texts, as the notice names them
    QString local;
};
TUpdateVerdict JudgeVersionBody(const QString& Body, const QString& Local = ProgramVersion());

class TUpdateCheck : public QObject {
    Q_OBJECT
public:
    explicit TUpdateCheck(QObject* parent = nullptr);
    ~TUpdateCheck() override;

    // The address asked (default UpdateVersionUrl()).
    void SetAddress(const QUrl& Url) { FUrl = Url; }
    // Transfer timeout (no data for that long) and overall deadline, in ms.
    void SetTimeouts(int TransferMs, int DeadlineMs);
    // The largest answer accepted, in bytes; a longer one is dropped.
    void SetBodyLimit(qint64 Bytes) { FBodyLimit = Bytes; }

    // Starts a check; false (and nothing started) while one is running.
    bool Start();
    bool IsRunning() const { return FReply != nullptr; }

Q_SIGNALS:
    void NewerAvailable(const QString& RemoteVersion, const QString& LocalVersion);
    void UpToDate();
    // After every check, whatever its outcome (also the silent ones).
    void Finished();

private:
    void OnReadyRead();
    void OnFinished();
    void Abandon();

    QNetworkAccessManager* FManager = nullptr;
    QNetworkReply* FReply = nullptr;
    QTimer* FDeadline = nullptr;
    QUrl FUrl;
    QByteArray FBody;
    int FTransferMs = 5000;
    int FDeadlineMs = 10000;
    qint64 FBodyLimit = 256;
    bool FDropped = false;
};

} // namespace pv
