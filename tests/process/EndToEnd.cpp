#include "process/EndToEnd.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "base/StringUtils.h"
#include "support/TempFolder.h"
#include "engine/SystemInfo.h"

// Last: Xlib's macros (None, Status, True...) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  for (const auto end = std::chrono::steady_clock::now() + timeout;; std::this_thread::sleep_for(20ms)) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
  }
}

namespace {

// The top-level window whose _NET_WM_PID is `pid`, depth-first.
Window findWindow(Display* display, Window window, Atom pidAtom, pid_t pid) {
  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* value = nullptr;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &value) ==
          Success && value) {
    const bool bOurs = items == 1 && *reinterpret_cast<unsigned long*>(value) == static_cast<unsigned long>(pid);
    XFree(value);
    if (bOurs) return window;
  }
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count))
    for (unsigned int i = 0; i < count && !found; ++i) found = findWindow(display, children[i], pidAtom, pid);
  if (children) XFree(children);
  return found;
}

}  // namespace

Screenshot Screenshot::reduced(int block) const {
  Screenshot out;
  out.width = width / block;
  out.height = height / block;
  out.rgb.resize(size_t(out.width) * out.height * 3);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < block; ++dy)
          for (int dx = 0; dx < block; ++dx) sum += rgb[(size_t(y * block + dy) * width + x * block + dx) * 3 + c];
        out.rgb[(size_t(y) * out.width + x) * 3 + c] = static_cast<uint8_t>(sum / (block * block));
      }
  return out;
}

bool Screenshot::save(const fs::path& path) const {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << ' ' << height << "\n255\n";
  out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  return bool(out);
}

std::optional<Screenshot> Screenshot::load(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  Screenshot shot;
  int maxValue = 0;
  if (!(in >> magic >> shot.width >> shot.height >> maxValue) || magic != "P6" || maxValue != 255) return std::nullopt;
  if (shot.width <= 0 || shot.height <= 0 || shot.width > 4096 || shot.height > 4096) return std::nullopt;
  in.get();
  shot.rgb.resize(size_t(shot.width) * shot.height * 3);
  if (!in.read(reinterpret_cast<char*>(shot.rgb.data()), static_cast<std::streamsize>(shot.rgb.size())))
    return std::nullopt;
  return shot;
}

double Screenshot::meanDifference(const Screenshot& other) const {
  double sum = 0;
  for (size_t i = 0; i < rgb.size(); ++i) sum += std::abs(int(rgb[i]) - int(other.rgb[i]));
  return rgb.empty() ? 0 : sum / double(rgb.size());
}

double Screenshot::shareDifferent(const Screenshot& other, int threshold) const {
  size_t count = 0;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
    int largest = 0;
    for (int c = 0; c < 3; ++c) largest = std::max(largest, std::abs(int(rgb[i + c]) - int(other.rgb[i + c])));
    if (largest > threshold) ++count;
  }
  return rgb.empty() ? 0 : double(count) / double(rgb.size() / 3);
}

void EndToEndTest::SetUp() {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  // A window may vanish between two calls (a program ending): its errors
  // mean "not there", which each call's result already says, and must not
  // end the test program as Xlib's default handler would.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  keepDisplay = XOpenDisplay(nullptr);
  ASSERT_TRUE(keepDisplay);
  installFolder = makeTempFolder("zibendtoend");
  ASSERT_FALSE(installFolder.empty());
  // A name of its own: a copy of the program running elsewhere on this
  // machine would make ours end at once as a second instance.
  program = installFolder / ("skerrion2-e2e-" + std::to_string(getpid()));
  const fs::path bin = ZIB_BIN_DIR;
  std::error_code linkError;
  fs::create_hard_link(bin / "skerrion2", program, linkError);
  if (linkError) fs::copy_file(bin / "skerrion2", program);
  for (const char* data : {"Skerrion2demo.dat", "fonts.dat", "en.language.v2", "de.language.v2"})
    fs::create_symlink(bin / data, installFolder / data);
  // A copy: a test may damage it.
  fs::copy_file(bin / "Skerrion2demo.cfg.static", installFolder / "Skerrion2demo.cfg.static");
  userFolder = toUtf8(getUserDataFolder());
  fs::create_directories(userFolder);
  // In sanitizer builds without the leak check at exit: the display libraries
  // leave their allocations to the end of the process.
  const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
  for (char** variable = environ; *variable; ++variable)
    if (!std::string_view(*variable).starts_with("ASAN_OPTIONS=")) environment.emplace_back(*variable);
  environment.push_back(std::string("ASAN_OPTIONS=") + (sanitizerOptions ? sanitizerOptions : "") + ":detect_leaks=0");
}

