#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
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
    // from a message box, and its focus, are read first and would cut the
    // text short. A text whose window stays inactive for a while (5 s) is
    // dropped: what changed long ago is no news.
    void tell(const QString &text);
    // How long a text waits for its window.
    void setWaitMSecs(int msecs) { m_expiry.setInterval(msecs); }
    QString text() const { return m_text; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void appear();
    void stopWaiting();

    QString m_text;
    QPointer<QWidget> m_waitingFor;
    QTimer m_expiry;
};
