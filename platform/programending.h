#pragma once

namespace platform {

// The one "the program is ending" flag: true once the application has been
// asked to quit. The tick worker hands over no more ticks, a sound under way
// stops at its next step and no new one starts (the nested waits of a melody
// would otherwise keep the process sounding after its window has closed).
// Read from any thread.
bool programEnding();
void setProgramEnding(bool ending);
// Starts watching the application object, whatever its class, for the request
// to quit (once per application object).
void watchProgramEnding();

} // namespace platform
