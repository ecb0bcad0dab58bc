// The journal of rented numbers as a file: what goes in comes back out at the next open (with the
// blacklist marks), each change replaces the file whole with mode 0600, an empty journal leaves no
// file, a damaged file is kept aside byte for byte and reported, a running client's journal is
// never adopted by another one, and different accounts and hosts keep different files.

#include "numbers/NumberJournal.h"

#include "platform/TextCodec.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kh {
namespace {

namespace fs = std::filesystem;
using test::TempSettingsDir;
using test::TipRecorder;
using test::WaitUntil;

const std::string kHost = "127.0.0.1:8080";

NumberRecord Record(const std::u16string& number, const std::u16string& pid = u"1001")
{
    return {number, u"广东", u"深圳", u"移动", pid};
}

class NumberJournalTest : public ::testing::Test
{
protected:
    std::unique_ptr<NumberJournal> Open(const std::u16string& account = u"demo", const std::string& host = kHost)
    {
        auto journal = std::make_unique<NumberJournal>(&TipRecorder::Callback, tips.Context());
        EXPECT_TRUE(journal->Open(folder, account, host));
        return journal;
    }

    // The entries the file itself lists.
    static std::vector<JournalEntry> FileEntries(const std::string& file)
    {
        std::vector<JournalEntry> entries;
        EXPECT_TRUE(NumberJournal::Parse(TempSettingsDir::ReadFile(file), entries)) << file;
        return entries;
    }

    std::vector<std::string> FolderNames()
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempSettingsDir dir;
    std::string folder = dir.DataPath() + kPathSeparator + "BorvanKH" + kPathSeparator + "journal";
    TipRecorder tips;
};

TEST_F(NumberJournalTest, WhatIsLeftComesBackAtTheNextOpenWithItsBlacklistMark)
{
    std::string file;
    {
        auto journal = Open();
        file = journal->FilePath();
        EXPECT_EQ(file, folder + kPathSeparator + "demo@127.0.0.1%3A8080-1.json");
        EXPECT_FALSE(fs::exists(file)) << "an empty journal has no file";

        journal->Add({Record(u"13800000001"), Record(u"13800000002"), Record(u"13800000003"), Record(u"13800000004"),
                      Record(u"13800000005")});
        journal->Used(u"13800000001"); // its SMS arrived
        journal->MarkForBlacklist(u"13800000002", u"1001");
        journal->Used(u"13800000002"); // marked first: stays to be blacklisted
        journal->Used(u"13800000003"); // SMS first, then marked: back in to be blacklisted
        journal->MarkForBlacklist(u"13800000003", u"1001");
        journal->Remove({u"13800000004"}); // released
        // The file says what the journal holds once the removals are written (within the bound).
        EXPECT_TRUE(WaitUntil([&] { return FileEntries(file) == journal->Entries(); }));
        EXPECT_TRUE(journal->Leftovers().empty()) << "live numbers are not leftovers";
    }
    std::vector<JournalEntry> expected = {
        {u"13800000002", u"1001", true}, {u"13800000005", u"1001", false}, {u"13800000003", u"1001", true}};
    auto next = Open();
    EXPECT_EQ(next->Leftovers(), expected);
    EXPECT_EQ(next->FilePath(), file) << "the slot of the ended client is free again";

    // Settling the leftovers empties the journal, and the file goes.
    next->Remove({u"13800000002", u"13800000003"});
    next->Remove({u"13800000005"});
    EXPECT_TRUE(next->Leftovers().empty());
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(file); }));
    EXPECT_EQ(tips.Count(), 0u);
}

