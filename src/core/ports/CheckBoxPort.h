#pragma once
// A check box of the main window (automatic SMS fetch, automatic extraction, list auto-sort).

namespace kh {

class CheckBoxPort
{
public:
    virtual ~CheckBoxPort() = default;

    virtual bool IsChecked() = 0;
    virtual void SetChecked(bool checked) = 0;
};

} // namespace kh
