#pragma once
// The account's figures: fetches /userinfo (once a second until it succeeds or the client shuts
// down) and shows user name, balance, numbers available, level, discount and score in the six
// panes of the status bar. Started at start-up and after each number request by the dispatcher.

#include "core/Manager.h"

#include <string>

namespace kh {

class UserInfoManager final : public Manager
{
public:
    UserInfoManager(OwnerWindow* owner, TipCallback callback, void* context);
    // Ends the retries and waits until a running refresh has ended.
    ~UserInfoManager();

    void StartRefresh();
    void StopRefresh();

private:
    void RefreshJob();
    bool RequestUserInfo(const std::string& token, std::string& reply);
    void ParseUserInfo(const std::string& reply);
    void ShowUserInfo();

    // Written and read only by the worker.
    std::u16string userName;
    std::u16string balance;
    std::u16string numberLimit;
    std::u16string level;
    std::u16string discount;
    std::u16string score;
};

} // namespace kh
