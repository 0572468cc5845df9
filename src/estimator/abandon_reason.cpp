#include "estimator/estimator.h"

namespace kavo {

const char* abandonReasonName(AbandonReason reason) {
  switch (reason) {
  case AbandonReason::None:
    return "none";
  case AbandonReason::Cancelled:
    return "cancelled";
  case AbandonReason::ExitPressed:
    return "exit pressed";
  case AbandonReason::ZeroDivisor:
    return "zero divisor";
  case AbandonReason::NonFinite:
    return "non-finite value";
  case AbandonReason::RangeError:
    return "list range error";
  case AbandonReason::NothingInBand:
    return "nothing inside the clipping band";
  case AbandonReason::Other:
    return "error";
  }
  return "error";
}

} // namespace kavo
