#include "confine/confine.h"

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace glimmer::confine {
namespace {

int set_limit(int resource, rlim_t value) noexcept {
    const rlimit l{value, value};
    return ::setrlimit(resource, &l) == 0 ? 0 : errno;
}

int set_limits(const Limits& limits) noexcept {
    int err = 0;
    if (limits.address_space != 0 && !relaxed_for_sanitizers())
        err = set_limit(RLIMIT_AS, limits.address_space);
    // A CPU limit is a soft signal (SIGXCPU, which kills) a second before the hard one.
    if (err == 0 && limits.cpu_seconds != 0) {
        const rlimit cpu{limits.cpu_seconds, limits.cpu_seconds + 1};
        err = ::setrlimit(RLIMIT_CPU, &cpu) == 0 ? 0 : errno;
    }
    if (err == 0) err = set_limit(RLIMIT_CORE, 0);
    return err;
}

// What decoding needs, and nothing that reaches a file, the network or another process.
constexpr int kAllowed[] = {
    SCMP_SYS(read),
    SCMP_SYS(readv),
    SCMP_SYS(pread64),
    SCMP_SYS(lseek),
    SCMP_SYS(close),
    SCMP_SYS(fstat),
    SCMP_SYS(munmap),
    SCMP_SYS(mremap),
    SCMP_SYS(brk),
    SCMP_SYS(madvise),
    SCMP_SYS(exit),
    SCMP_SYS(exit_group),
    SCMP_SYS(rt_sigreturn),
    SCMP_SYS(rt_sigprocmask),
    SCMP_SYS(futex),
    SCMP_SYS(sched_yield),
    SCMP_SYS(getpid),
    SCMP_SYS(gettid),
    SCMP_SYS(clock_gettime),
    SCMP_SYS(getrandom),
    SCMP_SYS(restart_syscall),
    SCMP_SYS(sched_getaffinity),
    SCMP_SYS(set_robust_list),
    SCMP_SYS(rseq),
    SCMP_SYS(sigaltstack),
    SCMP_SYS(rt_sigaction),
    // A thread's own wake-up counter: the one descriptor it may make, which reaches nothing.
    SCMP_SYS(eventfd2),
#ifdef GLIMMER_CONFINE_SANITIZED
    // AddressSanitizer tells readable memory by writing it into a pipe of its own;
    // ThreadSanitizer's background thread sleeps and reads the clock.
    SCMP_SYS(pipe2),
    SCMP_SYS(nanosleep),
    SCMP_SYS(clock_nanosleep),
    SCMP_SYS(gettimeofday),
#endif
};

int add_rules(scmp_filter_ctx ctx, const Allowed& allowed) noexcept {
    int rc = 0;
    for (const int call : kAllowed)
        if (rc == 0) rc = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 0);
    // Memory, but never executable: no code of its own can be brought in.
    for (const int call : {SCMP_SYS(mmap), SCMP_SYS(mprotect)})
        if (rc == 0)
            rc = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 1,
                                  SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
    // Threads where asked (Qt scales and converts large pictures on several), which share the
    // filter; never a process. clone3 hides its flags from the filter: told it is missing,
    // glibc uses clone.
    if (rc == 0 && allowed.threads)
        rc = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(clone), 1,
                              SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD));
    if (rc == 0 && allowed.threads)
        rc = seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0);
    // A thread's name, and nothing else prctl does.
    if (rc == 0 && allowed.threads)
        rc = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(prctl), 1,
                              SCMP_A0(SCMP_CMP_EQ, PR_SET_NAME));
    // A path's status would tell of files: glibc asks it for stdio's buffers, and is told no.
    if (rc == 0) rc = seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(newfstatat), 0);
    // Descriptors handed over on the sockets named.
    for (const int fd : allowed.receiving)
        if (rc == 0)
            rc = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(recvmsg), 1,
                                  SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(fd)));
    for (const int call : {SCMP_SYS(write), SCMP_SYS(writev), SCMP_SYS(pwrite64)}) {
#ifdef GLIMMER_CONFINE_SANITIZED
        // AddressSanitizer writes into that pipe too.
        if (rc == 0) rc = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 0);
#else
        for (const int fd : allowed.writable)
            if (rc == 0)
                rc = seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 1,
                                      SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(fd)));
#endif
    }
    return rc;
}

} // namespace

bool relaxed_for_sanitizers() noexcept {
#ifdef GLIMMER_CONFINE_SANITIZED
    return true;
#else
    return false;
#endif
}

// The program is made once, by libseccomp, and kept as BPF: entering it is then one call, with
// nothing of libseccomp's work left for the process that is about to read a file.
Filter::Filter(const Allowed& allowed) noexcept {
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (!ctx) {
        m_error = ENOMEM;
        return;
    }
    int rc = add_rules(ctx, allowed);
    const int fd = ::memfd_create("glimmer-filter", MFD_CLOEXEC);
    if (rc == 0) rc = fd < 0 ? -errno : seccomp_export_bpf(ctx, fd);
    seccomp_release(ctx);
    const off_t size = rc == 0 ? ::lseek(fd, 0, SEEK_END) : 0;
    try {
        m_program.resize(static_cast<std::size_t>(std::max<off_t>(size, 0)) / sizeof(sock_filter));
    } catch (const std::bad_alloc&) {
        rc = -ENOMEM;
    }
    const auto bytes = static_cast<ssize_t>(m_program.size() * sizeof(sock_filter));
    if (rc == 0 &&
        (m_program.empty() || ::pread(fd, m_program.data(), std::size_t(bytes), 0) != bytes))
        rc = -EIO;
    if (fd >= 0) ::close(fd);
    m_error = rc < 0 ? -rc : rc;
}

int enter(const Limits& limits, const Filter& filter) noexcept {
    if (filter.m_error != 0) return filter.m_error;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return errno;
    if (const int err = set_limits(limits); err != 0) return err;
    sock_fprog program{static_cast<unsigned short>(filter.m_program.size()),
                       const_cast<sock_filter*>(filter.m_program.data())};
    // Every thread of the process, should there be any already.
    const long rc =
        ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &program);
    // Above 0: a thread that could not take the filter.
    return rc == 0 ? 0 : rc < 0 ? errno : ESRCH;
}

int enter(const Limits& limits, std::initializer_list<int> writable) noexcept {
    const Filter filter({writable, {}, true});
    return enter(limits, filter);
}

std::size_t address_space_in_use(std::size_t fallback) noexcept {
    std::FILE* f = std::fopen("/proc/self/statm", "re");
    if (!f) return fallback;
    unsigned long pages = 0;
    const bool read = std::fscanf(f, "%lu", &pages) == 1;
    std::fclose(f);
    return read ? pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) : fallback;
}

} // namespace glimmer::confine
