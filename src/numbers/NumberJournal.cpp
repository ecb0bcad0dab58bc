#include "numbers/NumberJournal.h"

#include "platform/Json.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>

namespace kh {
namespace {

// Site codes of the journal's tips.
enum Site : int
{
    kSiteNoFolder = 1,
    kSiteNoSlot = 2,
    kSiteDamaged = 3,
    kSiteUnreadable = 4,
    kSiteWrite = 5,
    kSiteAdoptedNotRemoved = 6,
};

const char* const kMsgNoJournal = "无法使用号码记录，本次获取的手机号码在软件异常退出后不能自动释放。";
const char* const kMsgWriteFailed = "号码记录写入失败！软件异常退出后，手机号码可能不能自动释放。";

const char* const kJournalSuffix = ".json";
const char* const kLockSuffix = ".lock";

// Escapes every byte outside a-z 0-9 . _ - as %XX, so that any account and host make one file
// name, and different ones different names, also on a file system that ignores case (Windows):
// capitals are escaped too, and the escapes' hex digits are capitals that no literal '%' precedes.
std::string FileNamePart(const std::string& text)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-')
            out += static_cast<char>(c);
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The slot of a file name "<stem>-<slot><suffix>", or 0 when name is not one.
int SlotOf(const std::string& name, const std::string& stem, const std::string& suffix)
{
    std::string prefix = stem + "-";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 4 || digits[0] == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::stoi(digits);
}

} // namespace

NumberJournal::NumberJournal(TipCallback callback, void* context) : TipSource("NumberJournal.", callback, context) {}

NumberJournal::~NumberJournal()
{
    Close();
}

std::string NumberJournal::FileStem(const std::u16string& account, const std::string& host)
{
    return FileNamePart(WideToUtf8(account)) + "@" + FileNamePart(host);
}

std::string NumberJournal::SlotPath(int slot, const char* suffix) const
{
    return folder + kPathSeparator + stem + "-" + std::to_string(slot) + suffix;
}

std::string NumberJournal::Format(const std::vector<JournalEntry>& list, const std::u16string& accountName,
                                  const std::string& hostName)
{
    JsonPtr root(cJSON_CreateObject());
    cJSON_AddNumberToObject(root.get(), "version", 1);
    cJSON_AddStringToObject(root.get(), "account", WideToUtf8(accountName).c_str());
    cJSON_AddStringToObject(root.get(), "host", hostName.c_str());
    cJSON* numbers = cJSON_AddArrayToObject(root.get(), "numbers");
    for (const JournalEntry& entry : list) {
        cJSON* item = cJSON_CreateObject();
        cJSON_AddStringToObject(item, "mobile", WideToUtf8(entry.number).c_str());
        cJSON_AddStringToObject(item, "pid", WideToUtf8(entry.pid).c_str());
        cJSON_AddBoolToObject(item, "blacklist", entry.blacklist);
        cJSON_AddItemToArray(numbers, item);
    }
    char* printed = cJSON_Print(root.get());
    if (printed == nullptr)
        return {};
    std::string text(printed);
    cJSON_free(printed);
    return text + "\n";
}

bool NumberJournal::Parse(const std::string& text, std::vector<JournalEntry>& list)
{
    list.clear();
    JsonPtr root = ParseJson(text);
    if (!cJSON_IsObject(root.get()))
        return false;
    const cJSON* numbers = cJSON_GetObjectItemCaseSensitive(root.get(), "numbers");
    if (!cJSON_IsArray(numbers))
        return false;
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, numbers)
    {
        const cJSON* mobile = cJSON_GetObjectItemCaseSensitive(item, "mobile");
        const cJSON* pid = cJSON_GetObjectItemCaseSensitive(item, "pid");
        const cJSON* blacklist = cJSON_GetObjectItemCaseSensitive(item, "blacklist");
        if (!cJSON_IsString(mobile) || mobile->valuestring[0] == '\0' || !cJSON_IsString(pid) ||
            pid->valuestring[0] == '\0' || !cJSON_IsBool(blacklist)) {
            list.clear();
            return false;
        }
        list.push_back({Utf8ToWide(mobile->valuestring), Utf8ToWide(pid->valuestring), cJSON_IsTrue(blacklist) != 0});
    }
    return true;
}

bool NumberJournal::Open(const std::string& journalFolder, const std::u16string& accountName,
                         const std::string& hostName)
{
    std::vector<PendingTip> tips;
    bool opened = false;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (open)
            return true;
        opened = OpenSlot(journalFolder, accountName, hostName, tips);
    }
    Report(tips);
    return opened;
}

