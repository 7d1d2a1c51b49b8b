// Sprite throughput on an 800 x 480 window with vsync off: N sprites of one
// size from one texture (or two, alternating), each with its own position,
// rotation and translucent tint, all moving every frame, bilinear filtering.
//
//   ours     N Renderables sharing one Quad, ticked and drawn by the engine
//   sdl2     SDL2's renderer, SDL_RenderCopyExF with colour and alpha modulation, batching on
//   sfml     SFML's sf::Sprite, drawn one by one (when built with ZIB_HAVE_SFML)
//   ceiling  the corners transformed on the CPU into one vertex buffer, one draw call
//            (the textures are layers of one array texture)
//
// Every repetition opens all of them and takes their frames in turn, so that
// a busy machine weighs on each alike; a frame ends with glFinish, and its
// cost is the process's CPU time (driver threads counted). Run under a
// display, e.g. xvfb-run -s "-screen 0 1280x1024x24" build/bin/bench_sprites
// [--references=sdl2,sfml,ceiling].
// After the benchmarks a table gives the median frame times over the
// repetitions and how ours compares, with the spread of the ratio.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "app/GameModules.h"
#include "program/Backends.h"
#include "engine/ByteBuffer.h"
#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/MemoryIniFile.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "graphics/Context.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Quad.h"
#include "graphics/Renderable.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"
#include "platform/Window.h"
#include "support/Drawing.h"
#include "support/FrameRace.h"
#include "support/WindowedEngine.h"

#ifdef ZIB_HAVE_SFML
#include <SFML/Graphics.hpp>
#endif

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 480;
constexpr int kTextureSize = 64;
constexpr int kWarmUpFrames = 3;
constexpr float kStep = 1.0f / 60;

// ---- The scene every implementation draws -------------------------------

// Screen pixels, y down; the angle in radians, clockwise on the screen.
struct Sprite {
  float x, y, vx, vy, angle, spin;
  uint32_t argb;
  int texture;
};

struct Scene {
  int count;
  int size;
  int textures;
};

uint32_t nextRandom(uint32_t& seed) {
  seed = seed * 214013u + 2531011u;
  return seed >> 16;
}

float randomIn(uint32_t& seed, float low, float high) {
  return low + (high - low) * static_cast<float>(nextRandom(seed) & 0x7FFF) / 32767.0f;
}

std::vector<Sprite> makeSprites(const Scene& scene) {
  uint32_t seed = 12345;
  std::vector<Sprite> sprites(static_cast<size_t>(scene.count));
  for (size_t i = 0; i < sprites.size(); ++i) {
    Sprite& s = sprites[i];
    s.x = randomIn(seed, 0, kWidth);
    s.y = randomIn(seed, 0, kHeight);
    s.vx = randomIn(seed, -120, 120);
    s.vy = randomIn(seed, -120, 120);
    s.angle = randomIn(seed, 0, 6.28f);
    s.spin = randomIn(seed, -3, 3);
    const auto alpha = static_cast<uint32_t>(randomIn(seed, 0x60, 0xE0));
    s.argb = alpha << 24 | (nextRandom(seed) & 0xFFFF) << 8 | (nextRandom(seed) & 0xFF);
    s.texture = static_cast<int>(i % static_cast<size_t>(scene.textures));
  }
  return sprites;
}

void move(Sprite& s) {
  s.x += s.vx * kStep;
  s.y += s.vy * kStep;
  if (s.x < 0 || s.x > kWidth) s.vx = -s.vx;
  if (s.y < 0 || s.y > kHeight) s.vy = -s.vy;
  s.angle += s.spin * kStep;
}

