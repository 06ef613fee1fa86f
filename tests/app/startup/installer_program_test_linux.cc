// The real lumacast-installer, started twice: the second copy asks (an X11
// dialog with a display, standard error without one), and its answer decides
// what happens; without any display the program cannot show its window. Each test has its own lock folder (XDG_RUNTIME_DIR).
#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool, ...) break its headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "app/startup/single_instance.h"
#include "base/utf.h"

namespace {

using namespace std::chrono_literals;

template <class Predicate>
bool WaitFor(Predicate predicate, std::chrono::milliseconds limit = 20000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

class Installer {
 public:
  // `display`: keep DISPLAY or run without one. Standard error goes to `log`.
  bool Start(const std::string& runtime_dir, bool display, const std::string& log) {
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      setenv("XDG_RUNTIME_DIR", runtime_dir.c_str(), 1);
      if (!display) unsetenv("DISPLAY");
      const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd >= 0) dup2(fd, 2);
      execl(LUMACAST_INSTALLER_PATH, LUMACAST_INSTALLER_PATH, static_cast<char*>(nullptr));
      _exit(127);
    }
    return true;
  }
  ~Installer() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Running() {
    if (exited_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0) return true;
    exited_ = true;
    status_ = status;
    return false;
  }
  // The exit code, or -1 when it did not exit normally within the limit.
  int WaitForExit() {
    if (!WaitFor([this] { return !Running(); })) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
  }
  void Terminate() { kill(pid_, SIGTERM); }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = 0;
};

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A top-level X window titled "Installation Tips", or 0.
Window FindPrompt(Display* display) {
  Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
  for (unsigned int i = 0; i < count && !found; ++i) {
    char* name = nullptr;
    if (XFetchName(display, children[i], &name) && name) {
      if (std::string(name) == "Installation Tips") found = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  return found;
}

void PressKey(Display* display, Window window, KeySym key) {
  XEvent event{};
  event.xkey.type = KeyPress;
  event.xkey.display = display;
  event.xkey.window = window;
  event.xkey.root = DefaultRootWindow(display);
  event.xkey.keycode = XKeysymToKeycode(display, key);
  event.xkey.same_screen = True;
  XSendEvent(display, window, True, KeyPressMask, &event);
  XFlush(display);
}

class InstallerProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/lumacast-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  // Starts the first copy (it opens its window, so it needs the display) and
  // waits until it holds the lock.
  void StartFirst() {
    ASSERT_TRUE(first.Start(dir_, true, dir_ + "/first.log"));
    const std::string lock = dir_ + "/" + nbase::WideToUTF8(kSingleInstanceName) + ".lock";
    const std::string pid = std::to_string(first.pid()) + "\n";
    ASSERT_TRUE(WaitFor([&] { return ReadFile(lock) == pid; })) << "the first copy never took the lock";
  }

  std::string dir_;
  Installer first, second;
};

TEST_F(InstallerProgramTest, WithoutDisplaySecondCopyPrintsThePromptAndExitsZero) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display for the first copy's window";
  StartFirst();
  ASSERT_TRUE(second.Start(dir_, false, dir_ + "/second.log"));
  EXPECT_EQ(second.WaitForExit(), 0);
  EXPECT_EQ(ReadFile(dir_ + "/second.log"),
            "Installation Tips: " + nbase::WideToUTF8(SingleInstancePromptText()) + "\n");
  EXPECT_TRUE(first.Running());
  first.Terminate();  // the orderly quit of the UI loop
  EXPECT_EQ(first.WaitForExit(), 0);
}

// Without a display the window cannot be made: the program says why and ends
// with 1, and it let go of the guard (the next copy says the same, not the
// single-instance prompt).
TEST_F(InstallerProgramTest, WithoutAnyDisplayTheProgramSaysSoAndEndsWithOne) {
  ASSERT_TRUE(first.Start(dir_, false, dir_ + "/first.log"));
  EXPECT_EQ(first.WaitForExit(), 1);
  EXPECT_NE(ReadFile(dir_ + "/first.log").find("cannot open the X display"), std::string::npos)
      << ReadFile(dir_ + "/first.log");
  ASSERT_TRUE(second.Start(dir_, false, dir_ + "/second.log"));
  EXPECT_EQ(second.WaitForExit(), 1);
  EXPECT_NE(ReadFile(dir_ + "/second.log").find("cannot open the X display"), std::string::npos)
      << ReadFile(dir_ + "/second.log");
}

class InstallerDialogTest : public InstallerProgramTest {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    InstallerProgramTest::SetUp();
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr);
    StartFirst();
    ASSERT_TRUE(second.Start(dir_, true, dir_ + "/second.log"));
    ASSERT_TRUE(WaitFor([this] { return (prompt_ = FindPrompt(display_)) != 0; }))
        << "the second copy showed no dialog";
  }
  void TearDown() override {
    if (display_) XCloseDisplay(display_);
    if (!dir_.empty()) InstallerProgramTest::TearDown();
  }
  Display* display_ = nullptr;
  Window prompt_ = 0;
};

TEST_F(InstallerDialogTest, EscapeCancelsAndTheFirstCopyGoesOn) {
  PressKey(display_, prompt_, XK_Escape);
  EXPECT_EQ(second.WaitForExit(), 0);
  EXPECT_EQ(FindPrompt(display_), 0u);
  EXPECT_TRUE(first.Running());
  first.Terminate();
  EXPECT_EQ(first.WaitForExit(), 0);
}

}  // namespace
