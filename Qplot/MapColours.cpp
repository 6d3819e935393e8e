#include "Qplot/MapColours.h"

#include <string_view>

namespace {
constexpr const char* names[mapColourCount] = {"linear",           "hue",   "saturation", "value",
                                               "saturation-value", "alpha", "viridis",    "cividis",
                                               "greyscale"};
}

const char* mapColourName(int code) {
    return code >= 0 && code < mapColourCount ? names[code] : names[0];
}

int mapColourCode(const char* name) {
    for (int i = 0; i < mapColourCount; ++i)
        if (std::string_view(name) == names[i])
            return i;
    return -1;
}
