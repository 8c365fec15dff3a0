#pragma once
// The browser on Qt WebEngine.
#include "net/browser.h"

class WebEngineBrowser : public Browser {
    Q_OBJECT
public:
    explicit WebEngineBrowser(QWidget* parent = nullptr);
    ~WebEngineBrowser() override;

    QWidget* widget() override;
    void navigate(const QString& url) override;
    void navigate(const QString& url, int flags, const QString& targetFrameName,
                  const QByteArray& postData, const QString& headers) override;
    void goBack() override;
    void goForward() override;
    void refresh() override;
    void setSilent(bool silent) override;
    int readyState() const override;
    void frameCount(std::function<void(int)> done) override;
    void fillLogin(const QString& user, const QString& pass,
                   std::function<void(LoginFillResult)> done) override;
    void setFrameLocation(int index, const QString& url, std::function<void(bool)> done) override;

private:
    QWidget* view_ = nullptr;
};
