#pragma once
// The number list's export: every row of the list with its five cells and the time its SMS
// arrived, as a CSV file (core/CsvWriter). The main window's context menu starts it in the
// background and hears the outcome as a tip; the terminal client runs it at the end of get.
//
// The rows are read from the list (one hold of its lock) and the arrival times from the batch, so
// the export must not run on the GUI thread (ports/UiExecutor.h): StartExport runs it on a thread
// of this manager, which the destructor waits for.

#include "core/CsvWriter.h"
#include "core/Manager.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kh {

class ListExporter final : public Manager
{
public:
    ListExporter(OwnerWindow* owner, TipCallback callback, void* context);
    // Waits for an export in progress.
    ~ListExporter();
    ListExporter(const ListExporter&) = delete;
    ListExporter& operator=(const ListExporter&) = delete;

    // The header (the list's five column titles and "收到时间") and one record per row, top to
    // bottom; the arrival time is local time, "2024-05-01 09:30:15", empty while no SMS came.
    std::vector<CsvRecord> Records();

    // Writes Records() to path (CsvWriter's WriteCsvFile). False with the reason in problem.
    // rows receives the number of list rows written. Any thread but the GUI thread.
    bool Export(const std::string& path, std::string& problem, size_t& rows);

    // Export on a thread of its own; the outcome is a tip ("正在导出列表...导出完成..." with the
    // row count and the path, or "正在导出列表...导出失败！" with the path and the reason). Then
    // finished (when given) runs on that thread: the window hears of the end without asking.
    // False, and finished never runs, when no thread was started (the manager is stopped, or the
    // thread could not be created: a tip).
    bool StartExport(const std::string& path, std::function<void()> finished = {});
};

} // namespace kh
