#include "dialogs/dialog1.h"

#include "startup/boxstate.h"
#include "startup/categories.h"
#include "startup/settings.h"
#include "startup/twips.h"
#include "widgets/designplace.h"
#include "widgets/vbcheckbox.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace
{

Dialog1* g_dialog1 = nullptr;

// After the close button, the tab order runs through the boxes in this order.
constexpr std::array<const char*, 8> kTabOrder{"zvzc", "jncz", "zvzb", "zvgs",
                                               "jdkb", "jgmh", "smnc", "tckb"};

} // namespace

Dialog1::Dialog1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Dialog1"));
    setWindowTitle(QStringLiteral("右下角提醒，详细设置"));
    // A fixed dialog border with only a close box; a tool window stays out of the taskbar; on
    // top of other windows from the moment it exists.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setGeometry(Twips::rect(10155, 5940, 5175, 1935));
    setFixedSize(Twips::toPixels(5175), Twips::toPixels(1935));
    setSizeGripEnabled(false);

    placeControl(new QLabel(QStringLiteral("vu系列："), this), "Label2", 0, 0, 1455, 255);
    placeControl(new QLabel(QStringLiteral("Zelvar题材系列："), this), "Label1", 0, 720, 1695, 255);

    for (size_t i = 0; i < Categories.size(); ++i) {
        const Category& d = Categories[i];
        auto* b = new VbCheckBox(QString::fromUtf8(d.caption), this);
        placeControl(b, d.box, d.left, d.top, 1215, 375);
        b->setValue(d.designState);
        connect(b, VbCheckBox::Changed, this, [this, i]() { box_Click(i); });
        boxes_[i] = b;
    }

    OKButton = new QPushButton(QStringLiteral("关闭"), this);
    placeControl(OKButton, "OKButton", 3360, 1440, 1695, 375);
    connect(OKButton, &QPushButton::clicked, this, &Dialog1::OKButton_Click);

    placeControl(new QLabel(QStringLiteral("注:勾选上的就提醒，反之不提醒。"), this), "Label3", 240,
                 1560, 2775, 255);

    QWidget* previous = OKButton;
    for (const char* name : kTabOrder) {
        QWidget* next = box(QLatin1String(name));
        setTabOrder(previous, next);
        previous = next;
    }
    OKButton->setFocus();

    Form_Load();
}

Dialog1::~Dialog1()
{
    if (g_dialog1 == this)
        g_dialog1 = nullptr;
}

Dialog1* Dialog1::instance()
{
    if (!g_dialog1)
        g_dialog1 = new Dialog1;
    return g_dialog1;
}

bool Dialog1::isLoaded()
{
    return g_dialog1 != nullptr;
}

void Dialog1::showDialog()
{
    Dialog1* d = instance();
    if (!d->isVisible())
        d->show();
}

void Dialog1::unload()
{
    delete g_dialog1;
    g_dialog1 = nullptr;
}

void Dialog1::Form_Load()
{
    // A stored state that is not a whole-text number, or not 0, 1 or 2, leaves the box as designed.
    for (size_t i = 0; i < Categories.size(); ++i) {
        if (const std::optional<int> state =
                BoxState::fromIni(ReadIni(Setting::category(Categories[i].box))))
            boxes_[i]->setValue(*state);
    }
    // Always on top: already part of the window flags set at construction.
}

void Dialog1::box_Click(size_t index)
{
    WriteIni(Setting::category(Categories[index].box), QString::number(boxes_[index]->value()));
}

VbCheckBox* Dialog1::box(const QString& name) const
{
    for (VbCheckBox* b : boxes_) {
        if (b->objectName() == name)
            return b;
    }
    return nullptr;
}

int Dialog1::boxState(const QString& name) const
{
    const VbCheckBox* b = box(name);
    return b ? b->value() : -1;
}

void Dialog1::setBoxState(const QString& name, int state)
{
    if (VbCheckBox* b = box(name))
        b->setValue(state);
}

void Dialog1::OKButton_Click()
{
    close();
}

void Dialog1::reject()
{
    // Escape closes the dialog the same way as the close box.
    close();
}

void Dialog1::closeEvent(QCloseEvent* event)
{
    // Unload: the next access builds a fresh dialog from the file. The deletion waits for the
    // event loop because a handler of this very window may still be running.
    event->accept();
    if (g_dialog1 == this)
        g_dialog1 = nullptr;
    hide();
    deleteLater();
}

#include "moc_dialog1.cpp" // meta-object code, compiled with this file
