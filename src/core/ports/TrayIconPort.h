#pragma once
// The client's icon in the notification area: added at start-up, removed at shutdown.

namespace kh {

class TrayIconPort
{
public:
    virtual ~TrayIconPort() = default;

    virtual bool AddIcon() = 0;
    virtual bool RemoveIcon() = 0;
};

} // namespace kh
