// The plot's colour maps by name, for front ends that take them as words. No Qt: the
// command line parses them too.
#pragma once

constexpr int mapColourCount = 9;

// "linear", "hue", "saturation", "value", "saturation-value", "alpha", "viridis", "cividis",
// "greyscale", in the order of the plot's colour-map codes.
const char* mapColourName(int code);

// The code of a name; -1 for an unknown name.
int mapColourCode(const char* name);
