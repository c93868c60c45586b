#include "app/mainwindowaccess.h"

#include "controls/tflatbutton.h"

#include <QLabel>
#include <QShortcut>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

template<typename T>
T *part(QWidget *window, const QString &name)
{
    return window->findChild<T *>(name);
}

// A key that presses the button as a click on it does, from anywhere in the window.
void pressWith(QWidget *window, TFlatButton *button, const QList<QKeySequence> &keys)
{
    if (!button)
        return;
    auto *shortcut = new QShortcut(window);
    shortcut->setKeys(keys);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, button, [button] {
        if (button->isEnabled() && button->isVisible())
            button->click();
    });
}

} // namespace

QList<QKeySequence> MainWindowAccess::toggleKeys()
{
    return {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)};
}

QKeySequence MainWindowAccess::messageKey()
{
    return QKeySequence(Qt::CTRL | Qt::Key_M);
}

void MainWindowAccess::install(QWidget *window)
{
    auto *toggle = part<TFlatButton>(window, u"btnActivate"_s);
    auto *message = part<TFlatButton>(window, u"Button1"_s);
    pressWith(window, toggle, toggleKeys());
    pressWith(window, message, {messageKey()});
    if (toggle)
        toggle->setAccessibleDescription(u"Schaltet den Alarm zur Alarmzeit ein und aus (Strg+Eingabe)"_s);
    if (message)
        message->setAccessibleDescription(u"Meldung zum Alarm eingeben (Strg+M)"_s);

    // One label, "Alarmzeit", stands for three fields: each says which part it holds.
    const std::pair<QString, QString> fields[] = {
        {u"seStunde"_s, u"Stunde"_s}, {u"seMinute"_s, u"Minute"_s}, {u"seSekunde"_s, u"Sekunde"_s}};
    for (const auto &[name, spoken] : fields) {
        if (QWidget *field = part<QWidget>(window, name)) {
            field->setAccessibleName(spoken);
            field->setAccessibleDescription(u"Alarmzeit"_s);
        }
    }

    // The labels name what stands beside them: the clock, the fields, the toggle.
    const std::pair<QString, QString> labelled[] = {
        {u"Label1"_s, u"RxClock1"_s}, {u"Label2"_s, u"seStunde"_s}, {u"Label3"_s, u"btnActivate"_s}};
    for (const auto &[label, control] : labelled) {
        auto *l = part<QLabel>(window, label);
        QWidget *c = part<QWidget>(window, control);
        if (l && c)
            l->setBuddy(c);
    }

    // The clock's frame: its caption lies hidden under the clock.
    if (QWidget *frame = part<QWidget>(window, u"FlatPanel1"_s))
        frame->setAccessibleName(u"Uhr"_s);
    if (QWidget *logo = part<QWidget>(window, u"Image1"_s))
        logo->setAccessibleName(u"Logo"_s);
}
