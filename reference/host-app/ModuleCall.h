#pragma once
// One run of the host once its platform is up: the local parameter files
// checked, the database prepared, the module loaded, the shared services and
// the reference fiscal-printer package set up from the options, the screen
// called once; the exit status as the module tells it.
#include "ExitStatus.h"

struct HostOptions;

namespace ModuleCall {

ExitStatus run(const HostOptions &options);

} // namespace ModuleCall
