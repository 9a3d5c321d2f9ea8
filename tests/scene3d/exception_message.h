// The text of the library exception an action raises, or "no exception".
#pragma once

#include <functional>
#include <string>

#include "platform/exception.h"

inline std::string Message(const std::function<void()>& action) {
  try {
    action();
  } catch (const platform::Exception& e) {
    return e.what();
  }
  return "no exception";
}
