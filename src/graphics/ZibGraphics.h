#pragma once
// The graphics manager: owner of the Direct3D object and device, the video
// modes, the letterboxed viewport of the 800 by 480 logical screen, the
// fixed render states, presentation, device recovery and screenshots.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ClassInfo.h"
#include "base/Vector3.h"
#include "engine/Zib.h"
#include "engine/ZibBase.h"
#include "engine/input/ZibInput.h"
#include "platform/D3D9.h"

class Context;
class MemoryImageFile;

class ZibGraphics {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  // Reads the settings, creates the device for the closest mode and installs
  // itself as the engine's frame device and the error manager's display hooks.
  ZibGraphics();
  ZibGraphics(const ZibGraphics&) = delete;
  ZibGraphics& operator=(const ZibGraphics&) = delete;
  // Leaves full screen first, so that the desktop mode is back before release.
  virtual ~ZibGraphics();
  virtual void onZIBmodeChange(int32_t /*oldMode*/, int32_t /*newMode*/) {}

  // Chooses format, back-buffer size and viewport for a request.
  void calcClosestMatchParameters(bool bFullScreen, int32_t width, int32_t height);
  void buildPresentParameters(D3DPRESENT_PARAMETERS& d3dpp);
  void applyWindowPlacement();
  // Negative sizes keep the current ones. Anything but the filter needs a
  // new presentation, which the frame loop builds.
  void changePresentationParameters(int32_t width, int32_t height, bool bFullScreen, bool bAllowLetterbox,
                                    bool bBilinearFilter, bool bUseVSync);
  void saveSettings();
  // Keeps videoModes ascending by width, then height, without repeats.
  void addVideoMode(int32_t width, int32_t height);
  void setIdentityGammaRamp();
  void dumpAdapterInfo();
  void dumpDeviceCaps();

  static std::u16string D3DFORMAT2string(D3DFORMAT format);
  // 0, with a log line, for a format a back buffer cannot have.
  static int32_t D3DFORMAT2bits(D3DFORMAT format);

  // Clears the whole back buffer (the bars) and sets the letterboxed viewport.
  void beginFrame();
  void setGlobalRenderState();
  void flip();
  // False only when the reset failed. Without bReset only the pixel scale,
  // render states and window placement are applied again.
  bool restorePresentation(bool bReset);
  // Writes ".tga" (with the scene's coverage as alpha), ".bmp" or ".jpg".
  void saveScreenshot(Context* root, std::u16string path);
  // Back to a window and the desktop mode first, then the device and the
  // Direct3D object go (a fatal report's step, and the destructor's).
  void releaseDisplay();
  // The back buffer as a new image the caller owns; black when it cannot be read.
  MemoryImageFile* captureBackBuffer();
  // Window pixels to logical view coordinates (y up), clamped to the viewport.
  void windowToView(Vector3& out, float x, float y, float z) const;

  Vector3 pixelScale;
  Vector3 texelAlignment;
  uint8_t bFullScreen = 0;
  uint8_t bBilinearFilter = 0;
  uint8_t bUseVSync = 0;
  uint8_t bEnableFontCache = 0;
  uint8_t bUseHardwareTL = 0;
  uint8_t bSimulate256x256TextureHW = 0;
  int32_t screenWidth = 0, screenHeight = 0;
  int32_t videoModeWidth = 0, videoModeHeight = 0;
  int32_t viewportWidth = 0, viewportHeight = 0;
  int32_t bitsPerPixel = 0;
  float screenAspect = 0;
  float viewportAspect = 0;
  uint8_t bAlphaCapture = 0;
  uint8_t bHighDetail = 0;
  ZibBase videoModes;
  int32_t viewportLeft = 0, viewportTop = 0, viewportBottom = 0, viewportRight = 0;
  IDirect3DDevice9* dxDevice = nullptr;
  uint8_t bAllowLetterbox = 0;
  int32_t backBufferWidth = 0, backBufferHeight = 0;
  struct {
    int32_t width = 0, height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
  } desktopMode;
  RECT workArea;
  IDirect3D9* dxD3D = nullptr;
  D3DCAPS9 dxCaps = {};
  D3DFORMAT backBufferFormat = D3DFMT_UNKNOWN;

  // Consecutive failed resets after which a windowed desktop-sized mode is tried.
  static constexpr int32_t kMaxFailedResets = 3;

 private:
  // What the frame loop drives: the cooperative level, recovery and the scene.
  class FrameSeam : public Zib::FrameDevice {
   public:
    explicit FrameSeam(ZibGraphics& graphics) : graphics(graphics) {}
    int32_t testCooperativeLevel() override;
    bool restorePresentation() override { return graphics.restorePresentation(true); }
    void beginScene() override;
    void endScene() override;
    void present() override { graphics.flip(); }
    void drawOverlay(const int32_t* savedStats) override;

   private:
    ZibGraphics& graphics;
  };

  // Pointer positions: the window shows the back buffer (scaled, with bars in
  // a full-screen mode other than the desktop's), which shows the viewport.
  class PointerSeam : public ZibInput::ViewMapping {
   public:
    explicit PointerSeam(ZibGraphics& graphics) : graphics(graphics) {}
    Vector3 windowToView(float x, float y, float z) const override;
    void viewToWindow(const Vector3& view, float& x, float& y) const override;
    int32_t screenWidth() const override { return graphics.screenWidth; }
    int32_t screenHeight() const override { return graphics.screenHeight; }

   private:
    ZibGraphics& graphics;
  };

  void readSettings();
  // The adapter's sizes in one format, ascending by width, then height, without repeats.
  std::vector<std::pair<int32_t, int32_t>> listAdapterModes(D3DFORMAT format);
  // Copies the back buffer into `image` (of the back buffer's size).
  bool copyBackBuffer(MemoryImageFile& image);
  // Writes `image` back into the back buffer.
  void restoreBackBuffer(const MemoryImageFile& image);

  FrameSeam frameSeam{*this};
  PointerSeam pointerSeam{*this};
  bool bSceneOpen = false;
  int32_t failedResets = 0;
};