// A soft disc, ARGB: warm for texture 0, cool and striped for texture 1.
std::vector<uint32_t> makeImage(int which) {
  std::vector<uint32_t> pixels(kTextureSize * kTextureSize);
  for (int y = 0; y < kTextureSize; ++y)
    for (int x = 0; x < kTextureSize; ++x) {
      const float dx = static_cast<float>(x) + 0.5f - kTextureSize / 2.0f;
      const float dy = static_cast<float>(y) + 0.5f - kTextureSize / 2.0f;
      const float edge = std::clamp(kTextureSize / 2.0f - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
      const auto a = static_cast<uint32_t>(edge * 255);
      const uint32_t r = which == 0 ? 255 : static_cast<uint32_t>(x * 4);
      const uint32_t g = which == 0 ? static_cast<uint32_t>(y * 4) : ((x / 8 + y / 8) % 2 ? 255 : 96);
      const uint32_t b = which == 0 ? 64 : 255;
      pixels[static_cast<size_t>(y * kTextureSize + x)] = a << 24 | r << 16 | g << 8 | b;
    }
  return pixels;
}

// Frames per repetition, at least, and ours' CPU time a repetition: enough
// that the median of five repetitions holds within a few percent from run to
// run. A shared machine's speed drifts from second to second (one frame of a
// scene took from 93 to 190 ms, the process pinned or not), and for the scenes
// bound by texture lookups the ratio drifts with it, so a repetition has to
// span several seconds of it.
constexpr int kMinFrames = 20;
constexpr double kMinSeconds = 5;

// The references raced against ours: --references=sdl2,sfml,ceiling (all by default).
std::string references = "sdl2,sfml,ceiling";
bool races(const std::string& name) { return ("," + references + ",").find("," + name + ",") != std::string::npos; }

// ---- Ours -----------------------------------------------------------------

// A sprite that moves itself in its tick, as game objects do.
class SpriteObject : public Renderable {
 public:
  explicit SpriteObject(const Sprite& sprite) : sprite(sprite) { color = sprite.argb; }
  void tick(double, double) override {
    move(sprite);
    position = Vector3(sprite.x - kWidth / 2.0f, kHeight / 2.0f - sprite.y, 0);
    rotation.z = -sprite.angle;
    updateVisual();
  }

 private:
  Sprite sprite;
};

class Ours {
 public:
  explicit Ours(const Scene& scene) : engine(kWidth, kHeight) {
    engine.config().setBool(true, u"ZibGraphics", u"bBilinearFilter");
    engine.config().setBool(false, u"ZibGraphics", u"bSimulate256x256TextureHW");
    if (!engine.open(u"sprites")) return;
    window = SDL_GL_GetCurrentWindow();
    context = SDL_GL_GetCurrentContext();
    for (int i = 0; i < scene.textures; ++i) {
      auto texture = std::make_unique<Texture>(kTextureSize, kTextureSize, 0);
      MemoryImageFile image(kTextureSize, kTextureSize);
      const std::vector<uint32_t> pixels = makeImage(i);
      std::copy(pixels.begin(), pixels.end(), image.pImageData);
      texture->copyImageData(&image, nullptr, nullptr);
      auto quad = std::make_unique<Quad>();
      quad->pTexture = texture.get();
      quad->uvRect = texture->calcTexCoords(0, 0, kTextureSize, kTextureSize);
      quad->buildGeometry(static_cast<float>(scene.size), static_cast<float>(scene.size));
      textures.push_back(std::move(texture));
      quads.push_back(std::move(quad));
    }
    for (const Sprite& sprite : makeSprites(scene)) {
      auto* object = new SpriteObject(sprite);
      object->pSkin = quads[static_cast<size_t>(sprite.texture)].get();
      root.appendChild(object);
    }
  }
  ~Ours() { root.destroyChildren(); }

  bool ready() const { return context != nullptr; }
  RaceEntry entry() {
    return {"ours", makeCurrent(window, context), [this] {
              std::fill(std::begin(zib->frameStats), std::end(zib->frameStats), 0);
              root.frameTick(0, 0);
              zib->pFrameDevice->beginScene();
              root.frameRender();
              zib->pFrameDevice->endScene();
              zib->pFrameDevice->present();
              glFinish();
            }};
  }

 private:
  WindowedEngine engine;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  std::vector<std::unique_ptr<Texture>> textures;
  std::vector<std::unique_ptr<Quad>> quads;
  Context root;
};

// ---- SDL2's renderer ------------------------------------------------------

class Sdl2 {
 public:
  explicit Sdl2(const Scene& scene) : sprites(makeSprites(scene)), size(static_cast<float>(scene.size)) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    window = SDL_CreateWindow("sprites", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
    renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    if (!renderer) return;
    context = SDL_GL_GetCurrentContext();
    for (int i = 0; i < scene.textures; ++i) {
      textures.push_back(createBlendedTexture(renderer, makeImage(i), kTextureSize));
    }
  }
  ~Sdl2() {
    for (SDL_Texture* texture : textures) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
  }

  bool ready() const { return renderer != nullptr; }
  RaceEntry entry() { return {"sdl2", makeCurrent(window, context), [this] { frame(); }}; }

 private:
  void frame() {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    for (Sprite& s : sprites) {
      move(s);
      SDL_Texture* texture = textures[static_cast<size_t>(s.texture)];
      SDL_SetTextureColorMod(texture, s.argb >> 16 & 0xFF, s.argb >> 8 & 0xFF, s.argb & 0xFF);
      SDL_SetTextureAlphaMod(texture, s.argb >> 24);
      const SDL_FRect dest = {s.x - size / 2, s.y - size / 2, size, size};
      SDL_RenderCopyExF(renderer, texture, nullptr, &dest, s.angle * 180 / std::numbers::pi, nullptr, SDL_FLIP_NONE);
    }
    SDL_RenderPresent(renderer);
    glFinish();
  }

  std::vector<Sprite> sprites;
  const float size;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_GLContext context = nullptr;
  std::vector<SDL_Texture*> textures;
};

// ---- SFML -----------------------------------------------------------------

#ifdef ZIB_HAVE_SFML
class Sfml {
 public:
  explicit Sfml(const Scene& scene)
      : window(sf::VideoMode(kWidth, kHeight), "sprites", sf::Style::Titlebar),
        textures(static_cast<size_t>(scene.textures)),
        sprites(makeSprites(scene)),
        drawn(sprites.size()) {
    window.setVerticalSyncEnabled(false);
    for (int i = 0; i < scene.textures; ++i) {
      std::vector<uint8_t> rgba;
      for (const uint32_t argb : makeImage(i))
        rgba.insert(rgba.end(), {static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8),
                                 static_cast<uint8_t>(argb), static_cast<uint8_t>(argb >> 24)});
      textures[static_cast<size_t>(i)].create(kTextureSize, kTextureSize);
      textures[static_cast<size_t>(i)].update(rgba.data());
      textures[static_cast<size_t>(i)].setSmooth(true);
    }
    const float scale = static_cast<float>(scene.size) / kTextureSize;
    for (size_t i = 0; i < sprites.size(); ++i) {
      drawn[i].setTexture(textures[static_cast<size_t>(sprites[i].texture)]);
      drawn[i].setOrigin(kTextureSize / 2.0f, kTextureSize / 2.0f);
      drawn[i].setScale(scale, scale);
    }
  }

  RaceEntry entry() {
    // SFML skips making current what it believes current, which another
    // library may have changed meanwhile.
    const auto activate = [this] {
      window.setActive(false);
      window.setActive(true);
    };
    return {"sfml", activate, [this] {
              window.clear(sf::Color::Black);
              for (size_t i = 0; i < sprites.size(); ++i) {
                Sprite& s = sprites[i];
                move(s);
                drawn[i].setPosition(s.x, s.y);
                drawn[i].setRotation(s.angle * 180 / std::numbers::pi_v<float>);
                drawn[i].setColor(sf::Color(s.argb >> 16 & 0xFF, s.argb >> 8 & 0xFF, s.argb & 0xFF, s.argb >> 24));
                window.draw(drawn[i]);
              }
              window.display();
              glFinish();
            }};
  }

 private:
  sf::RenderWindow window;
  std::vector<sf::Texture> textures;
  std::vector<Sprite> sprites;
  std::vector<sf::Sprite> drawn;
};
#endif

