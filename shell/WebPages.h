#pragma once
// The product's web pages, opened in the default browser. Tests install an
// opener of their own, so no test ever starts a browser.

#include <QUrl>

#include <functional>

namespace pv {

QUrl HelpPageUrl();
QUrl AboutPageUrl();
QUrl DonationPageUrl();
// The payment service the donation page belongs to, as the prompt names it.
QString DonationServiceName();

using TWebPageOpener = std::function<void(const QUrl&)>;
// Null puts the default browser back.
void SetWebPageOpener(TWebPageOpener opener);
void OpenWebPage(const QUrl& url);

} // namespace pv
