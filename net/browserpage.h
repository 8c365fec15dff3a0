#pragma once
// The page of a WebEngineBrowser: answers the engine's dialogs and requests itself, so that in
// silent mode nothing of the engine's own pops up, and keeps the console quiet. Console messages
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

private:
    QString token_;
    bool silent_ = false;
};