// ---- Ceiling: one vertex buffer, one draw call ----------------------------

GLuint compileProgram() {
  const char* vertexSource = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 uv;
layout(location = 2) in vec4 color;
layout(location = 3) in float layer;
out vec3 vUv;
out vec4 vColor;
void main() {
  gl_Position = vec4(position.x / 400.0 - 1.0, 1.0 - position.y / 240.0, 0.0, 1.0);
  vUv = vec3(uv, layer);
  vColor = color;
})";
  // The textures are the layers of one array: one lookup per pixel.
  const char* fragmentSource = R"(#version 330 core
uniform sampler2DArray sprites;
in vec3 vUv;
in vec4 vColor;
out vec4 fragColor;
void main() {
  fragColor = texture(sprites, vUv) * vColor;
})";
  const auto compile = [](GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
  };
  const GLuint program = glCreateProgram();
  const GLuint vertex = compile(GL_VERTEX_SHADER, vertexSource);
  const GLuint fragment = compile(GL_FRAGMENT_SHADER, fragmentSource);
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  return linked ? program : 0;
}

struct CeilingVertex {
  float x, y, u, v;
  uint32_t abgr;  // bytes r, g, b, a
  float layer;
};

class Ceiling {
 public:
  explicit Ceiling(const Scene& scene) : sprites(makeSprites(scene)), vertices(sprites.size() * 4) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    window = SDL_CreateWindow("sprites", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
    context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) return;
    SDL_GL_SetSwapInterval(0);
    program = compileProgram();
    if (!program) return;
    glUseProgram(program);
    glGenTextures(1, &textures);
    glBindTexture(GL_TEXTURE_2D_ARRAY, textures);
    glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA8, kTextureSize, kTextureSize, scene.textures, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
    for (int i = 0; i < scene.textures; ++i) {
      const std::vector<uint32_t> pixels = makeImage(i);
      glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, i, kTextureSize, kTextureSize, 1, GL_BGRA, GL_UNSIGNED_BYTE,
                      pixels.data());
    }
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(2, buffers);
    for (uint32_t i = 0; i < static_cast<uint32_t>(scene.count); ++i)
      indices.insert(indices.end(), {4 * i, 4 * i + 1, 4 * i + 2, 4 * i + 1, 4 * i + 3, 4 * i + 2});
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 4), indices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    const auto attribute = [](GLuint index, GLint size, GLenum type, bool normalized, size_t offset) {
      glEnableVertexAttribArray(index);
      glVertexAttribPointer(index, size, type, normalized, sizeof(CeilingVertex), reinterpret_cast<void*>(offset));
    };
    attribute(0, 2, GL_FLOAT, false, offsetof(CeilingVertex, x));
    attribute(1, 2, GL_FLOAT, false, offsetof(CeilingVertex, u));
    attribute(2, 4, GL_UNSIGNED_BYTE, true, offsetof(CeilingVertex, abgr));
    attribute(3, 1, GL_FLOAT, false, offsetof(CeilingVertex, layer));
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, kWidth, kHeight);
    half = static_cast<float>(scene.size) / 2;
  }
  ~Ceiling() {
    if (context) {
      makeCurrent(window, context)();
      glDeleteBuffers(2, buffers);
      glDeleteVertexArrays(1, &vertexArray);
      glDeleteTextures(1, &textures);
      glDeleteProgram(program);
      SDL_GL_DeleteContext(context);
    }
    if (window) SDL_DestroyWindow(window);
  }

  bool ready() const { return program != 0; }
  RaceEntry entry() { return {"ceiling", makeCurrent(window, context), [this] { frame(); }}; }

 private:
  void frame() {
    static constexpr float cornerX[4] = {-1, 1, -1, 1}, cornerY[4] = {-1, -1, 1, 1};
    static constexpr float cornerU[4] = {0, 1, 0, 1}, cornerV[4] = {0, 0, 1, 1};
    for (size_t i = 0; i < sprites.size(); ++i) {
      Sprite& s = sprites[i];
      move(s);
      const float c = std::cos(s.angle), sn = std::sin(s.angle);
      const uint32_t abgr = (s.argb & 0xFF00FF00) | (s.argb >> 16 & 0xFF) | (s.argb & 0xFF) << 16;
      for (int k = 0; k < 4; ++k)
        vertices[4 * i + static_cast<size_t>(k)] = {s.x + half * (cornerX[k] * c - cornerY[k] * sn),
                                                    s.y + half * (cornerX[k] * sn + cornerY[k] * c),
                                                    cornerU[k],
                                                    cornerV[k],
                                                    abgr,
                                                    static_cast<float>(s.texture)};
    }
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const auto bytes = static_cast<GLsizeiptr>(vertices.size() * sizeof(CeilingVertex));
    glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, vertices.data());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, nullptr);
    SDL_GL_SwapWindow(window);
    glFinish();
  }

  std::vector<Sprite> sprites;
  std::vector<CeilingVertex> vertices;
  std::vector<uint32_t> indices;
  float half = 0;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  GLuint program = 0, textures = 0, vertexArray = 0, buffers[2] = {};
};

