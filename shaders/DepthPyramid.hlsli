// The farthest depth already drawn over the screen, coarse to fine: level 0
// holds the largest depth of every tile of 16 x 16 pixels (MeasureDepthTiles),
// level k the largest of the (up to) four texels of level k - 1 below each of
// its texels (BuildDepthPyramid), up to a single texel for the whole screen.
// Every level lies in one buffer of floats, row after row, at its own offset.
// A rectangle of pixels is then bounded from above by at most four texels of
// the first level at which it spans no more than two in each direction.
#ifndef TOLMERO_DEPTH_PYRAMID_HLSLI
#define TOLMERO_DEPTH_PYRAMID_HLSLI

static const uint kDepthTileSize = 16;
static const uint kMaxDepthLevels = 16;

cbuffer DepthPyramidConstants : register(b2)
{
    uint4 depthLevels[kMaxDepthLevels];  // width, height, first element, 0
    uint depthLevelCount;
};

#endif
