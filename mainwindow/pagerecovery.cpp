#include "mainwindow/pagerecovery.h"

#include "mainwindow/form1rules.h"
#include "net/browser.h"
#include "startup/trace.h"

#include <QTimer>

PageRecovery::PageRecovery(Browser* browser, std::function<bool(const QString&)> isServicePage,
                           QObject* parent)
    : QObject(parent), browser_(browser), isServicePage_(std::move(isServicePage)),
      wait_(new QTimer(this))
{
    wait_->setSingleShot(true);
    connect(wait_, &QTimer::timeout, this, &PageRecovery::retry);
    connect(browser_, &Browser::topLoadEnded, this, &PageRecovery::loadEnded);
}

void PageRecovery::navigating()
{
    failed_.clear();
    attempts_ = 0;
    asking_ = false;
    wait_->stop();
}

void PageRecovery::serviceAnswered()
{
    if (!failed_.isEmpty() && !asking_)
        retry();
}

void PageRecovery::loadEnded(const QString& url, bool reached)
{
    if (reached || !isServicePage_(url)) {
        navigating();
        return;
    }
    if (failed_ != url)
        attempts_ = 0;
    failed_ = url;
    asking_ = false;
    wait_->start(Form1Rules::retryDelayMs(attempts_++));
}

void PageRecovery::retry()
{
    wait_->stop();
    asking_ = true;
    Trace::event(QStringLiteral("retry"), failed_);
    browser_->navigate(failed_);
}

#include "moc_pagerecovery.cpp" // meta-object code, compiled with this file
