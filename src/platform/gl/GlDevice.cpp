#include "platform/gl/GlDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/gl/GlTexture.h"
#include "platform/null/PixelFormat.h"

namespace {

constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 clip;
layout(location = 1) in vec2 uv;
layout(location = 2) in vec4 factor;
layout(location = 3) in vec4 texUse;
// Half a pixel in normalised device units: Direct3D's pixel centres lie on
// whole coordinates, OpenGL's half a pixel further.
uniform vec2 halfPixel;
out vec2 vUv;
out vec4 vFactor;
flat out vec4 vTexUse;
void main() {
  // Rows are kept top first, so y is mirrored; Direct3D clips depth to 0..w.
  gl_Position = vec4(clip.x + halfPixel.x * clip.w, -clip.y + halfPixel.y * clip.w, 2.0 * clip.z - clip.w, clip.w);
  vUv = uv;
  vFactor = factor;
  vTexUse = texUse;
}
)";

constexpr const char* kFragmentShader = R"(#version 330 core
in vec2 vUv;
in vec4 vFactor;
flat in vec4 vTexUse;
uniform sampler2D tex;
uniform int alphaFunc;
uniform float alphaRef;
out vec4 outColor;
void main() {
  vec4 t = texture(tex, vUv);
  vec4 c = vFactor;
  c.rgb *= mix(vec3(1.0), t.rgb, vTexUse.x) * mix(vec3(1.0), t.rgb, vTexUse.y);
  c.a *= mix(1.0, t.a, vTexUse.z) * mix(1.0, t.a, vTexUse.w);
  // The alpha test compares 8-bit values.
  float a = floor(c.a * 255.0 + 0.5);
  bool pass = alphaFunc == 8 || (alphaFunc == 2 && a < alphaRef) || (alphaFunc == 3 && a == alphaRef) ||
              (alphaFunc == 4 && a <= alphaRef) || (alphaFunc == 5 && a > alphaRef) ||
              (alphaFunc == 6 && a != alphaRef) || (alphaFunc == 7 && a >= alphaRef);
  if (!pass) discard;
  outColor = c;
}
)";

constexpr size_t kMaxBatchVertices = 1 << 18;

// Where the last Present put the back buffer in the window.
struct Shown {
  int left = 0, top = 0, width = 0, height = 0;
  int backBufferWidth = 0, backBufferHeight = 0;
};
Shown shown;

GLuint compileShader(GLenum kind, const char* source) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    glDeleteShader(shader);
    return 0;
  }
  return shader;
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

void multiply(D3DMATRIX& out, const D3DMATRIX& a, const D3DMATRIX& b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] + a.m[r][3] * b.m[3][c];
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

void clientToBackBuffer(int& x, int& y) {
  if (shown.width <= 0 || shown.height <= 0) return;
  x = static_cast<int>(static_cast<int64_t>(x - shown.left) * shown.backBufferWidth / shown.width);
  y = static_cast<int>(static_cast<int64_t>(y - shown.top) * shown.backBufferHeight / shown.height);
}

GlDevice::~GlDevice() {
  shown = {};
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

  const GLuint vertexShader = compileShader(GL_VERTEX_SHADER, kVertexShader);
  const GLuint fragmentShader = compileShader(GL_FRAGMENT_SHADER, kFragmentShader);
  if (!vertexShader || !fragmentShader) return D3DERR_NOTAVAILABLE;
  program = glCreateProgram();
  glAttachShader(program, vertexShader);
  glAttachShader(program, fragmentShader);
  glLinkProgram(program);
  glDeleteShader(vertexShader);
  glDeleteShader(fragmentShader);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (!linked) return D3DERR_NOTAVAILABLE;
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "tex"), 0);
  halfPixelLocation = glGetUniformLocation(program, "halfPixel");
  alphaFuncLocation = glGetUniformLocation(program, "alphaFunc");
  alphaRefLocation = glGetUniformLocation(program, "alphaRef");

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
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(BatchVertex, uv)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                        reinterpret_cast<void*>(offsetof(BatchVertex, factor)));
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride,
                        reinterpret_cast<void*>(offsetof(BatchVertex, texUse)));

  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(1, &colorBuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glGenSamplers(1, &sampler);
  glBindSampler(0, sampler);
  glActiveTexture(GL_TEXTURE0);

  // Untextured draws read opaque white.
  const uint32_t white = 0xFFFFFFFF;
  glGenTextures(1, &whiteTexture);
  bindForUpload(whiteTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white);

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
  glDeleteProgram(program);
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
  if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != fullScreen &&
      SDL_SetWindowFullscreen(window, fullScreen) != 0)
    return D3DERR_NOTAVAILABLE;
  SDL_GL_SetSwapInterval(pp.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
  glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(pp.BackBufferWidth),
                        static_cast<GLsizei>(pp.BackBufferHeight));
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
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

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (batchStateRenderState(State)) bStateChanged = true;
  return DeviceCore::SetRenderState(State, Value);
}

