#pragma once
// A check box with the three stored states 0 clear, 1 checked, 2 greyed. The program can set any
// of them; a click only toggles, as a Windows auto check box does: checked becomes clear, clear
// and greyed become checked. Used by the main window and the category dialog alike.
#include <QCheckBox>

class VbCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit VbCheckBox(const QString& text, QWidget* parent = nullptr);

    // The signal of a change of state, for connect(): checkStateChanged where Qt has it (6.7 on;
    // Qt 6.8 deprecates stateChanged), stateChanged before.
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    static constexpr auto Changed = &QCheckBox::checkStateChanged;
#else
    static constexpr auto Changed = &QCheckBox::stateChanged;
#endif

    int value() const;
    // Sets the state; only a real change raises Changed. Values other than 0..2 are ignored.
    void setValue(int value);

    static int toValue(Qt::CheckState state);

protected:
    void nextCheckState() override;
    // A caption wider than the box's designed width is drawn a little smaller, down to 7 pt,
    // rather than cut off.
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitCaption();
    qreal designPointSize_ = 0;
};
