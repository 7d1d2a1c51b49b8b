// Text: measuring a line with a glyph font against a FreeType advance loop;
// wrapping a 20 kB text; a frame of 200 cached texts among 10, 100 and 1,000
// cache entries (null device: the engine's own cost); one line of 1 K, 10 K
// and 100 K characters, cached whole, drawn first and drawn later, per
// character; and 1,000 cached one-line texts a frame through the default
// font against SDL_ttf's TTF_RenderUTF8_Blended into cached textures drawn
// by SDL2's renderer.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#ifdef ZIB_HAVE_SDL_TTF
#include <SDL_ttf.h>
#endif

#include <memory>
#include <string>
#include <vector>

#include "engine/ByteBuffer.h"
#include "engine/ErrorManager.h"
#include "base/Format.h"
#include "engine/Logger.h"
#include "engine/MemoryIniFile.h"
#include "engine/ResourceManager.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "graphics/Quad.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontGDI.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/TextBlock.h"
#include "platform/D3D9.h"
#include "platform/Window.h"
#include "platform/null/NullDevice.h"
#include "program/Backends.h"
#include "support/WindowedEngine.h"

namespace {

constexpr char kFontFile[] = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
constexpr int kWidth = 800, kHeight = 480;

const std::u16string kLine = u"The quick brown fox jumps over the lazy dog, 0123456789 times: (ÄÖÜ äöü ß é)!";

// A bare engine on the null device, with one glyph font of 256 glyphs.
struct NullEngine {
  NullEngine() {
    setGraphicsBackend(GraphicsBackend::Null);
    root = std::make_unique<Zib>();
    zib->pLogger = new Logger();
    zib->pErrorManager = new ErrorManager();
    zib->pResourceManager = new ResourceManager();
    zib->pConfig = new MemoryIniFile(ByteBuffer());
    zib->pConfig->setBool(false, u"ZibGraphics", u"bFullScreen");
    zib->pConfig->setInt(800, u"ZibGraphics", u"videoModeWidth");
    zib->pZibGraphics = new ZibGraphics();
    // The null device would keep a line per draw call for the whole run.
    static_cast<NullDevice*>(zib->pZibGraphics->dxDevice)->bRecordCalls = false;
    page = std::make_unique<Texture>(256, 256, Texture::kKeepSource);
    for (Skin* skin : page->skins) delete skin;
    page->skins.clear();
    for (int32_t i = 0; i < 256; ++i) {
      auto* quad = new Quad();
      quad->pTexture = page.get();
      const int32_t w = 4 + i % 6;
      quad->setTextureRect((i % 16) * 16, (i / 16) * 16, (i / 16) * 16 + 14, (i % 16) * 16 + w);
      page->skins.push_back(quad);
    }
    font = std::make_unique<FontQuad>();
    font->addSourceTexture(page.get(), 0);
    font->setupCompositeChars();
    font->createFontCache();
  }
  ~NullEngine() {
    font.reset();
    page.reset();
    delete zib->pZibGraphics;
    zib->pZibGraphics = nullptr;
  }
  std::unique_ptr<Zib> root;
  std::unique_ptr<Texture> page;
  std::unique_ptr<FontQuad> font;
};

std::unique_ptr<NullEngine> theNullEngine;

NullEngine& nullEngine() {
  if (!theNullEngine) theNullEngine = std::make_unique<NullEngine>();
  return *theNullEngine;
}

void oursCalcTextWidth(benchmark::State& state) {
  FontQuad& font = *nullEngine().font;
  for (auto _ : state) benchmark::DoNotOptimize(font.calcTextWidth(false, nullptr, 0, kLine));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kLine.size()));
}
BENCHMARK(oursCalcTextWidth);

void freetypeAdvances(benchmark::State& state) {
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) || FT_New_Face(library, kFontFile, 0, &face)) {
    state.SkipWithError("no FreeType face");
    return;
  }
  FT_Set_Pixel_Sizes(face, 0, 14);
  for (auto _ : state) {
    FT_Fixed total = 0;
    for (char16_t c : kLine) {
      FT_Fixed advance = 0;
      FT_Get_Advance(face, FT_Get_Char_Index(face, c), FT_LOAD_DEFAULT, &advance);
      total += advance;
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kLine.size()));
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}
BENCHMARK(freetypeAdvances);

void oursWrap20k(benchmark::State& state) {
  FontQuad& font = *nullEngine().font;
  std::u16string text;
  for (int i = 0; text.size() < 20000; ++i)
    text += i % 7 == 6 ? u"\x1e{FF8000}warm words\x1e{000001} | " : u"plain words of a message ";
  for (auto _ : state) {
    TextBlock block(&font, 300, -1, text);
    benchmark::DoNotOptimize(block.height);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size() * 2));
}
BENCHMARK(oursWrap20k)->Unit(benchmark::kMillisecond);

