#include "app/LaunchSettings.h"

namespace tolmero {

LaunchSettings& launchSettings() {
    static LaunchSettings settings;
    return settings;
}

}  // namespace tolmero
