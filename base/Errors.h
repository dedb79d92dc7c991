#pragma once
// The library's exception class and the few platform error classes it raises.

#include <stdexcept>
#include <string>

#include "base/Messages.h"

namespace lumvane {

// One of the GIF library's errors: its kind, and the kind's fixed English text as what().
class GIFException : public std::runtime_error {
public:
  explicit GIFException(TGIFError kind) : std::runtime_error(MessageText(kind)), kind_(kind) {}
  TGIFError Kind() const noexcept { return kind_; }

private:
  TGIFError kind_;
};

// Platform error classes, with the platform texts the library quotes.
class EStreamError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
class EReadError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
// A bitmap, palette or canvas operation that cannot be done (bad index, malformed BMP).
class EGraphicError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
// A picture that cannot be loaded: no graphic class is registered for its file extension.
class EInvalidGraphic : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
class EOutOfMemory : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

}  // namespace lumvane
