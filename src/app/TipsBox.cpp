#include "app/TipsBox.h"

#include "core/OwnerWindow.h"
#include "core/ports/MessageBoxPort.h"
#include "core/ports/TipsViewPort.h"
#include "platform/TextCodec.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace kh {

namespace {

std::string FormatLocalTime(const char* format)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[64];
    size_t n = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}

// The per-user data folder for logs when the executable's folder is not writable.
std::string UserLogFolder()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (dataHome != nullptr && dataHome[0] == '/') {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0')
            return {};
        base = std::string(home) + "/.local/share";
    }
    return base + "/BorvanKH/TipsLog";
}

// The box separates lines with CR LF; a bare LF inside a tip also becomes CR LF, so the file has
// one line-end form throughout.
std::string ToCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

bool EnsureFolder(const std::string& folder, int& error)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (std::filesystem::is_directory(folder))
        return true;
    error = ec ? ec.value() : ENOTDIR;
    return false;
}

} // namespace

std::u16string TipDisplayText(const std::string& message, const std::string& error)
{
    std::u16string text = AnsiToWide(message);
    if (!error.empty()) {
        if (text.empty())
            text = u"发生内部错误！";
        text += u"错误串：";
        text += AnsiToWide(error);
        text += u"。";
    }
    return text;
}

void ShowTip(std::string message, std::string error, void* context)
{
    auto* window = static_cast<OwnerWindow*>(context);
    if (window == nullptr || window->tipsBox == nullptr)
        return;
    window->tipsBox->AddTip(TipDisplayText(message, error));
}

TipsBox::TipsBox(MessageBoxPort* severeBox, size_t saveThreshold)
    : severeBox(severeBox), saveThreshold(saveThreshold), nextSaveAt(saveThreshold)
{
}

void TipsBox::Init(TipsViewPort* control, OwnerWindow* window, const std::u16string& directory)
{
    if (control == nullptr) {
        ReportSevere(1);
        return;
    }
    std::lock_guard<CriticalSection> guard(appendLock);
    view = control;
    if (window == nullptr) {
        ReportSevere(2);
        return;
    }
    owner = window;
    logDirectory = WideToAnsi(directory);
    while (!logDirectory.empty() && logDirectory.back() == '/')
        logDirectory.pop_back();
    SetAutoScroll(true);
}

void TipsBox::SetAutoScroll(bool on)
{
    std::lock_guard<CriticalSection> guard(scrollLock);
    autoScroll = on;
}

std::string TipsBox::LastLogFile()
{
    std::lock_guard<CriticalSection> guard(appendLock);
    return lastLogFile;
}

void TipsBox::AddTip(const std::u16string& text)
{
    std::lock_guard<CriticalSection> guard(appendLock);
    AppendLine(text);
    if (view == nullptr) {
        ReportSevere(10);
        return;
    }
    if (view->TextLength() >= nextSaveAt)
        SaveAndClear();
}

void TipsBox::AppendLine(const std::u16string& text)
{
    if (view == nullptr) {
        ReportSevere(3);
        return;
    }
    std::u16string line = AnsiToWide(FormatLocalTime("[%m-%d] [%H:%M:%S] ")) + text;
    bool scroll;
    {
        std::lock_guard<CriticalSection> guard(scrollLock);
        scroll = autoScroll;
    }
    size_t start = 0;
    size_t end = 0;
    view->GetSelection(start, end);
    if (start < end)
        scroll = false;
    size_t length = view->TextLength();
    if (length != 0)
        line.insert(0, u"\r\n");
    if (!scroll)
        view->SetRedraw(false);
    view->SetSelection(length, length);
    view->ReplaceSelection(line);
    if (!scroll) {
        view->SetSelection(start, end);
        view->SetRedraw(true);
    }
}

void TipsBox::SaveAndClear()
{
    std::lock_guard<CriticalSection> guard(appendLock);
    if (view == nullptr) {
        ReportSevere(11);
        return;
    }
    std::u16string text = view->GetText();
    if (text.empty())
        return;

    std::string primary = logDirectory + "/TipsLog";
    std::string path;
    int error = 0;
    bool inPrimary = !logDirectory.empty() && WriteLogFile(primary, text, path, error);
    bool written = inPrimary;
    if (!written) {
        std::string fallback = UserLogFolder();
        written = !fallback.empty() && WriteLogFile(fallback, text, path, error);
    }
    if (!written) {
        // Nothing could be written anywhere: the text stays in the box and is tried again at
        // the next limit or at shutdown.
        ReportSevere(13, std::to_string(error) + ".");
        nextSaveAt = text.size() + saveThreshold;
        return;
    }
    lastLogFile = path;
    nextSaveAt = saveThreshold;
    view->Clear();
    std::u16string line;
    if (inPrimary) {
        line = u"以上提示信息，已经保存到了 " + AnsiToWide(path.substr(logDirectory.size())) + u" 文件中。";
    } else {
        line = u"以上提示信息，已经保存到了 " + AnsiToWide(path) + u" 文件中（程序目录不可写，已改存到用户数据目录）。";
    }
    AppendLine(line);
}

bool TipsBox::WriteLogFile(const std::string& folder, const std::u16string& text, std::string& path, int& error)
{
    if (!EnsureFolder(folder, error))
        return false;
    std::string encoded;
    if (!WideToMultiByte(kCpGbk, text, encoded)) {
        error = EILSEQ;
        return false;
    }
    encoded = ToCrLf(encoded);
    // Named by the local time; a second save within the same second gets a numbered name rather
    // than replacing the first file.
    std::string stem = folder + "/" + FormatLocalTime("%Y%m%d_%H%M%S");
    for (int n = 1; n < 1000; ++n) {
        std::string candidate = n == 1 ? stem + ".log" : stem + "_" + std::to_string(n) + ".log";
        std::FILE* file = std::fopen(candidate.c_str(), "wbx");
        if (file == nullptr) {
            if (errno == EEXIST)
                continue;
            error = errno;
            return false;
        }
        bool ok = std::fwrite(encoded.data(), 1, encoded.size(), file) == encoded.size();
        ok = std::fclose(file) == 0 && ok;
        if (!ok) {
            error = errno != 0 ? errno : EIO;
            std::remove(candidate.c_str());
            return false;
        }
        path = candidate;
        return true;
    }
    error = EEXIST;
    return false;
}

void TipsBox::ReportSevere(int code, const std::string& detail)
{
    std::u16string text = u"提示框，发生严重错误！错误串：" + AnsiToWide(std::to_string(code) + "." + detail) + u"。";
    if (severeBox != nullptr) {
        severeBox->Show(text, u"严重错误", kMbOk | kMbIconError, false);
        return;
    }
    std::fprintf(stderr, "%s\n", WideToAnsi(text).c_str());
}

} // namespace kh
