// Shows the setup dialog and prints the resulting record as one line, for
// screenshots and for trying the dialog by hand:
//   setup_dialog_preview [maxImageDimension]
#include <cstdio>
#include <cstdlib>

#include "app/SetupDialog.h"

int main(int argc, char** argv) {
    const unsigned long maxImageDimension =
        argc > 1 ? std::strtoul(argv[1], nullptr, 10) : tolmero::kDefaultMaxImageDimension;
    tolmero::LaunchSettings settings;
    if (!tolmero::showSetupDialog(settings, static_cast<std::uint32_t>(maxImageDimension))) return 1;
    std::printf("started=%d width=%d height=%d samples=%dx%d windowed=%d\n", settings.started, settings.width,
                settings.height, settings.supersample.x, settings.supersample.y, settings.windowed);
    return 0;
}
