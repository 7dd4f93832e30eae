#include "platform/child_process.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Reads what is there now from the non-blocking stream; false at its end.
bool ReadAvailable(int fd, std::string& into)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

}  // namespace

ChildOutcome RunChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                             const std::string& workingFolder, const std::function<void()>& whileWaiting)
{
    ChildOutcome outcome;
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0)
        return outcome;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errorPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(errorPipe[1]);
    if (spawned != 0) {
        close(errorPipe[0]);
        return outcome;
    }
    outcome.started = true;
    fcntl(errorPipe[0], F_SETFL, fcntl(errorPipe[0], F_GETFL) | O_NONBLOCK);

    int readEnd = errorPipe[0];
    int status = 0;
    for (;;) {
        pollfd watched{readEnd, POLLIN, 0};
        // With the stream closed, poll on nothing is the 100 ms pause.
        if (poll(&watched, readEnd >= 0 ? 1 : 0, 100) > 0 && !ReadAvailable(readEnd, outcome.standardError)) {
            close(readEnd);
            readEnd = -1;
        }
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR))
            break;
        whileWaiting();
    }
    // A helper the program started may still hold the stream: take only what is there.
    if (readEnd >= 0) {
        ReadAvailable(readEnd, outcome.standardError);
        close(readEnd);
    }
    outcome.exitedNormally = WIFEXITED(status);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    return outcome;
}
