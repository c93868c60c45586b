#pragma once

#include <QPoint>
#include <QString>

#include <memory>

class QWidget;

// A message box that has been made: exec() shows it, and its text may change
// while it is open.
class MessageBoxHandle
{
public:
    virtual ~MessageBoxHandle() = default;
    // Shows the box modally; returns once it has been closed.
    virtual void exec() = 0;
    // An open box fits itself to the new text and keeps its corner.
    virtual void setText(const QString &text) = 0;
};

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
    // topLeft; a negative coordinate keeps its screen-centred default. The
    // handle shows it.
    virtual std::unique_ptr<MessageBoxHandle> messageAt(const QString &text, QPoint topLeft) = 0;
    // The same, shown at once; returns when it has been closed.
    void showMessageAt(const QString &text, QPoint topLeft);

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
    // A zero-width space: put into the shown text of a message box between
    // the characters of a word too wide for it, so that it wraps there. Not
    // part of the text.
    static constexpr char16_t WordBreak = u'\u200B';
};
