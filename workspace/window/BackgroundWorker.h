#pragma once
// Work of the window's tools that runs on a thread of its own while the
// window stays usable (frame composition, automatic enhancement). It counts
// as background work, so closing the window waits for it.

#include <functional>

namespace pv {

class TForm1;

// Starts work through StartWorker; deliver then runs on the UI thread while the
// window still lives, and the count of background work drops after it. False
// when no thread could be started (nothing has run then).
bool StartBackgroundWorker(TForm1& form, std::function<void()> work, std::function<void(TForm1&)> deliver);

} // namespace pv
