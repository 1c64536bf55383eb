#pragma once
// GPU timing of named frame sections. A mark closes the previous section and
// opens the next; the renderer's endFrame closes the frame, waits for the
// timestamps and builds the report: "Total <ms>ms", an empty line, then one
// "<name> <ms>ms" line per section except the closing "end".

#include <string>
#include <vector>

#include "render/Renderer.h"

namespace tolmero {

// Opens a section called `name` on the current renderer.
void profilerMark(const std::string& name);

// The last frame's report (empty before the first).
const std::string& profilerReport();

// The last reported frame's sections in marking order, "end" excluded, with
// their GPU times; empty after a disjoint or failed frame.
const std::vector<SectionTiming>& profilerSectionTimes();

// Builds the report of the frame that just ended from the renderer's queries
// and releases the section queries. Called by endFrame after a successful
// present.
void buildProfilerReport(Renderer& renderer);

// Releases the queries of all listed sections and empties the list.
void discardProfilerSections(Renderer& renderer);

}  // namespace tolmero
