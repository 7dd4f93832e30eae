#pragma once
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

// Answers every question from a queue that a script or test fills, and keeps
// every message and title it was shown. An unanswered question is cancelled.
class HeadlessPlatform : public Platform {
public:
    struct ShownMessage {
        std::string text;
        std::string caption;
    };

    // Answers are taken in order by messages, text prompts and file dialogs:
    // "OK", "Cancel", "Yes", "No", or any text / path.
    std::deque<std::string> answers;
    std::vector<ShownMessage> messages;
    std::vector<std::string> titles;
    std::vector<std::string> pictureTitles;
    std::vector<std::pair<int32_t, int32_t>> pictureMoves;  // every MovePictureWindow (x, y)
    // Every file dialog asked for; a folder dialog as its title and start folder.
    std::vector<FileDialogRequest> fileRequests;
    int escapePresses = 0;       // queued Esc presses, one per query
    int escapeQueriesBefore = 0; // queries answered "no" before the queued presses
    int framesShown = 0;
    bool inputWindowsEnabled = true;

    void PumpMessages() override {}
    bool HasWindows() const override { return false; }
    bool EscapePressed() override;
    void SetMainTitle(const std::string& title) override { titles.push_back(title); }
    void SetPictureTitle(const std::string& title) override { pictureTitles.push_back(title); }
    void SetInputWindowsEnabled(bool enabled) override { inputWindowsEnabled = enabled; }
    void ShowFrameImage(const uint32_t*, int32_t, int32_t) override { ++framesShown; }
    void ShowFrameRow(int32_t, const uint32_t*, int32_t) override {}
    void InvalidatePictureWindow() override {}
    void ResizePictureArea(int32_t, int32_t) override {}
    void MovePictureWindow(int32_t x, int32_t y) override { pictureMoves.emplace_back(x, y); }
    void RefreshToolWindows() override {}
    void ShowChangesInToolWindows() override {}
    void ShowProgress(int32_t) override {}
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                              MessageButtons buttons) override;
    std::string AskText(const std::string& prompt, const std::string& title,
                        const std::string& defaultAnswer) override;
    std::string AskOpenFile(const FileDialogRequest& request) override;
    std::string AskSaveFile(const FileDialogRequest& request) override;
    std::string AskFolder(const std::string& title, const std::string& startFolder) override;

private:
    std::string NextAnswer();
};
