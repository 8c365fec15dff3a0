#pragma once
// The main window "Zelvar快报 ZV6.2".
#include <QWidget>

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;
};