void EndToEndTest::TearDown() {
  for (pid_t pid : running) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  std::error_code ignored;
  if (!installFolder.empty()) fs::remove_all(installFolder, ignored);
  // The lock files, and the fallback folder when that is left empty.
  if (!program.empty())
    for (const fs::path& lock : lockPaths()) {
      fs::remove_all(lock, ignored);
      if (lock.parent_path().filename() == ".zib") fs::remove(lock.parent_path(), ignored);
    }
  if (keepDisplay) XCloseDisplay(static_cast<Display*>(keepDisplay));
}

std::vector<fs::path> EndToEndTest::lockPaths() const {
  const std::string name = program.filename().string() + ".lock";  // the name is lower case already
  std::vector<fs::path> paths = {fs::path("/tmp/zib-" + std::to_string(geteuid())) / name};
  if (const passwd* user = getpwuid(geteuid()); user && user->pw_dir) paths.push_back(fs::path(user->pw_dir) / ".zib" / name);
  return paths;
}

void EndToEndTest::writeConfig(const std::string& text) const {
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EngineTest::writeFile(userFolder / "Skerrion2demo.cfg", crlf);
}

pid_t EndToEndTest::start(const std::vector<std::string>& args) {
  std::vector<std::string> argvText = {program.string()};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv, envp;
  for (std::string& arg : argvText) argv.push_back(arg.data());
  argv.push_back(nullptr);
  for (std::string& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);
  const int outputFd = open((installFolder / "output.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  const pid_t pid = fork();
  if (pid == 0) {
    const rlimit noCore = {0, 0};  // a crash test's signal would leave a core file
    setrlimit(RLIMIT_CORE, &noCore);
    dup2(outputFd, STDOUT_FILENO);
    dup2(outputFd, STDERR_FILENO);
    if (bWithoutFileRights)
      for (int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(outputFd);
  if (pid > 0) running.push_back(pid);
  return pid;
}

std::optional<int> EndToEndTest::waitExit(pid_t pid, std::chrono::milliseconds timeout) {
  int status = 0;
  if (!waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout)) return std::nullopt;
  std::erase(running, pid);
  return status;
}

bool EndToEndTest::exitedWith(std::optional<int> status, int code) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

bool EndToEndTest::waitForLog(const std::string& text, std::chrono::milliseconds timeout) const {
  return waitFor([&] { return log().find(text) != std::string::npos; }, timeout);
}

fs::path EndToEndTest::useDiskAudio(const std::string& name) {
  std::erase_if(environment, [](const std::string& v) {
    return v.starts_with("SDL_AUDIODRIVER=") || v.starts_with("SDL_DISKAUDIOFILE=");
  });
  environment.push_back("SDL_AUDIODRIVER=disk");
  environment.push_back("SDL_DISKAUDIOFILE=" + (installFolder / name).string());
  return installFolder / name;
}

bool EndToEndTest::waitForSound(const fs::path& mix) const {
  return waitFor([&] {
    const std::string bytes = EngineTest::readFile(mix);
    return bytes.find_first_not_of('\0', bytes.size() > 4096 ? bytes.size() - 4096 : 0) != std::string::npos;
  }, kStartTimeout);
}

pid_t EndToEndTest::startInGameLoop() {
  const pid_t pid = start();
  if (!waitForLog(kGameLoop)) ADD_FAILURE() << "no game loop: " << output() << log();
  return pid;
}

unsigned long EndToEndTest::waitForWindow(pid_t pid) const {
  unsigned long window = 0;
  if (!waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout)) ADD_FAILURE() << "no window: " << output();
  return window;
}

pid_t EndToEndTest::startAtTitle(unsigned long& window, Screenshot* title) {
  writeConfig(kWindowed);
  const pid_t pid = start();
  window = waitForWindow(pid);
  Screenshot last;
  if (std::getenv("ZIB_UPDATE_REFERENCE")) {
    std::this_thread::sleep_for(std::chrono::seconds(5));
    last = screenshot(window)->reduced(4);
    last.save(kTitleReference);
  }
  const std::optional<Screenshot> reference = Screenshot::load(kTitleReference);
  if (!reference) ADD_FAILURE() << "no reference picture " << kTitleReference;
  else if (!waitForPicture(window, *reference, &last)) {
    last.save(fs::path(testing::TempDir()) / "title-seen.ppm");
    ADD_FAILURE() << "not the title: mean difference " << last.meanDifference(*reference) << ", share off "
                  << last.shareDifferent(*reference, 40) << "; seen in " << testing::TempDir();
  }
  if (title && reference) *title = *reference;
  return pid;
}

::testing::AssertionResult EndToEndTest::endsCleanly(pid_t pid, unsigned long window) {
  if (window ? !closeWindow(window) : kill(pid, SIGTERM) != 0) return ::testing::AssertionFailure() << "not asked to end";
  return endedCleanly(pid);
}

::testing::AssertionResult EndToEndTest::endedCleanly(pid_t pid) {
  if (!exitedWith(waitExit(pid), 0)) return ::testing::AssertionFailure() << "status not 0: " << output();
  const std::string text = log();
  if (!text.ends_with("Zib::~Zib(): Done. Clean exit.\r\n"))
    return ::testing::AssertionFailure() << "no clean exit: " << text.substr(text.size() / 2);
  return ::testing::AssertionSuccess();
}

std::optional<int> EndToEndTest::holdKeysUntilExit(const std::string& keys, pid_t pid) {
  int status = 0;
  if (!holdKeysUntil(keys, [&] { return waitpid(pid, &status, WNOHANG) == pid; })) return std::nullopt;
  std::erase(running, pid);
  return status;
}

Display* EndToEndTest::display() const { return static_cast<Display*>(keepDisplay); }

unsigned long EndToEndTest::windowOf(pid_t pid) const {
  return findWindow(display(), DefaultRootWindow(display()), XInternAtom(display(), "_NET_WM_PID", False), pid);
}

WindowGeometry EndToEndTest::geometryOf(unsigned long window) const {
  WindowGeometry geometry;
  geometry.screenWidth = DisplayWidth(display(), DefaultScreen(display()));
  geometry.screenHeight = DisplayHeight(display(), DefaultScreen(display()));
  XWindowAttributes attributes{};
  Window child;
  if (window && XGetWindowAttributes(display(), window, &attributes) && attributes.map_state == IsViewable) {
    XTranslateCoordinates(display(), window, DefaultRootWindow(display()), 0, 0, &geometry.x, &geometry.y, &child);
    geometry.width = attributes.width;
    geometry.height = attributes.height;
  }
  return geometry;
}

std::optional<Screenshot> EndToEndTest::screenshot(unsigned long window) const {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display(), window, &attributes) || attributes.map_state != IsViewable) return std::nullopt;
  XImage* image = XGetImage(display(), window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
  if (!image) return std::nullopt;
  std::optional<Screenshot> shot;
  if (image->bits_per_pixel == 32) {  // BGRX, as a 24-bit TrueColor server holds it
    shot.emplace();
    shot->width = image->width;
    shot->height = image->height;
    shot->rgb.resize(size_t(image->width) * image->height * 3);
    uint8_t* out = shot->rgb.data();
    for (int y = 0; y < image->height; ++y) {
      const auto* pixel = reinterpret_cast<const uint8_t*>(image->data + size_t(y) * image->bytes_per_line);
      for (int x = 0; x < image->width; ++x, pixel += 4, out += 3) out[0] = pixel[2], out[1] = pixel[1], out[2] = pixel[0];
    }
  }
  XDestroyImage(image);
  return shot;
}

bool EndToEndTest::matches(const Screenshot& reduced, const Screenshot& reference) {
  // Within 4 levels on average, and at most 2 % of the squares off by more than 40.
  return reduced.width == reference.width && reduced.height == reference.height &&
         reduced.meanDifference(reference) < 4.0 && reduced.shareDifferent(reference, 40) < 0.02;
}

bool EndToEndTest::waitForPicture(unsigned long window, const Screenshot& reference, Screenshot* last,
                                  std::chrono::milliseconds timeout) const {
  return waitFor(
      [&] {
        const std::optional<Screenshot> shot = screenshot(window);
        if (!shot) return false;
        *last = shot->reduced(4);
        return matches(*last, reference);
      },
      timeout);
}

bool EndToEndTest::holdKeysUntil(const std::string& keys, const std::function<bool()>& seen,
                                 std::chrono::milliseconds timeout) const {
  // Without the server's key repeat: a hand's held key types once.
  XKeyboardState keyboard;
  XGetKeyboardControl(display(), &keyboard);
  XKeyboardControl control = {};
  control.auto_repeat_mode = AutoRepeatModeOff;
  XChangeKeyboardControl(display(), KBAutoRepeatMode, &control);
  XSync(display(), False);
  const bool bPressed = xdotool("keydown " + keys);
  const bool bSeen = bPressed && waitFor(seen, timeout);
  const bool bReleased = xdotool("keyup " + keys);
  control.auto_repeat_mode = keyboard.global_auto_repeat;
  XChangeKeyboardControl(display(), KBAutoRepeatMode, &control);
  XSync(display(), False);
  return bReleased && bSeen;
}

bool EndToEndTest::pictureChangedFrom(unsigned long window, const Screenshot& before) const {
  const std::optional<Screenshot> shot = screenshot(window);
  return shot && shot->reduced(4).meanDifference(before) > 0.5;
}

bool EndToEndTest::xdotool(const std::string& arguments) { return std::system(("xdotool " + arguments).c_str()) == 0; }

bool EndToEndTest::closeWindow(unsigned long window) const {
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display(), "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display(), "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const bool bSent = XSendEvent(display(), window, False, NoEventMask, &event) != 0;
  XSync(display(), False);
  return bSent;
}

void EndToEndTest::destroyWindow(unsigned long window) const {
  XDestroyWindow(display(), window);
  XSync(display(), False);
}

void EndToEndTest::killClientOf(unsigned long window) const {
  XKillClient(display(), window);
  XSync(display(), False);
}

bool EndToEndTest::rewriteKeyboardMap(const std::string& displayName) {
  Display* other = XOpenDisplay(displayName.c_str());
  if (!other) return false;
  int first = 0, last = 0, perKey = 0;
  XDisplayKeycodes(other, &first, &last);
  KeySym* keys = XGetKeyboardMapping(other, static_cast<KeyCode>(first), 1, &perKey);
  if (keys) XChangeKeyboardMapping(other, first, perKey, keys, 1);
  if (keys) XFree(keys);
  XCloseDisplay(other);  // sends what is queued
  return keys != nullptr;
}

bool EndToEndTest::clickAt(unsigned long window, int x, int y) const {
  const std::string id = std::to_string(window);
  const auto moveTo = [&](int toX) {
    return xdotool("windowfocus --sync " + id + " mousemove --window " + id + " " + std::to_string(toX) + " " +
                   std::to_string(y) + " sleep 0.1");
  };
  const auto inMouseMode = [&] {
    const std::string text = log();
    const size_t at = text.rfind("Setting input mode to ");
    return at != std::string::npos && text.compare(at + 22, 1, "1") == 0;
  };
  // Two points by turns: each step is a move, whatever the pointer's place.
  for (int step = 0; step < 100 && !inMouseMode(); ++step)
    if (!moveTo(x + step % 2 * 4)) return false;
  return inMouseMode() && moveTo(x) && xdotool("mousedown 1 sleep 0.3 mouseup 1");
}
