#pragma once

#include "platform/design/DesignTexts.h"

namespace tolvex {

// The texts of each window that switch with the interface language: the
// windows are built with them and the language routines write them.
[[nodiscard]] const std::vector<DesignText>& mainWindowTexts();
[[nodiscard]] const std::vector<DesignText>& overviewTexts();
[[nodiscard]] const std::vector<DesignText>& mapListTexts();
[[nodiscard]] const std::vector<DesignText>& infoTexts();
[[nodiscard]] const std::vector<DesignText>& konfigTexts();

} // namespace tolvex
