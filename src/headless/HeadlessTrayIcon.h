#pragma once
// The notification-area icon in memory: whether it is shown.

#include "core/ports/TrayIconPort.h"

#include <atomic>

namespace kh {

class HeadlessJournal;

class HeadlessTrayIcon final : public TrayIconPort
{
public:
    explicit HeadlessTrayIcon(HeadlessJournal* journal = nullptr) : journal(journal) {}

    // Adding an icon that is already there fails, as does removing one that is not.
    bool AddIcon() override;
    bool RemoveIcon() override;

    bool IsShown() const { return shown; }

private:
    HeadlessJournal* journal;
    std::atomic<bool> shown{false};
};

} // namespace kh
