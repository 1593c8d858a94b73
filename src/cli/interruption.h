// Ctrl+C during a batch: caught, so that the box being set up finishes and the batch ends after
// it. One backend per system (a signal handler, a console control handler).
#pragma once

// From now on Ctrl+C only marks the interruption.
void CatchInterruption();
// Whether Ctrl+C was pressed since CatchInterruption.
bool Interrupted();
