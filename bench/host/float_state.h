// The x87 unit's state as the host leaves it when it calls into a module.
//
// The simulator's graphics layer may switch the x87 unit to single
// precision and leave it so while the panel's gauges run. The bench can do
// the same: with a precision chosen, every call into a module starts with
// the unit at that precision, and the host's own setting is put back when
// the call returns. The gauges must give the same results whatever it is.
#pragma once

#include <cstdint>

namespace bench {

// Whether this build can set the precision: 32-bit x86, where doubles are
// computed on the x87 unit.
bool CanSetFloatPrecision();

// 24, 53 or 64 bits of mantissa for every later call into a module; 0 leaves
// the unit as the host has it. Other values are refused (false).
bool SetModuleFloatPrecision(int bits);
int ModuleFloatPrecision();

// Around one call into a module: sets the chosen precision, if any, and
// restores the host's control word at the end.
class ModuleFloatState {
 public:
  ModuleFloatState();
  ~ModuleFloatState();
  ModuleFloatState(const ModuleFloatState&) = delete;
  ModuleFloatState& operator=(const ModuleFloatState&) = delete;

 private:
  [[maybe_unused]] uint16_t saved_ = 0;  // the host's control word
  [[maybe_unused]] bool changed_ = false;
};

}  // namespace bench
