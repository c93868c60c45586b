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

    // Shows the splash with its picture before the event loop runs, so that it
    // stays on the screen while the program handles no message.
    void showAtOnce();

    TSplashPanel *Panel1 = nullptr;
    QLabel *Image1 = nullptr;
};
