#include "headless/HeadlessMainView.h"

#include "desktop/MainPresenter.h"
#include "headless/HeadlessEventLoop.h"
#include "headless/HeadlessMainWindow.h"
#include "headless/HeadlessMessageBox.h"

namespace kh {

HeadlessMainView::HeadlessMainView(HeadlessEventLoop& loop, HeadlessMainWindow& window, HeadlessMessageBox* messageBox)
    : loop(loop), window(window), messageBox(messageBox)
{
    window.SetCloseListener([this] {
        this->loop.Post([this] {
            if (presenter != nullptr)
                presenter->OnCloseNotice();
        });
    });
}

HeadlessMainView::~HeadlessMainView()
{
    window.SetCloseListener({});
}

void HeadlessMainView::CloseWindow()
{
    closed = true;
    shown = false;
}

std::u16string HeadlessMainView::ChooseExportFile(const std::u16string& suggestedName)
{
    offeredExportName = suggestedName;
    return exportAnswer;
}

void HeadlessMainView::AnswerShutdownWithoutAsking()
{
    quietShutdown = true;
    if (messageBox != nullptr)
        messageBox->AnswerShutdownWithoutAsking();
}

void HeadlessMainView::RunMainLoop()
{
    loop.Run(mainLoopLimit);
}

void HeadlessMainView::QuitMainLoop()
{
    // As an application's quit does, it ends every loop running.
    loop.QuitAll();
}

void HeadlessMainView::RunLoop(int timeoutMs)
{
    lastLoopQuit = loop.Run(std::chrono::milliseconds(timeoutMs));
}

void HeadlessMainView::QuitLoop()
{
    loop.Quit();
}

void HeadlessMainView::EndPortCalls()
{
    portCallsEnded = true;
    loop.Stop();
}

} // namespace kh
