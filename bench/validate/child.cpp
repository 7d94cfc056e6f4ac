#include "bench/validate/child.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace bench::validate {

namespace {

// Handles one complete record line from the child.
void TakeRecord(std::string_view line, Outcome& outcome, const ChildJob& job,
                const std::function<void(std::string_view)>& onTrace) {
  if (line.empty()) return;
  const char tag = line[0];
  const std::string_view text = line.size() > 2 ? line.substr(2) : std::string_view();
  switch (tag) {
    case 'S':
      outcome.lastStep = text;
      if (job.trace) onTrace("  -- " + std::string(text));
      break;
    case 'T':
      if (job.trace) onTrace("     " + std::string(text));
      break;
    case 'F':
      outcome.failures.emplace_back(text);
      break;
    case 'K':
      outcome.skip = text;
      break;
    case 'D':
      outcome.done = true;
      break;
    default:
      break;
  }
}

// Takes every complete line out of `buffer`.
void TakeLines(std::string& buffer, Outcome& outcome, const ChildJob& job,
               const std::function<void(std::string_view)>& onTrace) {
  size_t start = 0;
  for (size_t end; (end = buffer.find('\n', start)) != std::string::npos; start = end + 1) {
    TakeRecord(std::string_view(buffer).substr(start, end - start), outcome, job, onTrace);
  }
  buffer.erase(0, start);
}

void SplitErrors(const std::string& text, Outcome& outcome) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) outcome.errors.push_back(std::move(line));
    start = end + 1;
  }
}

}  // namespace

void LineReport::Write(char tag, std::string_view text) {
  std::string line;
  line.reserve(text.size() + 3);
  line += tag;
  line += ' ';
  for (char c : text) line += (c == '\n' || c == '\r') ? ' ' : c;
  line += '\n';
  const char* data = line.data();
  size_t left = line.size();
  while (left > 0) {
#if defined(_WIN32)
    const int written = _write(fd_, data, static_cast<unsigned>(left));
#else
    const ssize_t written = ::write(fd_, data, left);
#endif
    if (written <= 0) return;  // the parent has gone; nothing to tell
    data += written;
    left -= static_cast<size_t>(written);
  }
}

void RunCheckHere(const ChildJob& job, Report& report) {
  CheckEnv env;
  env.moduleFile = job.moduleFile;
  env.gauge = job.gauge;
  env.seed = job.seed;
  env.steps = job.steps;
  env.trace = job.trace;
  env.report = &report;
  job.check->run(env);
}

#if defined(_WIN32)

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// One argument quoted the way the C runtime splits a command line.
std::wstring QuoteArgument(const std::wstring& argument) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  out += L'"';
  return out;
}

// Takes what a pipe holds now, without waiting; false once the writer has
// closed it and it is empty.
bool Drain(HANDLE pipe, std::string& into) {
  char buffer[4096];
  while (true) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) return true;
    DWORD got = 0;
    const DWORD want = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
    if (!ReadFile(pipe, buffer, want, &got, nullptr) || got == 0) return false;
    into.append(buffer, got);
  }
}

}  // namespace

