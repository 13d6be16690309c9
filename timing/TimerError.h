#pragma once

#include <stdexcept>

namespace tallis {

// The timer cannot keep its waits: no clock to measure with, or a wait asked
// of a timer that is not running.
class TimerError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace tallis