// ---- The race -------------------------------------------------------------

FrameRace race;

void BM_Sprites(benchmark::State& state) {
  const Scene scene = {static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                       static_cast<int>(state.range(2))};
  Ours ours(scene);
  std::optional<Sdl2> sdl2;
  std::optional<Ceiling> ceiling;
  if (races("sdl2")) sdl2.emplace(scene);
  if (races("ceiling")) ceiling.emplace(scene);
  if (!ours.ready() || (sdl2 && !sdl2->ready()) || (ceiling && !ceiling->ready())) {
    state.SkipWithError("no window, renderer or OpenGL 3.3 context");
    return;
  }
  std::vector<RaceEntry> entries = {ours.entry()};
  if (sdl2) entries.push_back(sdl2->entry());
  if (ceiling) entries.push_back(ceiling->entry());
#ifdef ZIB_HAVE_SFML
  std::optional<Sfml> sfml;
  if (races("sfml")) {
    sfml.emplace(scene);
    entries.push_back(sfml->entry());
  }
#endif
  char name[48];
  std::snprintf(name, sizeof name, "%dx%d tex %d n %d", scene.size, scene.size, scene.textures, scene.count);
  for (auto _ : state) {
    const std::vector<double> medians = race.run(name, entries, kWarmUpFrames, kMinFrames, kMinSeconds);
    state.SetIterationTime(medians[0] / 1000);
    for (size_t i = 1; i < entries.size(); ++i) state.counters[entries[i].name + "_ms"] = medians[i];
  }
}

}  // namespace

