// Driving windows and the tray: a small application (this program run as a child) docks a tray
// icon with a menu and shows a window; the harness finds them, clicks, types and closes, and
// the child writes down what reached it.
#include "childprocess.h"
#include "harness/harness.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

using namespace harness;

namespace
{

const QString kChildCaption = QStringLiteral("harness child 窗口");

void note(const QString& line)
{
    QFile f(qEnvironmentVariable("ZV_HARNESS_CHILD_OUT"));
    if (f.open(QIODevice::Append))
        f.write((line + QLatin1Char('\n')).toUtf8());
}

class ChildWindow : public QWidget
{
public:
    ChildWindow()
    {
        setWindowTitle(kChildCaption);
        auto* layout = new QVBoxLayout(this);
        edit_ = new QLineEdit(this);
        layout->addWidget(edit_);
        connect(edit_, &QLineEdit::returnPressed, this, [this] { note("typed " + edit_->text()); });
        resize(320, 200);
    }

protected:
    void closeEvent(QCloseEvent* e) override
    {
        note(QStringLiteral("close"));
        e->ignore(); // like a window that hides to the tray: stays for the next checks
        hide();
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        note(QStringLiteral("press %1 %2,%3")
                 .arg(int(e->button()))
                 .arg(e->position().toPoint().x())
                 .arg(e->position().toPoint().y()));
    }

private:
    QLineEdit* edit_;
};

class WithChild : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Desktop& d = Desktop::instance();
        ASSERT_TRUE(d.started()) << d.error().toStdString();
        out_ = dir_.filePath(QStringLiteral("notes"));
        QProcessEnvironment env = d.environment();
        env.insert(QStringLiteral("ZV_HARNESS_CHILD_OUT"), out_);
        child_ = startChild(QStringLiteral("ChildApp.*"), QStringLiteral("app"), env,
                            dir_.filePath(QStringLiteral("child.log")));
        ASSERT_TRUE(child_->running()) << child_->error().toStdString();
        window_ = waitForWindow(kChildCaption, 20000, child_->pid());
        ASSERT_NE(window_, 0u) << child_->logTail(40).toStdString();
    }
    void TearDown() override
    {
        if (child_)
            child_->stop();
    }

    QStringList notes() const
    {
        QFile f(out_);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool waitForNote(const QString& line, int timeoutMs = 5000)
    {
        const bool ok = waitUntil([&] { return notes().contains(line); }, timeoutMs);
        if (!ok)
            ADD_FAILURE() << "child never noted \"" << line.toStdString()
                          << "\"; notes: " << notes().join(QStringLiteral(" | ")).toStdString();
        return ok;
    }

    QTemporaryDir dir_;
    QString out_;
    std::unique_ptr<ManagedProcess> child_;
    WindowId window_ = 0;
};

// Child side.
TEST(ChildApp, run)
{
    if (childRole() != QLatin1String("app"))
        GTEST_SKIP() << "runs only as a child of the window tests";
    ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable());
    ChildWindow window;
    QMenu menu;
    menu.addAction(QStringLiteral("显示"), [] { note(QStringLiteral("menu show")); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("退出"), [] {
        note(QStringLiteral("menu quit"));
        // exit(), not quit(): a quit request goes through the windows, which may refuse it.
        qApp->exit(0);
    });
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::red);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.setContextMenu(&menu);
    QObject::connect(&tray, &QSystemTrayIcon::activated, [](QSystemTrayIcon::ActivationReason r) {
        note(QStringLiteral("tray %1").arg(int(r)));
    });
    tray.show();
    window.show();
    qApp->exec();
}

TEST_F(WithChild, windowIsFoundWithGeometryAndStates)
{
    EXPECT_EQ(findWindows(kChildCaption), QList<WindowId>{window_});
    EXPECT_TRUE(findWindows(kChildCaption, child_->pid() + 100000).isEmpty());
    EXPECT_TRUE(findWindows(QStringLiteral("harness child")).isEmpty()) << "caption is exact";
    EXPECT_EQ(windowState(window_), WindowState::Normal);
    EXPECT_TRUE(isVisible(window_));
    EXPECT_FALSE(isAbove(window_));
    const WindowGeometry g = geometry(window_);
    EXPECT_EQ(g.client.size(), QSize(320, 200));
    EXPECT_TRUE(g.outer.contains(g.client));
    EXPECT_GT(g.outer.height(), g.client.height()) << "the window manager's frame is counted";

    ASSERT_TRUE(minimise(window_));
    EXPECT_TRUE(waitUntil([&] { return windowState(window_) == WindowState::Minimised; }, 5000));
    EXPECT_FALSE(isVisible(window_));
    ASSERT_TRUE(activate(window_));
    EXPECT_TRUE(waitUntil([&] { return windowState(window_) == WindowState::Normal; }, 5000));
}

TEST_F(WithChild, clickTypeAndCloseReachTheWindow)
{
    ASSERT_TRUE(activate(window_));
    const QSize size = geometry(window_).client.size();
    ASSERT_TRUE(click(window_, 5, size.height() - 5, 3));
    EXPECT_TRUE(waitForNote(QStringLiteral("press 2 5,%1").arg(size.height() - 5)));

    ASSERT_TRUE(typeText(window_, QStringLiteral("abc")));
    ASSERT_TRUE(key(window_, QStringLiteral("Return")));
    EXPECT_TRUE(waitForNote(QStringLiteral("typed abc")));

    ASSERT_TRUE(closeWindow(window_));
    EXPECT_TRUE(waitForNote(QStringLiteral("close")));
    EXPECT_TRUE(waitForNoWindow(kChildCaption, 5000));
    EXPECT_EQ(windowState(window_), WindowState::Hidden);
}

TEST_F(WithChild, trayIconClicksAndMenuChoice)
{
    const WindowId icon = waitForTrayIcon(child_->pid(), 10000);
    ASSERT_NE(icon, 0u);
    EXPECT_TRUE(trayIcons().contains(icon));

    ASSERT_TRUE(clickTrayIcon(icon, 1));
    EXPECT_TRUE(waitForNote(QStringLiteral("tray %1").arg(int(QSystemTrayIcon::Trigger))));

    ASSERT_TRUE(clickTrayIcon(icon, 3));
    WindowId menu = waitForPopupMenu(child_->pid());
    ASSERT_NE(menu, 0u);
    // The second item, past the separator.
    ASSERT_TRUE(chooseMenuItemByKeys(1));
    EXPECT_TRUE(waitForNote(QStringLiteral("menu quit")));
    EXPECT_TRUE(child_->waitForExit(10000)) << child_->logTail(30).toStdString();
}

TEST_F(WithChild, menuItemByClick)
{
    const WindowId icon = waitForTrayIcon(child_->pid(), 10000);
    ASSERT_NE(icon, 0u);
    ASSERT_TRUE(clickTrayIcon(icon, 3));
    const WindowId menu = waitForPopupMenu(child_->pid());
    ASSERT_NE(menu, 0u);
    // The first item fills the top of the menu.
    ASSERT_TRUE(clickMenuAt(menu, geometry(menu).client.width() / 2, 12));
    EXPECT_TRUE(waitForNote(QStringLiteral("menu show")));
}

} // namespace
