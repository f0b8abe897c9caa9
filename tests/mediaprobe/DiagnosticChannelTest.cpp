// The diagnostic lines on standard error as a host meets them: a broken or
// closed standard error never hurts the host, and whole lines from many
// threads never mix, however long they are.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "ProbeTestSupport.h"
#include "Trace.h"
#include "libMetaScopeSDK.h"

namespace {

// Exit codes of the child below; a signal that ends it is reported as such.
enum ChildResult { kChildOk = 0, kChildHostSignalLost = 3, kChildSignalLeftPending = 4, kChildSetupFailed = 5 };

bool SigpipePending() {
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  return sigismember(&pending, SIGPIPE) == 1;
}

// In a child process whose standard error is a pipe nobody reads, with
// SIGPIPE at its default action (ending the process).
int BrokenStandardErrorChild() {
  int fds[2];
  if (pipe(fds) != 0) return kChildSetupFailed;
  close(fds[0]);
  if (dup2(fds[1], STDERR_FILENO) < 0) return kChildSetupFailed;
  close(fds[1]);
  std::signal(SIGPIPE, SIG_DFL);
  sigset_t pipeOnly;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  pthread_sigmask(SIG_UNBLOCK, &pipeOnly, nullptr);

  // An error line and a long debug line: both meet EPIPE.
  if (MediaInfoGetWidth(nullptr) != METASCOPE_ERR_WIDTH) return kChildSetupFailed;
  metascope::TraceError(std::string(100000, 'e').c_str(), 1);
  if (SigpipePending()) return kChildSignalLeftPending;

  // A SIGPIPE the host has pending itself (blocked) is left for the host.
  pthread_sigmask(SIG_BLOCK, &pipeOnly, nullptr);
  raise(SIGPIPE);
  MediaInfoGetHeight(nullptr);
  if (!SigpipePending()) return kChildHostSignalLost;
  int taken = 0;
  sigwait(&pipeOnly, &taken);
  pthread_sigmask(SIG_UNBLOCK, &pipeOnly, nullptr);

  // Standard error closed altogether.
  close(STDERR_FILENO);
  if (MediaInfoGetVideoRotate(nullptr) != METASCOPE_ERR_VIDEO_ROTATE) return kChildSetupFailed;
  return kChildOk;
}

TEST(DiagnosticChannel, ABrokenStandardErrorNeverRaisesSigpipeInTheHost) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(BrokenStandardErrorChild());
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_FALSE(WIFSIGNALED(status)) << "the child was ended by signal " << WTERMSIG(status);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kChildOk);
}

TEST(DiagnosticChannel, LinesFromManyThreadsArriveWhole) {
  // Standard error becomes a pipe, read by a thread of its own; every line is
  // longer than the pipe's buffer, so each takes several writes.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int savedStderr = dup(STDERR_FILENO);
  ASSERT_GE(savedStderr, 0);
  ASSERT_GE(dup2(fds[1], STDERR_FILENO), 0);
  close(fds[1]);
  std::string received;
  std::thread reader([&] {
    char chunk[65536];
    for (;;) {
      const ssize_t n = read(fds[0], chunk, sizeof chunk);
      if (n > 0) {
        received.append(chunk, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        break;
      }
    }
  });

  constexpr int kThreads = 16;
  constexpr int kLinesEach = 4;
  auto messageOf = [](int t) { return std::string(70000 + 1000 * static_cast<std::size_t>(t), char('a' + t)); };
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t, &messageOf] {
      const std::string message = messageOf(t);
      for (int i = 0; i < kLinesEach; ++i) metascope::TraceError(message.c_str(), t);
    });
  }
  for (std::thread& writer : writers) writer.join();
  dup2(savedStderr, STDERR_FILENO);
  close(savedStderr);
  reader.join();
  close(fds[0]);

  std::vector<int> seen(kThreads, 0);
  int wrong = 0;
  for (const std::string& line : probetest::Lines(received)) {
    const int t = line.size() > 19 ? line[19] - 'a' : -1;
    if (t >= 0 && t < kThreads && line + "\n" == probetest::ErrorLine(messageOf(t), t)) {
      ++seen[static_cast<std::size_t>(t)];
    } else {
      ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0) << "lines mixed from several threads";
  EXPECT_EQ(seen, std::vector<int>(kThreads, kLinesEach));
}

}  // namespace
