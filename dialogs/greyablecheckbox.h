#pragma once
// A check box whose state can be set to greyed (state 2) from code, while a click only ever
// toggles between clear and ticked: ticked becomes clear, clear and greyed become ticked.
//
// States use the stored numbering: 0 clear, 1 ticked, 2 greyed.
#include <QCheckBox>

class GreyableCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit GreyableCheckBox(const QString& text, QWidget* parent = nullptr);

    int state() const;
    // Sets the state; a state other than 0, 1 or 2 is ignored. A change emits stateChanged.
    void setState(int state);

    static int fromCheckState(Qt::CheckState s);
    static Qt::CheckState toCheckState(int state);

protected:
    void nextCheckState() override;
};
