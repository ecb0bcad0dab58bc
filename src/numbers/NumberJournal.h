#pragma once
// The journal of rented numbers: every number the service hands out is written to a file in the
// per-user data folder before it is shown, and taken out once it is settled (its SMS arrived, it
// went offline, it was released or blacklisted); a number marked for blacklisting stays until it
// is blacklisted. What a client left in its journal because it was killed, crashed or failed to
// settle at shutdown is found by the next client of the same account and service host, which
// settles it (LeftoverManager). The number batch and the number manager keep it up to date.
//
// Files: <folder>/<account>@<host>-<slot>.json (account and host with every character outside
// a-z 0-9 . _ - written as %XX, capitals too, so that names differing in case stay apart where the
// file system ignores case). Each running client owns one slot: the lowest whose lock file
// <account>@<host>-<slot>.lock it could take without waiting, held for the client's whole life. A
// second client of the same account therefore writes its own file, and neither ever takes the
// other's live numbers. When it opens, a client adopts every journal of its account and host whose
// lock it can take (its client has ended, its own slot's file included): those numbers become its
// leftovers, are written into its own file, and the adopted files are removed. A file that cannot
// be read as a journal is renamed aside (".damaged-<time>") and reported, never read as empty.
// Every write replaces the file atomically with mode 0600; an empty journal has no file.
//
// What makes the file safe is written at once: a new batch, a number marked for blacklisting.
// Taking numbers out (an SMS arrived, a batch settled) is written at most kRemovalDelayMs later, by
// the journal's own flusher thread, together with whatever else was taken out meanwhile: a burst of
// arrivals costs a few writes instead of one (with its fsync) per number. A client killed in between
// leaves those settled numbers listed for at most that long; the next client then gives them back
// once more, which the service takes as a no-op. No rented number is ever missing from the file.
//
// Thread-safe: the number job, the SMS pollers, the number list's blacklist command and the
// leftover job all come here. Its lock is innermost: only the journal's own files are touched
// while it is held, and its tips are raised after it is let go.

#include "base/Tip.h"
#include "numbers/NumberRecord.h"
#include "platform/Files.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kh {

// One number in the journal: enough to release or blacklist it later.
struct JournalEntry
{
    std::u16string number;
    std::u16string pid;
    bool blacklist = false;

    bool operator==(const JournalEntry&) const = default;
};

class NumberJournal final : public TipSource
{
public:
    // Slots tried before the journal gives up (that many clients of one account at once).
    static constexpr int kMaxSlots = 64;
    // The longest a number taken out waits before the file says so.
    static constexpr int kRemovalDelayMs = 500;

    NumberJournal(TipCallback callback, void* context);
    // Close().
    ~NumberJournal();
    NumberJournal(const NumberJournal&) = delete;
    NumberJournal& operator=(const NumberJournal&) = delete;

    // Takes a slot for account at host in folder (created with mode 0700 when missing) and adopts
    // the journals no running client owns. Once; false (with a tip) when the journal cannot be
    // used, and then every change below is ignored.
    bool Open(const std::string& folder, const std::u16string& account, const std::string& host);
    // Writes what is pending, ends the flusher and lets the slot go; the file stays when it still
    // lists numbers. Later changes are ignored.
    void Close();
    bool IsOpen() const;
    // This client's journal file; empty before Open.
    std::string FilePath() const;

    // Every number of the journal, in the order they came in.
    std::vector<JournalEntry> Entries() const;
    // The numbers adopted at Open that are still in the journal.
    std::vector<JournalEntry> Leftovers() const;

    // A new batch: its numbers are written (a number already listed is replaced, it was rented
    // again). Records without a number or a pid cannot be released and are left out.
    void Add(const std::vector<NumberRecord>& records);
    // The number's SMS arrived or it went offline: removed unless it is marked for blacklisting.
    void Used(const std::u16string& number);
    // The number is to be blacklisted; added when it was already settled otherwise.
    void MarkForBlacklist(const std::u16string& number, const std::u16string& pid);
    // The numbers were released or blacklisted.
    void Remove(const std::vector<std::u16string>& numbers);

    // "<account>@<host>" as it stands in the file names.
    static std::string FileStem(const std::u16string& account, const std::string& host);
    // The journal file's text for entries, and the entries of a journal file's text (false when
    // text is not a journal).
    static std::string Format(const std::vector<JournalEntry>& entries, const std::u16string& account,
                              const std::string& host);
    static bool Parse(const std::string& text, std::vector<JournalEntry>& entries);

private:
    struct Entry
    {
        JournalEntry data;
        // Adopted at Open from a client that has ended.
        bool leftover = false;
    };
    // A tip to raise once the lock is let go.
    struct PendingTip
    {
        std::string message;
        int site;
        std::string detail;
    };

    // What reading a slot's journal file found.
    enum class SlotFile
    {
        Missing,    // no file: its client had nothing rented
        Unreadable, // reported; the file stays for a later start
        Damaged,    // reported and kept aside
        Read,
    };

    // The steps of Open, with the lock held. OpenSlot creates the folder, takes the first free
    // slot and adopts the leftovers; false (with its tip) when the journal cannot be used.
    bool OpenSlot(const std::string& journalFolder, const std::u16string& accountName, const std::string& hostName,
                  std::vector<PendingTip>& tips);
    // The first slot whose lock this client takes, or 0 when every slot is held.
    int TakeFreeSlot();
    // Every slot with a file in the folder, this client's own first.
    std::vector<int> SlotsToRead(int own) const;
    SlotFile ReadSlotFile(const std::string& file, std::vector<JournalEntry>& found, std::vector<PendingTip>& tips);
    // Adds found to the entries as leftovers; a number listed already keeps its entry, marked for
    // blacklisting when either is.
    void Merge(std::vector<JournalEntry> found);
    // Reads this client's own file and the files of every slot no running client holds, writes
    // what they list into this client's file and removes theirs.
    void AdoptLeftovers(int own, std::vector<PendingTip>& tips);

    std::vector<Entry>::iterator Find(const std::u16string& number);
    // Writes the entries (removes the file when there are none). Called with the lock held; a
    // failure adds a tip unless the previous write failed too.
    void Persist(std::vector<PendingTip>& tips);
    // Entries were taken out: the flusher writes them within kRemovalDelayMs. Lock held.
    void PersistSoon();
    // The flusher thread's loop: waits for a removal to be due, writes it, until Close.
    void Flush();
    void Report(const std::vector<PendingTip>& tips) const;
    std::string SlotPath(int slot, const char* suffix) const;

    mutable std::mutex mutex;
    bool open = false;
    bool writeFailing = false;
    std::string folder;
    std::string stem;
    std::u16string account;
    std::string host;
    std::string path;
    FileLock slotLock;
    std::vector<Entry> entries;
    // A removal not yet written, and when it is due; the flusher wakes on flushWake.
    bool removalPending = false;
    std::chrono::steady_clock::time_point removalDue;
    bool stopFlusher = false;
    std::condition_variable flushWake;
    std::thread flusher;
};

} // namespace kh
