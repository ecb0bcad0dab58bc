#include "numbers/ListExporter.h"

#include "core/OwnerWindow.h"
#include "numbers/NumberBatch.h"
#include "numbers/PhoneSMSListCtrl.h"
#include "platform/LocalTime.h"
#include "platform/TextCodec.h"

#include <utility>

namespace kh {

namespace {

// Site code of this module's internal tip.
enum Site : int
{
    kSiteExportThread = 1,
};

const char16_t* const kArrivalTitle = u"收到时间";
const char* const kArrivalFormat = "%Y-%m-%d %H:%M:%S";
const char* const kMsgExported = "正在导出列表...导出完成，";
const char* const kMsgExportFailed = "正在导出列表...导出失败！";

} // namespace

ListExporter::ListExporter(OwnerWindow* owner, TipCallback callback, void* context)
    : Manager("ListExporter.", owner, callback, context)
{
}

ListExporter::~ListExporter()
{
    StopAndWait();
}

std::vector<CsvRecord> ListExporter::Records()
{
    std::vector<CsvRecord> records;
    CsvRecord header = PhoneSMSListCtrl::ColumnTitles();
    header.emplace_back(kArrivalTitle);
    records.push_back(std::move(header));
    if (owner == nullptr || owner->numberList == nullptr)
        return records;
    for (std::vector<std::u16string>& row : owner->numberList->ReadRows()) {
        std::u16string arrival;
        if (owner->batch != nullptr && !row[kColumnNumber].empty()) {
            if (auto when = owner->batch->ArrivalTime(row[kColumnNumber]))
                arrival = AnsiToWide(FormatLocalTime(kArrivalFormat, NumberBatch::Clock::to_time_t(*when)));
        }
        row.push_back(std::move(arrival));
        records.push_back(std::move(row));
    }
    return records;
}

bool ListExporter::Export(const std::string& path, std::string& problem, size_t& rows)
{
    std::vector<CsvRecord> records = Records();
    rows = records.size() - 1;
    return WriteCsvFile(path, records, problem);
}

bool ListExporter::StartExport(const std::string& path, std::function<void()> finished)
{
    Launch launch = LaunchThread([this, path, finished = std::move(finished)] {
        std::string problem;
        size_t rows = 0;
        if (Export(path, problem, rows))
            ReportTip(kMsgExported + std::string("共 ") + std::to_string(rows) + " 行，已保存到 " + path, 0);
        else
            ReportTip(kMsgExportFailed + std::string("无法写入 ") + path + "：" + problem, 0);
        if (finished)
            finished();
    });
    if (launch == Launch::Failed)
        ReportTip({}, kSiteExportThread);
    return launch == Launch::Started;
}

} // namespace kh
