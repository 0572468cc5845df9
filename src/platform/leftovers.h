#pragma once
#include <string>

namespace kavo {

// The hidden temporaries the program writes before it moves a file or a folder into place carry a
// recognisable name with the process id: ".NAME.kavo-PID", followed by a random part. A process
// killed while it writes leaves them behind; the next process that writes into the same folder
// removes those whose process is gone.

// ".NAME.kavo-PID" for this process.
std::string temporaryName(const std::string& name);

// Removes from folder every temporary (file or folder) whose process no longer runs, the first time
// this process writes there. Errors are ignored: a leftover that cannot be removed now is tried again
// by the next process.
void removeLeftTemporaries(const std::string& folder);

} // namespace kavo