Outcome RunInChild(const ChildJob& job, const std::function<void(std::string_view)>& onTrace) {
  Outcome outcome;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = QuoteArgument(self) + L" validate --child " + Widen(job.check->name) +
                         L" --seed " + std::to_wstring(job.seed) + L" --steps " +
                         std::to_wstring(job.steps) + (job.trace ? L" --trace " : L" ") +
                         QuoteArgument(Widen(job.moduleFile));

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
  if (!CreatePipe(&outRead, &outWrite, &inherit, 0) ||
      !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
    outcome.ending = "could not be started (no pipe)";
    return outcome;
  }
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process{};
  std::cout.flush();
  std::cerr.flush();
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (!started) {
    CloseHandle(outRead);
    CloseHandle(errRead);
    outcome.ending = "could not be started (error " + std::to_string(GetLastError()) + ")";
    return outcome;
  }

  // One thread reads both pipes as they fill, so that neither fills up and
  // stalls the child, until the child has ended and both are empty.
  std::string records, errors;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(job.timeoutSeconds) * 1000u;
  bool timedOut = false, recordsOpen = true, errorsOpen = true;
  while (true) {
    if (recordsOpen) {
      recordsOpen = Drain(outRead, records);
      TakeLines(records, outcome, job, onTrace);
    }
    if (errorsOpen) errorsOpen = Drain(errRead, errors);
    if (!recordsOpen && !errorsOpen) break;
    if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) {
      // Ended: what is left in the pipes is all there will be.
      Drain(outRead, records);
      Drain(errRead, errors);
      break;
    }
    if (GetTickCount64() > deadline) {
      timedOut = true;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, INFINITE);
      break;
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(outRead);
  CloseHandle(errRead);

  records += '\n';
  TakeLines(records, outcome, job, onTrace);
  SplitErrors(errors, outcome);
  char text[64];
  if (timedOut) {
    outcome.ending = "did not finish within " + std::to_string(job.timeoutSeconds) + " s";
  } else if (code >= 0xC0000000u) {
    std::snprintf(text, sizeof text, "crashed (exception 0x%08lx)", static_cast<unsigned long>(code));
    outcome.ending = text;
  } else if (code != 0) {
    outcome.ending = "ended with exit status " + std::to_string(code);
  } else if (!outcome.done) {
    outcome.ending = "ended before the check finished";
  }
  return outcome;
}

#else

Outcome RunInChild(const ChildJob& job, const std::function<void(std::string_view)>& onTrace) {
  Outcome outcome;
  int records[2], errors[2];
  if (pipe2(records, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0) {
    outcome.ending = "could not be started (no pipe)";
    return outcome;
  }
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) {
    outcome.ending = "could not be started (no fork)";
    return outcome;
  }
  if (pid == 0) {
    // The child: whatever the module or a sanitizer prints goes to the
    // error pipe, the report to the record pipe.
    close(records[0]);
    close(errors[0]);
    dup2(errors[1], STDERR_FILENO);
    dup2(errors[1], STDOUT_FILENO);
    close(errors[1]);
    LineReport report(records[1]);
    RunCheckHere(job, report);
    report.Done();
    std::exit(0);  // through the exit handlers: the leak check runs here
  }
  close(records[1]);
  close(errors[1]);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(job.timeoutSeconds);
  std::string recordText, errorText;
  bool recordsOpen = true, errorsOpen = true, timedOut = false;
  char buffer[65536];
  while (recordsOpen || errorsOpen) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
    pollfd fds[2];
    nfds_t n = 0;
    if (recordsOpen) fds[n++] = {records[0], POLLIN, 0};
    if (errorsOpen) fds[n++] = {errors[0], POLLIN, 0};
    if (poll(fds, n, static_cast<int>(std::min<int64_t>(left.count(), 1000))) < 0) continue;
    for (nfds_t i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got <= 0) {
        (fds[i].fd == records[0] ? recordsOpen : errorsOpen) = false;
        continue;
      }
      if (fds[i].fd == records[0]) {
        recordText.append(buffer, static_cast<size_t>(got));
        TakeLines(recordText, outcome, job, onTrace);
      } else if (errorText.size() < (1u << 20)) {
        errorText.append(buffer, static_cast<size_t>(got));
      }
    }
  }
  close(records[0]);
  close(errors[0]);
  int status = 0;
  waitpid(pid, &status, 0);

  recordText += '\n';
  TakeLines(recordText, outcome, job, onTrace);
  SplitErrors(errorText, outcome);
  if (timedOut) {
    outcome.ending = "did not finish within " + std::to_string(job.timeoutSeconds) + " s";
  } else if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    const char* name = strsignal(signal);
    outcome.ending = "crashed (signal " + std::to_string(signal) +
                     (name != nullptr ? std::string(", ") + name : std::string()) + ")";
  } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
    outcome.ending = "ended with exit status " + std::to_string(WEXITSTATUS(status));
  } else if (!outcome.done) {
    outcome.ending = "ended before the check finished";
  }
  return outcome;
}

#endif

}  // namespace bench::validate
