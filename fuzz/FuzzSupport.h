#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace tolvex::fuzz {

// A folder of the fuzzing process's own, on a memory file system where there
// is one: the readers take paths, and the writers sync every file.
[[nodiscard]] const QString& scratchDir();

// Replaces the file with exactly these bytes.
void putFile(const QString& path, const std::uint8_t* data, std::size_t size);
[[nodiscard]] QByteArray fileBytes(const QString& path);

// Whether a map header's lumps that hold bytes lie apart from each other and
// from the header, every pair compared: the plain reference of the readers' check.
[[nodiscard]] bool mapLumpsApart(QByteArrayView header);

// Ends the run with a report that libFuzzer keeps as a crash.
[[noreturn]] void failure(const char* what, const QString& detail = {});

} // namespace tolvex::fuzz

#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::tolvex::fuzz::failure(#condition, detail);                                                               \
    } while (false)
