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

namespace {

void releaseFrame(ProfiledFrame& frame) {
    for (ProfilerSection& section : frame.sections)
        if (section.query) section.query->Release();
    frame.sections.clear();
    if (frame.disjointQuery) frame.disjointQuery->Release();
    if (frame.frameStartQuery) frame.frameStartQuery->Release();
    frame.disjointQuery = frame.frameStartQuery = nullptr;
}

void reportFrame(Renderer& renderer, const ProfiledFrame& frame) {
    ID3D11DeviceContext* ctx = renderer.context;
    D3D11_QUERY_DATA_TIMESTAMP_DISJOINT disjoint{};
    const bool known = waitForData(ctx, frame.disjointQuery, disjoint);
    if (known && disjoint.Disjoint) {
        renderer.report = "Timing data was disjoint!";
        renderer.lastSectionTimes.clear();
        renderer.lastFrameTotalMs = 0.0;
        debugOutput(renderer.report);
        return;
    }
    if (!known || frame.sections.empty()) return;
    const double frequency = static_cast<double>(disjoint.Frequency);
    UINT64 start = 0, end = 0;
    bool complete = waitForData(ctx, frame.frameStartQuery, start) && waitForData(ctx, frame.sections.back().query, end);
    const double total = static_cast<double>(end - start) * 1000.0 / frequency;
    std::string report = "Total " + formatMs(total) + "ms (frame n-" + std::to_string(kProfilerLag) + ")\n\n";

    UINT64 previous = 0;
    complete = complete && waitForData(ctx, frame.sections.front().query, previous);
    std::vector<SectionTiming> times;
    for (std::size_t i = 0; complete && i + 1 < frame.sections.size(); ++i) {
        UINT64 current = 0;
        complete = waitForData(ctx, frame.sections[i + 1].query, current);
        const double ms = static_cast<double>(current - previous) * 1000.0 / frequency;
        report += frame.sections[i].name + " " + formatMs(ms) + "ms\n";
        times.push_back({frame.sections[i].name, ms});
        previous = current;
    }
    // A lost device leaves the previous report in place.
    if (!complete) return;
    renderer.report = std::move(report);
    if (renderer.collectSectionTimes) renderer.collectedSectionTimes.push_back(times);
    renderer.lastSectionTimes = std::move(times);
    renderer.lastFrameTotalMs = total;
}

}  // namespace

void endProfiledFrame(Renderer& renderer, bool presented) {
    ProfiledFrame frame{renderer.disjointQuery, renderer.frameStartQuery, std::move(renderer.sections)};
    renderer.disjointQuery = renderer.frameStartQuery = nullptr;
    renderer.sections.clear();
    if (presented) {
        renderer.unreportedFrames.push_back(std::move(frame));
    } else {
        releaseFrame(frame);
    }
}

void reportProfiledFrames(Renderer& renderer, std::size_t keep) {
    while (renderer.unreportedFrames.size() > keep) {
        ProfiledFrame& oldest = renderer.unreportedFrames.front();
        reportFrame(renderer, oldest);
        releaseFrame(oldest);
        renderer.unreportedFrames.pop_front();
    }
}

void beginProfiledFrame(Renderer& renderer) {
    const D3D11_QUERY_DESC disjoint{D3D11_QUERY_TIMESTAMP_DISJOINT, 0};
    const D3D11_QUERY_DESC timestamp{D3D11_QUERY_TIMESTAMP, 0};
    renderer.device->CreateQuery(&disjoint, &renderer.disjointQuery);
    renderer.device->CreateQuery(&timestamp, &renderer.frameStartQuery);
    renderer.context->Begin(renderer.disjointQuery);
    renderer.context->End(renderer.frameStartQuery);
}

void discardProfilerSections(Renderer& renderer) {
    endProfiledFrame(renderer, false);
    for (ProfiledFrame& frame : renderer.unreportedFrames) releaseFrame(frame);
    renderer.unreportedFrames.clear();
}

}  // namespace tolmero
