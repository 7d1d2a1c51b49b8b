#pragma once
// One configuration text in memory: sections of key=value pairs, all kept as
// text and converted on every typed access.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/WriteResult.h"

class ByteBuffer;

class MemoryIniFile {
 public:
  // `order` records when a section or key was added, so that saving keeps
  // the order of the file and appends new keys behind the old ones.
  struct Entry {
    std::u16string value;
    uint32_t order = 0;
  };
  struct Section {
    std::unordered_map<std::u16string, Entry> keys;
    uint32_t order = 0;
  };

  // A configuration file longer than this is damaged: read as empty.
  static constexpr uint32_t kMaxFileBytes = 16u << 20;

  // Reads the file through the file manager; a missing file gives an empty configuration.
  explicit MemoryIniFile(std::u16string fileName);
  // Parses a text received in memory; such a configuration has no file to save to.
  explicit MemoryIniFile(const ByteBuffer& bytes);
  virtual ~MemoryIniFile() = default;

  // The section, created empty when missing.
  Section& getSection(const std::u16string& section);
  bool hasKey(const std::u16string& section, const std::u16string& key);
  void removeKey(const std::u16string& section, const std::u16string& key);

  // A missing key is fatal.
  std::u16string getString(const std::u16string& section, const std::u16string& key);
  // 0 when the value does not start with a number; held to the 32-bit range.
  int32_t getInt(const std::u16string& section, const std::u16string& key);
  double getDouble(const std::u16string& section, const std::u16string& key);
  // True only for a value starting with an upper-case Y.
  bool getBool(const std::u16string& section, const std::u16string& key);

  // Creates or replaces the pair. Line breaks are removed from section, key
  // and value, so that no text can add lines to the saved file.
  void setString(const std::u16string& section, const std::u16string& key, const std::u16string& value);
  void setInt(int32_t value, const std::u16string& section, const std::u16string& key);
  void setDouble(double value, const std::u16string& section, const std::u16string& key);
  void setBool(bool value, const std::u16string& section, const std::u16string& key);

  // The saved form: UTF-8 with a byte-order mark, CR LF line ends.
  std::string saveText() const;
  // Replaces `fileName` with the saved form; without a file name nothing is written.
  WriteResult save() const;

  std::u16string fileName;
  std::unordered_map<std::u16string, Section> sections;

 private:
  void parse(const ByteBuffer& bytes);

  uint32_t nextOrder = 0;
};
