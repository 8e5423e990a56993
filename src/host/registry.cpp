#include "host/registry.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/error.hpp"
#include "common/messages.hpp"
#include "common/text.hpp"

namespace zorvanil::host {

namespace fs = std::filesystem;

namespace {

// Whether `key` is `parent` or lies below it.
bool isWithin(std::string_view key, std::string_view parent) {
    if (key.size() < parent.size() || !sameText(key.substr(0, parent.size()), parent)) return false;
    return key.size() == parent.size() || key[parent.size()] == '\\';
}

std::string quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

[[noreturn]] void malformed(std::string_view fileName, int line, std::string_view why) {
    raise(msg::kRegistryMalformed, {fileName, std::to_string(line), why});
}

// Reads a quoted text at the start of `rest`, leaving `rest` after its closing quote.
std::string unquote(std::string_view& rest, std::string_view fileName, int line) {
    if (rest.empty() || rest[0] != '"') malformed(fileName, line, msg::kRegistryQuoteExpected);
    std::string out;
    std::size_t i = 1;
    for (; i < rest.size() && rest[i] != '"'; ++i) {
        if (rest[i] != '\\') {
            out += rest[i];
            continue;
        }
        if (++i == rest.size()) break;
        out += rest[i] == 'n' ? '\n' : rest[i];
    }
    if (i >= rest.size()) malformed(fileName, line, msg::kRegistryQuoteNotClosed);
    rest.remove_prefix(i + 1);
    return out;
}

}  // namespace

FileRegistry FileRegistry::load(const fs::path& file) {
    // A directory opens for reading, and reads as nothing.
    std::error_code ec;
    if (fs::is_directory(file, ec))
        raise(msg::kCannotReadRegistry, {file.string(), std::strerror(EISDIR)});
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) {
        const int error = errno;
        if (error == ENOENT) return {};
        raise(msg::kCannotReadRegistry, {file.string(), std::strerror(error)});
    }
    std::string text;
    char block[4096];
    while (std::size_t n = std::fread(block, 1, sizeof block, in))
        text.append(block, n);
    const int error = std::ferror(in) ? errno : 0;
    std::fclose(in);
    if (error) raise(msg::kCannotReadRegistry, {file.string(), std::strerror(error)});
    return parse(text, file.string());
}

FileRegistry FileRegistry::parse(std::string_view text, std::string_view fileName) {
    FileRegistry registry;
    Key* current = nullptr;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = trim(text.substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line.back() != ']') malformed(fileName, lineNumber, msg::kRegistryKeyNotClosed);
            current = &registry.obtain(line.substr(1, line.size() - 2));
            continue;
        }
        if (!current) malformed(fileName, lineNumber, msg::kRegistryValueBeforeKey);
        std::string name;
        std::string_view rest = line;
        if (rest[0] == '@')
            rest.remove_prefix(1);
        else
            name = unquote(rest, fileName, lineNumber);
        if (rest.empty() || rest[0] != '=')
            malformed(fileName, lineNumber, msg::kRegistryEqualsExpected);
        rest.remove_prefix(1);
        std::string data = unquote(rest, fileName, lineNumber);
        if (!trim(rest).empty()) malformed(fileName, lineNumber, msg::kRegistryTextAfterValue);
        registry.setValue(current->path, name, data);
    }
    return registry;
}

std::string FileRegistry::text() const {
    std::string out =
        "; Zorvanil registry: keys below the classes root, in the order they were created.\n";
    for (const Key& key : keys_) {
        out += "\n[" + key.path + "]\n";
        for (const Value& v : key.values)
            out += (v.name.empty() ? std::string("@") : quote(v.name)) + "=" + quote(v.data) + "\n";
    }
    return out;
}

void FileRegistry::save(const fs::path& file) const {
    // The file's directory is the operator's to make: none is created here.
    std::error_code ec;
    if (fs::is_directory(file, ec))
        raise(msg::kCannotWriteRegistryBecause, {file.string(), std::strerror(EISDIR)});
    fs::path temporary = file;
    temporary += ".new";
    {
        std::FILE* out = std::fopen(temporary.c_str(), "wb");
        if (!out) raise(msg::kCannotWriteRegistryBecause, {file.string(), std::strerror(errno)});
        const std::string content = text();
        int error =
            std::fwrite(content.data(), 1, content.size(), out) == content.size() ? 0 : errno;
        if (std::fclose(out) != 0 && !error) error = errno;
        if (error) {
            fs::remove(temporary, ec);
            raise(msg::kCannotWriteRegistryBecause, {file.string(), std::strerror(error)});
        }
    }
    fs::rename(temporary, file, ec);
    if (ec) {
        fs::remove(temporary, ec);
        raise(msg::kCannotWriteRegistryBecause, {file.string(), ec.message()});
    }
}

FileRegistry::Key* FileRegistry::find(std::string_view key) {
    for (Key& k : keys_)
        if (sameText(k.path, key)) return &k;
    return nullptr;
}

const FileRegistry::Key* FileRegistry::find(std::string_view key) const {
    for (const Key& k : keys_)
        if (sameText(k.path, key)) return &k;
    return nullptr;
}

FileRegistry::Key& FileRegistry::obtain(std::string_view key) {
    if (Key* k = find(key)) return *k;
    keys_.push_back({std::string(key), {}});
    return keys_.back();
}

void FileRegistry::createKey(std::string_view key) {
    obtain(key);
}

void FileRegistry::setValue(std::string_view key, std::string_view name, std::string_view value) {
    Key& k = obtain(key);
    for (Value& v : k.values)
        if (sameText(v.name, name)) {
            v.data = std::string(value);
            return;
        }
    k.values.push_back({std::string(name), std::string(value)});
}

void FileRegistry::deleteValue(std::string_view key, std::string_view name) {
    if (Key* k = find(key))
        std::erase_if(k->values, [&](const Value& v) { return sameText(v.name, name); });
}

void FileRegistry::deleteKey(std::string_view key) {
    std::erase_if(keys_, [&](const Key& k) { return isWithin(k.path, key); });
}

std::optional<std::string> FileRegistry::value(std::string_view key, std::string_view name) const {
    if (const Key* k = find(key))
        for (const Value& v : k->values)
            if (sameText(v.name, name)) return v.data;
    return std::nullopt;
}

bool FileRegistry::hasKey(std::string_view key) const {
    return find(key) != nullptr;
}

RegistryFileLock::RegistryFileLock(const fs::path& file) {
    fs::path lockFile = file;
    lockFile += ".lock";
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) raise(msg::kCannotLockRegistry, {file.string(), std::strerror(errno)});
    if (::flock(fd_, LOCK_EX) != 0) {
        int error = errno;
        ::close(fd_);
        raise(msg::kCannotLockRegistry, {file.string(), std::strerror(error)});
    }
}

RegistryFileLock::~RegistryFileLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace zorvanil::host
