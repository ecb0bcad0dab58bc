#pragma once
// The main window's toolbar as the managers see it: the pressed (checked) state of its buttons,
// addressed by command id. The SMS fetch holds "获取短信" pressed while it runs; the window-on-top
// button follows its setting. The command ids of the toolbar and of the number list's menu:

namespace kh {

enum CommandId : int
{
    kIdGetNumbers = 32771,
    kIdGetSms = 32772,
    kIdExtractRule = 32773,
    kIdCopyNumber = 32774,
    kIdCopySms = 32775,
    kIdCopyCode = 32776,
    kIdBlacklistNumber = 32777,
    kIdSettingsCentre = 32778,
    kIdProjectManagement = 32779,
    kIdWindowTop = 32780,
    kIdRecharge = 32781,
    kIdProjectLink = 32782,
};

class ToolBarPort
{
public:
    virtual ~ToolBarPort() = default;

    // False when the toolbar has no button with that command id.
    virtual bool SetButtonChecked(int commandId, bool checked) = 0;
    virtual bool IsButtonChecked(int commandId) = 0;
};

} // namespace kh
