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

namespace {

// Records the box in messages when it is shown, and its texts from then on.
class FakeMessageBox final : public MessageBoxHandle
{
public:
    FakeMessageBox(FakeStandardDialogs &dialogs, const QString &text, QPoint topLeft)
        : m_dialogs(dialogs), m_shown{text, topLeft, {}}
    {
    }

    void exec() override
    {
        m_index = m_dialogs.messages.size();
        m_dialogs.messages.append(m_shown);
        if (m_dialogs.log)
            m_dialogs.log->append(QStringLiteral("message"));
        if (m_dialogs.whileMessageOpen)
            m_dialogs.whileMessageOpen(m_shown); // a copy: the list may grow meanwhile
        m_index = -1;
    }

    void setText(const QString &text) override
    {
        if (m_index >= 0)
            m_dialogs.messages[m_index].laterTexts.append(text);
        else
            m_shown.text = text;
    }

private:
    FakeStandardDialogs &m_dialogs;
    FakeStandardDialogs::Message m_shown;
    qsizetype m_index = -1;
};

} // namespace

std::unique_ptr<MessageBoxHandle> FakeStandardDialogs::messageAt(const QString &text, QPoint topLeft)
{
    return std::make_unique<FakeMessageBox>(*this, text, topLeft);
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
