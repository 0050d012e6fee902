#include "shell/WebPages.h"

#include "shell/UpdateCheck.h"

#include <QDesktopServices>

#ifndef PV_DONATION_PAGE
#define PV_DONATION_PAGE "https://donate.pelandrovium.example/coffee"
#endif

namespace pv {
namespace {

TWebPageOpener& Opener()
{
    static TWebPageOpener opener;
    return opener;
}

QUrl SitePage(const char* path) { return QUrl(QStringLiteral("https://") + UpdateHost() + QLatin1String(path)); }

} // namespace

QUrl HelpPageUrl() { return SitePage("/help"); }
QUrl AboutPageUrl() { return SitePage("/about"); }
QUrl DonationPageUrl() { return QUrl(QStringLiteral(PV_DONATION_PAGE)); }
QString DonationServiceName() { return QStringLiteral("Stripe"); }

void SetWebPageOpener(TWebPageOpener opener) { Opener() = std::move(opener); }

void OpenWebPage(const QUrl& url)
{
    if (Opener())
        Opener()(url);
    else
        QDesktopServices::openUrl(url);
}

} // namespace pv