HRESULT GlDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
  if (Stage == 0) bStateChanged = true;
  return DeviceCore::SetTexture(Stage, pTexture);
}

HRESULT GlDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  if (Stage == 0) bStageDirty = true;
  return DeviceCore::SetTextureStageState(Stage, Type, Value);
}

HRESULT GlDevice::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
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
  if (boundGlTexture == texture) return;
  glBindTexture(GL_TEXTURE_2D, texture);
  boundGlTexture = texture;
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
  state.alphaRef = rs[D3DRS_ALPHAREF] & 0xFF;
  state.addressU = ss[D3DSAMP_ADDRESSU];
  state.addressV = ss[D3DSAMP_ADDRESSV];
  state.magFilter = ss[D3DSAMP_MAGFILTER];
  state.minFilter = ss[D3DSAMP_MINFILTER];
  state.viewport[0] = viewport.X;
  state.viewport[1] = viewport.Y;
  state.viewport[2] = viewport.Width;
  state.viewport[3] = viewport.Height;
  state.texture = boundTextures[0] ? static_cast<GlTexture*>(boundTextures[0])->name() : whiteTexture;
  return state;
}

void GlDevice::applyGlState() {
  const BatchState& s = batchState;
  if (s.blend) {
    glEnable(GL_BLEND);
    GLenum source = blendFactor(s.sourceBlend), dest = blendFactor(s.destBlend);
    if (s.sourceBlend == D3DBLEND_BOTHSRCALPHA) source = GL_SRC_ALPHA, dest = GL_ONE_MINUS_SRC_ALPHA;
    if (s.sourceBlend == D3DBLEND_BOTHINVSRCALPHA) source = GL_ONE_MINUS_SRC_ALPHA, dest = GL_SRC_ALPHA;
    glBlendFunc(source, dest);
  } else {
    glDisable(GL_BLEND);
  }
  // Rows are mirrored, which turns Direct3D's clockwise into OpenGL's
  // counter-clockwise.
  if (s.cull == D3DCULL_CW || s.cull == D3DCULL_CCW) {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(s.cull == D3DCULL_CW ? GL_CW : GL_CCW);
  } else {
    glDisable(GL_CULL_FACE);
  }
  glUniform1i(alphaFuncLocation, static_cast<GLint>(s.alphaFunc));
  glUniform1f(alphaRefLocation, static_cast<float>(s.alphaRef));
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, addressMode(s.addressU));
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, addressMode(s.addressV));
  glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, filterMode(s.magFilter));
  glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filterMode(s.minFilter));
  glViewport(static_cast<GLint>(s.viewport[0]), static_cast<GLint>(s.viewport[1]),
             static_cast<GLsizei>(s.viewport[2]), static_cast<GLsizei>(s.viewport[3]));
  glUniform2f(halfPixelLocation, 1.0f / static_cast<float>(s.viewport[2]), 1.0f / static_cast<float>(s.viewport[3]));
  // A back buffer without alpha keeps reading opaque, blending included.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, formatHasAlpha(params.BackBufferFormat) ? GL_TRUE : GL_FALSE);
  bGlStateValid = true;
}

void GlDevice::flush() {
  if (indices.empty()) return;
  bindForUpload(batchState.texture);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(BatchVertex)), vertices.data(),
               GL_STREAM_DRAW);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(uint32_t)), indices.data(),
               GL_STREAM_DRAW);
  glDrawElements(batchMode, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, nullptr);
  vertices.clear();
  indices.clear();
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
}

void GlDevice::updateMatrix() {
  if (bViewProjectionDirty) multiply(viewProjection, view, projection);
  multiply(worldViewProjection, world, viewProjection);
  bViewProjectionDirty = bMatrixDirty = false;
}

