#include "controls/linklabel.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(QWidget *parent)
    : QLabel(parent)
{
}

void LinkLabel::click()
{
    emit OnClick(this);
}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    // Every press is the link's own, so none reaches the window beneath.
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool clicked = m_pressed && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (clicked)
        click();
}
