#pragma once
// "右下角提醒，详细设置": the eight category boxes, which are also the live category filter.
// One process-wide instance, loaded hidden on first access to a box; "关闭" unloads it.
#include <QDialog>
#include <QString>
#include <array>

class VbCheckBox;
class QPushButton;

class Dialog1 : public QDialog
{
    Q_OBJECT
public:
    // The process-wide instance, loaded (hidden) when it is not loaded yet.
    static Dialog1* instance();
    // True while an instance is loaded.
    static bool isLoaded();
    // Shows the instance, loading it first if needed; an already shown dialog stays as it is.
    static void showDialog();
    // Destroys the loaded instance at once (tests start from a fresh dialog); nothing is written.
    static void unload();

    // State of a box by its name ("zvgs", "zvzb", "zvzc", "jncz", "smnc", "jgmh", "jdkb",
    // "tckb"): 0 clear, 1 ticked, 2 greyed; -1 for an unknown name.
    int boxState(const QString& name) const;
    // Sets a box; a change runs its change handling (written to config.ini at once). An unknown
    // name or a state other than 0, 1 and 2 changes nothing.
    void setBoxState(const QString& name, int state);

    ~Dialog1() override;

    // Escape closes the dialog like the close box: it is unloaded.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void OKButton_Click();

private:
    explicit Dialog1(QWidget* parent = nullptr);
    void Form_Load();
    // The box of Categories[index] changed.
    void box_Click(size_t index);
    VbCheckBox* box(const QString& name) const;
    std::array<VbCheckBox*, 8> boxes_{};
    QPushButton* OKButton = nullptr;
};
