#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Windows-1252, the 8-bit code page of the settings and melody files. Every
// byte decodes; the five unassigned bytes become the C1 controls, as the
// Windows conversion does, so every byte survives a round trip.
QString fromCp1252(const QByteArray &bytes);

// Empty optional when a character has no Windows-1252 byte.
std::optional<QByteArray> toCp1252(const QString &text);
