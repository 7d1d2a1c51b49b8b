#include "platform/gl/GlDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

#include "base/Format.h"
#include "base/StringUtils.h"
#include "platform/BackendLog.h"
#include "platform/gl/GlTexture.h"
#include "platform/d3dcore/PixelFormat.h"

namespace {

// Tests: fragment programs whose source holds it do not compile.
const char* refusedProgramText = nullptr;

constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 clip;
layout(location = 1) in vec3 uvUnit;
layout(location = 2) in vec4 factor;
// Half a pixel in normalised device units: Direct3D's pixel centres lie on
// whole coordinates, OpenGL's half a pixel further.
uniform vec2 halfPixel;
// 1 in the offscreen back buffer (rows top first), -1 in the window's own.
uniform float rowOrder;
out vec2 vUv;
out vec4 vFactor;
flat out float vUnit;
void main() {
  // Rows kept top first mirror y; Direct3D clips depth to 0..w.
  gl_Position = vec4(clip.x + halfPixel.x * clip.w, rowOrder * (-clip.y + halfPixel.y * clip.w),
                     2.0 * clip.z - clip.w, clip.w);
  vUv = uvUnit.xy;
  vFactor = factor;
  vUnit = uvUnit.z;
}
)";

// The fragment program for a texel power in colour and in alpha (0 to 2), an
// alpha function and a number of texture units; the alpha test compares
// 8-bit values.
std::string fragmentShader(int colorTexture, int alphaTexture, DWORD alphaFunc, int units) {
  // One unit reads no unit index: a program as plain as a texel times a
  // colour lets a software rasteriser take its fast paths.
  std::string source = "#version 330 core\nin vec2 vUv;\nin vec4 vFactor;\n";
  source += units == 1 ? "uniform sampler2D tex;\n"
                       : "flat in float vUnit;\nuniform sampler2D tex[" + std::to_string(units) + "];\n";
  source += "uniform float alphaRef;\nout vec4 outColor;\nvoid main() {\n  vec4 c = vFactor;\n";
  if (colorTexture || alphaTexture) {
    if (units == 1) {
      source += "  vec4 t = texture(tex, vUv);\n";
    } else {
      // A flat unit is the same over a primitive. Each unit costs a lookup
      // where branches run masked, hence a program for each number of units.
      source += "  vec4 t;\n";
      for (int i = 0; i < units; ++i) {
        const std::string unit = std::to_string(i);
        source += i == 0 ? "  " : "  else ";
        if (i + 1 < units) source += "if (vUnit < " + unit + ".5) ";
        source += "t = texture(tex[" + unit + "], vUv);\n";
      }
    }
  }
  if (colorTexture == 1 && alphaTexture == 1) {
    source += "  c *= t;\n";
  } else {
    if (colorTexture) source += colorTexture == 1 ? "  c.rgb *= t.rgb;\n" : "  c.rgb *= t.rgb * t.rgb;\n";
    if (alphaTexture) source += alphaTexture == 1 ? "  c.a *= t.a;\n" : "  c.a *= t.a * t.a;\n";
  }
  static constexpr const char* kComparisons[] = {"<", "==", "<=", ">", "!=", ">="};
  if (alphaFunc == D3DCMP_NEVER) {
    source += "  discard;\n";
  } else if (alphaFunc != D3DCMP_ALWAYS) {
    source += "  if (!(floor(c.a * 255.0 + 0.5) " + std::string(kComparisons[alphaFunc - D3DCMP_LESS]) +
              " alphaRef)) discard;\n";
  }
  return source + "  outColor = c;\n}\n";
}

// A batch this long is handed to the driver at once, so that it draws while
// the rest of the frame is prepared.
constexpr size_t kStreamVertices = 8192;

// Four floats, one matrix row: a x row + b x row adds element by element in
// the order the scalar formulas do.
typedef float Row __attribute__((vector_size(16)));

inline Row rowOf(const float* values) {
  Row row;
  std::memcpy(&row, values, sizeof row);
  return row;
}


// Whether a shader or program built (its `status` set); else the driver's
// text on it, on one line, is logged as `failure` in the name of `function`
// and the object deleted.
bool builtOrLogged(GLuint object, GLenum status, const std::u16string& function, const std::u16string& failure,
                   PFNGLGETSHADERIVPROC getInteger, PFNGLGETSHADERINFOLOGPROC getLog, PFNGLDELETESHADERPROC destroy) {
  GLint ok = 0;
  getInteger(object, status, &ok);
  if (ok) return true;
  GLint length = 0;
  getInteger(object, GL_INFO_LOG_LENGTH, &length);
  std::string text(static_cast<size_t>(std::max(length, 1)), '\0');
  GLsizei written = 0;
  getLog(object, static_cast<GLsizei>(text.size()), &written, text.data());
  text.resize(static_cast<size_t>(std::clamp<GLsizei>(written, 0, static_cast<GLsizei>(text.size()))));
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  std::replace(text.begin(), text.end(), '\n', ' ');
  logFromBackend(function, formatString(u"%s: %s", failure, fromUtf8(text)));
  destroy(object);
  return false;
}

GLenum blendFactor(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

GLint addressMode(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
  }
}

GLint filterMode(DWORD filter) { return filter >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST; }

// a x b / 255, rounded, on 8-bit channels.
inline uint8_t mul8(uint32_t a, uint32_t b) { return static_cast<uint8_t>((a * b + 127) / 255); }