bool NumberJournal::OpenSlot(const std::string& journalFolder, const std::u16string& accountName,
                             const std::string& hostName, std::vector<PendingTip>& tips)
{
    long result = journalFolder.empty() ? kStorePathNotFound : MakeDirectories(journalFolder);
    if (result != kStoreSuccess) {
        tips.push_back({kMsgNoJournal, kSiteNoFolder, std::to_string(result) + "."});
        return false;
    }
    folder = journalFolder;
    account = accountName;
    host = hostName;
    stem = FileStem(accountName, hostName);
    int own = TakeFreeSlot();
    if (own == 0) {
        tips.push_back({kMsgNoJournal, kSiteNoSlot, {}});
        return false;
    }
    path = SlotPath(own, kJournalSuffix);
    open = true;
    stopFlusher = false;
    AdoptLeftovers(own, tips);
    return true;
}

int NumberJournal::TakeFreeSlot()
{
    for (int slot = 1; slot <= kMaxSlots; ++slot)
        if (slotLock.Lock(SlotPath(slot, kLockSuffix), false))
            return slot;
    return 0;
}

std::vector<int> NumberJournal::SlotsToRead(int own) const
{
    std::set<int> slots;
    for (const std::string& name : ListFolder(folder)) {
        int slot = SlotOf(name, stem, kJournalSuffix);
        if (slot == 0)
            slot = SlotOf(name, stem, kLockSuffix);
        if (slot != 0 && slot != own)
            slots.insert(slot);
    }
    std::vector<int> order{own};
    order.insert(order.end(), slots.begin(), slots.end());
    return order;
}

NumberJournal::SlotFile NumberJournal::ReadSlotFile(const std::string& file, std::vector<JournalEntry>& found,
                                                    std::vector<PendingTip>& tips)
{
    RemoveStaleTemporaryFiles(file);
    std::string text;
    long read = ReadWholeFile(file, text);
    if (read == kStoreNotFound)
        return SlotFile::Missing;
    if (read != kStoreSuccess) {
        tips.push_back({"号码记录文件 " + file + " 无法读取，其中的手机号码本次不能自动释放。", kSiteUnreadable,
                        std::to_string(read) + "."});
        return SlotFile::Unreadable;
    }
    if (Parse(text, found))
        return SlotFile::Read;
    std::string aside;
    long kept = KeepFileAside(file, aside);
    if (kept == kStoreSuccess)
        tips.push_back(
            {"号码记录文件已损坏，已另存为 " + aside + "，其中的手机号码不能自动释放，请到网站上查看并释放。",
             kSiteDamaged,
             {}});
    else
        tips.push_back({"号码记录文件 " + file + " 已损坏，其中的手机号码不能自动释放。", kSiteDamaged,
                        std::to_string(kept) + "."});
    return SlotFile::Damaged;
}

void NumberJournal::Merge(std::vector<JournalEntry> found)
{
    for (JournalEntry& entry : found) {
        auto existing = Find(entry.number);
        if (existing != entries.end())
            existing->data.blacklist = existing->data.blacklist || entry.blacklist;
        else
            entries.push_back({std::move(entry), true});
    }
}

void NumberJournal::AdoptLeftovers(int own, std::vector<PendingTip>& tips)
{
    struct Adopted
    {
        std::string file;
        std::unique_ptr<FileLock> lock;
    };
    std::vector<Adopted> adopted;
    bool ownFileFound = false;
    for (int slot : SlotsToRead(own)) {
        // A slot whose lock can be taken belongs to no running client.
        auto lock = std::make_unique<FileLock>();
        if (slot != own && !lock->Lock(SlotPath(slot, kLockSuffix), false))
            continue;
        std::string file = SlotPath(slot, kJournalSuffix);
        std::vector<JournalEntry> found;
        SlotFile read = ReadSlotFile(file, found, tips);
        if (read == SlotFile::Unreadable)
            continue;
        if (read != SlotFile::Read) {
            // A lock file without a journal (its client had nothing rented), or a damaged journal
            // kept aside: the slot is free again.
            if (slot != own)
                lock->Unlock(true);
            continue;
        }
        Merge(std::move(found));
        if (slot == own)
            ownFileFound = true;
        else
            adopted.push_back({file, std::move(lock)});
    }

    // The adopted numbers are in this client's file before the files they came from go, so a
    // crash in between leaves them listed twice rather than not at all.
    if (!entries.empty() || ownFileFound) {
        writeFailing = false;
        Persist(tips);
    }
    if (writeFailing)
        return;
    for (Adopted& done : adopted) {
        long removed = RemoveFile(done.file);
        if (removed != kStoreSuccess)
            tips.push_back({{}, kSiteAdoptedNotRemoved, std::to_string(removed) + "."});
        done.lock->Unlock(true);
    }
}

