#pragma once
#include <string>
#include <vector>

// The lines of a job script that making a video from numbered pictures needs;
// every other line (comments, audio, filters) is left alone.
struct VideoJob {
    std::string firstFrame;     // VirtualDub.Open("...")
    long long frameCount = -1;  // VirtualDub.subset.AddRange(0, n); -1: every frame
    long long rateNumerator = 25, rateDenominator = 1;  // SetFrameRate2 / SetFrameRate
    std::string fourcc;         // SetCompression; empty: the default codec
    int quality = 10000;        // 0..10000, the script's compression quality
    std::string output;         // VirtualDub.SaveAVI("...")
};

// Each SaveAVI line ends one job, with the settings read up to it.
std::vector<VideoJob> ReadJobScript(const std::vector<std::string>& lines);
