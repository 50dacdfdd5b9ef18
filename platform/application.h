// The application object: message processing and the error box that the
// dispatch boundary shows.
#pragma once

#include <exception>

namespace varlo {

class TApplication {
 public:
  void ProcessMessages();
  // Shows the exception's message in the toolkit's error box.
  void HandleException(const std::exception& e);
  void HandleUnknownException();
};

TApplication& Application();

}  // namespace varlo
