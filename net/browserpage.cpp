#include "net/browserpage.h"

#include "net/pagescripts.h"
#include "net/urlrules.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QWebEngineCertificateError>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#endif

BrowserPage::BrowserPage(QWebEngineProfile* profile, const QString& token, QObject* parent)
    : QWebEnginePage(profile, parent), token_(token)
{
    // Certificates are never overridden, silent or not: the request fails as the engine decides.
    connect(this, &QWebEnginePage::certificateError,
            [](QWebEngineCertificateError error) { error.rejectCertificate(); });
    // Authentication requests are left unanswered: the engine then cancels the request.
    // Feature permissions (camera, location, notifications...) are never granted.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(this, &QWebEnginePage::permissionRequested, this,
            [](QWebEnginePermission permission) { permission.deny(); });
#else
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
#endif
}

void BrowserPage::javaScriptAlert(const QUrl& securityOrigin, const QString& msg)
{
    if (!silent_)
        QWebEnginePage::javaScriptAlert(securityOrigin, msg);
}

bool BrowserPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& msg)
{
    if (!silent_)
        return QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
    // The engine asks "leave this page?" through the same call; a silent browser always lets
    // the navigation go on, or a page could keep the program from ever navigating it away.
    static const QString leavePage = QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
    return msg == leavePage;
}

bool BrowserPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                                   const QString& defaultValue, QString* result)
{
    if (!silent_)
        return QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
    return false;
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message,
                                           int, const QString&)
{
    if (const std::optional<QString> report = PageScripts::consoleReportText(message, token_))
        emit bridgeMessage(*report);
}

QStringList BrowserPage::chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                                     const QStringList& acceptedMimeTypes)
{
    if (silent_)
        return {};
    return QWebEnginePage::chooseFiles(mode, oldFiles, acceptedMimeTypes);
}

bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool)
{
    // Schemes the engine does not know come here only with a member's gesture; without one it
    // refuses them first. A clicked mail link goes to the desktop's mail program from here, with
    // only the fields a mail program should be given; the engine itself hands nothing on.
    switch (UrlRules::navigation(url.toString(), type == NavigationTypeLinkClicked)) {
    case UrlRules::Navigation::Allow:
        return true;
    case UrlRules::Navigation::MailProgram:
        QDesktopServices::openUrl(
            QUrl(UrlRules::mailProgramAddress(url.toString(QUrl::FullyEncoded)), QUrl::StrictMode));
        return false;
    case UrlRules::Navigation::Refuse:
        break;
    }
    return false;
}

#include "moc_browserpage.cpp" // meta-object code, compiled with this file
