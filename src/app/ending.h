#pragma once

// Ends the program through the modal seam, once. Remembered, so that a start-up
// that has not reached the message loop yet stops there, the main window is
// never shown and no close question follows.
void endApplication();
bool applicationEnding();
void resetApplicationEnding();   // tests start each run afresh
