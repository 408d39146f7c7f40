// dorvelian-forwarder: a TCP forwarder on 127.0.0.1 that holds every chunk
// of data for a set time in each direction, so that a database server on
// the same machine answers as if it stood a network away. Used by the
// network benchmark and by the tests of a link lost in the middle of a
// statement batch.
//
//   dorvelian-forwarder --to unix:PATH|HOST:PORT [--port N] [--delay-us N]
//
// It listens on 127.0.0.1:N (0, the default, lets the system choose), prints
// the port on the first line of stdout and forwards every accepted connection
// to the target. Data read from one side is written to the other side
// delay-us microseconds after it was read; the order of the bytes is kept.
// SIGUSR1 drops every open link at once (both sockets closed, nothing more
// delivered); SIGTERM and SIGINT end the program.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <list>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_drop = 0;

// Data read from one side, due for the other side at a given time.
struct Chunk {
    Clock::time_point due;
    std::string data;
    std::size_t sent = 0;
};

// One direction of a link: read from `from`, write to `to`.
struct Direction {
    int from = -1;
    int to = -1;
    std::deque<Chunk> queue;
    bool eof = false;       // `from` has no more data
    bool shutDown = false;  // the end of data was passed on to `to`
};

struct Link {
    int client = -1;
    int server = -1;
    Direction up;    // client -> server
    Direction down;  // server -> client
    bool dead = false;
};

void closeLink(Link& l) {
    if (l.client >= 0) close(l.client);
    if (l.server >= 0) close(l.server);
    l.client = l.server = -1;
    l.dead = true;
}

bool setNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

int connectTarget(const std::string& target) {
    int fd = -1;
    if (target.rfind("unix:", 0) == 0) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::string path = target.substr(5);
        if (path.size() >= sizeof a.sun_path) return -1;
        std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
        fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0) return -1;
        if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(fd);
            return -1;
        }
    } else {
        std::size_t colon = target.rfind(':');
        if (colon == std::string::npos) return -1;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(std::atoi(target.c_str() + colon + 1)));
        if (inet_pton(AF_INET, target.substr(0, colon).c_str(), &a.sin_addr) != 1) return -1;
        fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) return -1;
        if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(fd);
            return -1;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    setNonBlocking(fd);
    return fd;
}

