#include "platform/processes/BackgroundThread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace tolvex {

namespace {
// Low enough for the window's thread to win every time, not so low that the
// work waits for everything else the machine does.
constexpr int kBackgroundNice = 10;
}

void runInBackground()
{
    // On Linux a thread's id names that thread alone here; a refusal leaves
    // the priority as it was, which only costs smoothness.
    (void)::setpriority(PRIO_PROCESS, id_t(::gettid()), kBackgroundNice);
}

} // namespace tolvex
