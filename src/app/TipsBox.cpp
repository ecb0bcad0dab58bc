#include "app/TipsBox.h"

#include "core/InlineExecutor.h"
#include "core/OwnerWindow.h"
#include "core/ports/MessageBoxPort.h"
#include "core/ports/TipsViewPort.h"
#include "core/ports/UiExecutor.h"
#include "platform/Files.h"
#include "platform/LocalTime.h"
#include "platform/Paths.h"
#include "platform/Sync.h"
#include "platform/TextCodec.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <system_error>
#include <vector>

namespace kh {

namespace {

// The per-user data folder for logs when the executable's folder is not writable.
std::string UserLogFolder()
{
    std::string home = DataHome();
    return home.empty() ? std::string() : home + kPathSeparator + "BorvanKH" + kPathSeparator + "TipsLog";
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

// A path of the program's UTF-8 text, built from UTF-16 so that no system reads it in another
// code page.
std::filesystem::path FileSystemPath(const std::string& path)
{
    return std::filesystem::path(Utf8ToWide(path));
}

// The logs hold the account's activity: their folder (and any folder made for it) is the owner's
// alone, as every folder the client writes to.
bool EnsureFolder(const std::string& folder, int& error)
{
    errno = 0;
    if (MakeDirectories(folder) == kStoreSuccess)
        return true;
    error = errno != 0 ? errno : ENOTDIR;
    return false;
}

std::u16string TimeStamp()
{
    return AnsiToWide(TipTimeStamp());
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

// Everything of the box that the posted tasks use. The members under "executor only" are touched
// only by tasks on the executor, which run one at a time, so they need no lock.
struct TipsBox::State
{
    State(MessageBoxPort* severeBox, UiExecutor* given, size_t saveThreshold)
        : saveThreshold(saveThreshold), severeBox(severeBox), nextSaveAt(saveThreshold)
    {
        if (given == nullptr) {
            ownExecutor = std::make_unique<InlineExecutor>();
            given = ownExecutor.get();
        }
        executor = given;
    }

    // Executor only.
    void Attach(TipsViewPort* control, OwnerWindow* window, const std::u16string& directory, MessageBoxPort* box);
    void ShowPending();
    void AppendLine(const std::u16string& line);
    void SaveNow();
    // Writes text into a new file in folder; true with the file's path on success, otherwise the
    // errno of the failure.
    bool WriteLogFile(const std::string& folder, const std::u16string& text, std::string& path, int& error);
    // The severe-error box is posted, so that nothing waits for the user to answer it.
    void ReportSevere(int code, const std::string& detail = {});

    // Guards pending and lastLogFile; held only to move lines in and out, never across a call.
    CriticalSection appendLock;
    std::vector<std::u16string> pending;
    std::string lastLogFile;
    // Guards autoScroll; held only to copy the flag.
    CriticalSection scrollLock;
    bool autoScroll = true;

    const size_t saveThreshold;
    std::unique_ptr<UiExecutor> ownExecutor;
    UiExecutor* executor;

    // Executor only (set before the first task, then by Attach).
    MessageBoxPort* severeBox;
    TipsViewPort* view = nullptr;
    OwnerWindow* owner = nullptr;
    std::string logDirectory;
    // The length at which the next save is due: the threshold, or further on after a save that
    // could not be written anywhere, so the kept text is not retried with every tip.
    size_t nextSaveAt;
};

TipsBox::TipsBox(MessageBoxPort* severeBox, UiExecutor* executor, size_t saveThreshold)
    : state(std::make_shared<State>(severeBox, executor, saveThreshold))
{
}

TipsBox::~TipsBox() = default;

void TipsBox::Init(TipsViewPort* control, OwnerWindow* window, const std::u16string& directory,
                   MessageBoxPort* severeBox)
{
    state->executor->Post(
        [s = state, control, window, directory, severeBox] { s->Attach(control, window, directory, severeBox); });
}

void TipsBox::AddTip(const std::u16string& text)
{
    bool first;
    {
        std::lock_guard<CriticalSection> guard(state->appendLock);
        // Stamped under the lock, so that the lines stand in the box in the order of their stamps.
        first = state->pending.empty();
        state->pending.push_back(TimeStamp() + text);
    }
    // Whoever queues into an empty queue posts the task that shows it; the lines queued after it
    // ride along with that task.
    if (first)
        state->executor->Post([s = state] { s->ShowPending(); });
}

void TipsBox::SaveAndClear()
{
    state->executor->Post([s = state] {
        s->ShowPending();
        s->SaveNow();
    });
}

void TipsBox::SetAutoScroll(bool on)
{
    std::lock_guard<CriticalSection> guard(state->scrollLock);
    state->autoScroll = on;
}

std::string TipsBox::LastLogFile()
{
    std::lock_guard<CriticalSection> guard(state->appendLock);
    return state->lastLogFile;
}

void TipsBox::State::Attach(TipsViewPort* control, OwnerWindow* window, const std::u16string& directory,
                            MessageBoxPort* box)
{
    if (box != nullptr)
        severeBox = box;
    if (control == nullptr) {
        ReportSevere(1);
        return;
    }
    view = control;
    if (window == nullptr) {
        ReportSevere(2);
        return;
    }
    owner = window;
    logDirectory = WideToAnsi(directory);
    while (!logDirectory.empty() && logDirectory.back() == '/')
        logDirectory.pop_back();
    std::lock_guard<CriticalSection> guard(scrollLock);
    autoScroll = true;
}

void TipsBox::State::ShowPending()
{
    std::vector<std::u16string> lines;
    {
        std::lock_guard<CriticalSection> guard(appendLock);
        lines.swap(pending);
    }
    for (const std::u16string& line : lines) {
        AppendLine(line);
        if (view == nullptr) {
            ReportSevere(10);
            continue;
        }
        if (view->TextLength() >= nextSaveAt)
            SaveNow();
    }
}

void TipsBox::State::AppendLine(const std::u16string& stampedLine)
{
    if (view == nullptr) {
        ReportSevere(3);
        return;
    }
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
    std::u16string line = length != 0 ? u"\r\n" + stampedLine : stampedLine;
    if (!scroll)
        view->SetRedraw(false);
    view->SetSelection(length, length);
    view->ReplaceSelection(line);
    if (!scroll) {
        view->SetSelection(start, end);
        view->SetRedraw(true);
    }
}

void TipsBox::State::SaveNow()
{
    if (view == nullptr) {
        ReportSevere(11);
        return;
    }
    std::u16string text = view->GetText();
    if (text.empty())
        return;

    std::string primary = logDirectory + kPathSeparator + "TipsLog";
    std::string path;
    int error = 0;
    // A program installed by a package lives in a system folder: its logs go to the user's folder,
    // also when it runs as root and could write beside itself.
    bool inPrimary =
        !logDirectory.empty() && !IsSystemProgramFolder(logDirectory) && WriteLogFile(primary, text, path, error);
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
    {
        std::lock_guard<CriticalSection> guard(appendLock);
        lastLogFile = path;
    }
    nextSaveAt = saveThreshold;
    view->Clear();
    // The full path: a name relative to the program's folder, such as /TipsLog/x.log, would read
    // as a folder at the root of the file system.
    std::u16string line = u"以上提示信息，已经保存到了 " + AnsiToWide(path) + u" 文件中。";
    if (!inPrimary)
        line.insert(line.size() - 1, u"（程序目录不可写，已改存到用户数据目录）");
    AppendLine(TimeStamp() + line);
}
bool TipsBox::State::WriteLogFile(const std::string& folder, const std::u16string& text, std::string& path, int& error)
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
    std::string stem = folder + kPathSeparator + FormatLocalTime("%Y%m%d_%H%M%S");
    for (int n = 1; n < 1000; ++n) {
        std::string candidate = n == 1 ? stem + ".log" : stem + "_" + std::to_string(n) + ".log";
        std::FILE* file = CreateNewFile(candidate, error);
        if (file == nullptr) {
            if (error == EEXIST)
                continue;
            return false;
        }
        bool ok = std::fwrite(encoded.data(), 1, encoded.size(), file) == encoded.size();
        ok = std::fclose(file) == 0 && ok;
        if (!ok) {
            error = errno != 0 ? errno : EIO;
            std::error_code ignored;
            std::filesystem::remove(FileSystemPath(candidate), ignored);
            return false;
        }
        path = candidate;
        return true;
    }
    error = EEXIST;
    return false;
}

void TipsBox::State::ReportSevere(int code, const std::string& detail)
{
    std::u16string text = u"提示框，发生严重错误！错误串：" + AnsiToWide(std::to_string(code) + "." + detail) + u"。";
    if (severeBox == nullptr) {
        std::fprintf(stderr, "%s\n", WideToAnsi(text).c_str());
        return;
    }
    executor->Post([box = severeBox, text] { box->Show(text, u"严重错误", kMbOk | kMbIconError, false); });
}

} // namespace kh
