#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// A window's control found by its object name, as a user finds it by sight.
// A control that is not there ends the test with its name.
template<typename T>
T *part(const QObject &window, const QString &name)
{
    T *found = window.findChild<T *>(name);
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(window.objectName()), T::staticMetaObject.className(),
               qPrintable(name));
    return found;
}
