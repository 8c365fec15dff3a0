#include "widgets/messagebox.h"

#include "startup/trace.h"

#include <QMessageBox>
#include <QPointer>
#include <QQueue>

namespace
{
QQueue<MessageBox::Answer>& scripted()
{
    static QQueue<MessageBox::Answer> q;
    return q;
}
QStringList& shown()
{
    static QStringList s;
    return s;
}
} // namespace

MessageBox::Answer MessageBox::show(QWidget* parent, const QString& text, const QString& title,
                                    Icon icon, Buttons buttons)
{
    shown().append(text);
    Trace::event(QStringLiteral("msgbox"), text);
    if (!scripted().isEmpty())
        return scripted().dequeue();

    // On the heap behind a guard, never on the stack: the parent may go away while the box
    // waits (a popup that a later notice closes, a window closed at the program's end) and takes
    // its children with it. The box then closes with it and counts as cancelled.
    const QPointer<QMessageBox> box = new QMessageBox(parent);
    box->setText(text);
    box->setWindowTitle(title);
    switch (icon) {
    case Icon::Critical:
        box->setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box->setIcon(QMessageBox::Question);
        break;
    case Icon::Information:
        box->setIcon(QMessageBox::Information);
        break;
    case Icon::None:
        box->setIcon(QMessageBox::NoIcon);
        break;
    }
    if (buttons == Buttons::OkCancel) {
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box->setEscapeButton(QMessageBox::Cancel);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
    }
    box->setDefaultButton(QMessageBox::Ok);
    const int result = box->exec();
    if (!box)
        return Answer::Cancel;
    delete box.data();
    return result == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

void MessageBox::setNextAnswer(Answer answer)
{
    scripted().enqueue(answer);
}

QStringList MessageBox::shownTexts()
{
    return shown();
}

void MessageBox::resetForTesting()
{
    scripted().clear();
    shown().clear();
}
