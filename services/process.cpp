#include "services/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

extern char** environ;

namespace zep::call {

namespace {

// Children started without waiting: reaped when they have ended, so that
// they do not linger as zombies.
std::vector<pid_t> unwaited;

void reap_finished() {
    std::erase_if(unwaited, [](pid_t pid) {
        int status = 0;
        pid_t got = waitpid(pid, &status, WNOHANG);
        return got == pid || (got < 0 && errno == ECHILD);
    });
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// One pipe whose parent end is non-blocking and close-on-exec.
struct Pipe {
    int parent = -1;
    int child = -1;
};

bool open_pipe(Pipe& pipe, bool child_reads) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    pipe.parent = child_reads ? fds[1] : fds[0];
    pipe.child = child_reads ? fds[0] : fds[1];
    fcntl(pipe.parent, F_SETFL, fcntl(pipe.parent, F_GETFL) | O_NONBLOCK);
    return true;
}

void close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// The spawn's file actions and attributes, released on scope exit.
struct Spawn {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    Spawn() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        // The child starts with no blocked signal and every signal at its
        // default (the interpreter ignores SIGPIPE, which exec would keep).
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        sigdelset(&all, SIGKILL);
        sigdelset(&all, SIGSTOP);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~Spawn() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    Spawn(const Spawn&) = delete;
    Spawn& operator=(const Spawn&) = delete;
};

// Sets up one standard stream of the child. Buffers get a pipe.
bool plan_stream(Spawn& spawn, const Stream& stream, int fd, bool console, Pipe& pipe) {
    bool child_reads = fd == STDIN_FILENO;
    switch (stream.kind) {
    case Stream::Kind::buffer:
        if (!open_pipe(pipe, child_reads)) return false;
        return posix_spawn_file_actions_adddup2(&spawn.actions, pipe.child, fd) == 0;
    case Stream::Kind::file: {
        int flags = child_reads ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
        return posix_spawn_file_actions_addopen(&spawn.actions, fd, stream.path.c_str(), flags,
                                                0666) == 0;
    }
    case Stream::Kind::none:
        if (console) return true;
        return posix_spawn_file_actions_addopen(&spawn.actions, fd, "/dev/null",
                                                child_reads ? O_RDONLY : O_WRONLY, 0) == 0;
    }
    return false;
}

// Feeds the input pipe and drains the output pipes until all are closed.
void serve_pipes(Pipe& in, const std::string& input, Pipe& out, std::string& output, Pipe& err,
                 std::string& error) {
    size_t fed = 0;
    if (in.parent >= 0 && input.empty()) close_fd(in.parent);
    char chunk[65536];
    while (in.parent >= 0 || out.parent >= 0 || err.parent >= 0) {
        pollfd fds[3];
        int count = 0;
        auto watch = [&](int fd, short events) {
            if (fd >= 0) fds[count++] = {fd, events, 0};
        };
        watch(in.parent, POLLOUT);
        watch(out.parent, POLLIN);
        watch(err.parent, POLLIN);
        if (poll(fds, static_cast<nfds_t>(count), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < count; ++i) {
            if (fds[i].revents == 0) continue;
            int fd = fds[i].fd;
            if (fd == in.parent) {
                ssize_t n = write(fd, input.data() + fed, input.size() - fed);
                if (n > 0) fed += static_cast<size_t>(n);
                // The child closed its input (EPIPE) or everything is fed.
                if ((n < 0 && errno != EAGAIN && errno != EINTR) || fed == input.size())
                    close_fd(in.parent);
                continue;
            }
            Pipe& pipe = fd == out.parent ? out : err;
            std::string& sink = fd == out.parent ? output : error;
            ssize_t n = read(fd, chunk, sizeof chunk);
            if (n > 0) {
                sink.append(chunk, static_cast<size_t>(n));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                close_fd(pipe.parent);
            }
        }
    }
}

// Writing to a pipe whose reader is gone raises SIGPIPE: keep it blocked
// while serving the pipes and consume one that arose meanwhile, so the
// interpreter is never killed by a child that stops reading.
class SigpipeBlock {
  public:
    SigpipeBlock() {
        sigset_t pipe_only;
        sigemptyset(&pipe_only);
        sigaddset(&pipe_only, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        was_pending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_only, &saved_);
    }
    ~SigpipeBlock() {
        if (!was_pending_) {
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                sigset_t pipe_only;
                sigemptyset(&pipe_only);
                sigaddset(&pipe_only, SIGPIPE);
                timespec zero{0, 0};
                sigtimedwait(&pipe_only, nullptr, &zero);
            }
        }
        pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

  private:
    sigset_t saved_;
    bool was_pending_ = false;
};

int32_t wait_for(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

std::optional<std::vector<std::string>> split_command(std::string_view command) {
    std::vector<std::string> words;
    size_t i = 0;
    size_t n = command.size();
    while (i < n) {
        while (i < n && is_blank(command[i])) ++i;
        if (i == n) break;
        std::string word;
        while (i < n && !is_blank(command[i])) {
            char c = command[i++];
            if (c == '\'') {
                size_t close = command.find('\'', i);
                if (close == std::string_view::npos) return std::nullopt;
                word.append(command.substr(i, close - i));
                i = close + 1;
            } else if (c == '"') {
                for (;;) {
                    if (i == n) return std::nullopt;
                    char d = command[i++];
                    if (d == '"') break;
                    if (d == '\\' && i < n && (command[i] == '"' || command[i] == '\\'))
                        d = command[i++];
                    word.push_back(d);
                }
            } else if (c == '\\' && i < n) {
                word.push_back(command[i++]);
            } else {
                word.push_back(c);
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

int32_t run_command(Request& request) {
    reap_finished();
    std::vector<std::string> words;
    if (request.shell) {
        words = {"/bin/sh", "-c", request.command};
    } else {
        auto split = split_command(request.command);
        if (!split || split->empty()) return -1;
        words = std::move(*split);
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    Spawn spawn;
    Pipe in, out, err;
    auto release = [&] {
        for (Pipe* pipe : {&in, &out, &err}) {
            close_fd(pipe->parent);
            close_fd(pipe->child);
        }
    };
    if (!plan_stream(spawn, request.input, STDIN_FILENO, request.console, in) ||
        !plan_stream(spawn, request.output, STDOUT_FILENO, request.console, out) ||
        !plan_stream(spawn, request.error, STDERR_FILENO, request.console, err)) {
        release();
        return -1;
    }

    pid_t pid = 0;
    int spawned =
        request.shell
            ? posix_spawn(&pid, "/bin/sh", &spawn.actions, &spawn.attributes, argv.data(), environ)
            : posix_spawnp(&pid, argv[0], &spawn.actions, &spawn.attributes, argv.data(), environ);
    for (Pipe* pipe : {&in, &out, &err}) close_fd(pipe->child);
    if (spawned != 0) {
        release();
        return -1;
    }

    bool captures = in.parent >= 0 || out.parent >= 0 || err.parent >= 0;
    if (captures) {
        SigpipeBlock guard;
        serve_pipes(in, request.input.bytes, out, request.output.bytes, err, request.error.bytes);
    }
    release();
    if (request.wait || request.console || captures) return wait_for(pid);
    unwaited.push_back(pid);
    return static_cast<int32_t>(pid);
}

} // namespace zep::call
