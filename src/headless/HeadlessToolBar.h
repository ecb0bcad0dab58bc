#pragma once
// The main window's toolbar in memory: the eight buttons by command id with their pressed state,
// plus a record of every state change so a test can see that a button was pressed and released.

#include "core/ports/ToolBarPort.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace kh {

class HeadlessToolBar final : public ToolBarPort
{
public:
    HeadlessToolBar();

    bool SetButtonChecked(int commandId, bool checked) override;
    bool IsButtonChecked(int commandId) override;

    // Every accepted change, in order: command id and new state.
    std::vector<std::pair<int, bool>> Changes();

private:
    std::mutex mutex;
    std::map<int, bool> buttons;
    std::vector<std::pair<int, bool>> changes;
};

} // namespace kh
