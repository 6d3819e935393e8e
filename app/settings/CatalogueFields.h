// Form fields built from the parameter catalogue: the label, the tool tip (help and what the
// rule allows), the range of the rule and the default, so that the Preferences and the
// astronomical test's panel hold exactly what the tool and the module accept.
#pragma once

#include "core/analysis/ParameterCatalogue.h"

#include <QString>

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;
class QWidget;

namespace CatalogueFields {

// "Number of tapers:".
QString label(analysis::ParameterId id);

// The help line and what the rule allows: "Number of tapers ...; a whole number from 1 to 10".
QString toolTip(analysis::ParameterId id);

// Where a rule is open-ended, a field stops at what its widget or the engine can hold.
constexpr double largestField = 1e12;

// A whole number within the rule, holding the catalogue's default.
QSpinBox* wholeField(analysis::ParameterId id, QWidget* parent);

// A number within the rule at `decimals` decimals (a bound not included is passed by one step
// of the last decimal), holding the catalogue's default (or `value` where it is given).
QDoubleSpinBox* numberField(analysis::ParameterId id, QWidget* parent, int decimals);
QDoubleSpinBox* numberField(analysis::ParameterId id, QWidget* parent, int decimals, double value);

// A switch, labelled, off by default.
QCheckBox* switchField(analysis::ParameterId id, QWidget* parent);

} // namespace CatalogueFields