inline uint8_t power8(uint8_t value, uint8_t count, uint8_t start) {
  for (uint8_t i = 0; i < count; ++i) start = mul8(start, value);
  return start;
}

// power8 from 255, whose first step gives the value back.
inline uint8_t power8(uint8_t value, uint8_t count) {
  return count == 0 ? 255 : power8(value, static_cast<uint8_t>(count - 1), value);
}

void multiply(D3DMATRIX& out, const D3DMATRIX& a, const D3DMATRIX& b) {
  const Row b0 = rowOf(b.m[0]), b1 = rowOf(b.m[1]), b2 = rowOf(b.m[2]), b3 = rowOf(b.m[3]);
  for (int r = 0; r < 4; ++r) {
    const Row row = a.m[r][0] * b0 + a.m[r][1] * b1 + a.m[r][2] * b2 + a.m[r][3] * b3;
    std::memcpy(out.m[r], &row, sizeof row);
  }
}

bool batchStateRenderState(D3DRENDERSTATETYPE state) {
  switch (state) {
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_CULLMODE:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC:
    case D3DRS_ALPHABLENDENABLE:
      return true;
    default:
      return false;
  }
}

}  // namespace

GlDevice::GlDevice(IDirect3D9* d3d_, HWND focusWindow_, SDL_Window* window_)
    : DeviceCore(d3d_, focusWindow_), window(window_) {
  SDL_AddEventWatch(&GlDevice::watchEvents, this);
}

GlDevice::~GlDevice() {
  setPresentedArea(0, 0, 0, 0, 0, 0);
  SDL_DelEventWatch(&GlDevice::watchEvents, this);
  if (context) {
    SDL_GL_MakeCurrent(window, context);
    releaseBindings();
    detachTextures();
    releaseGlObjects();
    SDL_GL_DeleteContext(context);
  }
}

void GlDevice::setContextAttributes() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

HRESULT GlDevice::createContext() {
  setContextAttributes();
  context = SDL_GL_CreateContext(window);
  if (!context) return D3DERR_NOTAVAILABLE;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);

  // Fragment programs are linked with it when first needed; the default
  // states' one proves that they build.
  vertexShader = compileShader(GL_VERTEX_SHADER, kVertexShader, u"The vertex shader");
  if (!vertexShader || !useProgram(1, 1, D3DCMP_ALWAYS, 1)) return D3DERR_NOTAVAILABLE;

  glGenVertexArrays(1, &vertexArray);
  glBindVertexArray(vertexArray);
  glGenBuffers(1, &vertexBuffer);
  glGenBuffers(1, &indexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
  constexpr GLsizei stride = sizeof(BatchVertex);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(BatchVertex, clip)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(BatchVertex, uv)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                        reinterpret_cast<void*>(offsetof(BatchVertex, factor)));

  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(1, &colorBuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glGenSamplers(1, &sampler);
  for (GLuint unit = 0; unit < kUnits; ++unit) glBindSampler(unit, sampler);
  glActiveTexture(GL_TEXTURE0);

  // Untextured draws read opaque white.
  const uint32_t white = 0xFFFFFFFF;
  glGenTextures(1, &whiteTexture);
  bindForUpload(whiteTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  if (outOfMemoryIn([&] { glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white); }))
    return D3DERR_OUTOFVIDEOMEMORY;

  glDisable(GL_DITHER);
  glDisable(GL_DEPTH_TEST);
  return D3D_OK;
}

void GlDevice::releaseGlObjects() {
  glDeleteTextures(1, &whiteTexture);
  glDeleteSamplers(1, &sampler);
  glDeleteRenderbuffers(1, &colorBuffer);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteBuffers(1, &indexBuffer);
  glDeleteBuffers(1, &vertexBuffer);
  glDeleteVertexArrays(1, &vertexArray);
  for (const Program& program : programs) glDeleteProgram(program.name);
  glDeleteShader(vertexShader);
}

int GlDevice::watchEvents(void* data, SDL_Event* event) {
  // A full-screen device is lost the moment its window loses the focus, even
  // when the focus is back before anyone looks.
  auto* device = static_cast<GlDevice*>(data);
  if (event->type == SDL_WINDOWEVENT && event->window.windowID == SDL_GetWindowID(device->window) &&
      (event->window.event == SDL_WINDOWEVENT_FOCUS_LOST || event->window.event == SDL_WINDOWEVENT_MINIMIZED) &&
      !device->params.Windowed)
    device->loseDevice();
  return 0;
}

bool GlDevice::hasFocus() { return !focusWindow || GetForegroundWindow() == focusWindow; }

UINT GlDevice::GetAvailableTextureMem() {
  // OpenGL does not tell; half the memory, as a shared-memory adapter would.
  const int megabytes = std::clamp(SDL_GetSystemRAM() / 2, 64, 4095);
  return static_cast<UINT>(megabytes) << 20;
}

