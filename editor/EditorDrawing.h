#pragma once
// The editor's drawing: the ten editor programs that the production embeds,
// each a draw of a few points handed over in small structured buffers and
// placed through the "EditorConstant" view. Everything is drawn straight
// into a target over what is there, without depth.
//
// Views are row-vector matrices like the camera's (p' = p x M), stored as
// the shaders read them.

#include <array>
#include <cstdint>
#include <vector>

#include "gpu/D3D11.h"
#include "scene/Matrix4.h"

namespace tolmero {

using Point3 = std::array<float, 3>;
using Point4 = std::array<float, 4>;  // xyz and the key kind in w (3 corner, 1 smooth)

// A rectangle of clip space (x and y from -1 to 1, y up).
struct ClipRect {
    float left = -1.0f;
    float bottom = -1.0f;
    float right = 1.0f;
    float top = 1.0f;
};

// The view that maps time t0..t1 to the rectangle's left..right and value
// v0..v1 to its bottom..top (the point's x is the time, y the value).
Matrix4 panelView(float t0, float t1, float v0, float v1, const ClipRect& rect);

// Where a point lands in clip space through a view (after the divide by w).
Point3 project(const Matrix4& view, const Point3& point);

// A curve through the points as a line strip ("SplineVertex"/"SplinePixel").
void drawCurve(const std::vector<Point3>& points, const Matrix4& view, gpu::ID3D11Texture2D* target);
// Round markers on the points ("ControlPointVertex"/"ControlPointPixel").
void drawMarkers(const std::vector<Point3>& points, const Matrix4& view, gpu::ID3D11Texture2D* target);
// A path in the world ("SplineWorldVertex"/"SplineWorldPixel").
void drawWorldCurve(const std::vector<Point4>& points, const Matrix4& view, gpu::ID3D11Texture2D* target);
// Rings on keys, coloured by kind ("ControlPointWorldVertex"/"ControlPointWorldPixel").
void drawWorldMarkers(const std::vector<Point4>& points, const Matrix4& view, gpu::ID3D11Texture2D* target);

// The time grid ("GridVertex"/"GridPixel"): `count` beat lines from beat
// `first` one beat apart (every fourth a bar line, brighter), then a line at
// each of `fences`; the lines span the viewport, which is given in pixels
// of the target.
struct Viewport {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
void drawTimeGrid(float first, unsigned count, const std::vector<float>& fences, const Matrix4& view,
                  const Viewport& viewport, gpu::ID3D11Texture2D* target);

// Fills the viewport with one dark colour, under the panel's lines: the
// production's "BlitVertex"/"FullBlitPixel" stretching a small cleared image.
void drawPanelBackground(const Viewport& viewport, gpu::ID3D11Texture2D* target);

// The ground grid in the world: lines every `spacing` units across the
// square from -half to half at height y, in the grey of the curves
// ("SplineVertex" places any point through the view).
void drawGroundGrid(float half, float spacing, float y, const Matrix4& view, gpu::ID3D11Texture2D* target);

}  // namespace tolmero
