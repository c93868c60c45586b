#pragma once

#include "app/standarddialogs.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// Answers the standard dialogs from a script and records what was asked.
class FakeStandardDialogs : public StandardDialogs
{
public:
    struct Query
    {
        QString caption;
        QString prompt;
        QString startText;
    };
    struct Message
    {
        QString text;
        QPoint topLeft;
        QStringList laterTexts; // given while it was open
    };
    struct Question
    {
        QString caption;
        QString text;
    };

    bool inputQuery(const QString &caption, const QString &prompt, QString &value) override;
    std::unique_ptr<MessageBoxHandle> messageAt(const QString &text, QPoint topLeft) override;
    bool askYesNo(const QString &caption, const QString &text) override;
    void raiseQuestion() override { ++questionRaised; }

    // Next answers of the input dialog: a text means OK with that text,
    // nullopt (or none left) means "Abbrechen".
    QList<std::optional<QString>> queryAnswers;
    bool questionAnswer = false;
    // Runs while the message box would be open, with the box as shown.
    std::function<void(const Message &)> whileMessageOpen;
    std::function<void()> whileQuestionOpen;

    QList<Query> queries;
    QList<Message> messages;
    QList<Question> questions;
    int questionRaised = 0;
    QStringList *log = nullptr;
};
