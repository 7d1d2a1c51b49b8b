#pragma once
// The OpenGL 3.3 device. The back buffer is an offscreen framebuffer of
// exactly the chosen size, rows top first, which Present scales into the
// window; when the window's drawable has exactly that size, frames are drawn
// straight into the window's own back buffer (rows bottom first) instead. Draws are transformed on the CPU and merged into one vertex array
// until a state that the array cannot carry changes (blending, alpha test,
// culling, sampling, viewport, the stage's use of texels, primitive kind),
// more textures are needed than the units hold, or the pixels are needed
// (clear, present, read-back, a texture update): painter's order is kept.
// A software rasteriser samples every unit of a merged draw for each pixel,
// so a primitive that covers much of the screen gets a batch of its own
// texture and a batch that covers many pixels takes no further texture. A
// batch whose texels and colours are all opaque is drawn without blending or
// the alpha test, and alpha blending drops the test "alpha > 0": neither
// changes a pixel there.
// Small shader programs, made when first needed, emulate the first
// fixed-function texture stage (disable, select and modulate over texture,
// factor, diffuse and current) with the alpha test; Direct3D's clip depth and
// pixel centres are reproduced. A program the driver refuses is logged once
// with its text, and its batches are drawn texture by texture with a
// one-unit program that builds. OpenGL's out of memory where storage is made
// is Direct3D's out of video memory.
#include <epoxy/gl.h>

#include <string>
#include <vector>

#include "platform/d3dcore/DeviceCore.h"

struct SDL_Window;
union SDL_Event;
class GlTexture;

class GlDevice : public DeviceCore {
 public:
  GlDevice(IDirect3D9* d3d, HWND focusWindow, SDL_Window* window);

  // Sets SDL's attributes for the contexts this backend makes.
  static void setContextAttributes();
  // Makes the context and the objects drawing needs; before initialize.
  HRESULT createContext();

  UINT GetAvailableTextureMem() override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;

  // Draws what is merged so far.
  void flush();
  // Called by a texture before its texels change or it goes away.
  void flushIfUsing(GLuint texture);
  // Binds `texture` to unit 0 for an upload or a deletion.
  void bindForUpload(GLuint texture);
  void forgetBinding(GLuint texture);

  // Whether OpenGL ran out of memory in `call`; flags raised before it are
  // cleared first, not taken for its own.
  template <class Call>
  static bool outOfMemoryIn(const Call& call) {
    readErrors();
    call();
    return readErrors();
  }
  // Tests: fragment programs whose source holds `text` fail to compile, as
  // on a driver that refuses them; null for none. Programs already built stay.
  static void refuseProgramsWith(const char* text);

 protected:
  ~GlDevice() override;
  HRESULT applyPresentation(const D3DPRESENT_PARAMETERS& pp) override;
  void clearRect(const RECT& rect, D3DCOLOR color) override;
  void draw(D3DPRIMITIVETYPE type, const uint8_t* vertices, UINT vertexCount) override;
  void presentFrame() override;
  void readBackBuffer(MemorySurface& surface) override;
  void applyGammaRamp(const D3DGAMMARAMP& ramp) override;
  MemoryTexture* newTexture(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool) override;
  UINT maxTextureSize() const override { return static_cast<UINT>(maxTexture); }
  bool hasFocus() override;

 private:
  // Texture units one merged draw may sample from.
  static constexpr int kUnits = 8;
  // Pixels from which a primitive is drawn with its own texture only.
  static constexpr double kLargeArea = 32768;
  // Pixels from which a batch takes no further texture: each unit costs
  // every pixel of the batch a lookup, which outweighs a draw call there.
  static constexpr double kUnitArea = 16384;

  struct BatchVertex {
    float clip[4];
    float uv[3];  // the texture coordinates, then the texture's unit
    uint8_t factor[4];  // r, g, b, a: everything the stage multiplies besides texels
  };
  static_assert(sizeof(BatchVertex) == 32);

  // What the first stage multiplies for one channel group: the texel, the
  // texture factor and the diffuse colour, each 0 to 2 times.
  struct Terms {
    uint8_t texture = 0, factor = 0, diffuse = 0;
  };

  // What merged draws must share.
  struct BatchState {
    DWORD blend = 0, sourceBlend = 0, destBlend = 0, cull = 0, alphaFunc = 0, alphaRef = 0;
    DWORD addressU = 0, addressV = 0, magFilter = 0, minFilter = 0;
    DWORD viewport[4] = {};
    // The texel's power in colour and in alpha.
    uint8_t colorTexture = 0, alphaTexture = 0;
    bool operator==(const BatchState&) const = default;
  };

