#pragma once
// CSafeFileWriter: replaces a file as a whole or not at all.
//
// The new content goes into a temporary file in the target's folder (so that the final rename
// stays on one file system). Commit checks every write, the flush, the sync to disk and the
// close, and only then renames the temporary over the target. Any failure removes the
// temporary and leaves an existing target byte for byte as it was. An existing target that is
// not a regular file or may not be written is refused; a replaced file keeps its permissions.

#include <cstddef>
#include <cstdio>
#include <string>

class CSafeFileWriter {
public:
    explicit CSafeFileWriter(std::string path);
    ~CSafeFileWriter();
    CSafeFileWriter(const CSafeFileWriter&) = delete;
    CSafeFileWriter& operator=(const CSafeFileWriter&) = delete;

    // Creates the temporary file; false when the target may not be replaced or the folder
    // takes no new file.
    bool Open();
    // The temporary's stream, for writers that stream into it; null unless open. Failures of
    // writes made through it are found by Commit.
    FILE* File() const { return m_file; }
    bool Write(const void* data, size_t size);
    // Completes the temporary and renames it over the target; false, with the temporary
    // removed, when any step failed.
    bool Commit();
    // Drops the temporary; the target stays as it was.
    void Discard();

    // The system's text for the first failure; empty while nothing failed.
    const std::string& ErrorText() const { return m_error; }

    // The whole content in one call; on failure the reason goes to *error when given.
    static bool WriteFile(const std::string& path, const void* data, size_t size,
                          std::string* error = nullptr);
    static bool WriteFile(const std::string& path, const std::string& bytes,
                          std::string* error = nullptr);

private:
    bool Fail(int error);

    std::string m_path;
    std::string m_tempPath;
    FILE* m_file = nullptr;
    std::string m_error;
};