// A burst of arrivals is written together, not once per number: what is taken out reaches the file
// within the bound, while what keeps the journal safe (a new batch, a blacklist mark) is written at
// once and carries the pending removals with it. Whenever the file is read, it lists every number
// the journal holds: a client killed at any moment leaves none of its rented numbers out.
TEST_F(NumberJournalTest, RemovalsAreWrittenTogetherWithinTheBound)
{
    auto journal = Open();
    std::string file = journal->FilePath();
    std::vector<NumberRecord> batch;
    for (int i = 0; i < 200; ++i)
        batch.push_back(Record(u"1380000" + AnsiToWide(std::to_string(1000 + i))));
    journal->Add(batch);
    ASSERT_EQ(FileEntries(file).size(), 200u);

    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 150; ++i) {
        journal->Used(batch[static_cast<size_t>(i)][kFieldMobile]);
        std::vector<JournalEntry> held = journal->Entries();
        std::vector<JournalEntry> written = FileEntries(file);
        for (const JournalEntry& entry : held)
            ASSERT_NE(std::find(written.begin(), written.end(), entry), written.end()) << i;
    }
    // Written once the first removal was due, not before: the burst took far less than the bound.
    if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(NumberJournal::kRemovalDelayMs / 2)) {
        EXPECT_EQ(FileEntries(file).size(), 200u);
    }
    // The last removal is written at most the bound after it was made (measured from there: the
    // burst itself may take longer than the bound on a slow or instrumented build).
    auto lastRemoval = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitUntil([&] { return FileEntries(file).size() == 50u; }));
    EXPECT_LE(std::chrono::steady_clock::now() - lastRemoval,
              std::chrono::milliseconds(NumberJournal::kRemovalDelayMs * 4));

    // A blacklist mark is written at once, with the removal pending before it.
    journal->Used(batch[150][kFieldMobile]);
    journal->MarkForBlacklist(batch[151][kFieldMobile], u"1001");
    std::vector<JournalEntry> written = FileEntries(file);
    EXPECT_EQ(written, journal->Entries());
    EXPECT_EQ(written.size(), 49u);

    // Closing writes what is pending before it lets the slot go.
    journal->Remove({batch[152][kFieldMobile]});
    journal->Close();
    EXPECT_EQ(FileEntries(file).size(), 48u);
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(NumberJournalTest, EveryWriteReplacesTheFileWholeWithOwnerOnlyAccess)
{
    auto journal = Open();
    std::string file = journal->FilePath();
    journal->Add({Record(u"13800000001")});
#ifndef _WIN32
    struct stat first;
    ASSERT_EQ(stat(file.c_str(), &first), 0);
    EXPECT_EQ(first.st_mode & 0777, 0600u);
    struct stat folderStat;
    ASSERT_EQ(stat(folder.c_str(), &folderStat), 0);
    EXPECT_EQ(folderStat.st_mode & 0777, 0700u);

    // A new file is renamed over the old one: a reader sees the old or the new journal whole,
    // never a half-written one.
    journal->Add({Record(u"13800000002")});
    struct stat second;
    ASSERT_EQ(stat(file.c_str(), &second), 0);
    EXPECT_NE(second.st_ino, first.st_ino);
    EXPECT_EQ(second.st_mode & 0777, 0600u);
#else
    // Windows has no mode bits (the file takes the access rules of the user's data folder) and no
    // inode numbers to tell the renamed file from the old one: the content and the absence of
    // temporary files are checked.
    journal->Add({Record(u"13800000002")});
#endif
    EXPECT_EQ(FileEntries(file).size(), 2u);
    for (const std::string& name : FolderNames())
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

TEST_F(NumberJournalTest, TemporaryFileOfAKilledWriterIsRemovedNotRead)
{
    std::string file;
    {
        auto journal = Open();
        file = journal->FilePath();
        journal->Add({Record(u"13800000001")});
    }
    // A writer killed before its rename leaves a temporary file with the newer content.
    std::ofstream(file + ".tmp-Xy12Zq") << "{\"numbers\":[{\"mobile\":\"139";
    auto next = Open();
    EXPECT_EQ(next->Leftovers(), (std::vector<JournalEntry>{{u"13800000001", u"1001", false}}));
    EXPECT_FALSE(fs::exists(file + ".tmp-Xy12Zq"));
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(NumberJournalTest, DamagedJournalIsKeptAsideAndReportedNeverReadAsEmpty)
{
    const std::string cases[] = {
        "not json at all",
        "{\"numbers\":[{\"mobile\":\"13800000001\",\"pid\":\"1001\",\"blacklist\":fal",
        "[]",
        "{\"numbers\":{}}",
        "{\"numbers\":[{\"mobile\":\"\",\"pid\":\"1001\",\"blacklist\":false}]}",
        "{\"numbers\":[{\"mobile\":\"13800000001\",\"blacklist\":false}]}",
        "{\"numbers\":[{\"mobile\":\"13800000001\",\"pid\":\"1001\",\"blacklist\":\"yes\"}]}",
        "",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        tips.Clear();
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::string file = folder + kPathSeparator + NumberJournal::FileStem(u"demo", kHost) + "-1.json";
        std::ofstream(file, std::ios::binary) << text;

        auto journal = Open();
        EXPECT_TRUE(journal->Leftovers().empty());
        std::vector<std::string> aside;
        for (const std::string& name : FolderNames())
            if (name.find(".json.damaged-") != std::string::npos)
                aside.push_back(folder + kPathSeparator + name);
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(TempSettingsDir::ReadFile(aside[0]), text) << "kept byte for byte";
        EXPECT_FALSE(fs::exists(file));
        ASSERT_EQ(tips.Count(), 1u);
        EXPECT_NE(tips.Messages()[0].find("号码记录文件已损坏，已另存为 " + aside[0]), std::string::npos)
            << tips.Messages()[0];

        // The journal goes on working, and a later write never touches the kept file.
        journal->Add({Record(u"13800000009")});
        EXPECT_EQ(TempSettingsDir::ReadFile(aside[0]), text);
    }
}

TEST_F(NumberJournalTest, RunningClientsOfOneAccountNeverTakeEachOthersNumbers)
{
    auto first = Open();
    first->Add({Record(u"13800000001"), Record(u"13800000002")});
    // A second client of the same account while the first runs: its own file, nothing adopted.
    auto second = Open();
    EXPECT_NE(second->FilePath(), first->FilePath());
    EXPECT_TRUE(second->Leftovers().empty());
    second->Add({Record(u"13900000001")});
    EXPECT_EQ(FileEntries(first->FilePath()).size(), 2u);

    // The first ends with its numbers unsettled; the next client adopts them, not the second's.
    std::string firstFile = first->FilePath();
    first.reset();
    auto third = Open();
    EXPECT_EQ(third->FilePath(), firstFile);
    EXPECT_EQ(third->Leftovers(),
              (std::vector<JournalEntry>{{u"13800000001", u"1001", false}, {u"13800000002", u"1001", false}}));
    EXPECT_EQ(FileEntries(second->FilePath()), (std::vector<JournalEntry>{{u"13900000001", u"1001", false}}));

    // Once the second has ended too, a client that finds a free first slot adopts the second's
    // file into its own and removes it.
    std::string secondFile = second->FilePath();
    second.reset();
    third.reset();
    auto fourth = Open();
    EXPECT_EQ(fourth->Leftovers().size(), 3u);
    EXPECT_FALSE(fs::exists(secondFile));
    EXPECT_EQ(FileEntries(fourth->FilePath()).size(), 3u);
    EXPECT_EQ(tips.Count(), 0u);
}

TEST_F(NumberJournalTest, AccountsAndHostsKeepSeparateJournals)
{
    struct Case
    {
        std::u16string account;
        std::string host;
        std::string stem;
    };
    const Case cases[] = {
        {u"demo", "127.0.0.1:8080", "demo@127.0.0.1%3A8080"},
        {u"Demo", "127.0.0.1:8080", "%44emo@127.0.0.1%3A8080"},
        {u"demo", "127.0.0.1:8081", "demo@127.0.0.1%3A8081"},
        {u"demo", "https://api.example-1.com", "demo@https%3A%2F%2Fapi.example-1.com"},
        {u"a@b/c", "h", "a%40b%2Fc@h"},
        {u"张三", "h", "%E5%BC%A0%E4%B8%89@h"},
        {u"../x", "h", "..%2Fx@h"},
    };
    std::vector<std::unique_ptr<NumberJournal>> journals;
    for (const Case& c : cases) {
        EXPECT_EQ(NumberJournal::FileStem(c.account, c.host), c.stem);
        journals.push_back(Open(c.account, c.host));
        EXPECT_EQ(journals.back()->FilePath(), folder + kPathSeparator + c.stem + "-1.json");
        journals.back()->Add({Record(u"1380000000" + std::u16string(1, char16_t(u'0' + journals.size())))});
    }
    journals.clear();
    // Each reopened journal finds only its own number.
    for (size_t i = 0; i < std::size(cases); ++i) {
        auto journal = Open(cases[i].account, cases[i].host);
        ASSERT_EQ(journal->Leftovers().size(), 1u) << cases[i].stem;
        EXPECT_EQ(journal->Leftovers()[0].number, u"1380000000" + std::u16string(1, char16_t(u'1' + i)));
    }
}

TEST_F(NumberJournalTest, AFailingWriteIsReportedOnceAndTheNextGoodWriteCatchesUp)
{
    auto journal = Open();
    std::string file = journal->FilePath();
    // A directory with content where the file belongs: the rename over it fails.
    fs::create_directories(file + "/blocked");
    journal->Add({Record(u"13800000001")});
    journal->Add({Record(u"13800000002")});
    journal->Used(u"13800000001");
    ASSERT_EQ(tips.Count(), 1u);
    EXPECT_EQ(tips.Messages()[0], "号码记录写入失败！软件异常退出后，手机号码可能不能自动释放。");
    EXPECT_EQ(tips.Errors()[0].rfind("NumberJournal.5.", 0), 0u) << tips.Errors()[0];

    fs::remove_all(file);
    journal->Add({Record(u"13800000003")});
    EXPECT_EQ(FileEntries(file),
              (std::vector<JournalEntry>{{u"13800000002", u"1001", false}, {u"13800000003", u"1001", false}}));
    EXPECT_EQ(tips.Count(), 1u);
}

TEST_F(NumberJournalTest, WithoutAFolderTheJournalSaysSoAndIgnoresChanges)
{
    NumberJournal journal(&TipRecorder::Callback, tips.Context());
    std::ofstream(dir.Path() + "/plainfile") << "x";
    EXPECT_FALSE(journal.Open(dir.Path() + "/plainfile/journal", u"demo", kHost));
    EXPECT_FALSE(journal.IsOpen());
    ASSERT_EQ(tips.Count(), 1u);
    EXPECT_EQ(tips.Messages()[0], "无法使用号码记录，本次获取的手机号码在软件异常退出后不能自动释放。");
    journal.Add({Record(u"13800000001")});
    EXPECT_TRUE(journal.Entries().empty());
}

} // namespace
} // namespace kh
