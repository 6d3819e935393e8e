#include "engine/reperr.h"

#include "engine/diagnostics.h"

#include <cstdio>

namespace engine {

std::string reperrRecord(int ier, const char name[6]) {
    char field[16];
    std::snprintf(field, sizeof field, "%3d", ier);
    std::string record = " *** terminal error";
    record.append(10, ' ');
    record.append("(ier = ");
    record.append(field);
    record.append(") from imsl routine ");
    record.append(name, 6);
    return record;
}

void reperr(int ier, const char name[6]) {
    if (ier < 129 || ier > 999)
        return;
    writeDiagnosticLine(reperrRecord(ier, name));
}

} // namespace engine