  // One fragment program: a stage set-up, an alpha test, a number of units.
  struct Program {
    GLuint name = 0;
    GLint halfPixel = -1, alphaRef = -1, rowOrder = -1;
    // The uniforms' values, to set them only when they change.
    float halfPixelSet[2] = {-1, -1};
    float rowOrderSet = 0;
    float alphaRefSet = -1;
    // Built, or refused by the driver (and logged).
    bool bTried = false;
  };

  // Reads and clears OpenGL's error flags: whether one was out of memory.
  static bool readErrors();
  // Compiles `source`, or logs the driver's text on `what` and gives 0.
  GLuint compileShader(GLenum kind, const std::string& source, const std::u16string& what);

  static int watchEvents(void* device, SDL_Event* event);
  BatchState currentBatchState() const;
  void updateBatchState();
  void updateLayout();
  Terms argumentTerms(DWORD argument) const;
  Terms operationTerms(DWORD op, DWORD arg1, DWORD arg2) const;
  void updateStage();
  void updateMatrix();
  uint8_t unitFor(GLuint texture);
  // Null when the driver refuses the program.
  Program* useProgram(int colorTexture, int alphaTexture, DWORD alphaFunc, int units);
  // Draws the batch with a one-unit program, one run of a unit after another.
  void drawByUnit();
  // The batch's states as drawn: an opaque batch's blending and alpha test
  // left out where they cannot change a pixel.
  BatchState drawnState() const;
  void applyGlState(const BatchState& s);
  // The pixels the triangles from `firstIndex` on cover.
  double screenArea(size_t firstIndex) const;
  // Draws the batch without its last draw, which then starts a batch of its own.
  void splitOffLastDraw(size_t firstVertex, size_t firstIndex, bool bAddedUnit);
  void releaseGlObjects();
  // Draws the frame into the window's own back buffer when it matches ours.
  void chooseTarget();
  // The OpenGL row of a rectangle's edge: its top, or in the window's own
  // buffer (rows bottom first) its bottom counted from below.
  DWORD glRowOf(DWORD top, DWORD height) const;

  SDL_Window* const window;
  void* context = nullptr;
  GLint maxTexture = 0;
  GLuint vertexShader = 0, vertexArray = 0, vertexBuffer = 0, indexBuffer = 0;
  GLuint framebuffer = 0, colorBuffer = 0, sampler = 0, whiteTexture = 0;
  // By texel power in colour and alpha, alpha function and number of units.
  Program programs[3 * 3 * 8 * kUnits];
  Program* activeProgram = nullptr;

  // The merged draws: vertices and indices up to the counts, the textures by unit.
  std::vector<BatchVertex> vertices;
  std::vector<uint32_t> indices;
  size_t vertexCount = 0, indexCount = 0;
  GLuint units[kUnits] = {};
  int unitCount = 0;
  uint8_t lastUnit = 0;
  GLenum batchMode = GL_TRIANGLES;
  // Every draw of the batch reads opaque texels with opaque colours.
  bool bBatchOpaque = true;
  // The batch holds a large primitive and takes no other texture.
  bool bBatchSingle = false;
  double batchArea = 0;  // the pixels its triangles cover
  BatchState batchState;
  // OpenGL's state is glState unless invalid; the device's states may have moved on.
  BatchState glState;
  bool bGlStateValid = false;
  bool bStateChanged = true;
  // The frame goes straight into the window's back buffer (rows bottom
  // first) rather than into `framebuffer`; chosen at a frame's first clear or draw.
  bool bDirect = false;
  bool bTargetChosen = false;
  // What each unit has bound; unit 0 is the active one outside flush.
  GLuint boundUnits[kUnits] = {};

  bool bStageDirty = true;
  Terms colorTerms, alphaTerms;
  // The texture factor's part of every vertex's factor, for `factorOf`.
  uint32_t factorConstant = 0, factorOf = 0;
  bool bFactorDirty = true;
  bool bMatrixDirty = true;
  bool bViewProjectionDirty = true;
  D3DMATRIX viewProjection = {}, worldViewProjection = {};
  // Byte offsets of the diffuse colour and first texture coordinates in a
  // vertex of the current FVF; -1 when absent.
  int diffuseOffset = -1, texCoordOffset = -1;
  DWORD layoutFvf = ~0u;
};
