#pragma once
// Errors that end a handler: the layer that runs handlers catches them at the handler's edge
// and reports them (a message box in the window, a line on standard error headless).
#include <functional>
#include <stdexcept>
#include <string>

namespace platform {

// A failure the operator must be told of; what() is the message, in the system's language.
class Error : public std::runtime_error {
 public:
  enum class Cause { Port, Conversion, File, Other };
  Error(Cause cause, const std::string& message) : std::runtime_error(message), cause(cause) {}
  const Cause cause;
};

struct PortError : Error {
  explicit PortError(const std::string& m) : Error(Cause::Port, m) {}
};
struct ConversionError : Error {
  explicit ConversionError(const std::string& m) : Error(Cause::Conversion, m) {}
};
struct FileError : Error {
  explicit FileError(const std::string& m) : Error(Cause::File, m) {}
};

// Where a failed handler's message goes. The window shows a box; headless prints and records
// the failure for the exit status. Tests install their own.
using ErrorReporter = std::function<void(const Error&)>;
void SetErrorReporter(ErrorReporter reporter);

// Runs a handler; an Error (or any other exception) thrown by it ends the handler and is
// reported, and the program goes on with its next event.
void RunHandler(const std::function<void()>& handler);

// A decimal whole number as the platform's conversion reads it ("12", " -3 "); anything else
// is a ConversionError that names the text.
long long ParseInteger(const std::string& text);

}  // namespace platform
