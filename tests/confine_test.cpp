// The confinement the decoding processes enter (glimmer-pcx-decoder and glimmer-pcx
// thumbnail's child), entered here in a child process as they enter it: each forbidden call
// kills it, decoding's own work goes on, and the limits hold. And the answers those processes
// give, which the host reads as untrusted bytes.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "confine/confine.h"
#include "pixbuf/reply.h"

namespace {

using glimmer::confine::Limits;

// The wait status of a child that entered the confinement with `limits` and ran `work`; its
// exit status is what `work` returns. `threads`: the thumbnailer's filter, else the loader's.
int confined(int (*work)(), Limits limits = {std::size_t{0}, 15}, bool threads = true) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(2, 5); // a descriptor open but not named writable
        const glimmer::confine::Filter filter({{1, 2}, {4}, threads});
        if (glimmer::confine::enter(limits, filter) != 0) ::_exit(99);
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

struct Forbidden {
    const char* call;
    int (*work)();
    bool threads = true; // with the thumbnailer's filter, which allows threads
};

const Forbidden kForbidden[] = {
    {"open", [] { return ::open("/etc/hostname", O_RDONLY); }},
    {"socket", [] { return ::socket(AF_INET, SOCK_STREAM, 0); }},
    {"connect",
     [] {
         sockaddr_un a{};
         a.sun_family = AF_UNIX;
         std::strcpy(a.sun_path, "/run/dbus/system_bus_socket");
         return ::connect(0, reinterpret_cast<sockaddr*>(&a), sizeof a);
     }},
    {"execve",
     [] {
         char* argv[] = {const_cast<char*>("/bin/true"), nullptr};
         return ::execve("/bin/true", argv, nullptr);
     }},
    {"ptrace", [] { return static_cast<int>(::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr)); }},
    {"a new process", [] { return static_cast<int>(::syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0)); }},
    {"a write elsewhere", [] { return static_cast<int>(::write(5, "x", 1)); }},
    {"a thread in the loader's decoder",
     [] {
         std::thread([] {}).join();
         return 0;
     },
     false},
    {"executable memory",
     []() -> int {
         return ::mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) ==
                MAP_FAILED;
     }},
};

TEST(Confinement, EachForbiddenCallKillsTheProcess) {
    for (const Forbidden& f : kForbidden) {
        if (glimmer::confine::relaxed_for_sanitizers() &&
            std::strcmp(f.call, "a write elsewhere") == 0)
            continue;
        const int status = confined(f.work, {0, 15}, f.threads);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS) << f.call << ": " << status;
    }
}

TEST(Confinement, DecodingWorkGoesOn) {
    const int status = confined([] {
        auto* p = static_cast<char*>(std::malloc(std::size_t{16} << 20));
        if (!p) return 1;
        std::memset(p, 1, std::size_t{16} << 20);
        std::free(p);
        int sum = 0;
        std::thread([&sum] { sum = 1; }).join();
        // A path's status is refused, not fatal: glibc asks it of stdio's files.
        struct stat st {};
        const bool told = ::stat("/etc/passwd", &st) == 0;
        return ::write(2, "", 0) == 0 && sum == 1 && !told ? 0 : 2;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(Confinement, TheLimitsHold) {
    if (!glimmer::confine::relaxed_for_sanitizers()) {
        const std::size_t held = glimmer::confine::address_space_in_use(0);
        ASSERT_GT(held, 0u);
        const int status =
            confined([] { return std::malloc(std::size_t{64} << 20) == nullptr ? 0 : 1; },
                     {held + (std::size_t{16} << 20), 15});
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const int status = confined(
        [] {
            // Busy until the CPU limit: the compiler may not drop a loop with a side effect.
            volatile unsigned long spins = 0;
            for (;;) {
                unsigned long next = spins;
                spins = next + 1;
            }
            return 0;
        },
        {0, 1});
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) << status;
}

using glimmer::pixbuf::Header;
using glimmer::pixbuf::Reply;

Reply judged(int w, int h) {
    Reply r;
    r.header = {Header::Kind::Picture, w, h, false};
    return r;
}

TEST(DecoderReply, WellFormedAnswersComeBackAsTheyWent) {
    Reply stopped;
    stopped.kind = Reply::Kind::NotConfined;
    stopped.error = EPERM;
    Reply ready = judged(32767, 1);
    ready.kind = Reply::Kind::Ready;
    ready.header.alpha = true;
    Reply decoded;
    decoded.kind = Reply::Kind::Decoded;
    decoded.status = pcx::Status::OutOfMemory;
    decoded.limit_mib = 40;
    decoded.ending = false;
    Reply last_status = judged(4, 4);
    last_status.status = pcx::Status::DcxPageOrder;
    last_status.header = {};
    for (const Reply& r : {judged(1, 32767), stopped, ready, decoded, last_status}) {
        const auto back = glimmer::pixbuf::parse_reply(glimmer::pixbuf::encode(r));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(glimmer::pixbuf::encode(*back), glimmer::pixbuf::encode(r));
    }
}

TEST(DecoderReply, AnythingElseIsRefused) {
    const auto bytes = glimmer::pixbuf::encode(judged(4, 4));
    struct Change {
        const char* what;
        std::size_t at;
        std::uint8_t value;
    };
    const Change changes[] = {
        {"magic", 0, 'g'},
        {"kind 0", 4, 0},
        {"kind 6", 4, 6},
        {"status past the last", 5, 30},
        {"header kind", 6, 3},
        {"flags 4", 7, 4},
        {"width 0", 8, 0},
        {"width 32768", 9, 0x80},
        {"an errno with no failure", 16, 1},
    };
    for (const Change& c : changes) {
        auto b = bytes;
        b[c.at] = c.value;
        if (c.at == 8) b[9] = 0;
        EXPECT_FALSE(glimmer::pixbuf::parse_reply(b)) << c.what;
    }
    EXPECT_FALSE(glimmer::pixbuf::parse_reply({bytes.data(), bytes.size() - 1})) << "short";
    Reply refused;
    refused.status = pcx::Status::NoPalette;
    refused.header = {Header::Kind::WholeFile, 0, 0, false};
    EXPECT_FALSE(glimmer::pixbuf::parse_reply(glimmer::pixbuf::encode(refused)))
        << "a header beside a refusal";
    Reply failed;
    failed.kind = Reply::Kind::NotConfined;
    EXPECT_FALSE(glimmer::pixbuf::parse_reply(glimmer::pixbuf::encode(failed))) << "no errno";
    failed.error = 4096;
    EXPECT_FALSE(glimmer::pixbuf::parse_reply(glimmer::pixbuf::encode(failed))) << "errno 4096";
}

} // namespace