void GlDevice::draw(D3DPRIMITIVETYPE type, const uint8_t* source, UINT count) {
  const GLenum mode = type <= D3DPT_POINTLIST ? GL_POINTS : type <= D3DPT_LINESTRIP ? GL_LINES : GL_TRIANGLES;
  if (bStateChanged) {
    // Draws merge as long as what they need of OpenGL's state is the same.
    const BatchState next = currentBatchState();
    if (!bGlStateValid || next != batchState) {
      flush();
      batchState = next;
      applyGlState();
    }
    bStateChanged = false;
  }
  if (mode != batchMode || vertices.size() + count > kMaxBatchVertices) {
    flush();
    batchMode = mode;
  }
  if (fvf != layoutFvf) updateLayout();
  if (bStageDirty) updateStage();
  if (bMatrixDirty) updateMatrix();

  const uint32_t factor = renderStates[D3DRS_TEXTUREFACTOR];
  const uint8_t tf[4] = {static_cast<uint8_t>(factor >> 16), static_cast<uint8_t>(factor >> 8),
                         static_cast<uint8_t>(factor), static_cast<uint8_t>(factor >> 24)};
  // The factor of the texture factor alone, the same for every vertex.
  uint8_t constant[4];
  for (int i = 0; i < 4; ++i) constant[i] = power8(tf[i], i < 3 ? colorTerms.factor : alphaTerms.factor, 255);
  const bool bDiffuse = colorTerms.diffuse || alphaTerms.diffuse;
  const uint8_t texUse[4] = {static_cast<uint8_t>(colorTerms.texture >= 1), static_cast<uint8_t>(colorTerms.texture >= 2),
                             static_cast<uint8_t>(alphaTerms.texture >= 1), static_cast<uint8_t>(alphaTerms.texture >= 2)};

  const size_t base = vertices.size();
  vertices.resize(base + count);
  BatchVertex* out = vertices.data() + base;
  const auto& m = worldViewProjection.m;
  for (UINT i = 0; i < count; ++i, source += streamStride, ++out) {
    float p[3];
    std::memcpy(p, source, sizeof p);
    for (int c = 0; c < 4; ++c) out->clip[c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c] + m[3][c];
    if (texCoordOffset >= 0) {
      std::memcpy(out->uv, source + texCoordOffset, sizeof out->uv);
    } else {
      out->uv[0] = out->uv[1] = 0;
    }
    std::memcpy(out->factor, constant, 4);
    if (bDiffuse) {
      uint32_t diffuse = 0xFFFFFFFF;
      if (diffuseOffset >= 0) std::memcpy(&diffuse, source + diffuseOffset, 4);
      const uint8_t d[4] = {static_cast<uint8_t>(diffuse >> 16), static_cast<uint8_t>(diffuse >> 8),
                            static_cast<uint8_t>(diffuse), static_cast<uint8_t>(diffuse >> 24)};
      for (int c = 0; c < 4; ++c)
        out->factor[c] = power8(d[c], c < 3 ? colorTerms.diffuse : alphaTerms.diffuse, out->factor[c]);
    }
    std::memcpy(out->texUse, texUse, 4);
  }

  const uint32_t first = static_cast<uint32_t>(base);
  switch (type) {
    case D3DPT_POINTLIST:
    case D3DPT_LINELIST:
    case D3DPT_TRIANGLELIST:
      for (uint32_t i = 0; i < count; ++i) indices.push_back(first + i);
      break;
    case D3DPT_LINESTRIP:
      for (uint32_t i = 0; i + 1 < count; ++i) indices.insert(indices.end(), {first + i, first + i + 1});
      break;
    case D3DPT_TRIANGLESTRIP:
      // Every second triangle of a strip is turned round to keep its winding.
      for (uint32_t i = 0; i + 2 < count; ++i) {
        if (i & 1) indices.insert(indices.end(), {first + i + 1, first + i, first + i + 2});
        else indices.insert(indices.end(), {first + i, first + i + 1, first + i + 2});
      }
      break;
    case D3DPT_TRIANGLEFAN:
      for (uint32_t i = 1; i + 1 < count; ++i) indices.insert(indices.end(), {first, first + i, first + i + 1});
      break;
  }
}

void GlDevice::clearRect(const RECT& rect, D3DCOLOR color) {
  flush();
  glEnable(GL_SCISSOR_TEST);
  glScissor(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  const float alpha = formatHasAlpha(params.BackBufferFormat) ? static_cast<float>(color >> 24) / 255.0f : 1.0f;
  glClearColor(static_cast<float>((color >> 16) & 255) / 255.0f, static_cast<float>((color >> 8) & 255) / 255.0f,
               static_cast<float>(color & 255) / 255.0f, alpha);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  bGlStateValid = false;
  bStateChanged = true;
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
    shown = {left * clientWidth / windowWidth, top * clientHeight / windowHeight, shownWidth * clientWidth / windowWidth,
             shownHeight * clientHeight / windowHeight, width, height};
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glViewport(0, 0, windowWidth, windowHeight);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  // The back buffer's first row is the top one: the window's last.
  const bool bSameSize = shownWidth == width && shownHeight == height;
  glBlitFramebuffer(0, 0, width, height, left, windowHeight - top, left + shownWidth, windowHeight - top - shownHeight,
                    GL_COLOR_BUFFER_BIT, bSameSize ? GL_NEAREST : GL_LINEAR);
  SDL_GL_SwapWindow(window);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  bGlStateValid = false;
  bStateChanged = true;
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
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, target);
  if (!argb.empty()) {
    for (GLsizei y = 0; y < height; ++y)
      convertPixels(argb.data() + static_cast<size_t>(y) * width * 4, D3DFMT_A8R8G8B8,
                    surface.bits() + static_cast<size_t>(y) * surface.getPitch(), surface.getFormat(), width);
  } else if (!formatHasAlpha(surface.getFormat())) {
    for (size_t i = 3; i < static_cast<size_t>(width) * height * 4; i += 4) target[i] = 255;
  }
}

MemoryTexture* GlDevice::newTexture(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool) {
  return new GlTexture(this, width, height, format, pool);
}
