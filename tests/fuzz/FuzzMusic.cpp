// The music file: any bytes as "track.flac", opened and decoded as the
// player does. A file must either be refused by open() or decode to exactly
// the length it announces, with every sample finite and within [-1, 1].
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/FlacStream.h"

namespace {

// Decoding stops after this many frames: the fuzzer's inputs are small, but a
// header may announce hours of music that the stream pads with silence.
constexpr std::uint64_t kMaxFramesRead = std::uint64_t(1) << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = memfd_create("track.flac", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    FlacStream stream;
    std::string why;
    if (stream.open(path, &why)) {
        const FlacInfo info = stream.info();
        if (info.channels == 0 || info.sampleRate == 0) std::abort();  // open() accepted a stream it cannot play
        std::vector<float> frames(2 * 4096);
        std::uint64_t total = 0;
        while (total < kMaxFramesRead) {
            const std::size_t n = stream.read(frames.data(), 4096);
            if (n == 0) break;
            for (std::size_t i = 0; i < 2 * n; ++i)
                if (!std::isfinite(frames[i]) || frames[i] < -1.0f || frames[i] > 1.0f) std::abort();
            total += n;
        }
        // The stream is exactly as long as it says, whatever the file holds.
        if (total < kMaxFramesRead && total != info.totalFrames) std::abort();
    } else if (why.empty()) {
        std::abort();  // a refusal always says why
    }
    close(fd);
    return 0;
}
