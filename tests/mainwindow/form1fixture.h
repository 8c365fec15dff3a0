#pragma once
// A main window on the fake browser in a temporary program folder, with scripted message boxes,
// a stand-in tray and an ending that only counts.
#include "dialogs/form3.h"
#include "mainwindow/form1.h"
#include "mainwindow/processend.h"
#include "mainwindow/traycontroller.h"
#include "startup/appstate.h"
#include "startup/settings.h"
#include "support/fakebrowser.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Lets a test raise an event as the window system does (the close box's close).
class QSpontaneKeyEvent
{
public:
    static void setSpontaneous(QEvent* e) { e->setSpontaneous(); }
};

class Form1Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        setAppDirForTesting(dir.path());
        mod_Main::fillServerLines();
        mod_Main::CurLine = 0;
        mod_Main::SavedUser.clear();
        mod_Main::SavedPass.clear();
        MessageBox::resetForTesting();
        TrayController::setAvailableForTesting(true);
        ProcessEnd::setHandlerForTesting([this] { ++ends; });
    }

    void TearDown() override
    {
        form.reset();
        delete Form3::instance();
        ProcessEnd::setHandlerForTesting({});
        TrayController::setAvailableForTesting(std::nullopt);
        MessageBox::resetForTesting();
        setAppDirForTesting(QString());
    }

    void writeConfig(const QByteArray& text)
    {
        QFile f(ConfigPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QByteArray configBytes() const
    {
        QFile f(ConfigPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QString ini(const char* section, const char* key) const
    {
        return ReadIni(QString::fromLatin1(section), QString::fromLatin1(key), ConfigPath());
    }

    Form1* load()
    {
        form = std::make_unique<Form1>();
        return form.get();
    }

    FakeBrowser* page() const { return factory.made.isEmpty() ? nullptr : factory.made.first(); }

    QString memberPage(int line) const
    {
        return mod_Main::ServerLines[line] + QStringLiteral("/nc/i88-62.asp");
    }

    void closeBox()
    {
        QCloseEvent ev;
        QSpontaneKeyEvent::setSpontaneous(&ev);
        QCoreApplication::instance()->notify(form.get(), &ev);
    }

    QTemporaryDir dir;
    FakeBrowserFactory factory;
    std::unique_ptr<Form1> form;
    int ends = 0;
};
