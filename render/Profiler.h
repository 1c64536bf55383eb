#pragma once
// GPU timing of named frame sections. A mark closes the previous section and
// opens the next; the renderer's endFrame closes the frame and reports the
// frame two frames back, whose timestamps the GPU has written by then while
// it works on the newer ones: "Total <ms>ms (frame n-2)", an empty line, then
// one "<name> <ms>ms" line per section except the closing "end".

#include <cstddef>
#include <string>
#include <vector>

#include "render/Renderer.h"

namespace tolmero {

// How many ended frames wait before their report: the CPU records frame n
// while the GPU still runs frames n-1 and n-2.
constexpr std::size_t kProfilerLag = 2;

// Opens a section called `name` on the current renderer.
void profilerMark(const std::string& name);

// The last reported frame's report (empty before the first).
const std::string& profilerReport();

// The last reported frame's sections in marking order, "end" excluded, with
// their GPU times; empty after a disjoint or failed frame.
const std::vector<SectionTiming>& profilerSectionTimes();

// Closes the frame being recorded (its "this log" and "end" marks are made
// by endFrame): a presented frame's queries wait for a later report, a frame
// whose present failed is dropped (a failed frame gets no report).
void endProfiledFrame(Renderer& renderer, bool presented);

// Reports, oldest first, the ended frames beyond the newest `keep`, waiting
// for their timestamps where needed, and releases their queries.
void reportProfiledFrames(Renderer& renderer, std::size_t keep = kProfilerLag);

// Starts the timing of the next frame.
void beginProfiledFrame(Renderer& renderer);

// Releases the queries of the frame being recorded and of every unreported
// frame, without reports.
void discardProfilerSections(Renderer& renderer);

}  // namespace tolmero
