#include "platform/Pathsyntax.h"

namespace platform {

char PathSeparator() { return '\\'; }

bool IsPathDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

bool IsAbsolutePath(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return true;
    return !path.empty() && (path.front() == '\\' || path.front() == '/');
}

}  // namespace platform
