#include "tracks/tools/DirectedTracks.h"

#include "tracks/tools/JointCurves.h"
#include "tracks/tools/KeyFitting.h"
#include "tracks/tools/ShotList.h"

namespace tolmero::shots {

const std::map<std::string, std::string> kArrayNames = {
    {"Camera position", "kCameraPosition"}, {"Camera x angle", "kCameraXAngle"},
    {"Camera y angle", "kCameraYAngle"},    {"Sprite position", "kSpritePosition"},
    {"Kauha 1", "kKauha1"},                 {"Kauha 2", "kKauha2"},
    {"Kauha 3", "kKauha3"},                 {"Koura 1", "kKoura1"},
    {"Koura 2", "kKoura2"},                 {"Koura 3", "kKoura3"},
    {"Koura 4", "kKoura4"},                 {"Koura 5", "kKoura5"},
};

Directed direct() {
    Directed d;
    const Track position = buildPointTrack(cameraPositionKeys(), {{-0.359526f, 0.427464f},
                                                                  {0.00116554f, 0.0236756f},
                                                                  {-0.378826f, 0.418076f}});
    TrackSet camera({{"Camera position", position}});
    d.tracks["Camera position"] = position;
    d.tracks["Camera x angle"] = buildAngleTrack(cameraYawKeys(), true, camera, {-5.72348f, 12.6174f});
    d.tracks["Camera y angle"] = buildAngleTrack(cameraPitchKeys(), false, camera, {-0.253706f, 0.682114f});
    d.tracks["Sprite position"] =
        buildPointTrack(spritePositionKeys(), {{-1.9152f, 2.01365f}, {0.0000204984f, 1.14168f}, {-1.05543f, 1.71704f}});
    d.tracks["Kauha 1"] = buildScalarTrack(kauha1());
    d.tracks["Kauha 2"] = buildScalarTrack(kauha2());
    d.tracks["Kauha 3"] = buildScalarTrack(kauha3());
    d.tracks["Koura 1"] = buildScalarTrack(koura1());
    d.tracks["Koura 2"] = buildScalarTrack(koura2());
    d.tracks["Koura 3"] = buildScalarTrack(koura3());
    d.tracks["Koura 4"] = buildScalarTrack(koura4());
    d.tracks["Koura 5"] = buildScalarTrack(koura5());
    return d;
}

}  // namespace tolmero::shots
