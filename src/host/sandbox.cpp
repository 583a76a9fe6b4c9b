#include "host/sandbox.h"

#include "host/file_io.h"
#include "value/growing_text.h"
#include "base/limits.h"

#include "base/error.h"

namespace zirn::host {

namespace {

[[noreturn]] void raise(std::string_view what, std::string_view path, std::string_view why)
{
    throw Error(ErrorKind::FileSystem,
                std::string(what) + ": cannot use " + quote_text(path) + " in the sandbox: " + std::string(why));
}

// True when `key` lies below the folder `folder` ("" is the starting folder).
bool is_below(std::string_view key, std::string_view folder)
{
    if (folder.empty()) return !key.empty();
    return key.size() > folder.size() && key.starts_with(folder) && key[folder.size()] == '/';
}

}  // namespace

std::string SandboxFiles::key_of(std::string_view path) const
{
    // Relative paths start in the current folder; "." and empty parts are
    // dropped and ".." goes up, never above the sandbox's top folder.
    std::vector<std::string_view> parts;
    auto take = [&](std::string_view text) {
        while (!text.empty()) {
            const std::size_t slash = text.find('/');
            const std::string_view part = text.substr(0, slash);
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            if (slash == std::string_view::npos) break;
            text.remove_prefix(slash + 1);
        }
    };
    if (!path.starts_with('/')) take(m_current);
    take(path);
    std::string key;
    for (const std::string_view part : parts) {
        if (!key.empty()) key += '/';
        key += part;
    }
    return key;
}

bool SandboxFiles::parent_exists(const std::string& key) const
{
    const std::size_t slash = key.rfind('/');
    if (slash == std::string::npos) return true;
    return m_directories.contains(std::string_view(key).substr(0, slash));
}

bool SandboxFiles::exists(std::string_view path) const
{
    ++m_calls;
    const std::string key = key_of(path);
    return key.empty() || m_files.contains(key) || m_directories.contains(key);
}

bool SandboxFiles::is_directory(std::string_view path) const
{
    ++m_calls;
    const std::string key = key_of(path);
    return key.empty() || m_directories.contains(key);
}

std::optional<std::string> SandboxFiles::read(std::string_view path) const
{
    ++m_calls;
    const auto it = m_files.find(key_of(path));
    if (it == m_files.end()) return std::nullopt;
    return it->second;
}

void SandboxFiles::write(std::string_view path, std::string content)
{
    ++m_calls;
    const std::string key = key_of(path);
    if (key.empty() || m_directories.contains(key)) raise("writefile", path, "it is a folder");
    if (!parent_exists(key)) raise("writefile", path, "its folder does not exist");
    const auto it = m_files.find(key);
    const std::size_t old_size = it == m_files.end() ? 0 : it->second.size();
    if (m_content_bytes - old_size + content.size() > max_content_bytes) {
        throw Error(ErrorKind::TooLarge, "the sandbox holds at most " + std::to_string(max_content_bytes) + " bytes");
    }
    m_content_bytes = m_content_bytes - old_size + content.size();
    m_files.insert_or_assign(key, std::move(content));
}

void SandboxFiles::make_directory(std::string_view path)
{
    ++m_calls;
    const std::string key = key_of(path);
    if (key.empty() || m_directories.contains(key)) return;
    if (m_files.contains(key)) raise("mkdir", path, "a file has that name");
    if (!parent_exists(key)) raise("mkdir", path, "its folder does not exist");
    m_directories.insert(key);
}

void SandboxFiles::remove(std::string_view path)
{
    ++m_calls;
    const std::string key = key_of(path);
    // Everything below a folder goes with it.
    for (auto it = m_files.begin(); it != m_files.end();) {
        if (it->first == key || is_below(it->first, key)) {
            m_content_bytes -= it->second.size();
            it = m_files.erase(it);
        } else {
            ++it;
        }
    }
    std::erase_if(m_directories, [&](const std::string& dir) { return dir == key || is_below(dir, key); });
}

std::vector<std::string> SandboxFiles::list(std::string_view path) const
{
    ++m_calls;
    const std::string key = key_of(path);
    if (!key.empty() && !m_directories.contains(key)) raise("listdir", path, "it is not a folder");
    const std::size_t skip = key.empty() ? 0 : key.size() + 1;
    std::set<std::string> names;
    auto take = [&](const std::string& entry) {
        if (is_below(entry, key) && entry.find('/', skip) == std::string::npos) names.insert(entry.substr(skip));
    };
    for (const auto& [file, content] : m_files) take(file);
    for (const std::string& dir : m_directories) take(dir);
    return {names.begin(), names.end()};
}

void SandboxFiles::change_directory(std::string_view path)
{
    if (!is_directory(path)) raise("cd", path, "it is not a folder");
    m_current = key_of(path);
}

namespace {

class SandboxFolderMark final : public FolderMark {
public:
    SandboxFolderMark(SandboxFiles& files, std::string folder) : m_files(files), m_folder(std::move(folder)) {}
    void go_back() override { m_files.return_to(m_folder); }

private:
    SandboxFiles& m_files;
    std::string m_folder;
};

// A file's content as a real file's read gives it: above the text limit in
// force (which an embedder may have lowered below the sandbox's own size)
// it is an error, in the same words.
std::optional<std::string> within_text_limit(std::optional<std::string> content, const std::string& path,
                                             std::string_view user)
{
    if (content && content->size() > limits::text_limit()) {
        const std::string label = file_content_label(user, path);  // the text keeps a view of it
        value::GrowingText(label).reserve(content->size());
    }
    return content;
}

}  // namespace

std::optional<std::string> SandboxFileSystem::read(const std::string& path, std::string_view user)
{
    return within_text_limit(m_files.read(path), path, user);
}

std::optional<std::string> SandboxFileSystem::load(const std::string& path, std::string_view user)
{
    return within_text_limit(m_files.read(path), path, user);
}

void SandboxFileSystem::write(const std::string& path, std::string_view content, std::string_view /*user*/)
{
    m_files.write(path, std::string(content));
}

void SandboxFileSystem::make_directory(const std::string& path, std::string_view /*user*/)
{
    m_files.make_directory(path);
}

void SandboxFileSystem::remove(const std::string& path, std::string_view /*user*/) { m_files.remove(path); }

std::vector<std::string> SandboxFileSystem::list(const std::string& path, std::string_view /*user*/)
{
    return m_files.list(path);
}

bool SandboxFileSystem::exists(const std::string& path, std::string_view /*user*/) { return m_files.exists(path); }

bool SandboxFileSystem::is_directory(const std::string& path, std::string_view /*user*/)
{
    return m_files.is_directory(path);
}

void SandboxFileSystem::change_directory(const std::string& path, std::string_view /*user*/)
{
    m_files.change_directory(path);
}

std::unique_ptr<FolderMark> SandboxFileSystem::mark_current_folder()
{
    return std::make_unique<SandboxFolderMark>(m_files, m_files.current());
}

}  // namespace zirn::host