HRESULT GlDevice::applyPresentation(const D3DPRESENT_PARAMETERS& pp) {
  SDL_GL_MakeCurrent(window, context);
  flush();
  const Uint32 fullScreen = pp.Windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP;
  if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != fullScreen) {
    // Full screen is a request to the window manager; without one (a kiosk,
    // Xvfb) nobody carries it out. So the window first covers the display by
    // itself, borderless, which a manager that honours the request overrides.
    SDL_Rect bounds;
    const int display = SDL_GetWindowDisplayIndex(window);
    if (fullScreen && display >= 0 && SDL_GetDisplayBounds(display, &bounds) == 0) {
      SDL_SetWindowBordered(window, SDL_FALSE);
      SDL_SetWindowPosition(window, bounds.x, bounds.y);
      SDL_SetWindowSize(window, bounds.w, bounds.h);
    }
    if (SDL_SetWindowFullscreen(window, fullScreen) != 0) return D3DERR_NOTAVAILABLE;
    if (!fullScreen) SDL_SetWindowBordered(window, SDL_TRUE);
  }
  SDL_GL_SetSwapInterval(pp.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
  glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer);
  if (outOfMemoryIn([&] {
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(pp.BackBufferWidth),
                              static_cast<GLsizei>(pp.BackBufferHeight));
      }))
    return D3DERR_OUTOFVIDEOMEMORY;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  bDirect = bTargetChosen = false;
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return D3DERR_OUTOFVIDEOMEMORY;
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  // Only a full-screen device owns the display's gamma; a display without
  // gamma support keeps its own.
  if (!pp.Windowed) SDL_SetWindowGammaRamp(window, gammaRamp.red, gammaRamp.green, gammaRamp.blue);
  // The default states follow: everything derived from them is stale.
  bGlStateValid = false;
  bStateChanged = bStageDirty = bMatrixDirty = bViewProjectionDirty = true;
  return D3D_OK;
}

void GlDevice::applyGammaRamp(const D3DGAMMARAMP& ramp) {
  if (!params.Windowed) SDL_SetWindowGammaRamp(window, ramp.red, ramp.green, ramp.blue);
}

HRESULT GlDevice::Reset(D3DPRESENT_PARAMETERS* pp) {
  flush();
  return DeviceCore::Reset(pp);
}

HRESULT GlDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  bMatrixDirty = true;
  if (State != D3DTS_WORLD) bViewProjectionDirty = true;
  return DeviceCore::SetTransform(State, pMatrix);
}

HRESULT GlDevice::SetViewport(const D3DVIEWPORT9* pViewport) {
  bStateChanged = true;
  return DeviceCore::SetViewport(pViewport);
}

// A state set to the value it has changes nothing: merging goes on.
HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (State < 256 && renderStates[State] == Value) return D3D_OK;
  if (batchStateRenderState(State)) bStateChanged = true;
  return DeviceCore::SetRenderState(State, Value);
}

HRESULT GlDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
  if (Stage < kStages && boundTextures[Stage] == static_cast<MemoryTexture*>(static_cast<IDirect3DTexture9*>(pTexture)))
    return D3D_OK;
  // Whether the stage reads a texture at all decides what may merge.
  if (Stage == 0 && !boundTextures[0] != !pTexture) bStateChanged = true;
  return DeviceCore::SetTexture(Stage, pTexture);
}

HRESULT GlDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  if (Stage < kStages && Type < kStageStates && stageStates[Stage][Type] == Value) return D3D_OK;
  if (Stage == 0) bStageDirty = bStateChanged = true;
  return DeviceCore::SetTextureStageState(Stage, Type, Value);
}

HRESULT GlDevice::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
  if (Sampler < kSamplers && Type < kSamplerStates && samplerStates[Sampler][Type] == Value) return D3D_OK;
  if (Sampler == 0) bStateChanged = true;
  return DeviceCore::SetSamplerState(Sampler, Type, Value);
}

void GlDevice::updateLayout() {
  // Position, normal, point size, diffuse, specular, texture coordinates.
  int offset = 12 + (fvf & 0x010 ? 12 : 0) + (fvf & 0x020 ? 4 : 0);
  diffuseOffset = fvf & D3DFVF_DIFFUSE ? offset : -1;
  offset += (fvf & D3DFVF_DIFFUSE ? 4 : 0) + (fvf & 0x080 ? 4 : 0);
  texCoordOffset = (fvf & 0xF00) ? offset : -1;
  layoutFvf = fvf;
}

void GlDevice::bindForUpload(GLuint texture) {
  if (boundUnits[0] == texture) return;
  glBindTexture(GL_TEXTURE_2D, texture);
  boundUnits[0] = texture;
}

void GlDevice::forgetBinding(GLuint texture) {
  for (GLuint& bound : boundUnits)
    if (bound == texture) bound = 0;
}

void GlDevice::flushIfUsing(GLuint texture) {
  if (std::find(units, units + unitCount, texture) != units + unitCount) flush();
}

