#include "bench/host/float_state.h"

namespace bench {

namespace {

int chosenBits = 0;

#if defined(__i386__)
// The precision-control field, bits 8 and 9 of the control word.
constexpr uint16_t kPrecisionMask = 0x0300;

uint16_t PrecisionField(int bits) {
  switch (bits) {
    case 24: return 0x0000;
    case 53: return 0x0200;
    default: return 0x0300;  // 64
  }
}
#endif

}  // namespace

bool CanSetFloatPrecision() {
#if defined(__i386__)
  return true;
#else
  return false;
#endif
}

bool SetModuleFloatPrecision(int bits) {
  if (bits != 0 && bits != 24 && bits != 53 && bits != 64) return false;
  if (bits != 0 && !CanSetFloatPrecision()) return false;
  chosenBits = bits;
  return true;
}

int ModuleFloatPrecision() { return chosenBits; }

ModuleFloatState::ModuleFloatState() {
#if defined(__i386__)
  if (chosenBits == 0) return;
  __asm__ volatile("fnstcw %0" : "=m"(saved_));
  const uint16_t word = static_cast<uint16_t>((saved_ & ~kPrecisionMask) | PrecisionField(chosenBits));
  __asm__ volatile("fldcw %0" : : "m"(word));
  changed_ = true;
#endif
}

ModuleFloatState::~ModuleFloatState() {
#if defined(__i386__)
  if (changed_) __asm__ volatile("fldcw %0" : : "m"(saved_));
#endif
}

}  // namespace bench
