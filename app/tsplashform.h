#pragma once

#include <QFrame>
#include <QWidget>

class QLabel;

// A panel with a raised outer and a lowered inner bevel, one pixel each.
class TSplashPanel : public QFrame
{
    Q_OBJECT

public:
    explicit TSplashPanel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The borderless window with the maker's logo that stands while the program starts.
class TSplashForm : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashForm(QWidget *parent = nullptr);

    TSplashPanel *Panel1 = nullptr;
    QLabel *Image1 = nullptr;
};