// 200 texts drawn a frame while the cache holds `entries` texts in all.
void oursCachedFrame(benchmark::State& state) {
  FontQuad& font = *nullEngine().font;
  font.pFontCache->purge();
  const auto entries = static_cast<int32_t>(state.range(0));
  std::vector<std::u16string> texts;
  for (int32_t i = 0; i < std::max(entries, 200); ++i) texts.push_back(formatString(u"Cached text %d", i));
  for (int32_t i = 0; i < entries; ++i) font.findCachedText(texts[size_t(i)]);
  for (auto _ : state) {
    ++zib->renderedFrames;
    for (int32_t i = 0; i < 200; ++i) font.drawText(0, 0, 0, 0xFFFFFFFF, 0, texts[size_t(i % entries)]);
  }
  state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(oursCachedFrame)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// One line of range(0) characters, time per character: put whole into an
// empty cache (range(1) 0), drawn in its first frame, cut to the widest line
// drawn (1), and drawn again a frame later (2).
void oursLongLine(benchmark::State& state) {
  FontQuad& font = *nullEngine().font;
  std::u16string text;
  while (text.size() < size_t(state.range(0))) text += kLine;
  text.resize(size_t(state.range(0)));
  const int64_t mode = state.range(1);
  font.pFontCache->purge();
  for (auto _ : state) {
    if (mode < 2) font.pFontCache->purge();
    ++zib->renderedFrames;
    if (mode == 0)
      font.findCachedText(text);
    else
      font.drawText(0, 0, 0, 0xFFFFFFFF, 0, text);
  }
  state.counters["per_char"] = benchmark::Counter(double(text.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                                           benchmark::Counter::kInvert);
}
BENCHMARK(oursLongLine)->ArgsProduct({{1000, 10000, 100000}, {0, 1, 2}})->Unit(benchmark::kMicrosecond);

std::string lineText(int i) { return "Line " + std::to_string(i) + ": status 12345"; }

void oursThousandTexts(benchmark::State& state) {
  theNullEngine.reset();  // one engine root at a time
  setGraphicsBackend(GraphicsBackend::Gl);
  WindowedEngine engine(kWidth, kHeight);
  engine.config().setBool(false, u"ZibGraphics", u"bBilinearFilter");  // SDL2 renders with nearest texels by default
  if (!engine.open(u"text")) {
    state.SkipWithError("no window");
    return;
  }
  {
    FontGDI font(12, 1, 1, 1, u"Arial");
    std::vector<std::u16string> texts;
    for (int i = 0; i < 1000; ++i) texts.push_back(fromUtf8(lineText(i)));
    for (auto _ : state) {
      ++zib->renderedFrames;
      zib->pFrameDevice->beginScene();
      for (int i = 0; i < 1000; ++i)
        font.drawText(float(i % 5 * 160 - 400), float(240 - i / 5 % 40 * 12), 0, 0xFFFFFFFF, 0, texts[size_t(i)]);
      zib->pFrameDevice->endScene();
      zib->pFrameDevice->present();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
  }
}
BENCHMARK(oursThousandTexts)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef ZIB_HAVE_SDL_TTF
void sdlTtfThousandTexts(benchmark::State& state) {
  SDL_Init(SDL_INIT_VIDEO);
  TTF_Init();
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_Window* window = SDL_CreateWindow("text", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
  TTF_Font* font = TTF_OpenFont(kFontFile, 12);
  if (!renderer || !font) {
    state.SkipWithError("no SDL renderer or font");
  } else {
    // Rendered once into textures, as a cache would keep them.
    std::vector<SDL_Texture*> textures;
    std::vector<SDL_Rect> sizes;
    for (int i = 0; i < 1000; ++i) {
      SDL_Surface* surface = TTF_RenderUTF8_Blended(font, lineText(i).c_str(), SDL_Color{255, 255, 255, 255});
      textures.push_back(SDL_CreateTextureFromSurface(renderer, surface));
      sizes.push_back({i % 5 * 160, i / 5 % 40 * 12, surface->w, surface->h});
      SDL_FreeSurface(surface);
    }
    for (auto _ : state) {
      SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
      SDL_RenderClear(renderer);
      for (int i = 0; i < 1000; ++i) SDL_RenderCopy(renderer, textures[size_t(i)], nullptr, &sizes[size_t(i)]);
      SDL_RenderPresent(renderer);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
    for (SDL_Texture* texture : textures) SDL_DestroyTexture(texture);
  }
  if (font) TTF_CloseFont(font);
  if (renderer) SDL_DestroyRenderer(renderer);
  if (window) SDL_DestroyWindow(window);
  TTF_Quit();
}
BENCHMARK(sdlTtfThousandTexts)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

int main(int argc, char** argv) {
  registerBackends();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  theNullEngine.reset();  // before the statics its shutdown formats with
  benchmark::Shutdown();
  return 0;
}
