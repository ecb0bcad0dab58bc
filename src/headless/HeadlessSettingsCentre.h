#pragma once
// The settings centre in memory: the selected page, and how often it was centred and shown.

#include "core/ports/SettingsCentrePort.h"

#include <atomic>

namespace kh {

class HeadlessSettingsCentre final : public SettingsCentrePort
{
public:
    void SelectPage(int page) override { selectedPage = page; }
    void Centre() override { ++centred; }
    void Show() override
    {
        ++shown;
        visible = true;
    }

    int SelectedPage() const { return selectedPage; }
    int CentreCount() const { return centred; }
    int ShowCount() const { return shown; }
    bool IsVisible() const { return visible; }

private:
    std::atomic<int> selectedPage{kGetSmsPage};
    std::atomic<int> centred{0};
    std::atomic<int> shown{0};
    std::atomic<bool> visible{false};
};

} // namespace kh
