#include "core/results/ColourMaps.h"

namespace results {

int colourMapCode(const std::string& word) {
    for (std::size_t i = 0; i < colourMaps.size(); ++i)
        if (word == colourMaps[i].word)
            return static_cast<int>(i);
    return -1;
}

const char* colourMapWord(int code) {
    return code >= 0 && code < static_cast<int>(colourMaps.size()) ? colourMaps[code].word
                                                                   : colourMaps[0].word;
}

std::string colourMapWords() {
    std::string words;
    for (std::size_t i = 0; i < colourMaps.size(); ++i) {
        if (i > 0)
            words += i + 1 == colourMaps.size() ? " or " : ", ";
        words += colourMaps[i].word;
    }
    return words;
}

} // namespace results
