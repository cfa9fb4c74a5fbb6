// Compiled into a program with its version numbers (tolvex_add_version_stamp),
// so that readVersionRecord finds them in the program file.
#include "platform/processes/VersionRecord.h"

#if !defined(TOLVEX_VERSION_MAJOR) || !defined(TOLVEX_VERSION_MINOR) || !defined(TOLVEX_VERSION_RELEASE) \
    || !defined(TOLVEX_VERSION_BUILD)
#error "VersionStamp.cpp needs the four version numbers as compile definitions"
#endif

namespace {

// Its own section keeps the record in one piece and apart from other constants;
// "used" keeps it although nothing in the program refers to it.
[[gnu::used, gnu::section(".tolvex_version")]] constexpr tolvex::VersionRecordBytes kVersionStamp =
    tolvex::makeVersionRecord({TOLVEX_VERSION_MAJOR, TOLVEX_VERSION_MINOR, TOLVEX_VERSION_RELEASE,
                               TOLVEX_VERSION_BUILD});

} // namespace
