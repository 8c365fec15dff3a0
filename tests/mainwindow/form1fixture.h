#pragma once
// A main window on the fake browser in a temporary program folder, with scripted message boxes,
// a stand-in tray and an ending that only counts. Controls are found by their design names.
#include "dialogs/form3.h"
#include "mainwindow/form1.h"
#include "startup/appstate.h"
#include "support/fakebrowser.h"
#include "support/messageboxes.h"
#include "support/programfolder.h"
#include "support/seams.h"
#include "support/topwindows.h"
#include "tray/xembedtrayicon.h"
#include "widgets/vbcheckbox.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
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
        ASSERT_TRUE(folder.isValid());
        mod_Main::fillServerLines();
        mod_Main::CurLine = 0;
        mod_Main::SavedUser.clear();
        mod_Main::SavedPass.clear();
    }

    void TearDown() override
    {
        form.reset();
        for (Form3* w : topWindows<Form3>())
            delete w;
    }

    void writeConfig(const QByteArray& text) { folder.writeConfig(text); }
    QByteArray configBytes() const { return folder.config(); }
    QString ini(const char* section, const char* key) const { return folder.read(section, key); }

    Form1* load()
    {
        form = std::make_unique<Form1>();
        return form.get();
    }

    // The main window's controls by their design names.
    template <typename T> T* control(const char* name) const
    {
        T* c = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    VbCheckBox* box(const char* name) const { return control<VbCheckBox>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QRadioButton* option1(int index) const
    {
        return form->findChildren<QRadioButton*>(QStringLiteral("Option1")).value(index);
    }
    XEmbedTrayIcon* trayIcon() const { return form->findChild<XEmbedTrayIcon*>(); }
    QAction* menuItem(const char* name) const { return control<QAction>(name); }
    QTimer* timer(const char* name) const { return control<QTimer>(name); }
    // The login details window while it is loaded (a closed one is unloaded: deleted once the
    // event loop comes round), and a control of a window by its design name.
    static Form3* form3()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return topWindows<Form3>().value(0);
    }
    template <typename T> static T* childOf(QWidget* window, const char* name)
    {
        T* c = window ? window->findChild<T*>(QLatin1String(name)) : nullptr;
        EXPECT_NE(c, nullptr) << name;
        return c;
    }

    FakeBrowser* page() const { return factory.made.isEmpty() ? nullptr : factory.made.first(); }

    // The member page's login form in the fourth frame (tags as pages write them, any case).
    static QList<FakeElement> loginForm()
    {
        return {{QStringLiteral("INPUT"), QStringLiteral("text"), QStringLiteral("UserName"), {}},
                {QStringLiteral("input"),
                 QStringLiteral("password"),
                 QStringLiteral("UserPassword"),
                 {}}};
    }

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

    ProgramFolder folder;
    FakeBrowserFactory factory;
    ScriptedMessageBoxes boxes;
    ScopedTrayShown tray{true};
    CountedProcessEnd ends;
    std::unique_ptr<Form1> form;
};
