/* Wine's 32-bit loader under qemu-i386, on a machine whose kernel runs no
 * 32-bit code itself. Preloaded into Wine's processes (only there), this
 * mends two things qemu-user 7.2 does differently from the kernel:
 *
 * 1. Wine reserves the address ranges Windows programs need (the shared
 *    user data at 0x7ffe0000 among them) with mmap and MAP_FIXED_NOREPLACE:
 *    a mapping at exactly that address, or an EEXIST failure. qemu does not
 *    know the flag and maps somewhere else instead, which leaves Wine's
 *    address space in pieces ("failed to map the shared user data"). Here
 *    the flag gets its meaning back: map at the address as a hint, and
 *    where the mapping landed elsewhere, undo it and fail with EEXIST.
 *
 * 2. A fault's signal context carries the processor's trap number, and
 *    Wine's fault handler goes by it: a page fault (14) on a guard page
 *    grows a thread's stack, on a watched page notes the write. qemu leaves
 *    the number at -1, so Wine takes every fault for an illegal instruction
 *    and the thread dies. Here Wine's SIGSEGV handler gets the number the
 *    kernel would give: 14 for a fault on an address, with the error code
 *    of a user-mode write, and 13 (general protection) otherwise.
 *
 * 3. Threads find their C library's thread data through %gs, a selector of
 *    a descriptor the kernel keeps for each thread. qemu keeps one
 *    descriptor table for all threads of a process, so a new thread's data
 *    replaces the others' whenever a thread loads %gs again (Wine does so in
 *    every signal handler): threads then run on each other's data ("stack
 *    smashing detected", crashes). Here each thread gets a descriptor of its
 *    own in the process's local table, counted down from its top, far from
 *    the entries Wine takes for its thread blocks from the bottom.
 *
 * On a machine that runs 32-bit code natively this file is not used. */
#define _GNU_SOURCE
#include <asm/ldt.h>
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

/* ---- mmap ---- */

static void *map_pages(void *address, size_t length, int protection, int flags, int fd,
                       long long offset) {
  if (offset & 4095) {
    errno = EINVAL;
    return MAP_FAILED;
  }
  return (void *)syscall(SYS_mmap2, address, length, protection, flags, fd,
                         (unsigned long)(offset >> 12));
}

void *mmap64(void *address, size_t length, int protection, int flags, int fd, off64_t offset) {
  if ((flags & MAP_FIXED_NOREPLACE) != 0 && (flags & MAP_FIXED) == 0 && address != NULL) {
    void *mapped = map_pages(address, length, protection, flags & ~MAP_FIXED_NOREPLACE, fd, offset);
    if (mapped != MAP_FAILED && mapped != address) {
      syscall(SYS_munmap, mapped, length);
      errno = EEXIST;
      return MAP_FAILED;
    }
    return mapped;
  }
  return map_pages(address, length, protection, flags, fd, offset);
}

void *mmap(void *address, size_t length, int protection, int flags, int fd, off_t offset) {
  return mmap64(address, length, protection, flags, fd, offset);
}

/* ---- SIGSEGV trap numbers ---- */

enum { kTrapProtection = 13, kTrapPage = 14, kErrorUserWrite = 0x6 };

static void (*wine_segv_handler)(int, siginfo_t *, void *);

static void segv_with_trap(int signal, siginfo_t *info, void *context) {
  ucontext_t *uc = context;
  greg_t *gregs = uc->uc_mcontext.gregs;
  if ((int)gregs[REG_TRAPNO] == -1) {
    if (info->si_code == SEGV_MAPERR || info->si_code == SEGV_ACCERR) {
      gregs[REG_TRAPNO] = kTrapPage;
      gregs[REG_ERR] = kErrorUserWrite | (info->si_code == SEGV_ACCERR ? 1 : 0);
    } else {
      gregs[REG_TRAPNO] = kTrapProtection;
      gregs[REG_ERR] = 0;
    }
  }
  wine_segv_handler(signal, info, context);
}

static int real_sigaction(int signal, const struct sigaction *action, struct sigaction *old) {
  /* glibc's own entry, past this file's. */
  extern int __sigaction(int, const struct sigaction *, struct sigaction *);
  return __sigaction(signal, action, old);
}

int sigaction(int signal, const struct sigaction *action, struct sigaction *old) {
  if (signal != SIGSEGV) return real_sigaction(signal, action, old);
  struct sigaction previous;
  void (*earlier)(int, siginfo_t *, void *) = wine_segv_handler;
  int result;
  if (action != NULL && (action->sa_flags & SA_SIGINFO) != 0) {
    struct sigaction wrapped = *action;
    wrapped.sa_sigaction = segv_with_trap;
    wine_segv_handler = action->sa_sigaction;
    result = real_sigaction(signal, &wrapped, &previous);
    if (result != 0) wine_segv_handler = earlier;
  } else {
    result = real_sigaction(signal, action, &previous);
  }
  if (result == 0 && old != NULL) {
    *old = previous;
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction == segv_with_trap) {
      old->sa_sigaction = earlier;
    }
  }
  return result;
}

/* ---- %gs for each thread ---- */

enum { kLdtEntries = 8192, kLowestOwnEntry = 4096 };
static int next_entry = kLdtEntries - 1;

/* Points %gs at a descriptor of this thread's own whose base is the
 * thread's data (glibc's thread block, which pthread_t names on i386). */
static void own_gs(void *thread_data) {
  int entry = __atomic_fetch_sub(&next_entry, 1, __ATOMIC_SEQ_CST);
  if (entry < kLowestOwnEntry) return; /* none left: keep the shared one */
  struct user_desc descriptor;
  memset(&descriptor, 0, sizeof descriptor);
  descriptor.entry_number = (unsigned)entry;
  descriptor.base_addr = (unsigned)(uintptr_t)thread_data;
  descriptor.limit = 0xfffff;
  descriptor.seg_32bit = 1;
  descriptor.limit_in_pages = 1;
  descriptor.useable = 1;
  if (syscall(SYS_modify_ldt, 0x11, &descriptor, sizeof descriptor) != 0) return;
  const unsigned short selector = (unsigned short)((entry << 3) | 4 | 3); /* local table, ring 3 */
  __asm__ volatile("movw %0, %%gs" : : "r"(selector));
}

__attribute__((constructor)) static void own_gs_main_thread(void) {
  void *thread_data;
  __asm__ volatile("movl %%gs:0, %0" : "=r"(thread_data));
  own_gs(thread_data);
}

struct start {
  void *(*routine)(void *);
  void *argument;
  pthread_t thread; /* set by the creating thread once the thread exists */
};

static void *start_with_own_gs(void *data) {
  struct start *start = data;
  pthread_t self;
  while ((self = __atomic_load_n(&start->thread, __ATOMIC_ACQUIRE)) == 0) sched_yield();
  void *(*routine)(void *) = start->routine;
  void *argument = start->argument;
  free(start);
  own_gs((void *)self);
  return routine(argument);
}

int pthread_create(pthread_t *thread, const pthread_attr_t *attributes,
                   void *(*routine)(void *), void *argument) {
  static int (*real_create)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
  if (real_create == NULL) real_create = dlsym(RTLD_NEXT, "pthread_create");
  struct start *start = calloc(1, sizeof *start);
  if (start == NULL) return EAGAIN;
  start->routine = routine;
  start->argument = argument;
  pthread_t created;
  int result = real_create(&created, attributes, start_with_own_gs, start);
  if (result != 0) {
    free(start);
    return result;
  }
  *thread = created;
  __atomic_store_n(&start->thread, created, __ATOMIC_RELEASE);
  return 0;
}
