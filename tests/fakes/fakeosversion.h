#pragma once

#include "platform/osversion.h"

// An operating system with or without the beep service.
class FakeOsVersion : public platform::OsVersion
{
public:
    explicit FakeOsVersion(bool beepService = true) : beepService(beepService) {}
    bool beepServiceAvailable() const override { return beepService; }
    bool forcedActivationAvailable() const override { return forcedActivation; }
    bool beepService;
    bool forcedActivation = true;
};
