#include "vdub/job_script.h"

#include <cstdlib>

namespace {

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The first double-quoted string of a call, with the script's "\\" undone.
std::string QuotedArgument(const std::string& line)
{
    const auto open = line.find('"');
    if (open == std::string::npos)
        return {};
    std::string value;
    for (size_t i = open + 1; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size())
            ++i;
        value += line[i];
    }
    return value;
}

// The numbers between the parentheses, in decimal or 0x hexadecimal.
std::vector<long long> NumberArguments(const std::string& line)
{
    std::vector<long long> numbers;
    const auto open = line.find('(');
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return numbers;
    std::string arguments = line.substr(open + 1, close - open - 1);
    size_t start = 0;
    while (start <= arguments.size()) {
        size_t comma = arguments.find(',', start);
        if (comma == std::string::npos)
            comma = arguments.size();
        const std::string item = Trimmed(arguments.substr(start, comma - start));
        numbers.push_back(std::strtoll(item.c_str(), nullptr, 0));
        start = comma + 1;
    }
    return numbers;
}

// The script stores a codec as the little-endian number of its four letters.
std::string FourccText(long long code)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char letter = static_cast<char>((code >> (8 * i)) & 0xff);
        if (letter != 0)
            text += letter;
    }
    return text;
}

}  // namespace

std::vector<VideoJob> ReadJobScript(const std::vector<std::string>& lines)
{
    std::vector<VideoJob> jobs;
    VideoJob current;
    for (const std::string& raw : lines) {
        const std::string line = Trimmed(raw);
        if (StartsWith(line, "VirtualDub.Open(")) {
            current.firstFrame = QuotedArgument(line);
        } else if (StartsWith(line, "VirtualDub.subset.AddRange(")) {
            const auto numbers = NumberArguments(line);
            if (numbers.size() >= 2)
                current.frameCount = numbers[1];
        } else if (StartsWith(line, "VirtualDub.video.SetFrameRate2(") ||
                   StartsWith(line, "VirtualDub.video.SetFrameRate(")) {
            const auto numbers = NumberArguments(line);
            const bool fraction = StartsWith(line, "VirtualDub.video.SetFrameRate2(");
            if (fraction && numbers.size() >= 2 && numbers[0] > 0 && numbers[1] > 0) {
                current.rateNumerator = numbers[0];
                current.rateDenominator = numbers[1];
            } else if (!fraction && !numbers.empty() && numbers[0] > 0) {
                // The older form gives microseconds per frame.
                current.rateNumerator = 1000000;
                current.rateDenominator = numbers[0];
            }
        } else if (StartsWith(line, "VirtualDub.video.SetCompression(")) {
            const auto numbers = NumberArguments(line);
            current.fourcc = numbers.empty() ? std::string() : FourccText(numbers[0]);
            if (numbers.size() >= 3 && numbers[2] >= 0 && numbers[2] <= 10000)
                current.quality = static_cast<int>(numbers[2]);
        } else if (StartsWith(line, "VirtualDub.SaveAVI(")) {
            current.output = QuotedArgument(line);
            jobs.push_back(current);
        }
    }
    return jobs;
}
