#pragma once
// A temporary folder for one test, removed with everything in it when the test ends. With
// enter = true the process works inside it (for files written into the current directory).

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TempDir {
public:
    explicit TempDir(bool enter = false) {
        std::string pattern = (std::filesystem::temp_directory_path() / "tesselo-XXXXXX").string();
        if (mkdtemp(pattern.data())) m_path = pattern;
        if (enter && !m_path.empty()) {
            m_previous = std::filesystem::current_path();
            std::filesystem::current_path(m_path);
        }
    }
    ~TempDir() {
        std::error_code ignored;
        if (!m_previous.empty()) std::filesystem::current_path(m_previous, ignored);
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // A path inside the folder.
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    // Number of entries in the folder, to see that no temporary file was left behind.
    size_t EntryCount() const {
        return size_t(std::distance(std::filesystem::directory_iterator(m_path), {}));
    }

    static std::vector<uint8_t> ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};
