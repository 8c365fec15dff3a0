#pragma once
// The main window "Zelvar快报 ZV6.2": the member page of the chosen server line, the strip of
// line buttons and preference boxes above it, the login timer, the message poll and the tray
// icon.
#include "alerts/pollhost.h"

#include <QMargins>
#include <QWidget>
#include <array>

class Browser;
class FrameWatch;
class MessagePoll;
class MsnNotifier;
class NewWindowHandoff;
class NoticeCentre;
class PageRecovery;
class QPushButton;
class QRadioButton;
class QTimer;
class TrayController;
class VbCheckBox;
class WavPlayer;
struct SettingKey;

class Form1 : public QWidget, public PollHost
{
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    static QString memberPagePath() { return QStringLiteral("/nc/i88-62.asp"); }
    // How long a hidden window waits for a notification area that went to come back.
    static constexpr int kTrayGoneGraceMs = 10000;

    // PollHost
    int check1State() override;
    int check2State() override;
    int shengyinState() override;
    int categoryState(const QString& boxName) override;
    void ShowMsn(const QString& ZuName, const QString& Ziname, const QString& ZiUrl) override;
    void PlayWavFile(const QString& strFileName, int PlayCount, int JianGe) override;
    void endProgram() override;

public slots:
    void dl_Timer();
    void Option1_Click(int index);
    void Command2_Click();
    // The close box: into the tray while the program's icon is there, else onto the taskbar.
    void HideMain();
    // Applies the resize rule to the window as it stands.
    void Form_Resize();
    // The tray icon and its menu.
    void restoreAndFocus();
    // The member started the program again: the window back as mnuShow brings it, in front and
    // with the focus, by the second start's activation token.
    void showFromSecondStart(const QString& token);
    void mnuShow_Click();
    void mnuQuit_Click();
    // A notice the member chose in the tray's list or the desktop's: as a click on its popup.
    void openNotice(quint64 id, const QString& url);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void config();
    // Asks for the member page of the chosen line.
    void loadMemberPage();
    // The window manager's frame as far as it is known (none until it has reported a sensible
    // one), and the client size to ask for an outer size in that frame.
    QMargins frame() const;
    QSize clientSizeFor(QSize outerPx, const QMargins& frame) const;
    void setOuterSize(int widthTwips, int heightTwips);
    void centreOnScreen();
    // The load's outer size assumes the frame known at that moment; the window system reports
    // the real frame only once the window is shown, and then the size and place are redone
    // (final: no later frame redoes them again).
    void applyLoadGeometryForFrame(bool final = true);
    // The tray and the notices go onto the desktop (session bus, X server) after the page's
    // request.
    void startTrayAndNotices();
    // Closes every other window of the program, removes the tray icon and ends the process.
    void Form_Unload();

    void checkBoxChanged(VbCheckBox* box, const SettingKey& setting);
    void Check1_Click();
    void mima_Click();

    Browser* WebBrowser1_ = nullptr;
    MessagePoll* poll_ = nullptr;
    NoticeCentre* notices_ = nullptr;
    MsnNotifier* msn_ = nullptr;
    WavPlayer* wav_ = nullptr;
    NewWindowHandoff* handoff_ = nullptr;
    PageRecovery* recovery_ = nullptr;
    TrayController* tray_ = nullptr;
    QTimer* trayGone_ = nullptr;
    QTimer* dl_ = nullptr;

    std::array<QRadioButton*, 5> Option1_{};
    VbCheckBox* Check1_ = nullptr;
    VbCheckBox* Check2_ = nullptr;
    VbCheckBox* Check3_ = nullptr;
    VbCheckBox* Check4_ = nullptr;
    VbCheckBox* shengyin_ = nullptr;
    VbCheckBox* mima_ = nullptr;
    QPushButton* Command2_ = nullptr;
    QPushButton* Command1_ = nullptr;

    bool blnTemp_ = false;
    bool blnLoading_ = false;
    bool unloading_ = false;
    QSize clampAskedFor_; // the reported outer size the smallest size was last asked for
    QSize clampTarget_;   // the client size asked for then
    bool clamping_ = false;
    QSize loadOuterTwips_; // valid until the window has its real frame
    QMargins loadFrame_;
    FrameWatch* frameWatch_ = nullptr;
};
