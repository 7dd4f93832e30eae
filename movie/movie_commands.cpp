#include "movie/movie_commands.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "platform/platform.h"

namespace {

const std::string Alias = "AVIFile";
constexpr int64_t ChildWindowStyle = 1073741824;
constexpr int WholeNumberDigits = 19;

// Blank-separated words; a word in double quotes may hold blanks.
std::vector<std::string> SplitWords(const std::string& command)
{
    std::vector<std::string> words;
    size_t at = 0;
    while (at < command.size()) {
        if (command[at] == ' ') {
            ++at;
            continue;
        }
        if (command[at] == '"') {
            const size_t end = command.find('"', at + 1);
            if (end == std::string::npos)
                return {};
            words.push_back(command.substr(at + 1, end - at - 1));
            at = end + 1;
        } else {
            const size_t end = std::min(command.find(' ', at), command.size());
            words.push_back(command.substr(at, end - at));
            at = end;
        }
    }
    return words;
}

bool SameWord(const std::string& a, const std::string& b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::optional<int64_t> WholeNumber(const std::string& word)
{
    int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

std::string WholeNumberText(int64_t value) { return NumberText(static_cast<long double>(value), WholeNumberDigits); }

}  // namespace

MovieCommandResult MovieCommandChannel::Send(const std::string& command)
{
    const std::vector<std::string> words = SplitWords(command);
    if (words.size() < 2)
        return MovieCommandResult::BadArguments;
    const std::string& verb = words[0];

    if (SameWord(verb, "open")) {
        std::string alias = words[1];
        int64_t parent = 0;
        for (size_t i = 2; i < words.size(); i += 2) {
            if (i + 1 >= words.size())
                return MovieCommandResult::BadArguments;
            const std::string& key = words[i];
            const std::string& value = words[i + 1];
            if (SameWord(key, "alias")) {
                alias = value;
            } else if (SameWord(key, "parent") || SameWord(key, "style")) {
                const std::optional<int64_t> number = WholeNumber(value);
                if (!number)
                    return MovieCommandResult::BadArguments;
                if (SameWord(key, "parent"))
                    parent = *number;
            } else if (!SameWord(key, "type")) {
                return MovieCommandResult::BadArguments;
            }
        }
        if (openAlias_)
            return MovieCommandResult::AliasInUse;
        if (!backend_.Open(words[1], parent))
            return MovieCommandResult::CannotOpen;
        openAlias_ = alias;
        return MovieCommandResult::Done;
    }

    const bool known = SameWord(verb, "put") || SameWord(verb, "play") || SameWord(verb, "stop") ||
                       SameWord(verb, "close");
    if (!known)
        return MovieCommandResult::UnknownCommand;
    if (!openAlias_ || !SameWord(words[1], *openAlias_))
        return MovieCommandResult::UnknownAlias;

    if (SameWord(verb, "put")) {
        if (words.size() != 8 || !SameWord(words[2], "window") || !SameWord(words[3], "at"))
            return MovieCommandResult::BadArguments;
        int32_t numbers[4] = {};
        for (int i = 0; i < 4; ++i) {
            const std::optional<int64_t> number = WholeNumber(words[4 + i]);
            if (!number || *number < INT32_MIN || *number > INT32_MAX)
                return MovieCommandResult::BadArguments;
            numbers[i] = static_cast<int32_t>(*number);
        }
        backend_.Place(numbers[0], numbers[1], numbers[2], numbers[3]);
    } else if (SameWord(verb, "play")) {
        if (words.size() > 3 || (words.size() == 3 && !SameWord(words[2], "repeat")))
            return MovieCommandResult::BadArguments;
        backend_.Play(words.size() == 3);
    } else if (SameWord(verb, "stop")) {
        backend_.Stop();
    } else {
        backend_.Close();
        openAlias_.reset();
    }
    return MovieCommandResult::Done;
}

// Linux has no short form of a path: the path goes in quotes, so blanks
// inside it stay part of it.
std::string MovieOpenCommand(const std::string& path, int64_t parentWindow)
{
    return "Open \"" + path + "\" type AVIVideo alias " + Alias + " parent" + WholeNumberText(parentWindow) +
           " style " + WholeNumberText(ChildWindowStyle);
}

std::string MovieSizeCommand(int32_t width, int32_t height)
{
    return "Put " + Alias + " Window At 0 0" + WholeNumberText(width) + WholeNumberText(height);
}

std::string MoviePlayCommand() { return "Play " + Alias + " repeat"; }
std::string MovieStopCommand() { return "Stop " + Alias; }
std::string MovieCloseCommand() { return "Close " + Alias; }

void MoviePlayerRecord::Play(const std::string& path)
{
    if (state_ == MoviePlayerState::Closed) {
        screen_.BringToFront();
        if (send_(MovieOpenCommand(path, screen_.WindowNumber())) == MovieCommandResult::Done)
            state_ = MoviePlayerState::Stopped;
        send_(MovieSizeCommand(screen_.ClientWidth(), screen_.ClientHeight()));
    }
    if (state_ == MoviePlayerState::Stopped) {
        send_(MoviePlayCommand());
        state_ = MoviePlayerState::Playing;
    }
}

void MoviePlayerRecord::Pause()
{
    if (state_ != MoviePlayerState::Playing)
        return;
    send_(MovieStopCommand());
    state_ = MoviePlayerState::Stopped;
}

void MoviePlayerRecord::Exit()
{
    send_(MovieCloseCommand());
    state_ = MoviePlayerState::Closed;
    CurrentPlatform().SetPictureTitle("QUORVATIX");
    State.PictureLocked = 0;
    DisplayPicture();
}
