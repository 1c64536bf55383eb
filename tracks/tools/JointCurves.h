#pragma once
// The machine joints' directed tracks (radians, about each part's own pivot).
//
// The excavator digs in cycles of about 30 beats: the boom ("Kauha 1",
// negative leans it forward) lowers the stick ("Kauha 2", the stick's angle
// adds to the boom's; positive raises its tip) into the ground, the bucket
// ("Kauha 3") curls to fill, the boom and stick lift and the bucket opens to
// dump. The forest machine's crane slews ("Koura 1") between the forest at
// its side and the load behind it, its main boom ("Koura 2", positive leans
// forward) and outer boom ("Koura 4", positive lowers the tip) reach out and
// lift, the lift cylinder ("Koura 3") follows the main boom and the grapple
// ("Koura 5") hangs plumb below the outer boom's tip. From the fire on the
// crane whirls two turns one way and nearly four back, and the grapple is
// flung outward.

#include <vector>

#include "tracks/tools/ShotKeys.h"

namespace tolmero::shots {

// The keys of "Kauha 1" to "Kauha 3" (the excavator) and "Koura 1" to
// "Koura 5" (the forest machine's crane).
std::vector<ScalarKey> kauha1();
std::vector<ScalarKey> kauha2();
std::vector<ScalarKey> kauha3();
std::vector<ScalarKey> koura1();
std::vector<ScalarKey> koura2();
std::vector<ScalarKey> koura3();
std::vector<ScalarKey> koura4();
std::vector<ScalarKey> koura5();

}  // namespace tolmero::shots
