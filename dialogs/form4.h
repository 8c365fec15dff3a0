#pragma once
// The program's own browser window "首席Zelvar ... 提示：全屏查看效果更佳": one instance per page
// the member page opens in a new window. Everything opened from its pages stays inside it, and a
// right click on its bound documents shows its own back / forward / refresh menu.
#include "dialogs/docbinding.h"

#include <QWidget>

class Browser;
class QAction;
class QMenu;
struct ContextMenuRequest;
struct NewWindowRequest;

class Form4 : public QWidget
{
    Q_OBJECT
public:
    // A top-level window in the taskbar; it deletes itself when closed.
    explicit Form4(QWidget* parent = nullptr);
    ~Form4() override;

    static QString caption();

    Browser* WebBrowser1() const { return browser_; }
    QMenu* mnuPop() const { return menu_; }
    const DocBinding& bindings() const { return bindings_; }

public slots:
    void Form_Load();
    void Form_Resize();
    void WebBrowser1_DocumentComplete(quint64 docId, const QString& url, bool isTop);
    // The right-click handling of M_Dom, M_Dom1 and M_Dom2 alike: the window's menu for a bound
    // document (the engine's own menu suppressed), the engine's menu for any other.
    void M_Dom_oncontextmenu(ContextMenuRequest& request);
    void mnuBack_Click();
    void mnuForw_Click();
    void mnuRe_Click();
    // A page of this window asked for another window: this window goes there instead.
    void Web_V1_NewWindow(NewWindowRequest& request);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    QSize outerSizeTwips() const;

    Browser* browser_ = nullptr;
    QMenu* menu_ = nullptr;
    DocBinding bindings_;
};
