#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/Codepage.h"
#include "platform/posix/Posixplatform.h"

namespace platform {

std::string PosixSystem::FindProgram(const std::string& name) {
    const std::string native = NativeName(name);
    if (native.find('/') != std::string::npos) return ::access(native.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    const std::string search = path == nullptr ? "/usr/bin:/bin" : path;
    std::size_t start = 0;
    while (start <= search.size()) {
        std::size_t end = search.find(':', start);
        if (end == std::string::npos) end = search.size();
        const std::string folder = end == start ? "." : search.substr(start, end - start);
        const std::string candidate = folder + "/" + native;
        if (::access(candidate.c_str(), X_OK) == 0) return Utf8ToCp1251(candidate);
        start = end + 1;
    }
    return std::string();
}

bool PosixSystem::StartProcess(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {NativeName(program)};
    for (const std::string& argument : arguments) argv.push_back(NativeName(argument));
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);

    // Started twice removed, so the program runs on by itself and leaves no zombie behind;
    // the pipe tells whether the exec succeeded.
    int pipeFds[2] = {-1, -1};
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::setsid();
            const int devNull = ::open("/dev/null", O_RDWR);
            if (devNull >= 0) {
                ::dup2(devNull, STDIN_FILENO);
                ::dup2(devNull, STDOUT_FILENO);
                ::dup2(devNull, STDERR_FILENO);
            }
            ::execv(pointers[0], pointers.data());
            const char failed = 1;
            (void)!::write(pipeFds[1], &failed, 1);
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(pipeFds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    char failed = 0;
    ssize_t n = 0;
    do {
        n = ::read(pipeFds[0], &failed, 1);
    } while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

int PosixSystem::RunElevated(const std::string&, const std::string&, const std::string&) {
    // Never needed: IsAdmin is always true here.
    return 0;
}

std::string PosixSystem::CurrentDirectory() {
    std::vector<char> buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
    return Utf8ToCp1251(buffer.data());
}

}  // namespace platform
