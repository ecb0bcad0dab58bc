#pragma once
// An edit control (remark box, search box, number count) as the managers see it.

#include <string>

namespace kh {

class TextBoxPort
{
public:
    virtual ~TextBoxPort() = default;

    virtual std::u16string GetWindowText() = 0;
    // False when the control refuses the text.
    virtual bool SetWindowText(const std::u16string& text) = 0;
};

} // namespace kh