GlDevice::BatchState GlDevice::currentBatchState() const {
  const DWORD* rs = renderStates;
  const DWORD* ss = samplerStates[0];
  BatchState state;
  state.blend = rs[D3DRS_ALPHABLENDENABLE] ? 1 : 0;
  state.sourceBlend = state.blend ? rs[D3DRS_SRCBLEND] : 0;
  state.destBlend = state.blend ? rs[D3DRS_DESTBLEND] : 0;
  state.cull = rs[D3DRS_CULLMODE];
  state.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? rs[D3DRS_ALPHAFUNC] : D3DCMP_ALWAYS;
  // An unknown comparison passes nothing.
  if (state.alphaFunc < D3DCMP_NEVER || state.alphaFunc > D3DCMP_ALWAYS) state.alphaFunc = D3DCMP_NEVER;
  state.alphaRef = rs[D3DRS_ALPHAREF] & 0xFF;
  state.addressU = ss[D3DSAMP_ADDRESSU];
  state.addressV = ss[D3DSAMP_ADDRESSV];
  state.magFilter = ss[D3DSAMP_MAGFILTER];
  state.minFilter = ss[D3DSAMP_MINFILTER];
  state.viewport[0] = viewport.X;
  state.viewport[1] = viewport.Y;
  state.viewport[2] = viewport.Width;
  state.viewport[3] = viewport.Height;
  // Untextured draws read white, which any power leaves as it is.
  const bool bTextured = boundTextures[0] != nullptr;
  state.colorTexture = bTextured ? colorTerms.texture : batchState.colorTexture;
  state.alphaTexture = bTextured ? alphaTerms.texture : batchState.alphaTexture;
  return state;
}

void GlDevice::updateBatchState() {
  if (bStageDirty) updateStage();
  const BatchState next = currentBatchState();
  if (next != batchState) {
    flush();
    batchState = next;
  }
  bStateChanged = false;
}

GlDevice::BatchState GlDevice::drawnState() const {
  BatchState s = batchState;
  // Blended by its alpha, a fragment of alpha 0 leaves the pixel as it was:
  // the test that discards it changes nothing.
  const bool bOver = s.blend && ((s.sourceBlend == D3DBLEND_SRCALPHA && s.destBlend == D3DBLEND_INVSRCALPHA) ||
                                 s.sourceBlend == D3DBLEND_BOTHSRCALPHA);
  if (bOver && s.alphaFunc == D3DCMP_GREATER && s.alphaRef == 0) s.alphaFunc = D3DCMP_ALWAYS;
  if (!bBatchOpaque) return s;
  // Alpha reads 1 for every pixel: these blends give the source colour (and
  // alpha), and the test passes or fails the whole batch alike.
  const DWORD source = s.sourceBlend, dest = s.destBlend;
  if (s.blend && ((source == D3DBLEND_SRCALPHA && dest == D3DBLEND_INVSRCALPHA) || source == D3DBLEND_BOTHSRCALPHA ||
                  (source == D3DBLEND_ONE && (dest == D3DBLEND_ZERO || dest == D3DBLEND_INVSRCALPHA))))
    s.blend = s.sourceBlend = s.destBlend = 0;
  bool bPasses = false;
  switch (s.alphaFunc) {
    case D3DCMP_EQUAL:
    case D3DCMP_LESSEQUAL: bPasses = s.alphaRef == 255; break;
    case D3DCMP_GREATER:
    case D3DCMP_NOTEQUAL: bPasses = s.alphaRef != 255; break;
    case D3DCMP_GREATEREQUAL: bPasses = true; break;
    default: break;
  }
  if (bPasses) s.alphaFunc = D3DCMP_ALWAYS;
  return s;
}

void GlDevice::applyGlState(const BatchState& s) {
  const BatchState& was = glState;
  const bool bAll = !bGlStateValid;
  if (bAll || s.blend != was.blend || s.sourceBlend != was.sourceBlend || s.destBlend != was.destBlend) {
    if (s.blend) {
      glEnable(GL_BLEND);
      GLenum source = blendFactor(s.sourceBlend), dest = blendFactor(s.destBlend);
      if (s.sourceBlend == D3DBLEND_BOTHSRCALPHA) source = GL_SRC_ALPHA, dest = GL_ONE_MINUS_SRC_ALPHA;
      if (s.sourceBlend == D3DBLEND_BOTHINVSRCALPHA) source = GL_ONE_MINUS_SRC_ALPHA, dest = GL_SRC_ALPHA;
      glBlendFunc(source, dest);
    } else {
      glDisable(GL_BLEND);
    }
  }
  // Mirrored rows turn Direct3D's clockwise into OpenGL's counter-clockwise;
  // the window's own rows do not.
  if (bAll || s.cull != was.cull) {
    if (s.cull == D3DCULL_CW || s.cull == D3DCULL_CCW) {
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      glFrontFace((s.cull == D3DCULL_CW) != bDirect ? GL_CW : GL_CCW);
    } else {
      glDisable(GL_CULL_FACE);
    }
  }
  if (bAll || s.addressU != was.addressU) glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, addressMode(s.addressU));
  if (bAll || s.addressV != was.addressV) glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, addressMode(s.addressV));
  if (bAll || s.magFilter != was.magFilter)
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, filterMode(s.magFilter));
  if (bAll || s.minFilter != was.minFilter)
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filterMode(s.minFilter));
  if (bAll || !std::equal(s.viewport, s.viewport + 4, was.viewport))
    glViewport(static_cast<GLint>(s.viewport[0]), static_cast<GLint>(glRowOf(s.viewport[1], s.viewport[3])),
               static_cast<GLsizei>(s.viewport[2]), static_cast<GLsizei>(s.viewport[3]));
  // A back buffer without alpha keeps reading opaque, blending included.
  if (bAll) glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, formatHasAlpha(params.BackBufferFormat) ? GL_TRUE : GL_FALSE);
  glState = s;
  bGlStateValid = true;
}

void GlDevice::refuseProgramsWith(const char* text) { refusedProgramText = text; }

