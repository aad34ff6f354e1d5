// For tests of every module, natively and under Wine: the message of the
// error that a piece of code raises.
#pragma once

#include <string>

#include "support/Errors.h"

// The message of the Exception that fn raises, or "(nothing raised)".
template <typename Fn>
std::u16string MessageOf(Fn&& fn) {
  try {
    fn();
  } catch (const Exception& e) {
    return e.Message();
  }
  return u"(nothing raised)";
}
