#pragma once

#include <QString>

// The maker's addresses, handed to the desktop shell.
namespace Maker {
inline const QString WebAddress = QStringLiteral("http://www.brenvik.example");
inline const QString MailAddress = QStringLiteral("mailto:info@brenvik.example");
inline const QString WebText = QStringLiteral("www.brenvik.example");
inline const QString MailText = QStringLiteral("info@brenvik.example");
} // namespace Maker
