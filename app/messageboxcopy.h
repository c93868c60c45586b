#pragma once

#include <QObject>

class QMessageBox;

// Ctrl+C in a message box copies its caption, text and buttons to the
// clipboard, as message boxes on the desktop the program comes from do; Qt
// does this only on Windows. Install it on the application object.
class MessageBoxCopy : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The copied text: caption, text and button captions between dashed lines.
    static QString textOf(const QMessageBox &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

