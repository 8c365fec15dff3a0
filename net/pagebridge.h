#pragma once
// The object that documents of a page call through the web channel of the browser's isolated
// script world; the page's own scripts cannot see that world.
#include <QObject>
#include <QString>

class PageBridge : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    Q_INVOKABLE void report(const QString& message) { emit reported(message); }

signals:
    void reported(const QString& message);
};
