#pragma once
// "右下角提醒，详细设置": the eight category boxes, which are also the live category filter.
// One process-wide instance, loaded hidden on first access to a box; "关闭" unloads it.
#include <QDialog>
#include <QString>

class Dialog1 : public QDialog {
    Q_OBJECT
public:
    // The process-wide instance, loaded (hidden) when it is not loaded yet.
    static Dialog1* instance();
    // True while an instance is loaded.
    static bool isLoaded();
    // Shows the instance, loading it first if needed; an already shown dialog stays as it is.
    static void showDialog();

    // State of a box by its name ("zvgs", "zvzb", "zvzc", "jncz", "smnc", "jgmh", "jdkb",
    // "tckb"): 0 clear, 1 ticked, 2 greyed; -1 for an unknown name.
    int boxState(const QString& name) const;
    // Sets a box; a change runs its change handling (written to config.ini at once).
    void setBoxState(const QString& name, int state);

private:
    explicit Dialog1(QWidget* parent = nullptr);
};
