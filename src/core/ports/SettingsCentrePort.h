#pragma once
// The settings centre dialog (modeless, hidden until asked for): its pages, centring and showing.

namespace kh {

class SettingsCentrePort
{
public:
    // Page indexes.
    static constexpr int kGetSmsPage = 0;
    static constexpr int kExtractRulePage = 1;

    virtual ~SettingsCentrePort() = default;

    virtual void SelectPage(int page) = 0;
    virtual void Centre() = 0;
    virtual void Show() = 0;
};

} // namespace kh
