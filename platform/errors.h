// Exceptions shared by every layer. Messages are UTF-8; the dispatch boundary
// shows them in an error box.
#pragma once

#include <stdexcept>
#include <string>

namespace varlo {

// The general exception class: fixed texts such as the store's index error.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Opening, reading or writing a file failed; the message names the file and
// the cause as the platform reports it.
class InOutError : public Exception {
 public:
  using Exception::Exception;
};

// What the error box says of an exception that is none of the program's.
inline constexpr const char* kUnexpectedError = "予期しないエラーが発生しました";

// Integer arithmetic on sizes, indexes or pixels left its type's range.
class OverflowError : public Exception {
 public:
  OverflowError() : Exception("算術演算でオーバーフローが発生しました") {}
};

}  // namespace varlo