bool GlDevice::readErrors() {
  bool bOutOfMemory = false;
  // A lost context may keep raising its flag: OpenGL has a handful to clear.
  for (int i = 0; i < 8; ++i) {
    const GLenum error = glGetError();
    if (error == GL_NO_ERROR) break;
    bOutOfMemory |= error == GL_OUT_OF_MEMORY;
  }
  return bOutOfMemory;
}

GLuint GlDevice::compileShader(GLenum kind, const std::string& source, const std::u16string& what) {
  const GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  return builtOrLogged(shader, GL_COMPILE_STATUS, ZIB_FUNCTION, what + u" failed to compile", glGetShaderiv,
                       glGetShaderInfoLog, glDeleteShader)
             ? shader
             : 0;
}

GlDevice::Program* GlDevice::useProgram(int colorTexture, int alphaTexture, DWORD alphaFunc, int units) {
  const int function = static_cast<int>(alphaFunc - D3DCMP_NEVER);
  Program& program = programs[((colorTexture * 3 + alphaTexture) * 8 + function) * kUnits + units - 1];
  if (!program.name) {
    // One the driver refuses is asked for, and logged, once.
    if (program.bTried) return nullptr;
    program.bTried = true;
    std::string source = fragmentShader(colorTexture, alphaTexture, alphaFunc, units);
    if (refusedProgramText && source.find(refusedProgramText) != std::string::npos)
      source += "#error refused for a test\n";
    const std::u16string what =
        formatString(u"The fragment program for texel powers %d and %d, alpha function %lu, units %d",
                     colorTexture, alphaTexture, static_cast<unsigned long>(alphaFunc), units);
    const GLuint fragment = compileShader(GL_FRAGMENT_SHADER, source, what);
    if (!fragment) return nullptr;
    const GLuint name = glCreateProgram();
    glAttachShader(name, vertexShader);
    glAttachShader(name, fragment);
    glLinkProgram(name);
    glDeleteShader(fragment);
    if (!builtOrLogged(name, GL_LINK_STATUS, ZIB_FUNCTION, what + u" failed to link", glGetProgramiv,
                       glGetProgramInfoLog, glDeleteProgram))
      return nullptr;
    glUseProgram(name);
    GLint samplers[kUnits];
    for (int i = 0; i < kUnits; ++i) samplers[i] = i;
    glUniform1iv(glGetUniformLocation(name, "tex"), units, samplers);
    program.name = name;
    program.halfPixel = glGetUniformLocation(name, "halfPixel");
    program.rowOrder = glGetUniformLocation(name, "rowOrder");
    program.alphaRef = glGetUniformLocation(name, "alphaRef");
    activeProgram = &program;
  }
  if (activeProgram != &program) {
    glUseProgram(program.name);
    activeProgram = &program;
  }
  return &program;
}

void GlDevice::flush() {
  if (indexCount == 0) {
    vertexCount = 0;
    unitCount = 0;
    bBatchOpaque = true;
    bBatchSingle = false;
    batchArea = 0;
    return;
  }
  const BatchState s = drawnState();
  Program* program = useProgram(s.colorTexture, s.alphaTexture, s.alphaFunc, unitCount);
  // A batch whose program the driver refuses is drawn texture by texture,
  // with the state's one-unit program or else the one proven at start-up.
  const bool bByUnit = !program && unitCount > 1;
  if (bByUnit) program = useProgram(s.colorTexture, s.alphaTexture, s.alphaFunc, 1);
  if (!program) program = useProgram(1, 1, D3DCMP_ALWAYS, 1);
  if (program) {
    applyGlState(s);
    const float halfPixel[2] = {1.0f / static_cast<float>(s.viewport[2]), 1.0f / static_cast<float>(s.viewport[3])};
    if (!std::equal(halfPixel, halfPixel + 2, program->halfPixelSet)) {
      glUniform2f(program->halfPixel, halfPixel[0], halfPixel[1]);
      std::copy(halfPixel, halfPixel + 2, program->halfPixelSet);
    }
    const float rowOrder = bDirect ? -1.0f : 1.0f;
    if (program->rowOrderSet != rowOrder) {
      glUniform1f(program->rowOrder, rowOrder);
      program->rowOrderSet = rowOrder;
    }
    const float alphaRef = static_cast<float>(s.alphaRef);
    if (program->alphaRef >= 0 && program->alphaRefSet != alphaRef) {
      glUniform1f(program->alphaRef, alphaRef);
      program->alphaRefSet = alphaRef;
    }
    for (int i = unitCount - 1; i >= 0; --i) {
      if (boundUnits[i] == units[i]) continue;
      glActiveTexture(GL_TEXTURE0 + i);
      glBindTexture(GL_TEXTURE_2D, units[i]);
      boundUnits[i] = units[i];
      if (i > 0) glActiveTexture(GL_TEXTURE0);
    }
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount * sizeof(BatchVertex)), vertices.data(),
                 GL_STREAM_DRAW);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexCount * sizeof(uint32_t)), indices.data(),
                 GL_STREAM_DRAW);
    if (bByUnit) {
      drawByUnit();
    } else {
      glDrawElements(batchMode, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, nullptr);
    }
  }
  vertexCount = indexCount = 0;
  unitCount = 0;
  bBatchOpaque = true;
  bBatchSingle = false;
  batchArea = 0;
}