void NumberJournal::Close()
{
    std::vector<PendingTip> tips;
    std::thread ending;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (open && removalPending)
            Persist(tips);
        stopFlusher = true;
        ending = std::move(flusher);
        if (open) {
            open = false;
            // The lock file goes while still held: a client that opens the name afresh gets a new lock.
            slotLock.Unlock(true);
        }
    }
    flushWake.notify_all();
    if (ending.joinable())
        ending.join();
    Report(tips);
}

void NumberJournal::PersistSoon()
{
    if (removalPending)
        return;
    removalPending = true;
    removalDue = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRemovalDelayMs);
    if (!flusher.joinable() && !stopFlusher)
        flusher = std::thread([this] { Flush(); });
    flushWake.notify_all();
}

void NumberJournal::Flush()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopFlusher) {
        if (!removalPending) {
            flushWake.wait(lock);
            continue;
        }
        // Woken early by Close or another change: only a due removal is written here.
        if (std::chrono::steady_clock::now() < removalDue) {
            flushWake.wait_until(lock, removalDue);
            continue;
        }
        std::vector<PendingTip> tips;
        if (open)
            Persist(tips);
        removalPending = false;
        lock.unlock();
        Report(tips);
        lock.lock();
    }
}

bool NumberJournal::IsOpen() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return open;
}

std::string NumberJournal::FilePath() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return path;
}

std::vector<JournalEntry> NumberJournal::Entries() const
{
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<JournalEntry> list;
    for (const Entry& entry : entries)
        list.push_back(entry.data);
    return list;
}

std::vector<JournalEntry> NumberJournal::Leftovers() const
{
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<JournalEntry> list;
    for (const Entry& entry : entries)
        if (entry.leftover)
            list.push_back(entry.data);
    return list;
}

std::vector<NumberJournal::Entry>::iterator NumberJournal::Find(const std::u16string& number)
{
    return std::find_if(entries.begin(), entries.end(),
                        [&](const Entry& entry) { return entry.data.number == number; });
}

void NumberJournal::Add(const std::vector<NumberRecord>& records)
{
    std::vector<PendingTip> tips;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (!open)
            return;
        bool changed = false;
        for (const NumberRecord& record : records) {
            if (record.size() <= kFieldPid || record[kFieldMobile].empty() || record[kFieldPid].empty())
                continue;
            Entry entry{{record[kFieldMobile], record[kFieldPid], false}, false};
            auto existing = Find(entry.data.number);
            if (existing != entries.end())
                *existing = std::move(entry);
            else
                entries.push_back(std::move(entry));
            changed = true;
        }
        if (changed)
            Persist(tips);
    }
    Report(tips);
}

void NumberJournal::Used(const std::u16string& number)
{
    std::vector<PendingTip> tips;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (!open)
            return;
        auto existing = Find(number);
        if (existing == entries.end() || existing->data.blacklist)
            return;
        entries.erase(existing);
        PersistSoon();
    }
    Report(tips);
}

void NumberJournal::MarkForBlacklist(const std::u16string& number, const std::u16string& pid)
{
    std::vector<PendingTip> tips;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (!open || number.empty())
            return;
        auto existing = Find(number);
        if (existing != entries.end()) {
            if (existing->data.blacklist)
                return;
            existing->data.blacklist = true;
        } else {
            if (pid.empty())
                return;
            entries.push_back({{number, pid, true}, false});
        }
        Persist(tips);
    }
    Report(tips);
}

void NumberJournal::Remove(const std::vector<std::u16string>& numbers)
{
    std::vector<PendingTip> tips;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (!open)
            return;
        size_t before = entries.size();
        std::set<std::u16string> gone(numbers.begin(), numbers.end());
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const Entry& entry) { return gone.count(entry.data.number) != 0; }),
                      entries.end());
        if (entries.size() == before)
            return;
        PersistSoon();
    }
    Report(tips);
}

void NumberJournal::Persist(std::vector<PendingTip>& tips)
{
    // Whatever was taken out before is in this write too.
    removalPending = false;
    long result;
    if (entries.empty()) {
        result = RemoveFile(path);
    } else {
        std::vector<JournalEntry> list;
        for (const Entry& entry : entries)
            list.push_back(entry.data);
        std::string text = Format(list, account, host);
        result = text.empty() ? kStoreWriteFault : WriteFileAtomically(path, text, 0600);
    }
    if (result == kStoreSuccess) {
        writeFailing = false;
        return;
    }
    // One tip when writing starts to fail, not one per change while it goes on failing.
    if (!writeFailing)
        tips.push_back({kMsgWriteFailed, kSiteWrite, std::to_string(result) + "."});
    writeFailing = true;
}

void NumberJournal::Report(const std::vector<PendingTip>& tips) const
{
    for (const PendingTip& tip : tips)
        ReportTip(tip.message, tip.site, tip.detail);
}

} // namespace kh
