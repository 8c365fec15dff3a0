#pragma once
// Who owns a well-known name on the session bus (a panel's StatusNotifierWatcher, the desktop's
// notification server), followed as it changes: asked once without waiting for the answer, then
// told by the bus whenever the name gets, loses or changes its owner (a panel that starts late, a
// server that is restarted, one that replaces another with --replace). Nothing here blocks: a bus
// that hangs leaves the owner unknown, never the windows frozen.
#include <QObject>
#include <QString>

class BusName : public QObject
{
    Q_OBJECT
public:
    explicit BusName(const QString& name, QObject* parent = nullptr);

    QString name() const { return name_; }
    // The owner's unique name (":1.42"); empty while there is none or it is not known yet.
    QString owner() const { return owner_; }
    // Whether the bus has said yet who owns it (nobody is an answer too).
    bool known() const { return known_; }

signals:
    // The first answer, then every new owner (empty: the name is gone). A handover from one owner
    // straight to another is a change too.
    void ownerChanged(const QString& owner);

private:
    void setOwner(const QString& owner);

    QString name_;
    QString owner_;
    bool known_ = false;
};