void GlDevice::drawByUnit() {
  // A draw's primitives share a unit and follow each other: runs of one unit
  // keep the painter's order.
  for (size_t first = 0; first < indexCount;) {
    const float unit = vertices[indices[first]].uv[2];
    size_t end = first + 1;
    while (end < indexCount && vertices[indices[end]].uv[2] == unit) ++end;
    bindForUpload(units[static_cast<int>(unit)]);
    glDrawElements(batchMode, static_cast<GLsizei>(end - first), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(first * sizeof(uint32_t)));
    first = end;
  }
}

double GlDevice::screenArea(size_t firstIndex) const {
  double twice = 0;
  for (size_t i = firstIndex; i + 3 <= indexCount; i += 3) {
    float x[3], y[3];
    for (int k = 0; k < 3; ++k) {
      const float* clip = vertices[indices[i + static_cast<size_t>(k)]].clip;
      x[k] = clip[0] / clip[3];
      y[k] = clip[1] / clip[3];
    }
    twice += std::fabs(static_cast<double>((x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0])));
  }
  // Normalised device units are half the viewport each way.
  return twice / 8 * static_cast<double>(batchState.viewport[2]) * static_cast<double>(batchState.viewport[3]);
}

void GlDevice::splitOffLastDraw(size_t firstVertex, size_t firstIndex, bool bAddedUnit) {
  const GLuint texture = units[lastUnit];
  const size_t drawVertices = vertexCount - firstVertex, drawIndices = indexCount - firstIndex;
  vertexCount = firstVertex;
  indexCount = firstIndex;
  if (bAddedUnit) --unitCount;
  flush();
  // The arrays still hold the draw past the counts; a one-texture batch reads
  // no unit.
  std::memmove(vertices.data(), vertices.data() + firstVertex, drawVertices * sizeof(BatchVertex));
  for (size_t i = 0; i < drawIndices; ++i) indices[i] = indices[firstIndex + i] - static_cast<uint32_t>(firstVertex);
  vertexCount = drawVertices;
  indexCount = drawIndices;
  units[0] = texture;
  unitCount = 1;
  lastUnit = 0;
}

GlDevice::Terms GlDevice::argumentTerms(DWORD argument) const {
  Terms terms;
  switch (argument & 0xF) {
    case D3DTA_TEXTURE: terms.texture = 1; break;
    case D3DTA_TFACTOR: terms.factor = 1; break;
    // The current colour of the first stage is the diffuse colour.
    case D3DTA_DIFFUSE:
    case D3DTA_CURRENT: terms.diffuse = 1; break;
    default: break;
  }
  return terms;
}

GlDevice::Terms GlDevice::operationTerms(DWORD op, DWORD arg1, DWORD arg2) const {
  switch (op) {
    case D3DTOP_DISABLE: return argumentTerms(D3DTA_DIFFUSE);
    case D3DTOP_SELECTARG1: return argumentTerms(arg1);
    case D3DTOP_SELECTARG2: return argumentTerms(arg2);
    default: {
      const Terms a = argumentTerms(arg1), b = argumentTerms(arg2);
      return {static_cast<uint8_t>(a.texture + b.texture), static_cast<uint8_t>(a.factor + b.factor),
              static_cast<uint8_t>(a.diffuse + b.diffuse)};
    }
  }
}

void GlDevice::updateStage() {
  const DWORD* s = stageStates[0];
  colorTerms = operationTerms(s[D3DTSS_COLOROP], s[D3DTSS_COLORARG1], s[D3DTSS_COLORARG2]);
  // Disabling the colour operation disables the stage, alpha included.
  alphaTerms = s[D3DTSS_COLOROP] == D3DTOP_DISABLE ? argumentTerms(D3DTA_DIFFUSE)
                                                   : operationTerms(s[D3DTSS_ALPHAOP], s[D3DTSS_ALPHAARG1],
                                                                    s[D3DTSS_ALPHAARG2]);
  bStageDirty = false;
  bFactorDirty = true;
}

void GlDevice::updateMatrix() {
  if (bViewProjectionDirty) multiply(viewProjection, view, projection);
  multiply(worldViewProjection, world, viewProjection);
  bViewProjectionDirty = bMatrixDirty = false;
}

uint8_t GlDevice::unitFor(GLuint texture) {
  if (unitCount > 0 && units[lastUnit] == texture) return lastUnit;
  for (int i = 0; i < unitCount; ++i)
    if (units[i] == texture) return lastUnit = static_cast<uint8_t>(i);
  if (unitCount == kUnits) flush();
  units[unitCount] = texture;
  return lastUnit = static_cast<uint8_t>(unitCount++);
}

