#pragma once

#include "platform/speakerports.h"

#include <QStringList>

#include <map>

// Ports that hold what was last written to them and record every write as
// "61=03" (port and value in hexadecimal).
class FakeSpeakerPorts : public platform::SpeakerPorts
{
public:
    quint8 read(quint16 port) override { return values[port]; }
    void write(quint16 port, quint8 value) override
    {
        values[port] = value;
        writes << QStringLiteral("%1=%2").arg(port, 2, 16, QLatin1Char('0')).arg(value, 2, 16, QLatin1Char('0'));
    }

    std::map<quint16, quint8> values;
    QStringList writes;
};
