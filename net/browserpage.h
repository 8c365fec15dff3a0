#pragma once
// The page of a WebEngineBrowser: answers the engine's dialogs and requests itself, so that in
// silent mode nothing of the engine's own pops up, keeps the console quiet and lets no page
// navigate to anything but web pages (no page starts a program of the desktop through a scheme
// handler). Console messages
// carrying the page's bridge token are reports of documents that cannot reach the channel.
#include <QString>
#include <QWebEnginePage>

class BrowserPage : public QWebEnginePage
{
    Q_OBJECT
public:
    BrowserPage(QWebEngineProfile* profile, const QString& token, QObject* parent = nullptr);

    void setSilent(bool silent) { silent_ = silent; }
    bool isSilent() const { return silent_; }

signals:
    void bridgeMessage(const QString& report); // the report text after the token

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                          const QString& defaultValue, QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
    // Web pages only, in every frame; a mail link the member clicks goes on to the desktop's mail
    // program, with its usual fields only (UrlRules::mailProgramAddress).
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    QString token_;
    bool silent_ = false;
};
