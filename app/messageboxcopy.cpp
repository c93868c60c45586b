#include "app/messageboxcopy.h"

#include "app/standarddialogs.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>

using namespace Qt::StringLiterals;

QString MessageBoxCopy::textOf(const QMessageBox &box)
{
    const QString rule = u"---------------------------\n"_s;
    QString buttons;
    for (QAbstractButton *button : box.buttons())
        buttons += QString(button->text()).remove(u'&') + u"   "_s;
    const QString text = QString(box.text()).remove(QChar(StandardDialogs::WordBreak));
    return rule + box.windowTitle() + u'\n' + rule + text + u'\n' + rule + buttons
           + u'\n' + rule;
}

bool MessageBoxCopy::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto *box = qobject_cast<QMessageBox *>(static_cast<QWidget *>(watched)->window());
    if (!box || !static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy))
        return false;
    QGuiApplication::clipboard()->setText(textOf(*box));
    return true;
}

