#include "engine/ErrorManager.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "engine/AppPaths.h"
#include "engine/CrashDump.h"
#include "engine/Logger.h"
#include "engine/Zib.h"
#include "engine/ZibModules.h"
#include "platform/System.h"

ZIB_DEFINE_ROOT_CLASS(ErrorManager, nullptr);

namespace {

ErrorManager::FatalHook& fatalHook() {
  static ErrorManager::FatalHook hook;
  return hook;
}

// The report under way. Each step is counted before it runs, so a failure
// inside a step (the screenshot hitting a fatal error itself, say) re-enters
// fail(), which carries on with the steps after it instead of starting over.
enum ReportStep { LOG_MESSAGE, SHUT_DOWN, SCREENSHOT, RELEASE_DISPLAY, MESSAGE_BOX, LOG_EXIT, CLOSE_LOG, STEP_COUNT };
int nextStep = 0;
bool bNestedLogged = false;
std::u16string reportMessage;

bool graphicsStepAllowed() {
  return zib && zib->pZibGraphics && std::this_thread::get_id() == zib->mainThreadId;
}

void runStep(int step) {
  switch (step) {
    case LOG_MESSAGE:
      logFunctionMessage(u"ErrorManager::error", reportMessage);
      break;
    case SHUT_DOWN:
      if (zib) zib->bShuttingDown = true;  // no engine mode change during the report
      break;
    case SCREENSHOT:
      if (graphicsStepAllowed()) zibModules().saveCrashScreenshot(*zib, crashScreenshotPath());
      break;
    case RELEASE_DISPLAY:
      // Leaves full screen, so that the message box can be seen.
      if (graphicsStepAllowed()) zibModules().releaseDisplay(*zib);
      break;
    case MESSAGE_BOX:
      showMessageBox(u"Error", reportMessage);
      break;
    case LOG_EXIT:
      logFunctionMessage(u"ErrorManager::error", u"Forced exit.");
      break;
    case CLOSE_LOG:
      if (zib && zib->pLogger) zib->pLogger->close();
      break;
  }
}

// The result names of Direct3D 9, D3DX, DirectInput 8 and COM. Codes shared
// between them carry the COM name.
struct ResultName {
  uint32_t code;
  const char16_t* name;
};

constexpr uint32_t d3dResult(uint32_t code) { return 0x88760000u | code; }
constexpr uint32_t win32Result(uint32_t error) { return 0x80070000u | error; }

constexpr ResultName kResultNames[] = {
    {0x80004001u, u"E_NOTIMPL"},
    {0x80004002u, u"E_NOINTERFACE"},
    {0x80004003u, u"E_POINTER"},
    {0x80004004u, u"E_ABORT"},
    {0x80004005u, u"E_FAIL"},
    {0x8000FFFFu, u"E_UNEXPECTED"},
    {0x8000000Au, u"E_PENDING"},
    {win32Result(5), u"E_ACCESSDENIED"},
    {win32Result(6), u"E_HANDLE"},
    {win32Result(14), u"E_OUTOFMEMORY"},
    {win32Result(87), u"E_INVALIDARG"},

    {d3dResult(2072), u"D3DERR_WRONGTEXTUREFORMAT"},
    {d3dResult(2073), u"D3DERR_UNSUPPORTEDCOLOROPERATION"},
    {d3dResult(2074), u"D3DERR_UNSUPPORTEDCOLORARG"},
    {d3dResult(2075), u"D3DERR_UNSUPPORTEDALPHAOPERATION"},
    {d3dResult(2076), u"D3DERR_UNSUPPORTEDALPHAARG"},
    {d3dResult(2077), u"D3DERR_TOOMANYOPERATIONS"},
    {d3dResult(2078), u"D3DERR_CONFLICTINGTEXTUREFILTER"},
    {d3dResult(2079), u"D3DERR_UNSUPPORTEDFACTORVALUE"},
    {d3dResult(2081), u"D3DERR_CONFLICTINGRENDERSTATE"},
    {d3dResult(2082), u"D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    {d3dResult(2086), u"D3DERR_CONFLICTINGTEXTUREPALETTE"},
    {d3dResult(2087), u"D3DERR_DRIVERINTERNALERROR"},
    {d3dResult(2150), u"D3DERR_NOTFOUND"},
    {d3dResult(2151), u"D3DERR_MOREDATA"},
    {d3dResult(2152), u"D3DERR_DEVICELOST"},
    {d3dResult(2153), u"D3DERR_DEVICENOTRESET"},
    {d3dResult(2154), u"D3DERR_NOTAVAILABLE"},
    {d3dResult(380), u"D3DERR_OUTOFVIDEOMEMORY"},
    {d3dResult(2155), u"D3DERR_INVALIDDEVICE"},
    {d3dResult(2156), u"D3DERR_INVALIDCALL"},
    {d3dResult(2157), u"D3DERR_DRIVERINVALIDCALL"},
    {d3dResult(540), u"D3DERR_WASSTILLDRAWING"},
    {d3dResult(2160), u"D3DERR_DEVICEREMOVED"},
    {d3dResult(2164), u"D3DERR_DEVICEHUNG"},

    {d3dResult(2900), u"D3DXERR_CANNOTMODIFYINDEXBUFFER"},
    {d3dResult(2901), u"D3DXERR_INVALIDMESH"},
    {d3dResult(2902), u"D3DXERR_CANNOTATTRSORT"},
    {d3dResult(2903), u"D3DXERR_SKINNINGNOTSUPPORTED"},
    {d3dResult(2904), u"D3DXERR_TOOMANYINFLUENCES"},
    {d3dResult(2905), u"D3DXERR_INVALIDDATA"},
    {d3dResult(2906), u"D3DXERR_LOADEDMESHASNODATA"},
    {d3dResult(2907), u"D3DXERR_DUPLICATENAMEDFRAGMENT"},
    {d3dResult(2908), u"D3DXERR_CANNOTREMOVELASTITEM"},

    {win32Result(1150), u"DIERR_OLDDIRECTINPUTVERSION"},
    {win32Result(1153), u"DIERR_BETADIRECTINPUTVERSION"},
    {win32Result(119), u"DIERR_BADDRIVERVER"},
    {0x80040154u, u"DIERR_DEVICENOTREG"},
    {win32Result(2), u"DIERR_NOTFOUND"},
    {win32Result(21), u"DIERR_NOTINITIALIZED"},
    {win32Result(1247), u"DIERR_ALREADYINITIALIZED"},
    {0x80040110u, u"DIERR_NOAGGREGATION"},
    {win32Result(30), u"DIERR_INPUTLOST"},
    {win32Result(170), u"DIERR_ACQUIRED"},
    {win32Result(12), u"DIERR_NOTACQUIRED"},
    {0x80040200u, u"DIERR_INSUFFICIENTPRIVS"},
    {0x80040201u, u"DIERR_DEVICEFULL"},
    {0x80040202u, u"DIERR_MOREDATA"},
    {0x80040203u, u"DIERR_NOTDOWNLOADED"},
    {0x80040204u, u"DIERR_HASEFFECTS"},
    {0x80040205u, u"DIERR_NOTEXCLUSIVEACQUIRED"},
    {0x80040206u, u"DIERR_INCOMPLETEEFFECT"},
    {0x80040207u, u"DIERR_NOTBUFFERED"},
    {0x80040208u, u"DIERR_EFFECTPLAYING"},
    {0x80040209u, u"DIERR_UNPLUGGED"},
    {0x8004020Au, u"DIERR_REPORTFULL"},
    {0x8004020Bu, u"DIERR_MAPFILEFAIL"},
};

}  // namespace

ErrorManager::ErrorManager() { ZIB_LOG(u"Starting..."); }

void ErrorManager::setFatalHook(FatalHook hook) { fatalHook() = std::move(hook); }

void ErrorManager::fail(const std::u16string& message) {
  const bool bOutermost = nextStep == 0;
  if (bOutermost) {
    reportMessage = message;
  } else if (!bNestedLogged && nextStep > LOG_MESSAGE + 1) {
    bNestedLogged = true;  // once: the logger itself may be what fails
    logFunctionMessage(u"ErrorManager::error", message);
  }
  // A hook that throws unwinds through here; the next failure reports afresh.
  struct ResetOnUnwind {
    bool bActive;
    ~ResetOnUnwind() {
      if (bActive) nextStep = 0, bNestedLogged = false;
    }
  } reset{bOutermost};

  while (nextStep < STEP_COUNT) runStep(nextStep++);

  if (fatalHook()) fatalHook()(reportMessage);
  // The exit of a reported failure is no crash.
  uninstallCrashFilter();
  std::exit(kExitCode);
}

std::u16string ErrorManager::getHRESULTString(int32_t hr) {
  if (hr >= 0) return u"S_OK";
  const auto code = static_cast<uint32_t>(hr);
  const auto* entry = std::find_if(std::begin(kResultNames), std::end(kResultNames),
                                   [code](const ResultName& e) { return e.code == code; });
  return formatString(u"%s (0x%08x)", entry != std::end(kResultNames) ? entry->name : u"Unknown", code);
}

void reportError(const std::u16string& function, const char* file, int line, const std::u16string& message) {
  ErrorManager::fail(formatString(u"Error: %s\n Function: %s()\n File: %s\n Line: %d", message, function,
                                  getFileName(fromUtf8(file)), line));
}

void reportAssertion(const std::u16string& function, const char* file, int line, const char16_t* statement) {
  reportFailedStatement(u"Assertion failed.", statement, function, file, line);
}

void reportFailedStatement(const std::u16string& message, const char16_t* statement, const std::u16string& function,
                           const char* file, int line) {
  ErrorManager::fail(formatString(u"Error: %s\n Statement: %s\n Function: %s()\n File: %s\n Line: %d", message,
                                  statement, function, getFileName(fromUtf8(file)), line));
}
