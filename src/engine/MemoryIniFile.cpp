#include "engine/MemoryIniFile.h"

#include <algorithm>
#include <utility>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <vector>

#include "engine/ByteBuffer.h"
#include "engine/ErrorManager.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "engine/Logger.h"
#include "base/Format.h"
#include "engine/FileStream.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"

namespace {

constexpr std::u16string_view kBlanks = u" \t\r\n";

std::u16string_view trim(std::u16string_view line) {
  const size_t first = line.find_first_not_of(kBlanks);
  if (first == std::u16string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
}

std::u16string withoutLineBreaks(std::u16string text) {
  std::erase_if(text, [](char16_t c) { return c == u'\r' || c == u'\n'; });
  return text;
}

// The leading ASCII part of a value: all of any number it starts with, for
// the C library's parsers.
std::string asciiPrefix(std::u16string_view text) {
  std::string ascii;
  for (char16_t c : text) {
    if (c == 0 || c >= 0x80) break;
    ascii += static_cast<char>(c);
  }
  return ascii;
}

// The map's items by the order in which they were added.
template <class Map>
std::vector<const typename Map::value_type*> inOrder(const Map& map) {
  std::vector<const typename Map::value_type*> items;
  items.reserve(map.size());
  for (const auto& item : map) items.push_back(&item);
  std::ranges::sort(items, {}, [](const auto* item) { return item->second.order; });
  return items;
}

}  // namespace

MemoryIniFile::MemoryIniFile(std::u16string fileName) : fileName(std::move(fileName)) {
  FileManager& files = *zib->pFileManager;
  if (!files.exists(this->fileName)) return;
  // Measured first: a huge file (a sparse one costs nothing on disk) would
  // take gigabytes to read and more to decode.
  uint32_t size = 0;
  delete files.open(&size, this->fileName);
  if (size > kMaxFileBytes) {
    ZIB_LOG(u"%s is %u bytes long: read as an empty configuration.", this->fileName, size);
    return;
  }
  const FileData file(false, this->fileName);
  parse(file.block);
}

MemoryIniFile::MemoryIniFile(const ByteBuffer& bytes) { parse(bytes); }

void MemoryIniFile::parse(const ByteBuffer& bytes) {
  const std::u16string text = bytes.toText();
  const std::u16string_view view = text;
  // Pairs in front of the first header go into the section with the empty name.
  Section* current = nullptr;
  for (size_t start = 0; start <= view.size();) {
    const size_t end = std::min(view.find(u'\n', start), view.size());
    const std::u16string_view line = trim(view.substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    const size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) {
      // The header without its first and last character, normally the brackets.
      current = &getSection(std::u16string(line.size() < 2 ? std::u16string_view() : line.substr(1, line.size() - 2)));
      continue;
    }
    if (!current) current = &getSection(u"");
    // The first occurrence of a key wins.
    auto [entry, inserted] = current->keys.try_emplace(std::u16string(line.substr(0, equals)));
    if (inserted) entry->second = Entry{std::u16string(line.substr(equals + 1)), nextOrder++};
  }
}

MemoryIniFile::Section& MemoryIniFile::getSection(const std::u16string& section) {
  auto [found, inserted] = sections.try_emplace(section);
  if (inserted) found->second.order = nextOrder++;
  return found->second;
}

bool MemoryIniFile::hasKey(const std::u16string& section, const std::u16string& key) {
  return getSection(section).keys.contains(key);
}

void MemoryIniFile::removeKey(const std::u16string& section, const std::u16string& key) {
  getSection(section).keys.erase(key);
}

std::u16string MemoryIniFile::getString(const std::u16string& section, const std::u16string& key) {
  const Section& keys = getSection(section);
  const auto found = keys.keys.find(key);
  if (found == keys.keys.end()) ZIB_ERROR(u"Key '%s' could not be found in section '%s'.", key, section);
  return found->second.value;
}

int32_t MemoryIniFile::getInt(const std::u16string& section, const std::u16string& key) {
  const long value = std::strtol(asciiPrefix(getString(section, key)).c_str(), nullptr, 10);
  return static_cast<int32_t>(
      std::clamp<long>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

double MemoryIniFile::getDouble(const std::u16string& section, const std::u16string& key) {
  return std::strtod(asciiPrefix(getString(section, key)).c_str(), nullptr);
}

bool MemoryIniFile::getBool(const std::u16string& section, const std::u16string& key) {
  const std::u16string value = getString(section, key);
  return !value.empty() && value[0] == u'Y';
}

void MemoryIniFile::setString(const std::u16string& section, const std::u16string& key, const std::u16string& value) {
  Section& keys = getSection(withoutLineBreaks(section));
  auto [entry, inserted] = keys.keys.try_emplace(withoutLineBreaks(key));
  if (inserted) entry->second.order = nextOrder++;
  entry->second.value = withoutLineBreaks(value);
}

void MemoryIniFile::setInt(int32_t value, const std::u16string& section, const std::u16string& key) {
  setString(section, key, formatString(u"%d", value));
}

void MemoryIniFile::setDouble(double value, const std::u16string& section, const std::u16string& key) {
  setString(section, key, formatString(u"%.8lf", value));
}

void MemoryIniFile::setBool(bool value, const std::u16string& section, const std::u16string& key) {
  setString(section, key, value ? u"Yes" : u"No");
}

std::string MemoryIniFile::saveText() const {
  std::string text = "\xEF\xBB\xBF";
  for (const auto* section : inOrder(sections)) {
    text += '[';
    text += toUtf8(section->first);
    text += "]\r\n";
    for (const auto* pair : inOrder(section->second.keys)) {
      text += toUtf8(pair->first);
      text += '=';
      text += toUtf8(pair->second.value);
      text += "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

WriteResult MemoryIniFile::save() const {
  if (fileName.empty()) return {};
  const std::string text = saveText();
  return writeFileReplacing(fileName, text.data(), text.size());
}
