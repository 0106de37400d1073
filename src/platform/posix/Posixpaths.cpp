#include "platform/Pathsyntax.h"

namespace platform {

char PathSeparator() { return '/'; }

bool IsPathDelimiter(char c) { return c == '/'; }

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path.front() == '/'; }

}  // namespace platform
