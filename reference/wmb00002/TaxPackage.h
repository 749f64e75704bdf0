#pragma once
// Host-side view of the reference tax package, beyond the procedure
// variables of Wmb00002.h.
class QWidget;

namespace Wmb00002 {
// The progress notice while AtivaProcesso has it up; none otherwise.
QWidget *busyNotice();
// How many times the unit was brought up, less the times it was brought down.
int unitLevel();
} // namespace Wmb00002
