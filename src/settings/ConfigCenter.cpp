#include "settings/ConfigCenter.h"

#include "platform/TextCodec.h"
#include "settings/HostDefaults.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace kh {

ConfigCenter::ConfigCenter(OwnerWindow* owner, TipCallback callback, void* context)
    : TipSource("ConfigCenter.", callback, context), owner(owner), registry(callback, context)
{
    apiHost = kDefaultApiHost;
    servicesHost = kDefaultServicesHost;
    webSite = kDefaultWebSite;
}

void ConfigCenter::LocateExecutable()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    executableDirectory.clear();
    // The running executable's path; the directory is cut at the last "/".
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        ReportTip({}, 1, std::to_string(errno) + ".");
        return;
    }
    executablePath = AnsiToWide(std::string(buffer, static_cast<size_t>(n)));
    executableDirectory = executablePath;
    size_t slash = executableDirectory.rfind(u'/');
    if (slash == std::u16string::npos) {
        ReportTip({}, 2);
        return;
    }
    executableDirectory.erase(slash);
}

void ConfigCenter::ResetToDefaults()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    userName.clear();
    password.clear();
    token.clear();
    autoRun = 1;
    savePassword = 0;
    autoGetSms = 0;
    autoExtractCode = 1;
    listAutoSort = 1;
    spaceTime = 10000;
    timeoutTime = 600000;
    extractMode = 0;
    keywordHead.clear();
    keywordTail.clear();
    codeLength = 6;
    windowTop = 0;
    apiHost = kDefaultApiHost;
    servicesHost = kDefaultServicesHost;
    webSite = kDefaultWebSite;
}

std::string ConfigCenter::GetToken()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return token;
}

void ConfigCenter::SetToken(const std::string& value)
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    token = value;
}

std::string ConfigCenter::GetApiHost()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return apiHost;
}

std::string ConfigCenter::GetServicesHost()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return servicesHost;
}

std::string ConfigCenter::GetWebSite()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return webSite;
}

} // namespace kh

namespace kh {

void ConfigCenter::Load() {}
void ConfigCenter::Save() {}

} // namespace kh
