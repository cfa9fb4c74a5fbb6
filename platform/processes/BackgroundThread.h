#pragma once

namespace tolvex {

// Lowers the calling thread's scheduling priority, so that work done beside
// the windows never keeps the window's thread from its events: on a busy
// machine the windows still paint and take a click at once.
void runInBackground();

} // namespace tolvex
