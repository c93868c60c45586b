#pragma once

#include "app/commandline.h"
#include "app/runapplication.h"
#include "app/tfrmmain.h"

// Builds the main window on the services given and the hooks the start-up
// sequence uses: the armed flag, the close question, bringing it to the front
// and carrying out a command line.
// With statusIcon, the window also shows its icon in the desktop's status
// area, where there is one (the program; tests build the window without it).
MainWindowParts createMainWindow(const MainWindowServices &services, bool statusIcon = false);

// Carries out a command line's requests through the window's named commands:
// first the message, then --in, --um or --aus. Returns the German reason when
// a request failed, else an empty text.
QString applyClockCommand(TfrmMain &window, const ClockCommand &command);
