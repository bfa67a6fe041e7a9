#pragma once
// A fresh temporary folder for one test, removed with everything in it afterwards. With
// enter = true the process works inside it (for files written into the current directory).

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class CTempDir {
public:
    explicit CTempDir(bool enter = false) {
        std::string pattern = (std::filesystem::temp_directory_path() / "tesselo-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
        if (enter) {
            m_previous = std::filesystem::current_path();
            std::filesystem::current_path(m_path);
        }
    }
    ~CTempDir() {
        std::error_code ec;
        if (!m_previous.empty()) std::filesystem::current_path(m_previous, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    std::string File(const std::string& name) const { return (m_path / name).string(); }

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
