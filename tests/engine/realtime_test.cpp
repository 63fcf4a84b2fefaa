// The callback must never allocate, lock or enter the kernel: any of those can
// block the audio thread past its deadline. Three independent traps:
//  - malloc, operator new and the pthread locking calls are replaced in this
//    binary and count calls made while the callback runs;
//  - a forked child renders under a seccomp filter that kills it at its first
//    system call of any kind;
//  - built with clang-22 and -fsanitize=realtime, RealtimeSanitizer checks
//    every call made inside the [[clang::nonblocking]] callback.
#include "core/state.h"
#include "engine/engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

namespace {
thread_local bool InCallback = false;
std::atomic<int> Violations{0};
[[maybe_unused]] inline void Check() {
  if (InCallback)
    Violations++;
}
} // namespace

// A sanitizer runtime owns malloc and the locks; replacing them there would
// fight it, and the sanitizer does this test's job itself.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELMORA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(realtime_sanitizer)
#define VELMORA_SANITIZED 1
#endif
#endif

#ifndef VELMORA_SANITIZED
#define VELMORA_INTERPOSE 1
extern "C" {
void* malloc(size_t n) {
  Check();
  return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
  Check();
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
  Check();
  return __libc_realloc(p, n);
}
void free(void* p) {
  Check();
  __libc_free(p);
}
}
void* operator new(size_t n) {
  Check();
  if (void* p = __libc_malloc(n ? n : 1))
    return p;
  throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept {
  Check();
  __libc_free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

template <typename F> F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
extern "C" {
int pthread_mutex_lock(pthread_mutex_t* m) {
  static auto real = Next<int (*)(pthread_mutex_t*)>("pthread_mutex_lock");
  Check();
  return real(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
  static auto real = Next<int (*)(pthread_mutex_t*)>("pthread_mutex_trylock");
  Check();
  return real(m);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
  static auto real = Next<int (*)(pthread_rwlock_t*)>("pthread_rwlock_rdlock");
  Check();
  return real(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
  static auto real = Next<int (*)(pthread_rwlock_t*)>("pthread_rwlock_wrlock");
  Check();
  return real(l);
}
int pthread_spin_lock(pthread_spinlock_t* l) {
  static auto real = Next<int (*)(pthread_spinlock_t*)>("pthread_spin_lock");
  Check();
  return real(l);
}
}
#endif

namespace velmora {
namespace {

using test::NoteHz;

// Every mode and path of the callback: fade-out, attack, decay, sustain,
// legato, release, sync, all three mixes and their ranges.
void PlayEverything(void (*render)(size_t frames)) {
  const int modes[] = {1, 2, 3};
  const double mixes[] = {0, 20, 30, 45, 60, 100};
  for (int mode : modes) {
    for (double mix : mixes) {
      Synth.MixMode = mode;
      Synth.MixAmount = mix;
      Synth.Sync = mode == 3;
      test::PressKey(NoteHz(48 + mode));
      render(1500);
      Synth.NoteFrequency = NoteHz(60 + mode); // legato
      Synth.Osc2Pitch = 600 + 300 * mode;
      render(700);
      test::ReleaseKey();
      render(500);
    }
  }
}

void RenderPlain(size_t frames) {
  static float buffer[4096];
  RenderAudio(nullptr, buffer, frames, nullptr, 0, nullptr);
}

[[maybe_unused]] void RenderTrapped(size_t frames) {
  static float buffer[4096];
  InCallback = true;
  RenderAudio(nullptr, buffer, frames, nullptr, 0, nullptr);
  InCallback = false;
}

TEST(Realtime, CallbackNeitherAllocatesNorLocks) {
#ifndef VELMORA_INTERPOSE
  GTEST_SKIP() << "a sanitizer owns malloc in this build";
#else
  // The traps themselves must work, or the test proves nothing.
  InCallback = true;
  void* p = malloc(16);
  free(p);
  InCallback = false;
  ASSERT_EQ(Violations.exchange(0), 2);

  test::ResetSynth();
  PlayEverything(RenderTrapped);
  EXPECT_EQ(Violations.load(), 0);
#endif
}

#if defined(__has_feature)
#if __has_feature(realtime_sanitizer)
#define VELMORA_RTSAN 1
#endif
#endif

#ifdef VELMORA_RTSAN
void AllocateInRealtimeContext() [[clang::nonblocking]] {
  // Deliberately breaks the rule, through a pointer the compiler cannot see
  // through, to show that the sanitizer is watching.
  void* (*volatile allocate)(size_t) = malloc;
  free(allocate(32));
}

TEST(Realtime, CallbackPassesTheRealtimeSanitizer) {
  EXPECT_DEATH(AllocateInRealtimeContext(), "RealtimeSanitizer");
  test::ResetSynth();
  PlayEverything(RenderPlain);
}
#endif

// Kills the calling thread's process at its first system call, whatever it is
// (exit excepted, so the child can report success).
bool ForbidSystemCalls() {
  struct sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_exit, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_exit_group, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  struct sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]),
                               filter};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

[[maybe_unused]] int RunChild(bool makeSystemCall) {
  const pid_t child = fork();
  if (child == 0) {
    test::ResetSynth();
    RenderPlain(64); // resolve lazy bindings before the filter goes on
    if (!ForbidSystemCalls())
      syscall(SYS_exit_group, 3);
    if (makeSystemCall)
      syscall(SYS_getpid);
    PlayEverything(RenderPlain);
    syscall(SYS_exit_group, 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

TEST(Realtime, CallbackMakesNoSystemCall) {
#ifdef VELMORA_SANITIZED
  GTEST_SKIP() << "sanitizer runtimes make system calls of their own";
#else
  // The filter must catch a system call, or the test proves nothing.
  const int trapped = RunChild(true);
  ASSERT_TRUE(WIFSIGNALED(trapped) && WTERMSIG(trapped) == SIGSYS) << "status " << trapped;

  const int status = RunChild(false);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
#endif
}

} // namespace
} // namespace velmora
