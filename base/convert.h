#pragma once

#include <QString>

#include <optional>

// Text to a 32-bit signed integer: optional leading blanks, an optional sign,
// then decimal digits, or hexadecimal digits after "$", "x" or "0x" (any case).
// Hexadecimal takes the full 32-bit pattern ("$FFFFFFFF" is -1).
std::optional<qint32> tryStrToInt(const QString &text);

// As tryStrToInt, but raises EConvertError "'<text>' ist kein gültiger Integerwert".
qint32 StrToInt(const QString &text);