void GlDevice::draw(D3DPRIMITIVETYPE type, const uint8_t* source, UINT count) {
  if (!bTargetChosen) chooseTarget();
  if (bStateChanged) updateBatchState();
  const GLenum mode = type <= D3DPT_POINTLIST ? GL_POINTS : type <= D3DPT_LINESTRIP ? GL_LINES : GL_TRIANGLES;
  if (mode != batchMode) {
    flush();
    batchMode = mode;
  }
  const auto* bound = static_cast<const GlTexture*>(boundTextures[0]);
  const GLuint texture = bound ? bound->name() : whiteTexture;
  // A batch that a large primitive has to itself takes no other texture, nor
  // does one that already covers many pixels.
  if (unitCount > 0 && units[lastUnit] != texture && (bBatchSingle || batchArea >= kUnitArea) &&
      std::find(units, units + unitCount, texture) == units + unitCount)
    flush();
  const int unitsBefore = unitCount;
  const uint8_t unit = unitFor(texture);
  if (fvf != layoutFvf) updateLayout();
  if (bMatrixDirty) updateMatrix();

  const uint32_t textureFactor = renderStates[D3DRS_TEXTUREFACTOR];
  if (bFactorDirty || textureFactor != factorOf) {
    // The factor of the texture factor alone, the same for every vertex.
    const uint8_t tf[4] = {static_cast<uint8_t>(textureFactor >> 16), static_cast<uint8_t>(textureFactor >> 8),
                           static_cast<uint8_t>(textureFactor), static_cast<uint8_t>(textureFactor >> 24)};
    uint8_t constant[4];
    for (int i = 0; i < 4; ++i) constant[i] = power8(tf[i], i < 3 ? colorTerms.factor : alphaTerms.factor);
    std::memcpy(&factorConstant, constant, 4);
    factorOf = textureFactor;
    bFactorDirty = false;
  }
  const bool bDiffuse = colorTerms.diffuse || alphaTerms.diffuse;

  // Room for the vertices and, at most three for each, their indices.
  if (vertexCount + count > vertices.size()) vertices.resize(std::max(vertices.size() * 2, vertexCount + count));
  if (indexCount + 3 * count > indices.size()) indices.resize(std::max(indices.size() * 2, indexCount + 3 * count));
  BatchVertex* out = vertices.data() + vertexCount;
  uint8_t alphas = 255;  // every vertex's alpha factor, and-ed
  const auto& m = worldViewProjection.m;
  const Row m0 = rowOf(m[0]), m1 = rowOf(m[1]), m2 = rowOf(m[2]), m3 = rowOf(m[3]);
  for (UINT i = 0; i < count; ++i, source += streamStride, ++out) {
    float p[3];
    std::memcpy(p, source, sizeof p);
    const Row clip = p[0] * m0 + p[1] * m1 + p[2] * m2 + m3;
    std::memcpy(out->clip, &clip, sizeof clip);
    if (texCoordOffset >= 0) {
      std::memcpy(out->uv, source + texCoordOffset, 2 * sizeof(float));
    } else {
      out->uv[0] = out->uv[1] = 0;
    }
    out->uv[2] = unit;
    std::memcpy(out->factor, &factorConstant, 4);
    if (bDiffuse) {
      uint32_t diffuse = 0xFFFFFFFF;
      if (diffuseOffset >= 0) std::memcpy(&diffuse, source + diffuseOffset, 4);
      const uint8_t d[4] = {static_cast<uint8_t>(diffuse >> 16), static_cast<uint8_t>(diffuse >> 8),
                            static_cast<uint8_t>(diffuse), static_cast<uint8_t>(diffuse >> 24)};
      for (int c = 0; c < 4; ++c)
        out->factor[c] = power8(d[c], c < 3 ? colorTerms.diffuse : alphaTerms.diffuse, out->factor[c]);
    }
    alphas &= out->factor[3];
  }

  const auto first = static_cast<uint32_t>(vertexCount);
  uint32_t* index = indices.data() + indexCount;
  switch (type) {
    case D3DPT_POINTLIST:
    case D3DPT_LINELIST:
    case D3DPT_TRIANGLELIST:
      for (uint32_t i = 0; i < count; ++i) *index++ = first + i;
      break;
    case D3DPT_LINESTRIP:
      for (uint32_t i = 0; i + 1 < count; ++i, index += 2) index[0] = first + i, index[1] = first + i + 1;
      break;
    case D3DPT_TRIANGLESTRIP:
      // Every second triangle of a strip is turned round to keep its winding.
      for (uint32_t i = 0; i + 2 < count; ++i, index += 3) {
        const uint32_t odd = i & 1;
        index[0] = first + i + odd;
        index[1] = first + i + 1 - odd;
        index[2] = first + i + 2;
      }
      break;
    case D3DPT_TRIANGLEFAN:
      for (uint32_t i = 1; i + 1 < count; ++i, index += 3) {
        index[0] = first;
        index[1] = first + i;
        index[2] = first + i + 1;
      }
      break;
  }
  const size_t firstIndex = indexCount;
  indexCount = static_cast<size_t>(index - indices.data());
  vertexCount += count;
  if (mode == GL_TRIANGLES) {
    const double area = screenArea(firstIndex);
    if (area >= kLargeArea && !bBatchSingle) {
      if (unitCount > 1) splitOffLastDraw(first, firstIndex, unitCount != unitsBefore);
      bBatchSingle = true;
    }
    batchArea += area;
  }
  bBatchOpaque = bBatchOpaque && alphas == 255 && (batchState.alphaTexture == 0 || !bound || bound->isOpaque());
  if (vertexCount >= kStreamVertices) {
    flush();
    glFlush();
  }
}

void GlDevice::clearRect(const RECT& rect, D3DCOLOR color) {
  if (!bTargetChosen) chooseTarget();
  flush();
  glEnable(GL_SCISSOR_TEST);
  const auto height = static_cast<DWORD>(rect.bottom - rect.top);
  glScissor(rect.left, static_cast<GLint>(glRowOf(static_cast<DWORD>(rect.top), height)), rect.right - rect.left,
            static_cast<GLsizei>(height));
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  const float alpha = formatHasAlpha(params.BackBufferFormat) ? static_cast<float>(color >> 24) / 255.0f : 1.0f;
  glClearColor(static_cast<float>((color >> 16) & 255) / 255.0f, static_cast<float>((color >> 8) & 255) / 255.0f,
               static_cast<float>(color & 255) / 255.0f, alpha);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  bGlStateValid = false;
}

