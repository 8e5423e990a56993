#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvanil::host {

// What registration does to a registry. Keys are paths below the classes root with components
// separated by "\"; a value is a named text, the empty name being the key's default value. Key
// and value names compare without regard to letter case. Deleting what is absent is no error.
class RegistryWriter {
  public:
    virtual ~RegistryWriter() = default;
    virtual void createKey(std::string_view key) = 0;
    // Creates the key when it is missing.
    virtual void setValue(std::string_view key, std::string_view name, std::string_view value) = 0;
    virtual void deleteValue(std::string_view key, std::string_view name) = 0;
    // Deletes the key with every key below it.
    virtual void deleteKey(std::string_view key) = 0;
    virtual std::optional<std::string> value(std::string_view key, std::string_view name) const = 0;
};

// A registry held in one text file. Keys stay in the order in which they were created and values
// in the order in which they were first set. The file (see docs/running.md):
//
//   ; comment
//   [CLSID\{F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}]
//   @="Zorvanil Object"
//   "AppID"="{F66B33AA-8B49-4301-8D74-CDD98EA1FA4A}"
//
// "@" names the default value; in quoted texts "\\", "\"" and "\n" stand for a backslash, a
// quotation mark and a line break.
class FileRegistry : public RegistryWriter {
  public:
    struct Value {
        std::string name;
        std::string data;
    };
    struct Key {
        std::string path;
        std::vector<Value> values;
    };

    FileRegistry() = default;

    // Reads a registry file; a missing file is an empty registry. A malformed one fails with an
    // Error naming the file and the line.
    static FileRegistry load(const std::filesystem::path& file);
    static FileRegistry parse(std::string_view text, std::string_view fileName = "registry");
    // Writes the registry to a new file beside `file` and renames it over `file`, creating the
    // directory when it is missing; fails with an Error.
    void save(const std::filesystem::path& file) const;
    std::string text() const;

    void createKey(std::string_view key) override;
    void setValue(std::string_view key, std::string_view name, std::string_view value) override;
    void deleteValue(std::string_view key, std::string_view name) override;
    void deleteKey(std::string_view key) override;
    std::optional<std::string> value(std::string_view key, std::string_view name) const override;

    bool hasKey(std::string_view key) const;
    const std::vector<Key>& keys() const { return keys_; }

  private:
    Key* find(std::string_view key);
    const Key* find(std::string_view key) const;
    Key& obtain(std::string_view key);

    std::vector<Key> keys_;
};

// Loads the registry file, applies `change` and saves it, holding an advisory lock on
// "<file>.lock" so that two processes do not update it at once.
template <class Change>
void updateRegistryFile(const std::filesystem::path& file, Change&& change);

// The lock of updateRegistryFile, for its template.
class RegistryFileLock {
  public:
    explicit RegistryFileLock(const std::filesystem::path& file);
    ~RegistryFileLock();
    RegistryFileLock(const RegistryFileLock&) = delete;
    RegistryFileLock& operator=(const RegistryFileLock&) = delete;

  private:
    int fd_ = -1;
};

template <class Change>
void updateRegistryFile(const std::filesystem::path& file, Change&& change) {
    RegistryFileLock lock(file);
    FileRegistry registry = FileRegistry::load(file);
    change(registry);
    registry.save(file);
}

}  // namespace zorvanil::host
