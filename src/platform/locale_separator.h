#pragma once

namespace kavo {

// The decimal separator of the user's regional settings (LC_NUMERIC), read once by each program at
// start. Only '.' and ',' are used in number text; anything else falls back to '.'.
char localeDecimalSeparator();

} // namespace kavo