// Reads what is there; false when the link must go.
bool readSide(Direction& d, Clock::duration delay) {
    char buf[65536];
    for (;;) {
        ssize_t n = read(d.from, buf, sizeof buf);
        if (n > 0) {
            d.queue.push_back({Clock::now() + delay, std::string(buf, static_cast<std::size_t>(n)), 0});
            continue;
        }
        if (n == 0) {
            d.eof = true;
            return true;
        }
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

// Writes the chunks that are due; false when the link must go.
bool writeSide(Direction& d, Clock::time_point now) {
    while (!d.queue.empty() && d.queue.front().due <= now) {
        Chunk& c = d.queue.front();
        ssize_t n = write(d.to, c.data.data() + c.sent, c.data.size() - c.sent);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        c.sent += static_cast<std::size_t>(n);
        if (c.sent < c.data.size()) return true;  // the socket is full
        d.queue.pop_front();
    }
    if (d.eof && d.queue.empty() && !d.shutDown) {
        shutdown(d.to, SHUT_WR);
        d.shutDown = true;
    }
    return true;
}

void onSignal(int sig) {
    if (sig == SIGUSR1) g_drop = 1;
    else g_stop = 1;
}

int usage() {
    std::fprintf(stderr, "usage: dorvelian-forwarder --to unix:PATH|HOST:PORT [--port N] [--delay-us N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string target;
    int port = 0;
    long delayUs = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) return usage();
        if (a == "--to") target = argv[++i];
        else if (a == "--port") port = std::atoi(argv[++i]);
        else if (a == "--delay-us") delayUs = std::atol(argv[++i]);
        else return usage();
    }
    if (target.empty() || delayUs < 0 || port < 0 || port > 65535) return usage();
    const Clock::duration delay = std::chrono::microseconds(delayUs);

    // Wake-ups to the microsecond, not to the default 50 us slack.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGUSR1, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    // The three signals are held back except inside ppoll, which lets them in
    // atomically: a signal that came between the loop's check and the wait
    // would otherwise go unseen until the next wake-up, which may never come.
    sigset_t gesperrt, offen;
    sigemptyset(&gesperrt);
    sigaddset(&gesperrt, SIGTERM);
    sigaddset(&gesperrt, SIGINT);
    sigaddset(&gesperrt, SIGUSR1);
    sigprocmask(SIG_BLOCK, &gesperrt, &offen);

    int lfd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(lfd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in la{};
    la.sin_family = AF_INET;
    la.sin_port = htons(static_cast<uint16_t>(port));
    la.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(lfd, reinterpret_cast<sockaddr*>(&la), sizeof la) != 0 || listen(lfd, 16) != 0) {
        std::perror("dorvelian-forwarder: listen");
        return 1;
    }
    socklen_t len = sizeof la;
    getsockname(lfd, reinterpret_cast<sockaddr*>(&la), &len);
    setNonBlocking(lfd);
    std::printf("%d\n", ntohs(la.sin_port));
    std::fflush(stdout);

    std::list<Link> links;
    while (!g_stop) {
        if (g_drop) {
            for (Link& l : links) closeLink(l);
            links.clear();
            g_drop = 0;
        }
        std::vector<pollfd> fds;
        std::vector<Direction*> owners;
        fds.push_back({lfd, POLLIN, 0});
        owners.push_back(nullptr);
        Clock::time_point next = Clock::time_point::max();
        for (Link& l : links) {
            for (Direction* d : {&l.up, &l.down}) {
                short ev = d->eof ? 0 : POLLIN;
                if (!d->queue.empty()) {
                    if (d->queue.front().sent > 0) ev |= POLLOUT;  // waiting for room
                    else if (d->queue.front().due < next) next = d->queue.front().due;
                }
                fds.push_back({d->from, ev, 0});
                owners.push_back(d);
                if (ev & POLLOUT) {
                    fds.push_back({d->to, POLLOUT, 0});
                    owners.push_back(d);
                }
            }
        }
        timespec ts{};
        timespec* tp = nullptr;
        if (next != Clock::time_point::max()) {
            auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - Clock::now()).count();
            if (wait < 0) wait = 0;
            ts.tv_sec = static_cast<time_t>(wait / 1000000000);
            ts.tv_nsec = static_cast<long>(wait % 1000000000);
            tp = &ts;
        }
        int n = ppoll(fds.data(), fds.size(), tp, &offen);
        if (n < 0 && errno != EINTR) break;
        if (g_drop || g_stop) continue;

        if (n > 0 && (fds[0].revents & POLLIN)) {
            for (;;) {
                int c = accept(lfd, nullptr, nullptr);
                if (c < 0) break;
                int s = connectTarget(target);
                if (s < 0) {
                    close(c);
                    continue;
                }
                setNonBlocking(c);
                setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                Link& l = links.emplace_back();
                l.client = c;
                l.server = s;
                l.up.from = c;
                l.up.to = s;
                l.down.from = s;
                l.down.to = c;
            }
        }
        for (std::size_t i = 1; n > 0 && i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            Direction* d = owners[i];
            if (fds[i].fd != d->from || d->eof) continue;
            if (!readSide(*d, delay)) d->eof = true;
        }
        const Clock::time_point now = Clock::now();
        for (Link& l : links) {
            if (!writeSide(l.up, now) || !writeSide(l.down, now)) closeLink(l);
            // Both ends have said all they had to say: the link is done.
            if (!l.dead && l.up.shutDown && l.down.shutDown) closeLink(l);
        }
        links.remove_if([](const Link& l) { return l.dead; });
    }
    for (Link& l : links) closeLink(l);
    close(lfd);
    return 0;
}
