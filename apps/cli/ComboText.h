#pragma once
// Reading and choosing the entries of a combo box, as a user of the window would.

#include "core/ports/ComboBoxPort.h"

#include <string>
#include <vector>

namespace kh::cli {

std::vector<std::u16string> ComboItems(ComboBoxPort& combo);
// Selects text in combo; false when it is not one of its entries.
bool SelectEntry(ComboBoxPort& combo, const std::u16string& text);
// Every entry, separated by spaces.
std::string JoinEntries(ComboBoxPort& combo);

} // namespace kh::cli
