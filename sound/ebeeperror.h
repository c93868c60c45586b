#pragma once

#include "base/errors.h"

// A melody that cannot be found or read.
class EBeepError : public Exception
{
public:
    using Exception::Exception;
};

// The melody file cannot be opened.
class EFOpenError : public Exception
{
public:
    using Exception::Exception;
};
