#pragma once
// Modal message boxes go through here so tests can script the answer instead of clicking.
#include <QString>
#include <QStringList>

class QWidget;

class MessageBox
{
public:
    enum class Icon { None, Critical, Question, Information };
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    // Shows a modal box and returns the button that closed it; Escape and the close box count
    // as Cancel, and so does a box that went away with its parent while it was open (the caller
    // must not assume the parent is still there afterwards). With scripted answers queued, takes
    // the next one and shows nothing.
    static Answer show(QWidget* parent, const QString& text, const QString& title, Icon icon,
                       Buttons buttons);

    // Test seam: queue answers for the next boxes; every box asked for is recorded.
    static void setNextAnswer(Answer answer);
    static QStringList shownTexts();
    static void resetForTesting();
};
