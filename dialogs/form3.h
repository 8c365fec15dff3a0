#pragma once
// "保存密码": where the member enters the login to remember. One process-wide instance; saving
// stores both texts, confirms, types them into the member page once and closes the window.
#include <QPointer>
#include <QWidget>

class Browser;
class QLabel;
class QLineEdit;
class QPushButton;

class Form3 : public QWidget
{
    Q_OBJECT
public:
    // Shows the instance, loading it first when it is not loaded; an instance already shown
    // keeps what the member typed. mainBrowser is the member page the save fills.
    static void showForm(Browser* mainBrowser);
    // The loaded instance, or nullptr.
    static Form3* instance();

    ~Form3() override;

    QLineEdit* Text1() const { return Text1_; }
    QLineEdit* Text2() const { return Text2_; }
    QPushButton* Command1() const { return Command1_; }

public slots:
    void Command1_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit Form3(Browser* mainBrowser);
    void Form_Load();

    QPointer<Browser> mainBrowser_;
    QLabel* Label1_;
    QLabel* Label2_;
    QLineEdit* Text1_;
    QLineEdit* Text2_;
    QPushButton* Command1_;
};
