#pragma once

#include "UGWidget.h"

namespace qm {

// Registers every widget class of the engine under its type name ("Widget", "Image", "Screen",
// "Dialog" and the standard widgets); registering twice changes nothing.
void RegisterEngineWidgetClasses();

} // namespace qm
