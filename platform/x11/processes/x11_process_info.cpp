#include "platform/x11/processes/x11_process_info.h"

#include <utility>

namespace corvane::x11 {

X11ProcessInfo::X11ProcessInfo(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}

}  // namespace corvane::x11
