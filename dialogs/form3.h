#pragma once
// "保存密码": where the member enters the login to remember. One process-wide instance; saving
// stores both texts, confirms, types them into the member page once and closes the window.
#include <QPointer>
#include <QWidget>

class Browser;
class FrameWatch;
class QLineEdit;
class QPushButton;

class Form3 : public QWidget
{
    Q_OBJECT
public:
    // Shows the instance, loading it first when it is not loaded; an instance already shown
    // keeps what the member typed. mainBrowser is the member page the save fills.
    static void showForm(Browser* mainBrowser);
    ~Form3() override;

public slots:
    void Command1_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit Form3(Browser* mainBrowser);
    void Form_Load();
    void centreOnScreen();

    QPointer<Browser> mainBrowser_;
    QLineEdit* Text1_;
    QLineEdit* Text2_;
    QPushButton* Command1_;
    FrameWatch* frameWatch_;
};
