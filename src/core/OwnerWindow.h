#pragma once
// The owner window as the managers see it: the client's records and managers, and the controls of
// the front end. The client session (app/ClientSession) owns the records and managers and fills
// one in, with the controls the front end plugged in (the Qt window's widgets, the terminal
// client's or a test's in-memory ones); tests of a single manager fill one by hand. Managers reach
// each other and every control only through it, and every pointer may be null (a manager that
// needs a missing one reports its tip for that case). It is also the tip context of the managers'
// tip callback, ShowTip.

#include "core/SessionControls.h"

namespace kh {

class ConfigCenter;
class TipsBox;
class CommandQueue;
class LoginCtrl;
class ProjectManager;
class PhoneNumManager;
class NumberBatch;
class NumberJournal;
class LeftoverManager;
class SMSManager;
class PhoneSMSListCtrl;
class UserInfoManager;
class UpdateManager;
class UnverifiedNotice;

struct OwnerWindow
{
    // Records and managers, owned by the client session.
    ConfigCenter* config = nullptr;
    TipsBox* tipsBox = nullptr;
    CommandQueue* commands = nullptr;
    LoginCtrl* login = nullptr;
    ProjectManager* projects = nullptr;
    PhoneNumManager* numbers = nullptr;
    // The number manager's batch (&numbers->Batch()): SMS fetching and the number list use it.
    NumberBatch* batch = nullptr;
    // The journal of rented numbers and the job that settles what earlier runs left in it.
    NumberJournal* journal = nullptr;
    LeftoverManager* leftovers = nullptr;
    SMSManager* sms = nullptr;
    PhoneSMSListCtrl* numberList = nullptr;
    UserInfoManager* userInfo = nullptr;
    UpdateManager* updates = nullptr;
    // Whether "not verified" was said since the sign-in (null: said with every such request).
    UnverifiedNotice* unverifiedNotice = nullptr;

    // The main window's controls, the window itself and what it opens.
    SessionControls controls{};
};

} // namespace kh
