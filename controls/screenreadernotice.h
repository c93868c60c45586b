#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// Tells a listening screen reader a short text at once, as the desktop's
// notifications are told: an object with the role Notification that appears
// anew with every text. It draws nothing, takes neither focus nor pointer,
// and stays hidden while no screen reader listens.
class ScreenReaderNotice : public QWidget
{
    Q_OBJECT

public:
    explicit ScreenReaderNotice(QWidget *parent);

    // Told once the notice's window is the active one: a window coming back
    // from a message box is read first, and would cut the text short.
    void tell(const QString &text);
    QString text() const { return m_text; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void appear();

    QString m_text;
    QPointer<QWidget> m_waitingFor;
};
