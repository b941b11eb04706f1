#include "Sandbox.h"

#include <fcntl.h>
#include <sched.h>
#include <seccomp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "picture/PictureLimits.h"
#include "picture/SealedDecode.h"

namespace mirel::picture {

namespace {

// What the process has mapped now: its code, Qt's and the decoders' libraries.
long long MappedBytes() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  long long pages = 0;
  if (statm) {
    if (std::fscanf(statm, "%lld", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return pages * sysconf(_SC_PAGESIZE);
}

bool Limit(int resource, long long soft, long long hard) {
  const rlimit limit{rlim_t(soft), rlim_t(hard)};
  return setrlimit(resource, &limit) == 0;
}

// A condition on a call: argument, masked, equal to value.
scmp_arg_cmp Masked(unsigned argument, scmp_datum_t mask, scmp_datum_t value) {
  scmp_arg_cmp compare{};
  compare.arg = argument;
  compare.op = SCMP_CMP_MASKED_EQ;
  compare.datum_a = mask;
  compare.datum_b = value;
  return compare;
}

#ifdef MIREL_SANITIZED
// A checked build's sanitizers read /proc and test memory through pipes from
// inside the decoder, so there the filter refuses only what no decoder may do
// at all: start programs or processes, and open sockets. The regular build
// keeps the whole filter below, and its tests check it.
bool Filter() {
  scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
  if (!ctx) return false;
  std::unique_ptr<void, void (*)(scmp_filter_ctx)> release(ctx, seccomp_release);
  bool ok = true;
  for (int call : {SCMP_SYS(execve), SCMP_SYS(execveat), SCMP_SYS(fork), SCMP_SYS(vfork), SCMP_SYS(socket)})
    ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(EPERM), call, 0) == 0;
  const scmp_arg_cmp process = Masked(0, CLONE_THREAD, 0);
  ok = ok && seccomp_rule_add_array(ctx, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(clone), 1, &process) == 0;
  ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0;
  return ok && seccomp_load(ctx) == 0;
}
#else
// Everything else fails with EPERM.
bool Filter() {
  scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ERRNO(EPERM));
  if (!ctx) return false;
  std::unique_ptr<void, void (*)(scmp_filter_ctx)> release(ctx, seccomp_release);
  bool ok = true;
  const auto allow = [&](int call) { ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 0) == 0; };
  for (int call : {SCMP_SYS(read),
                   SCMP_SYS(readv),
                   SCMP_SYS(pread64),
                   SCMP_SYS(write),
                   SCMP_SYS(writev),
                   SCMP_SYS(lseek),
                   SCMP_SYS(close),
                   SCMP_SYS(fstat),
                   SCMP_SYS(newfstatat),
                   SCMP_SYS(statx),
                   SCMP_SYS(fcntl),
                   SCMP_SYS(munmap),
                   SCMP_SYS(mremap),
                   SCMP_SYS(brk),
                   SCMP_SYS(madvise),
                   SCMP_SYS(futex),
                   SCMP_SYS(set_robust_list),
                   SCMP_SYS(rseq),
                   SCMP_SYS(sched_yield),
                   SCMP_SYS(sched_getaffinity),
                   SCMP_SYS(getpid),
                   SCMP_SYS(gettid),
                   SCMP_SYS(tgkill),
                   SCMP_SYS(rt_sigaction),
                   SCMP_SYS(rt_sigprocmask),
                   SCMP_SYS(rt_sigreturn),
                   SCMP_SYS(sigaltstack),
                   SCMP_SYS(clock_gettime),
                   SCMP_SYS(clock_nanosleep),
                   SCMP_SYS(nanosleep),
                   SCMP_SYS(getrandom),
                   SCMP_SYS(exit),
                   SCMP_SYS(exit_group)})
    allow(call);
  const auto allowWhen = [&](int call, unsigned argument, scmp_datum_t mask, scmp_datum_t value) {
    const scmp_arg_cmp compare = Masked(argument, mask, value);
    ok = ok && seccomp_rule_add_array(ctx, SCMP_ACT_ALLOW, call, 1, &compare) == 0;
  };
  // Memory, but none that runs: no code is loaded once sealed.
  allowWhen(SCMP_SYS(mmap), 2, PROT_EXEC, 0);
  allowWhen(SCMP_SYS(mprotect), 2, PROT_EXEC, 0);
  // Threads, which some decoders start, but no new process; clone3's flags
  // cannot be read by the filter, and without it the C library uses clone.
  allowWhen(SCMP_SYS(clone), 0, CLONE_THREAD, CLONE_THREAD);
  ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0;
  // The file comes through the socket that is its standard input.
  allowWhen(SCMP_SYS(recvmsg), 0, ~scmp_datum_t(0), 0);
  // Threads name themselves; nothing else of prctl.
  allowWhen(SCMP_SYS(prctl), 0, ~scmp_datum_t(0), PR_SET_NAME);
  return ok && seccomp_load(ctx) == 0;
}

#endif

}  // namespace

bool Seal() {
  // Dies with the game, and not at all once the game is gone.
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() == 1) return false;
  // The budget beyond what is mapped now; the decoders' threads, stacks and
  // all, come out of it.
  const long long memory = MappedBytes() + kPictureMemoryBudget;
  if (!Limit(RLIMIT_AS, memory, memory) || !Limit(RLIMIT_CPU, kSealedDecodeSeconds, kSealedDecodeSeconds + 1))
    return false;
  return Filter();
}

int ProbeSeal() {
  if (!Seal()) return 7;
#ifndef MIREL_SANITIZED  // see Filter()
  if (open("/proc/self/status", O_RDONLY | O_CLOEXEC) >= 0) return 1;
#endif
  if (socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0) >= 0) return 2;
  // Should the program start, it says so by its status.
  char shell[] = "/bin/sh", option[] = "-c", command[] = "exit 3";
  char* argv[] = {shell, option, command, nullptr};
  execv(shell, argv);
  const pid_t child = fork();
  if (child == 0) _exit(0);
  if (child > 0) return 4;
#ifndef MIREL_SANITIZED  // an address sanitizer's terabytes of shadow make any limit none
  const std::size_t past = std::size_t(kPictureMemoryBudget) * 4;
  if (void* big = mmap(nullptr, past, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      big != MAP_FAILED) {
    munmap(big, past);
    return 5;
  }
#endif
  if (!ThreadRuns()) return 6;
  return 0;
}

}  // namespace mirel::picture