void GlDevice::chooseTarget() {
  // The window's own back buffer saves Present its copy, but only when the
  // picture fills it texel for texel, and it holds no alpha to keep.
  int windowWidth = 0, windowHeight = 0;
  SDL_GL_GetDrawableSize(window, &windowWidth, &windowHeight);
  const bool direct = static_cast<UINT>(windowWidth) == params.BackBufferWidth &&
                      static_cast<UINT>(windowHeight) == params.BackBufferHeight &&
                      !formatHasAlpha(params.BackBufferFormat);
  bTargetChosen = true;
  if (direct == bDirect) return;
  flush();
  bDirect = direct;
  glBindFramebuffer(GL_FRAMEBUFFER, bDirect ? 0 : framebuffer);
  bGlStateValid = false;  // the viewport's rows and the winding follow the target
}

DWORD GlDevice::glRowOf(DWORD top, DWORD height) const {
  return bDirect ? params.BackBufferHeight - top - height : top;
}

void GlDevice::presentFrame() {
  flush();
  int windowWidth = 0, windowHeight = 0;
  SDL_GL_GetDrawableSize(window, &windowWidth, &windowHeight);
  const int width = static_cast<int>(params.BackBufferWidth), height = static_cast<int>(params.BackBufferHeight);
  // A window shows the back buffer stretched over its client area; full
  // screen keeps its proportions, as a display's scaler does.
  int left = 0, top = 0, shownWidth = windowWidth, shownHeight = windowHeight;
  if (!params.Windowed) {
    if (static_cast<int64_t>(windowWidth) * height > static_cast<int64_t>(windowHeight) * width) {
      shownWidth = static_cast<int>(static_cast<int64_t>(windowHeight) * width / height);
      left = (windowWidth - shownWidth) / 2;
    } else {
      shownHeight = static_cast<int>(static_cast<int64_t>(windowWidth) * height / width);
      top = (windowHeight - shownHeight) / 2;
    }
  }
  // Pointer positions arrive in window units, which may differ from pixels.
  int clientWidth = 0, clientHeight = 0;
  SDL_GetWindowSize(window, &clientWidth, &clientHeight);
  if (windowWidth > 0 && windowHeight > 0)
    setPresentedArea(left * clientWidth / windowWidth, top * clientHeight / windowHeight,
                     shownWidth * clientWidth / windowWidth, shownHeight * clientHeight / windowHeight, width, height);
  if (!bDirect) {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, windowWidth, windowHeight);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // Bars where the back buffer does not reach.
    if (shownWidth != windowWidth || shownHeight != windowHeight) {
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
    }
    // The back buffer's first row is the top one: the window's last.
    const bool bSameSize = shownWidth == width && shownHeight == height;
    glBlitFramebuffer(0, 0, width, height, left, windowHeight - top, left + shownWidth,
                      windowHeight - top - shownHeight, GL_COLOR_BUFFER_BIT, bSameSize ? GL_NEAREST : GL_LINEAR);
  }
  SDL_GL_SwapWindow(window);
  glBindFramebuffer(GL_FRAMEBUFFER, bDirect ? 0 : framebuffer);
  bGlStateValid = false;
  // The window may have changed size meanwhile: the next frame's first
  // clear or draw decides where it goes.
  bTargetChosen = false;
}

void GlDevice::readBackBuffer(MemorySurface& surface) {
  flush();
  const GLsizei width = static_cast<GLsizei>(surface.getWidth()), height = static_cast<GLsizei>(surface.getHeight());
  std::vector<uint8_t> argb;
  uint8_t* target = surface.bits();
  if (bytesPerPixel(surface.getFormat()) != 4) {
    argb.resize(static_cast<size_t>(width) * height * 4);
    target = argb.data();
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, bDirect ? 0 : framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, target);
  if (bDirect) {  // the window's rows come bottom first
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> row(rowBytes);
    for (GLsizei y = 0; y < height / 2; ++y) {
      uint8_t* upper = target + static_cast<size_t>(y) * rowBytes;
      uint8_t* lower = target + static_cast<size_t>(height - 1 - y) * rowBytes;
      std::memcpy(row.data(), upper, rowBytes);
      std::memcpy(upper, lower, rowBytes);
      std::memcpy(lower, row.data(), rowBytes);
    }
  }
  if (!argb.empty()) {
    for (GLsizei y = 0; y < height; ++y)
      convertPixels(argb.data() + static_cast<size_t>(y) * width * 4, D3DFMT_A8R8G8B8,
                    surface.bits() + static_cast<size_t>(y) * surface.getPitch(), surface.getFormat(), width);
  } else if (!formatHasAlpha(surface.getFormat())) {
    for (size_t i = 3; i < static_cast<size_t>(width) * height * 4; i += 4) target[i] = 255;
  }
}

MemoryTexture* GlDevice::newTexture(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool) {
  auto* texture = new GlTexture(this, width, height, format, pool);
  if (texture->hasStorage()) return texture;
  texture->Release();
  return nullptr;
}
