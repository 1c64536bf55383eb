#pragma once
// A one-line progress display on a terminal stream: frames done of the total,
// frames per second and the time left, redrawn in place ('\r') at most a few
// times a second so that it costs nothing next to a frame.

#include <chrono>
#include <cstdio>
#include <string>

namespace tolmero {

class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;

    ProgressBar(std::FILE* out, long total, Clock::duration minInterval = std::chrono::milliseconds(250));

    // `done` frames are finished; redraws when the interval has passed or the
    // last frame is done.
    void update(long done);
    // Clears the line so that another message can be printed; the next update
    // draws the bar again.
    void clearLine();
    // Draws the final state and ends the line.
    void finish();

    double elapsedSeconds() const;

    // The text of the bar, e.g.
    // "[########............] 120/300  40%  2.5 frames/s  1:12 left".
    static std::string format(long done, long total, double elapsedSeconds);

private:
    void draw(long done);

    std::FILE* out_;
    long total_;
    Clock::duration minInterval_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    long done_ = 0;
    bool drawn_ = false;     // something has been drawn on the current line
    bool everDrawn_ = false;
    std::size_t lastLength_ = 0;  // characters of the last drawing
    long drawnDone_ = -1;         // the count the last drawing showed
};

}  // namespace tolmero
