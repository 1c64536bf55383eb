#include "render/Profiler.h"

#include <cstdio>

namespace tolmero {

using namespace gpu;

namespace {

// Polls a query until its result is known. False if the GPU layer reports a
// failure (a lost device) instead of an answer.
template <class T>
bool waitForData(ID3D11DeviceContext* ctx, ID3D11Query* query, T& data) {
    HRESULT hr = S_FALSE;
    while ((hr = ctx->GetData(query, &data, sizeof(T), 0)) == S_FALSE) {
    }
    return hr == S_OK;
}

std::string formatMs(double milliseconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", milliseconds);
    return text;
}

}  // namespace

void profilerMark(const std::string& name) {
    Renderer& renderer = *currentRenderer();
    const D3D11_QUERY_DESC desc{D3D11_QUERY_TIMESTAMP, 0};
    ID3D11Query* query = nullptr;
    renderer.device->CreateQuery(&desc, &query);
    renderer.context->End(query);
    renderer.sections.push_back({name, query});
}

const std::string& profilerReport() { return currentRenderer()->report; }

const std::vector<SectionTiming>& profilerSectionTimes() { return currentRenderer()->lastSectionTimes; }

void discardProfilerSections(Renderer& renderer) {
    for (ProfilerSection& section : renderer.sections)
        if (section.query) section.query->Release();
    renderer.sections.clear();
}

void buildProfilerReport(Renderer& renderer) {
    ID3D11DeviceContext* ctx = renderer.context;
    renderer.lastSectionTimes.clear();
    renderer.lastFrameTotalMs = 0.0;

    D3D11_QUERY_DATA_TIMESTAMP_DISJOINT disjoint{};
    const bool known = waitForData(ctx, renderer.disjointQuery, disjoint);
    if (known && disjoint.Disjoint) {
        renderer.report = "Timing data was disjoint!";
        debugOutput(renderer.report);
    } else if (known && !renderer.sections.empty()) {
        const double frequency = static_cast<double>(disjoint.Frequency);
        UINT64 start = 0, end = 0;
        bool complete = waitForData(ctx, renderer.frameStartQuery, start) &&
                        waitForData(ctx, renderer.sections.back().query, end);
        const double total = static_cast<double>(end - start) * 1000.0 / frequency;
        std::string report = "Total " + formatMs(total) + "ms\n\n";

        UINT64 previous = 0;
        complete = complete && waitForData(ctx, renderer.sections.front().query, previous);
        std::vector<SectionTiming> times;
        for (std::size_t i = 0; complete && i + 1 < renderer.sections.size(); ++i) {
            UINT64 current = 0;
            complete = waitForData(ctx, renderer.sections[i + 1].query, current);
            const double ms = static_cast<double>(current - previous) * 1000.0 / frequency;
            report += renderer.sections[i].name + " " + formatMs(ms) + "ms\n";
            times.push_back({renderer.sections[i].name, ms});
            previous = current;
        }
        // A lost device leaves the previous report in place.
        if (complete) {
            renderer.report = std::move(report);
            renderer.lastSectionTimes = std::move(times);
            renderer.lastFrameTotalMs = total;
        }
    }
    discardProfilerSections(renderer);
}

}  // namespace tolmero
