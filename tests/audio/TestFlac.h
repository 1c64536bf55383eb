#pragma once
// Short FLAC files for the audio tests, written with libFLAC's encoder.

#include <cstdint>
#include <string>
#include <vector>

struct TestSignal {
    uint32_t sampleRate = 44100;
    uint32_t channels = 2;
    uint32_t bitsPerSample = 16;
    uint64_t frames = 22050;
    double hz = 440.0;        // left channel; the right one plays 1.5 times higher
    double amplitude = 0.5;   // of full scale
};

// The integer sample the file holds for a frame and channel.
int32_t testSample(const TestSignal& signal, uint64_t frame, uint32_t channel);

// Writes the signal; returns false if libFLAC refuses.
bool writeTestFlac(const std::string& path, const TestSignal& signal);

std::vector<uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A fresh temporary directory for one test, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
