#include "tools/ProgressBar.h"

#include <algorithm>
#include <cmath>

namespace tolmero {
namespace {

constexpr int kBarWidth = 20;

std::string formatDuration(double seconds) {
    const long total = static_cast<long>(std::lround(std::max(0.0, seconds)));
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
    return text;
}

}  // namespace

ProgressBar::ProgressBar(std::FILE* out, long total, Clock::duration minInterval)
    : out_(out), total_(std::max(total, 1L)), minInterval_(minInterval), start_(Clock::now()) {}

std::string ProgressBar::format(long done, long total, double elapsedSeconds) {
    total = std::max(total, 1L);
    done = std::clamp(done, 0L, total);
    const int filled = static_cast<int>(static_cast<long long>(done) * kBarWidth / total);
    std::string text;
    text.reserve(96);
    text.push_back('[');
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    text.append("] ");
    char numbers[128];
    const int percent = static_cast<int>(static_cast<long long>(done) * 100 / total);
    std::snprintf(numbers, sizeof numbers, "%ld/%ld %3d%%", done, total, percent);
    text += numbers;
    if (done > 0 && elapsedSeconds > 0.0) {
        const double rate = static_cast<double>(done) / elapsedSeconds;
        std::snprintf(numbers, sizeof numbers, "  %.2f frames/s  %s left", rate,
                      formatDuration(static_cast<double>(total - done) / rate).c_str());
    } else {
        std::snprintf(numbers, sizeof numbers, "  -- frames/s  --:-- left");
    }
    text += numbers;
    return text;
}

double ProgressBar::elapsedSeconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void ProgressBar::update(long done) {
    done_ = done;
    const Clock::time_point now = Clock::now();
    if (everDrawn_ && drawn_ && done < total_ && now - lastDraw_ < minInterval_) return;
    draw(done);
}

void ProgressBar::clearLine() {
    if (!drawn_) return;
    std::fprintf(out_, "\r%*s\r", static_cast<int>(lastLength_), "");
    std::fflush(out_);
    drawn_ = false;
}

void ProgressBar::finish() {
    if (!drawn_ || drawnDone_ != done_) draw(done_);
    std::fputc('\n', out_);
    std::fflush(out_);
    drawn_ = false;
}

void ProgressBar::draw(long done) {
    const std::string text = format(done, total_, elapsedSeconds());
    // The rate and the time left can get shorter: blank what the last
    // drawing left beyond the new text (spaces, not terminal escapes, so
    // that a log file stays readable).
    const std::size_t blank = drawn_ && lastLength_ > text.size() ? lastLength_ - text.size() : 0;
    std::fprintf(out_, "\r%s%*s", text.c_str(), static_cast<int>(blank), "");
    lastLength_ = text.size();
    drawnDone_ = done;
    std::fflush(out_);
    lastDraw_ = Clock::now();
    drawn_ = true;
    everDrawn_ = true;
}

}  // namespace tolmero
