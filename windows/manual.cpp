#include "windows/manual.h"

#include <filesystem>
#include <string>

#include "files/autosave.h"
#include "platform/platform.h"
#include "platform/qt/web_browser.h"

void OpenManual()
{
    const std::string manual = ProgramFolder() + "quorvatix.html";
    std::error_code error;
    std::string message;
    if (!std::filesystem::exists(manual, error))
        message = "Helpfile: \nquorvatix.html not found!";
    else if (!ShowInWebBrowser(manual))
        message = "No web browser was found to show the manual.\nOpen this file in one:\n" + manual;
    if (!message.empty())
        CurrentPlatform().ShowMessage(message, "QUORVATIX", MessageButtons::Ok);
}
