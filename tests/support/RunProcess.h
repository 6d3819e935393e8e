// Runs a program with arguments and collects its exit status, standard output and error.
#pragma once

#include <fcntl.h>
#include <functional>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testing_support {

struct ProcessResult {
    int exitCode = -1; // -1 when the process was killed by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

inline std::string slurp(int fd) {
    std::string s;
    char buf[65536];
    ::lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        s.append(buf, static_cast<std::size_t>(n));
    return s;
}

// `inChild` runs in the child before exec (limits, signals).
inline ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::function<void()>& inChild = {}) {
    char outName[] = "/tmp/tonalith-out-XXXXXX";
    char errName[] = "/tmp/tonalith-err-XXXXXX";
    const int outFd = ::mkstemp(outName);
    const int errFd = ::mkstemp(errName);
    ::unlink(outName);
    ::unlink(errName);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        if (inChild)
            inChild();
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ProcessResult r;
    if (WIFEXITED(status))
        r.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        r.signal = WTERMSIG(status);
    r.out = slurp(outFd);
    r.err = slurp(errFd);
    ::close(outFd);
    ::close(errFd);
    return r;
}

} // namespace testing_support
