#pragma once

#include <QPoint>
#include <QString>

class QWidget;

// The program's small modal dialogs: the input dialog, the information box at
// a point and the yes/no question. Behind an interface so that tests answer them.
class StandardDialogs
{
public:
    virtual ~StandardDialogs() = default;

    // Input dialog, query form: centred on the screen, the edit starting with
    // value (all selected, at most 255 characters), "OK" and "Abbrechen".
    // Returns true and the edited text in value after OK; value is untouched otherwise.
    virtual bool inputQuery(const QString &caption, const QString &prompt, QString &value) = 0;

    // Information box "Information" with one "OK", its top-left corner at
    // topLeft; a negative coordinate keeps its screen-centred default.
    virtual void showMessageAt(const QString &text, QPoint topLeft) = 0;

    // Question box with "Ja" (the default) and "Nein", no owner window and not
    // modal, so the other windows stay usable while it waits; true for "Ja".
    virtual bool askYesNo(const QString &caption, const QString &text) = 0;
    // Brings the open question in front again, e.g. when it is asked for a
    // second time while it still waits.
    virtual void raiseQuestion() = 0;

    // Input dialog, input-box form: the edited text after OK, defaultText otherwise.
    QString inputBox(const QString &caption, const QString &prompt, const QString &defaultText);

    // The real dialogs.
    static StandardDialogs &system();

    static constexpr int InputMaxLength = 255;
};
