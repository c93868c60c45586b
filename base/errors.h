#pragma once

// base/ at a glance: plain helpers that need no operating-system service.
// - errors.h: the exceptions whose message is shown to the user as it is.
// - convert.h: text to integer as the settings and melody files need it.
// - maker.h: the maker's web and mail addresses.

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
