// How many handles (file descriptors on POSIX) the test process holds open right now: a
// listing that is over must give its search back.
#pragma once

namespace tolvane::test {

// Negative when the platform cannot tell.
long open_handle_count();

}  // namespace tolvane::test
