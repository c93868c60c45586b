#include "dialogs/secondarywindow.h"

#include <QKeyEvent>
#include <QShowEvent>

using namespace Qt::StringLiterals;

SecondaryWindow::SecondaryWindow(QWidget *owner, const QSize &clientSize, int fontPixelSize)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                         | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setFixedSize(clientSize);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    QFont tahoma(u"Tahoma"_s);
    tahoma.setPixelSize(fontPixelSize);
    setFont(tahoma);
}

void SecondaryWindow::keyPressEvent(QKeyEvent *event)
{
    // QDialog would close on Escape and click a default push button on Enter.
    QWidget::keyPressEvent(event);
}

void SecondaryWindow::showEvent(QShowEvent *event)
{
    // Restoring from the task bar is no new showing.
    if (!event->spontaneous())
        FormShow(this);
    QDialog::showEvent(event);
}
