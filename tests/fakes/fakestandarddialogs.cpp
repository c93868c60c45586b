#include "tests/fakes/fakestandarddialogs.h"

bool FakeStandardDialogs::inputQuery(const QString &caption, const QString &prompt, QString &value)
{
    queries.append({caption, prompt, value});
    if (log)
        log->append(QStringLiteral("query"));
    const std::optional<QString> answer = queryAnswers.isEmpty() ? std::nullopt
                                                                  : queryAnswers.takeFirst();
    if (!answer)
        return false;
    value = *answer;
    return true;
}

void FakeStandardDialogs::showMessageAt(const QString &text, QPoint topLeft)
{
    messages.append({text, topLeft});
    if (log)
        log->append(QStringLiteral("message"));
    if (whileMessageOpen)
        whileMessageOpen(messages.last());
}

bool FakeStandardDialogs::askYesNo(const QString &caption, const QString &text)
{
    questions.append({caption, text});
    if (log)
        log->append(QStringLiteral("question"));
    if (whileQuestionOpen)
        whileQuestionOpen();
    return questionAnswer;
}
