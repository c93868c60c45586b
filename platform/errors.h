#pragma once

#include <QString>

#include <stdexcept>

// Failures the program reports to the user. The message is the exact text shown.
class Exception : public std::runtime_error
{
public:
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};

// A text that is not a number, or a value that is not a time of day.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// The windowing system refused a resource (a timer).
class EOutOfResources : public Exception
{
public:
    using Exception::Exception;
};

// A silent abort: reported nowhere.
class EAbort : public Exception
{
public:
    using Exception::Exception;
};
