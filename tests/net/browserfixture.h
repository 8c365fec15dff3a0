#pragma once
// A WebEngineBrowser in a shown window, with what it reported recorded.
#include "net/webenginebrowser.h"
#include "support/waitfor.h"

#include <QList>
#include <QVariant>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

struct CompletedDocument {
    quint64 docId;
    QString url;
    bool isTop;
};

class BrowserFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A browser of its own in its own window; its documentComplete events go to completedIn.
    WebEngineBrowser* makeBrowser();
    // Closes the browser's window, which destroys the browser.
    void destroy(WebEngineBrowser* b);
    QList<CompletedDocument>& completedIn(WebEngineBrowser* b) { return completed_[b]; }

    // Navigates and waits until the page is complete.
    bool load(const QString& url, WebEngineBrowser* b = nullptr);
    // Runs a script in the top document's isolated world and waits for its result.
    QVariant eval(const QString& script, WebEngineBrowser* b = nullptr);
    bool completedUrl(const QString& url, WebEngineBrowser* b = nullptr);
    // A click as the member makes it (a press and a release), at a point of the main browser's
    // view, once the engine has drawn the page (it routes input only then).
    void click(QPoint pos, Qt::MouseButton button = Qt::LeftButton);
    const CompletedDocument* findCompleted(const QString& url, WebEngineBrowser* b = nullptr);

    WebEngineBrowser* browser = nullptr;

private:
    QList<QWidget*> windows_;
    std::map<WebEngineBrowser*, QList<CompletedDocument>> completed_;
};
