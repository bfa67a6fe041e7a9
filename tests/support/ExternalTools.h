#pragma once
// Independent image tools used by interoperability tests when they are installed:
// ImageMagick's convert/identify and Pillow under the system's Python.

#include <cstdlib>
#include <string>

namespace external {

inline bool CommandExists(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The system Python with Pillow (Debian's python3-pil), or "" when there is none.
inline std::string PillowPython() {
    static const std::string python = [] {
        for (const char* candidate : {"/usr/bin/python3", "python3"}) {
            const std::string probe =
                std::string(candidate) + " -c 'import PIL' >/dev/null 2>&1";
            if (std::system(probe.c_str()) == 0) return std::string(candidate);
        }
        return std::string();
    }();
    return python;
}

// Debian's ImageMagick, called by full path: a wrapper of the same name may come first on PATH.
inline const std::string kConvert = "/usr/bin/convert";
inline const std::string kIdentify = "/usr/bin/identify";

inline bool HaveImageMagick() { return CommandExists(kConvert) && CommandExists(kIdentify); }

// Runs a shell command; true when it exited with 0. Output is discarded.
inline bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace external
