// The map's colour maps as front ends name them: the word the tool and the module take, and
// the label a menu shows, in the order of the plot layer's colour-map codes.
#pragma once

#include <array>
#include <string>

namespace results {

struct ColourMapName {
    const char* word;  // --colours and colours=
    const char* label; // menus; '&' marks the shortcut letter
};

inline constexpr std::array<ColourMapName, 9> colourMaps{{
    {"linear", "&Rainbow: Dark Blue to White (default)"},
    {"hue", "&Hue Wheel"},
    {"saturation", "&White to Blue"},
    {"value", "Dark to Bright B&lue"},
    {"saturation-value", "Muted to Bright Bl&ue"},
    {"alpha", "&Transparent to Steel Blue"},
    {"viridis", "&Viridis: Purple to Yellow"},
    {"cividis", "&Cividis: Navy to Yellow (colour-blind safe)"},
    {"greyscale", "&Greyscale: Black to White"},
}};

// The code of a word; -1 for an unknown word.
int colourMapCode(const std::string& word);
// The word of a code; the default map's for a code out of range.
const char* colourMapWord(int code);
// "linear, hue, ... or greyscale", for help texts and messages.
std::string colourMapWords();

} // namespace results
