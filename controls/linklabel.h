#pragma once

#include <QLabel>

// A label that works as a link: a left press and a left release inside it
// click it, and screen readers see a link they can follow.
class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(QWidget *parent = nullptr);

    // Raises OnClick, as a click with the mouse does.
    void click();

signals:
    void OnClick(QObject *sender);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};
