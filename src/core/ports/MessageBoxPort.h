#pragma once
// Modal message boxes. The flags and results carry the values of the Windows message-box API, so
// one set of constants serves every platform; the Qt and in-memory implementations map them.

#include <string>

namespace kh {

// Buttons.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
// Icons.
inline constexpr unsigned kMbIconError = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconInformation = 0x40;
// Default button: the second one (Cancel of OK/Cancel).
inline constexpr unsigned kMbDefButton2 = 0x100;
// Masks for the three groups.
inline constexpr unsigned kMbTypeMask = 0xF;
inline constexpr unsigned kMbIconMask = 0xF0;
inline constexpr unsigned kMbDefMask = 0xF00;

// Results.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

class MessageBoxPort
{
public:
    virtual ~MessageBoxPort() = default;

    // Shows a modal box and waits for the answer. owned: the box belongs to the main window (false
    // for the tips box's severe-error box, which has no owner, and which the tips box posts
    // through the UI executor instead of waiting for it). Returns kIdOk, kIdCancel, ...
    virtual int Show(const std::u16string& text, const std::u16string& caption, unsigned flags, bool owned) = 0;
};

} // namespace kh
