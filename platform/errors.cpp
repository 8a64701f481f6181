#include "platform/errors.h"

#include <cerrno>
#include <cstdlib>
#include <iostream>

namespace platform {
namespace {

ErrorReporter& Reporter() {
  static ErrorReporter reporter = [](const Error& e) { std::cerr << e.what() << '\n'; };
  return reporter;
}

}  // namespace

void SetErrorReporter(ErrorReporter reporter) { Reporter() = std::move(reporter); }

void RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Error& e) {
    Reporter()(e);
  } catch (const std::exception& e) {
    Reporter()(Error(Error::Cause::Other, e.what()));
  }
}

long long ParseInteger(const std::string& text) {
  std::size_t b = text.find_first_not_of(' ');
  std::size_t e = text.find_last_not_of(' ');
  const std::string t = b == std::string::npos ? "" : text.substr(b, e - b + 1);
  const std::string message = "«" + text + "» не является целым числом";
  if (t.empty() || t.size() > 19) throw ConversionError(message);
  std::size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (i == t.size()) throw ConversionError(message);
  for (std::size_t k = i; k < t.size(); ++k)
    if (t[k] < '0' || t[k] > '9') throw ConversionError(message);
  errno = 0;
  const long long v = std::strtoll(t.c_str(), nullptr, 10);
  if (errno == ERANGE) throw ConversionError(message);
  return v;
}

}  // namespace platform
