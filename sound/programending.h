#pragma once

// True once the application has been asked to quit. A sound under way stops
// at its next step and no new one starts: the nested waits of a melody would
// otherwise keep the process sounding after its window has closed.
bool programEnding();
// Starts watching the application object for the request to quit (once).
void watchProgramEnding();
// For tests: forget a request seen earlier.
void resetProgramEnding();