int main(int argc, char** argv) {
  keepAllocationsInTheHeap();
  registerBackends();
  installGameModules();
  // The engine's log goes to a folder of its own, not the user's.
  const std::string folder = makeTempFolder("bench_sprites");
  if (folder.empty()) return 1;
  setenv("XDG_DATA_HOME", folder.c_str(), 1);
  // Mesa's software rasteriser draws in the calling thread: a frame's CPU time
  // is then its work alone, not its threads' waiting, which grows with the
  // machine's load and most for the side with the most draw calls.
  setenv("LP_NUM_THREADS", "0", 0);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "No display: %s\n", SDL_GetError());
    return 1;
  }
  benchmark::RegisterBenchmark("sprites", BM_Sprites)
      ->ArgNames({"n", "size", "textures"})
      ->ArgsProduct({{1000, 5000, 20000}, {8, 32}, {1, 2}})
      ->Iterations(1)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  // Defaults that the command line can override (the last flag wins).
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.starts_with("--references="))
      references = arg.substr(13);
    else
      args.push_back(argv[i]);
  }
  char repetitions[] = "--benchmark_repetitions=5";
  args.insert(args.begin() + 1, repetitions);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  race.print("ours", {"sdl2", "sfml", "ceiling"});
  SDL_Quit();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
