#include "platform/headless_platform.h"

bool HeadlessPlatform::EscapePressed()
{
    if (escapeQueriesBefore > 0) {
        --escapeQueriesBefore;
        return false;
    }
    if (escapePresses <= 0)
        return false;
    --escapePresses;
    return true;
}

std::string HeadlessPlatform::NextAnswer()
{
    if (answers.empty())
        return {};
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
}

MessageAnswer HeadlessPlatform::ShowMessage(const std::string& text, const std::string& caption,
                                            MessageButtons buttons)
{
    messages.push_back({text, caption});
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    const std::string answer = NextAnswer();
    if (answer == "OK")
        return MessageAnswer::Ok;
    if (answer == "Yes")
        return MessageAnswer::Yes;
    if (answer == "No")
        return MessageAnswer::No;
    return MessageAnswer::Cancel;
}

std::string HeadlessPlatform::AskText(const std::string& prompt, const std::string& title,
                                      const std::string&)
{
    messages.push_back({prompt, title});
    const std::string answer = NextAnswer();
    return answer == "Cancel" ? std::string() : answer;
}

std::string HeadlessPlatform::AskOpenFile(const FileDialogRequest& request)
{
    fileRequests.push_back(request);
    const std::string answer = NextAnswer();
    return answer == "Cancel" ? std::string() : answer;
}

std::string HeadlessPlatform::AskSaveFile(const FileDialogRequest& request)
{
    fileRequests.push_back(request);
    const std::string answer = NextAnswer();
    return answer == "Cancel" ? std::string() : answer;
}

std::string HeadlessPlatform::AskFolder(const std::string& title, const std::string& startFolder)
{
    fileRequests.push_back({title, "", "", startFolder});
    const std::string answer = NextAnswer();
    return answer == "Cancel" ? std::string() : answer;
}
